#include <QBuffer>
#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "evaluation/EvaluationReport.h"
#include "evaluation/ReportCsvWriter.h"
#include "evaluation/ReportTextWriter.h"
#include "storage/DbfTable.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "translation/ProgramTexts.h"

using EvaluationReport::Kind;

namespace {

constexpr int RandomRows = 20000;

QString pick(QRandomGenerator &random, const QStringList &pool)
{
    return pool.at(int(random.bounded(quint32(pool.size()))));
}

QString randomTime(QRandomGenerator &random)
{
    switch (random.bounded(20)) {
    case 0: return QString();
    case 1: return QStringLiteral("7 Uhr");
    case 2: return QStringLiteral("25:00");
    default: break;
    }
    return QStringLiteral("%1:%2").arg(random.bounded(24), 2, 10, QLatin1Char('0')).arg(random.bounded(60), 2, 10, QLatin1Char('0'));
}

QString randomDate(QRandomGenerator &random)
{
    switch (random.bounded(50)) {
    case 0: return QStringLiteral("kein Datum");
    case 1: return QStringLiteral("31.02.2024");
    case 2: return QString();
    default: break;
    }
    const QDate date = QDate(2023, 11, 1).addDays(random.bounded(200));
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

// Remarks of any length up to the field's 100 characters, with the
// characters CSV has to quote, but none a spreadsheet takes for a formula.
QString randomRemark(QRandomGenerator &random)
{
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzäöüßÄÖÜ ;\"0123456789,.");
    if (random.bounded(3) == 0)
        return QString();
    QString text = QStringLiteral("R");
    const int length = int(random.bounded(100));
    for (int i = 0; i < length; ++i)
        text += letters.at(int(random.bounded(quint32(letters.size()))));
    return text;
}

// A table of random bookings: many employees, places and activities of all
// lengths, dates inside and outside the period, texts that do not parse.
bool writeRandomTable(const QString &path, const Clock &clock)
{
    const QStringList employees = {QStringLiteral("Müller, Jürgen"), QStringLiteral("Schäfer, Käthe"),
                                   QStringLiteral("Özdemir, Zoë"), QStringLiteral("A"),
                                   QStringLiteral("Hohenstein-Wildenberg, Maximiliane Th")};
    const QStringList places = {QStringLiteral("Köln, Baustelle Schloßplatz 3"), QStringLiteral("büro"),
                                QStringLiteral("Büro"), QStringLiteral("Äpfelhof"), QString(), QStringLiteral("Z"),
                                QStringLiteral("Gießen, Praxis Dr. Größer und Partner, Hinterhaus")};
    const QStringList activities = {QStringLiteral("Montage"), QStringLiteral("Wartung"), QStringLiteral("Übergabe"),
                                    QStringLiteral("Störungsbeseitigung an der Heizungsanlage im Keller")};
    DbfTable table(clock);
    if (!table.create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)) || !table.open(path))
        return false;
    QRandomGenerator random(20240301);
    for (int i = 0; i < RandomRows; ++i) {
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Datum, randomDate(random));
        record.setText(WorkTimeTables::Arbeiter, pick(random, employees));
        record.setText(WorkTimeTables::Ort, pick(random, places));
        record.setText(WorkTimeTables::Taetigkeit, pick(random, activities));
        record.setText(WorkTimeTables::ZeitVon, randomTime(random));
        record.setText(WorkTimeTables::ZeitBis, randomTime(random));
        record.setText(WorkTimeTables::Bemerkungen, randomRemark(random));
        record.setLogical(WorkTimeTables::Auswaerts, random.bounded(5) == 0);
        record.setText(WorkTimeTables::Pause, random.bounded(4) ? QStringLiteral("00:30") : randomTime(random));
        if (!table.append(record))
            return false;
    }
    // Some records deleted, as a user deletes them in the grid.
    for (quint32 number = 7; number < quint32(RandomRows); number += 97) {
        if (!table.markDeleted(number))
            return false;
    }
    return true;
}

QByteArray sha256(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

} // namespace

// The reports of a large random table, as text and as CSV, compared with the
// digests of what the builder wrote when it still held the whole report in
// memory: writing lines as they are made must not change a byte.
class TestReportStreaming : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameBytesAsTheWholeReport_data();
    void sameBytesAsTheWholeReport();

private:
    template <typename Writer>
    QByteArray streamed(const EvaluationReport::Options &options);

    QTemporaryDir m_dir;
    FixedClock m_clock;
    std::unique_ptr<DbfTable> m_table;
};

void TestReportStreaming::initTestCase()
{
    const QString path = m_dir.filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(writeRandomTable(path, m_clock));
    m_table = std::make_unique<DbfTable>(m_clock);
    QVERIFY(m_table->open(path, DbfTable::OpenMode::ReadOnly));
}

