#pragma once

#include <QString>

#include "ReportTextWriter.h"

// Writes a report's listed records as CSV while they are made: a byte-order
// mark, a row of the column titles, then one row per record; semicolons,
// CR LF line ends, UTF-8. A cell that a spreadsheet would run as a formula
// (one beginning with "=", "+", "-", "@", TAB or CR) gets a leading single
// quote, so that a remark like "=HYPERLINK(...)" stays text.
class ReportCsvWriter : public ReportSink
{
public:
    explicit ReportCsvWriter(QIODevice *device);

    void writeLine(const QString &) override {}
    void writeUtf8Line(QByteArrayView) override {}
    bool wantsLines() const override { return false; }
    bool wantsRecords() const override { return true; }
    void writeColumnTitles(const QStringList &titles) override;
    void writeRecord(const QStringList &values) override;
    bool wantsUtf8Records() const override { return true; }
    void writeUtf8Record(const QList<QByteArrayView> &cells) override;

    // Writes what is still buffered; false when any write failed.
    bool finish() { return m_out.finish(); }
    QString errorString() const { return m_out.errorString(); }

    // One cell as written: guarded against formulas, quoted where needed.
    static QString cell(const QString &value);
    // One row as written, without its line end.
    static QString row(const QStringList &values);
    // The same, appended to `row`.
    static void appendRow(QString &row, const QStringList &values);

private:
    static void appendCell(QString &row, const QString &value);
    static char16_t *writeCell(const QString &value, char16_t *out);
    static char *writeUtf8Cell(QByteArrayView cell, char *out);

    ReportTextWriter m_out;
    QString m_row;
    QByteArray m_utf8Row;
    bool m_first = true;
};
