#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// Where a report goes while it is being made. A report builder hands every
// line of its text to the sink the moment the line is complete, in order, and
// keeps none of them, so that a report of a million lines costs no more
// memory than one of ten: the sink decides what it holds (the command line
// writes each line out at once, the CSV writer each record, the page writer
// each page, the result window keeps the lines it shows).
//
// Every report kind writes its text through writeLine(). A kind that lists
// records also names its columns once and hands over each listed record's
// values, for the sinks that want them (CSV); building those values costs,
// so a builder asks wantsRecords() first and skips them when it is false.
// Failures are the sink's own business: it remembers them, and its owner
// asks after the report is done.
class ReportSink
{
public:
    virtual ~ReportSink() = default;

    // The next line of the report's text, without a line end.
    virtual void writeLine(const QString &line) = 0;
    // The same, already in UTF-8: builders hand record lines over this way,
    // made straight from the table's bytes. Sinks that write UTF-8 take
    // them as they are; the others get them decoded.
    virtual void writeUtf8Line(QByteArrayView line) { writeLine(QString::fromUtf8(line)); }
    // Whether the lines are wanted at all; a sink that only wants records
    // spares the builder making them, and the pass that measures them.
    virtual bool wantsLines() const { return true; }

    // Whether writeColumnTitles() and writeRecord() are wanted.
    virtual bool wantsRecords() const { return false; }
    // The titles of the shown columns, once, before the first record.
    virtual void writeColumnTitles(const QStringList &titles) { Q_UNUSED(titles) }
    // One listed record: its column values, unpadded, in the order of the
    // titles; records come in the order the lines list them.
    virtual void writeRecord(const QStringList &values) { Q_UNUSED(values) }
    // Sinks that write UTF-8 may take the records' values as UTF-8 cells,
    // made straight from the table's bytes: when wantsUtf8Records() is true,
    // the builder calls writeUtf8Record() for each record, not writeRecord().
    virtual bool wantsUtf8Records() const { return false; }
    virtual void writeUtf8Record(const QList<QByteArrayView> &cells) { Q_UNUSED(cells) }
};
