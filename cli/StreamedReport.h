#pragma once

#include <functional>

#include <QFile>
#include <QSaveFile>
#include <QString>

#include "evaluation/ReportSink.h"

// Writes the report as it is made, to the output file (replaced only once
// the report is complete) or to standard output; false when a write failed.
// `produce` says whether the report is whole; a file gets none that is not.
template <typename Writer>
bool writeStreamed(const QString &path, const std::function<bool(ReportSink &)> &produce)
{
    if (path.isEmpty()) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
            return false;
        Writer writer(&out);
        const bool whole = produce(writer);
        return writer.finish() && whole;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    Writer writer(&file);
    if (!produce(writer)) {
        file.cancelWriting();
        return false;
    }
    return writer.finish() && file.commit();
}
