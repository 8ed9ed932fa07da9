#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

#include "ReportSink.h"

class QIODevice;

// Writes a report's text to a device as it is made: UTF-8, each line ended
// by "\n", in blocks of some tens of kilobytes.
class ReportTextWriter : public ReportSink
{
public:
    explicit ReportTextWriter(QIODevice *device);

    void writeLine(const QString &line) override;
    void writeUtf8Line(QByteArrayView line) override;
    // Writes what is still buffered; false when any write failed.
    bool finish();
    QString errorString() const { return m_errorString; }

private:
    void flush();

    QIODevice *m_device;
    QByteArray m_buffer;
    QStringEncoder m_encoder{QStringEncoder::Utf8};
    QString m_errorString;
};