void TestReportStreaming::sameBytesAsTheWholeReport_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<bool>("breaks");
    QTest::addColumn<QByteArray>("textDigest");
    QTest::addColumn<QByteArray>("csvDigest");
    const struct {
        const char *name;
        Kind kind;
        const char *choice;
        bool breaks;
        const char *text;
        const char *csv;
    } rows[] = {
        {"employee", Kind::Employee, "Müller, Jürgen", false, "8d1525c923676dc710fd61bffed6f61e1e6f574e690173efbbb507a810be31b9",
         "c165b0a91c0debf82161f95edf34479686bf3ecb9ff93428f2217b42bbce51d5"},
        {"employee with breaks", Kind::Employee, "Müller, Jürgen", true, "24d2e4be8eac011296186a024f685765b229779c3d27e005a50f551ebbfc21f0",
         "563a299a4b69c9bf98071d19eaae37974e0eea6920345ef4f31b0d37a23de33e"},
        {"employee with a long name", Kind::Employee, "Hohenstein-Wildenberg, Maximiliane Th", true, "d125214ee26bbbaed719516a095396d8b5c2ef28efc34378b7e33c3f5830dc8f",
         "f86be0553fd3522ababc912e196246a47f737be49a9e9d1a1d799982965e82ea"},
        {"place", Kind::Place, "Büro", true, "4a7f14d35e0ec762f8169e3e7ba9d43f58bc7b4dab6eb6dcb95da59763fef7ee",
         "1eccfd9bc54cfbffe290c895b0f328b6a535bd25300aabe3363f8224c5ce24e3"},
        {"activity", Kind::Activity, "Übergabe", false, "d3f97c09d86253e920bae9159701d146eb42460f33800d784987b27c55f8a799",
         "c7f8870d41fb095bef2e1e2c84abb8ee0da0e1742db9c181d32b7f6ba9cb5b84"},
        {"period", Kind::Period, "", false, "b0a5eda91e017b5f0e7496d8130080ca1f81883349ff5a227d1067b98a967f3a",
         "a0951d7dbeff6510bff7c1ae162c7544b78acdac4bce832ccfabb066ea1c396a"},
        {"period with breaks", Kind::Period, "", true, "95555c2941ffe9c29a4f119d8ca69291e7310dbb1b2dc5fe5536feb4cb01db26",
         "747831c84f496f8144252e67daacb558112560e62bdb792dcfd0fc1ab70a138a"},
        {"period sorted by place", Kind::PeriodByPlace, "", true, "3d14179d02d41bfebc4b92eb9e71fe15d8b77fe7b808622995b0725e2406183f",
         "bddeb46cfb689f9e2840102dae7aa00bbd66b3d2e5b859219fda1983fbe0386f"},
    };
    for (const auto &row : rows) {
        QTest::newRow(row.name) << row.kind << QString::fromUtf8(row.choice) << row.breaks << QByteArray(row.text)
                                << QByteArray(row.csv);
    }
}

template <typename Writer>
QByteArray TestReportStreaming::streamed(const EvaluationReport::Options &options)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Writer writer(&buffer);
    EvaluationReport::write(*m_table, options, &ProgramTexts::german, writer);
    writer.finish();
    return bytes;
}

void TestReportStreaming::sameBytesAsTheWholeReport()
{
    QFETCH(Kind, kind);
    QFETCH(QString, choice);
    QFETCH(bool, breaks);
    QFETCH(QByteArray, textDigest);
    QFETCH(QByteArray, csvDigest);
    EvaluationReport::Options options;
    options.kind = kind;
    options.choice = choice;
    options.from = QDate(2023, 12, 1);
    options.to = QDate(2024, 4, 30);
    options.showBreaks = breaks;
    options.locale = QLocale(QLocale::German, QLocale::Germany);
    options.withValues = true;
    const EvaluationReport::Report report = EvaluationReport::build(*m_table, options, &ProgramTexts::german);
    QVERIFY(report.lines.size() > 100);
    const QByteArray text = (report.lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    const QByteArray csv = EvaluationReport::toCsv(report);
    QCOMPARE(sha256(text), textDigest);
    QCOMPARE(sha256(csv), csvDigest);

    // The writers the command line streams through take other paths: lines
    // made in UTF-8 from the table's bytes, CSV without the lines at all.
    QCOMPARE(sha256(streamed<ReportTextWriter>(options)), textDigest);
    QCOMPARE(sha256(streamed<ReportCsvWriter>(options)), csvDigest);
}

QTEST_GUILESS_MAIN(TestReportStreaming)
#include "tst_reportstreaming.moc"
