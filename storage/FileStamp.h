#pragma once

#include <QtGlobal>

class QFile;

// The length and modification time of an open file: what tells one instance
// that another wrote to a shared table since it last looked.
struct FileStamp
{
    qint64 size = -1;
    qint64 modifiedNs = 0; // nanoseconds since the epoch, as fine as the file system keeps it

    bool operator==(const FileStamp &) const = default;

    // The stamp of the file now; an invalid stamp (size -1) when it cannot be read.
    static FileStamp of(QFile &file);

    // Moves the file's modification time past `previous`, for a write the
    // file system's clock did not tell apart from the one before it (a
    // coarse clock: both in one tick). Tries ever larger steps, as coarse as
    // the file system keeps times; false when the time would not move.
    static bool moveModifiedPast(QFile &file, const FileStamp &previous);
};
