#include <QBuffer>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "evaluation/EvaluationReport.h"
#include "print/ReportPageWriter.h"
#include "print/ReportPainter.h"
#include "storage/WorkTimeTables.h"
#include "support/FixedClock.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"

using EvaluationReport::Kind;

namespace {

struct Row
{
    const char *datum, *arbeiter, *ort, *taetigkeit, *von, *bis, *bemerkungen, *pause;
    bool away;
};

// A small firm's month: several employees and places, a night shift, texts
// that do not parse, a long place, a deleted record.
const Row s_sample[] = {
    {"01.03.2024", "Müller, Jürgen", "Köln, Baustelle Schloßplatz 3", "Montage", "07:00", "15:30", "", "00:30", false},
    {"01.03.2024", "Schäfer, Käthe", "Büro", "Buchhaltung", "08:00", "12:00", "Quartalsabschluss", "00:00", false},
    {"04.03.2024", "Müller, Jürgen", "büro", "Angebot schreiben", "13:00", "14:15", "", "", false},
    {"04.03.2024", "Özdemir, Zoë", "Gießen, Praxis Dr. Größer und Partner", "Wartung", "22:00", "06:00",
     "Nachtarbeit", "00:30", true},
    {"05.03.2024", "Müller, Jürgen", "Köln, Baustelle Schloßplatz 3", "Montage", "7 Uhr", "16:00", "Zeit unleserlich", "00:30", true},
    {"kein Datum", "Müller, Jürgen", "Köln, Baustelle Schloßplatz 3", "Montage", "07:00", "16:00", "", "00:30", false},
    {"31.03.2024", "müller, jürgen", "Äpfelhof", "Ernte", "06:00", "10:00", "klein geschrieben", "00:15", false},
    {"01.04.2024", "Müller, Jürgen", "Köln, Baustelle Schloßplatz 3", "Montage", "07:00", "15:30", "April", "00:30", false},
};

QString programText(int n)
{
    return ProgramTexts::german(n);
}

} // namespace

class TestEvaluationReport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void reportsMatchExpectedFiles_data();
    void reportsMatchExpectedFiles();
    void emptyPeriods_data();
    void emptyPeriods();
    void sums_data();
    void sums();
    void choiceLists_data();
    void choiceLists();
    void breakOptionHidesOnlyTheColumn();
    void sortedTiesFollowTheExchangeSort();
    void sortedOrderMatchesExchangeSortOnRandomTables();
    void outZeit_data();
    void outZeit();
    void csvQuotesAndMarksItsEncoding();
    void pdfIsLandscapeWithTitleAndMargins();
    void wrappedRemarksContinueUnderTheirColumn_data();
    void wrappedRemarksContinueUnderTheirColumn();

private:
    void append(const Row &row);
    EvaluationReport::Report build(Kind kind, const QString &choice, QDate from, QDate to, bool breaks = true);

    std::unique_ptr<QTemporaryDir> m_dir;
    FixedClock m_clock;
    std::unique_ptr<DbfTable> m_table;
};

void TestEvaluationReport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_table = std::make_unique<DbfTable>(m_clock);
    const QString path = m_dir->filePath(QStringLiteral("arbeitszeit.dbf"));
    QVERIFY(m_table->create(path, WorkTimeTables::fieldDefinitions(&ProgramTexts::german)));
    QVERIFY(m_table->open(path));
}

void TestEvaluationReport::append(const Row &row)
{
    DbfRecord record = m_table->newRecord();
    record.setText(WorkTimeTables::Datum, QString::fromUtf8(row.datum));
    record.setText(WorkTimeTables::Arbeiter, QString::fromUtf8(row.arbeiter));
    record.setText(WorkTimeTables::Ort, QString::fromUtf8(row.ort));
    record.setText(WorkTimeTables::Taetigkeit, QString::fromUtf8(row.taetigkeit));
    record.setText(WorkTimeTables::ZeitVon, QString::fromUtf8(row.von));
    record.setText(WorkTimeTables::ZeitBis, QString::fromUtf8(row.bis));
    record.setText(WorkTimeTables::Bemerkungen, QString::fromUtf8(row.bemerkungen));
    record.setText(WorkTimeTables::Pause, QString::fromUtf8(row.pause));
    record.setLogical(WorkTimeTables::Auswaerts, row.away);
    QVERIFY(m_table->append(record));
}

EvaluationReport::Report TestEvaluationReport::build(Kind kind, const QString &choice, QDate from, QDate to, bool breaks)
{
    EvaluationReport::Options options;
    options.kind = kind;
    options.choice = choice;
    options.from = from;
    options.to = to;
    options.showBreaks = breaks;
    options.locale = QLocale(QLocale::German, QLocale::Germany);
    options.withValues = true;
    return EvaluationReport::build(*m_table, options, &programText);
}

void TestEvaluationReport::reportsMatchExpectedFiles_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<bool>("breaks");
    QTest::addColumn<QString>("expectedFile");
    QTest::newRow("employee") << Kind::Employee << QStringLiteral("Müller, Jürgen") << true << QStringLiteral("employee.txt");
    QTest::newRow("employee, no breaks") << Kind::Employee << QStringLiteral("Müller, Jürgen") << false
                                         << QStringLiteral("employee-nobreaks.txt");
    QTest::newRow("place") << Kind::Place << QStringLiteral("Köln, Baustelle Schloßplatz 3") << false << QStringLiteral("place.txt");
    QTest::newRow("activity") << Kind::Activity << QStringLiteral("Wartung") << true << QStringLiteral("activity.txt");
    QTest::newRow("period") << Kind::Period << QString() << true << QStringLiteral("period.txt");
    QTest::newRow("period by place") << Kind::PeriodByPlace << QString() << true << QStringLiteral("period-by-place.txt");
}

void TestEvaluationReport::reportsMatchExpectedFiles()
{
    QFETCH(Kind, kind);
    QFETCH(QString, choice);
    QFETCH(bool, breaks);
    QFETCH(QString, expectedFile);
    for (const Row &row : s_sample)
        append(row);
    QVERIFY(m_table->markDeleted(2)); // Schäfer's office morning is gone
    const EvaluationReport::Report report = build(kind, choice, QDate(2024, 3, 1), QDate(2024, 3, 31), breaks);
    const QString expected = QString::fromUtf8(TestFiles::readAll(TestFiles::dataPath(QStringLiteral("reports/") + expectedFile)));
    QCOMPARE(report.lines.join(QLatin1Char('\n')) + QLatin1Char('\n'), expected);
}

void TestEvaluationReport::emptyPeriods_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::newRow("no record in the period") << QDate(2023, 1, 1) << QDate(2023, 12, 31);
    QTest::newRow("reversed period") << QDate(2024, 3, 31) << QDate(2024, 3, 1);
}

void TestEvaluationReport::emptyPeriods()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    for (const Row &row : s_sample)
        append(row);
    const auto report = build(Kind::Employee, QStringLiteral("Müller, Jürgen"), from, to, false);
    QCOMPARE(report.lines.size(), 8);
    QCOMPARE(report.lines.at(3),
             QStringLiteral("Datum      Ort                       Tätigkeit                           Von   Bis   Übernachtung Bemerkungen"));
    QCOMPARE(report.lines.mid(4), (QStringList{QString(), QStringLiteral("Auswärtsübernachtungen: 0"),
                                               QStringLiteral("Abgezogene Pausenzeit in Stunden: 0,00 / 0:00"),
                                               QStringLiteral("Gesamtstunden: 0,00 / 0:00")}));
    QVERIFY(report.listedValues.isEmpty());
}

void TestEvaluationReport::sums_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("pause");
    QTest::addColumn<QString>("breakLine");
    QTest::addColumn<QString>("totalLine");
    QTest::newRow("across midnight") << QStringLiteral("22:00") << QStringLiteral("06:00") << QStringLiteral("00:30")
                                     << QStringLiteral("0,50 / 0:30") << QStringLiteral("7,50 / 7:30");
    QTest::newRow("break that does not parse") << QStringLiteral("08:00") << QStringLiteral("12:00") << QStringLiteral("30 min")
                                               << QStringLiteral("0,00 / 0:00") << QStringLiteral("4,00 / 4:00");
    QTest::newRow("start that does not parse") << QStringLiteral("acht") << QStringLiteral("12:00") << QStringLiteral("00:30")
                                               << QStringLiteral("0,00 / 0:00") << QStringLiteral("0,00 / 0:00");
    QTest::newRow("one-digit hour, no break") << QStringLiteral("7:00") << QStringLiteral("9:40") << QString()
                                              << QStringLiteral("0,00 / 0:00") << QStringLiteral("2,67 / 2:40");
}

void TestEvaluationReport::sums()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, pause);
    QFETCH(QString, breakLine);
    QFETCH(QString, totalLine);
    const QByteArray f = from.toUtf8(), t = to.toUtf8(), p = pause.toUtf8();
    append({"10.03.2024", "Anna", "Bonn", "Malen", f.constData(), t.constData(), "", p.constData(), true});
    const auto report = build(Kind::Employee, QStringLiteral("Anna"), QDate(2024, 3, 10), QDate(2024, 3, 10));
    QCOMPARE(report.listedValues.size(), 1); // the line is written in any case
    QCOMPARE(report.lines.at(report.lines.size() - 3), QStringLiteral("Auswärtsübernachtungen: 1"));
    QCOMPARE(report.lines.at(report.lines.size() - 2), QStringLiteral("Abgezogene Pausenzeit in Stunden: ") + breakLine);
    QCOMPARE(report.lines.last(), QStringLiteral("Gesamtstunden: ") + totalLine);
}

void TestEvaluationReport::choiceLists_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("hide");
    QTest::addColumn<QStringList>("choices");
    QTest::newRow("employees") << Kind::Employee << false
                               << QStringList{QStringLiteral("Müller, Jürgen"), QStringLiteral("Schäfer, Käthe"),
                                              QStringLiteral("Özdemir, Zoë"), QStringLiteral("müller, jürgen")};
    QTest::newRow("employees, deleted hidden") << Kind::Employee << true
                                               << QStringList{QStringLiteral("Müller, Jürgen"), QStringLiteral("Özdemir, Zoë")};
    QTest::newRow("places, the hiding option plays no part")
        << Kind::Place << true
        << QStringList{QStringLiteral("Köln, Baustelle Schloßplatz 3"), QStringLiteral("Büro"), QStringLiteral("büro"),
                       QStringLiteral("Gießen, Praxis Dr. Größer und Partner"), QStringLiteral("Äpfelhof")};
    QTest::newRow("periods have none") << Kind::Period << false << QStringList();
}

void TestEvaluationReport::choiceLists()
{
    QFETCH(Kind, kind);
    QFETCH(bool, hide);
    QFETCH(QStringList, choices);
    for (const Row &row : s_sample)
        append(row);
    const QList<UserRow> users = {{QStringLiteral("Müller, Jürgen"), QStringLiteral("jm"), QStringLiteral("1")},
                                  {QStringLiteral("Özdemir, Zoë"), QStringLiteral("zo"), QStringLiteral("2")}};
    QCOMPARE(EvaluationReport::choiceList(*m_table, kind, hide, users), choices);
}

void TestEvaluationReport::breakOptionHidesOnlyTheColumn()
{
    append({"10.03.2024", "Anna", "Bonn", "Malen", "08:00", "12:00", "", "01:00", false});
    const auto shown = build(Kind::Place, QStringLiteral("Bonn"), QDate(2024, 3, 1), QDate(2024, 3, 31), true);
    const auto hidden = build(Kind::Place, QStringLiteral("Bonn"), QDate(2024, 3, 1), QDate(2024, 3, 31), false);
    QVERIFY(shown.lines.at(3).contains(QStringLiteral(" Pause ")));
    QVERIFY(!hidden.lines.at(3).contains(QStringLiteral("Pause")));
    QCOMPARE(hidden.lines.at(4), QStringLiteral("10.03.2024 Anna                      Malen                               08:00 12:00 "));
    QCOMPARE(hidden.lines.at(hidden.lines.size() - 2), QStringLiteral("Abgezogene Pausenzeit in Stunden: 1,00 / 1:00"));
    QCOMPARE(hidden.columnTitles, (QStringList{QStringLiteral("Datum"), QStringLiteral("Mitarbeiter"), QStringLiteral("Tätigkeit"),
                                               QStringLiteral("Von"), QStringLiteral("Bis"), QStringLiteral("Bemerkungen")}));
}

void TestEvaluationReport::sortedTiesFollowTheExchangeSort()
{
    append({"05.03.2024", "Erster", "Köln", "A", "08:00", "09:00", "", "", false});
    append({"05.03.2024", "Zweiter", "köln", "A", "08:00", "09:00", "", "", false});
    append({"06.03.2024", "Dritter", "Bonn", "A", "08:00", "09:00", "", "", false});
    const auto report = build(Kind::PeriodByPlace, QString(), QDate(2024, 3, 1), QDate(2024, 3, 31));
    QStringList order;
    for (const QStringList &values : report.listedValues)
        order << values.at(1);
    QCOMPARE(order, (QStringList{QStringLiteral("Dritter"), QStringLiteral("Zweiter"), QStringLiteral("Erster")}));
}

void TestEvaluationReport::sortedOrderMatchesExchangeSortOnRandomTables()
{
    QRandomGenerator random(4242);
    const char *const places[] = {"Bonn", "bonn", "BONN", "Köln", "köln", "Äpfelhof", "äpfelhof", "Zeche", "Aachen", "Aachen 2"};
    struct Entry
    {
        QString upperPlace;
        qint64 day;
        QString id;
    };
    std::vector<Entry> entries;
    for (int i = 0; i < 400; ++i) {
        const QString place = QString::fromUtf8(places[random.bounded(10)]);
        const QDate date(2024, 3, int(random.bounded(1, 6)));
        const QByteArray d = date.toString(QStringLiteral("dd.MM.yyyy")).toUtf8();
        const QByteArray p = place.toUtf8();
        const QByteArray id = QByteArray::number(i);
        append({d.constData(), id.constData(), p.constData(), "A", "08:00", "09:00", "", "", false});
        QString upper = place;
        for (QChar &c : upper) {
            if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                c = QChar(char16_t(c.unicode() - 32));
        }
        entries.push_back({upper, date.toJulianDay(), QString::fromLatin1(id)});
    }
    // The exchange sort itself, as the slow reference.
    for (size_t i = 0; i + 1 < entries.size(); ++i) {
        for (size_t j = i + 1; j < entries.size(); ++j) {
            const int byPlace = QString::compare(entries[i].upperPlace, entries[j].upperPlace);
            if (byPlace > 0 || (byPlace == 0 && entries[i].day > entries[j].day))
                std::swap(entries[i], entries[j]);
        }
    }
    const auto report = build(Kind::PeriodByPlace, QString(), QDate(2024, 3, 1), QDate(2024, 3, 31));
    QCOMPARE(report.listedValues.size(), qsizetype(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i)
        QCOMPARE(report.listedValues.at(qsizetype(i)).at(1), entries[i].id);
}

void TestEvaluationReport::outZeit_data()
{
    QTest::addColumn<double>("days");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << QStringLiteral("0:00");
    QTest::newRow("an hour and a half") << 1.5 / 24 << QStringLiteral("1:30");
    QTest::newRow("a hair short of eight hours") << 8.0 / 24 - 1e-9 << QStringLiteral("8:00");
    QTest::newRow("more than a day") << 25.25 / 24 << QStringLiteral("25:15");
    QTest::newRow("half a minute rounds up") << 30.5 / (24 * 60) << QStringLiteral("0:31");
    QTest::newRow("59.6 minutes") << 59.6 / (24 * 60) << QStringLiteral("1:00");
}

void TestEvaluationReport::outZeit()
{
    QFETCH(double, days);
    QFETCH(QString, text);
    QCOMPARE(EvaluationReport::OutZeit(days), text);
}

void TestEvaluationReport::csvQuotesAndMarksItsEncoding()
{
    append({"10.03.2024", "Anna", "Bonn", "Malen", "08:00", "12:00", "Farbe \"weiß\"; zwei Eimer", "", false});
    const auto report = build(Kind::Period, QString(), QDate(2024, 3, 1), QDate(2024, 3, 31), false);
    const QByteArray csv = EvaluationReport::toCsv(report);
    QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(csv.mid(3)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.at(0), QStringLiteral("Datum;Mitarbeiter;Ort;Tätigkeit;Von;Bis;Übernachtung;Bemerkungen"));
    QCOMPARE(lines.at(1), QStringLiteral("10.03.2024;Anna;Bonn;Malen;08:00;12:00;;\"Farbe \"\"weiß\"\"; zwei Eimer\""));
    QCOMPARE(lines.size(), 3); // and the final line end
}

void TestEvaluationReport::pdfIsLandscapeWithTitleAndMargins()
{
    const QString path = m_dir->filePath(QStringLiteral("report.pdf"));
    QStringList lines;
    for (int i = 0; i < 120; ++i)
        lines << QStringLiteral("Zeile %1").arg(i);
    QVERIFY(ReportPainter::writePdf(path, lines, QStringLiteral("Auswertung")));
    const QByteArray pdf = TestFiles::readAll(path);
    QVERIFY(pdf.startsWith("%PDF"));
    QVERIFY(pdf.contains("/MediaBox [0 0 842.000000 595.000000]")); // A4, wider than high
    QByteArray title("/Title (\xFE\xFF", 10);
    for (QChar c : QStringLiteral("Auswertung")) {
        title += char(c.unicode() >> 8);
        title += char(c.unicode() & 0xFF);
    }
    QVERIFY(pdf.contains(title + ')'));
    QVERIFY(pdf.count("/Type /Page\n") + pdf.count("/Type /Page ") >= 2); // 120 lines need more than one page
    // Half an inch is half the resolution, on every side.
    QCOMPARE(ReportPainter::printableRect(QSize(3508, 2480), 300, 300), QRect(QPoint(150, 150), QPoint(3357, 2329)));
    QCOMPARE(ReportPainter::printableRect(QSize(1100, 850), 100, 100), QRect(QPoint(50, 50), QPoint(1049, 799)));
}

void TestEvaluationReport::wrappedRemarksContinueUnderTheirColumn_data()
{
    QTest::addColumn<int>("room");        // characters of a printed line from the remarks column on
    QTest::addColumn<bool>("headerSeen"); // the listing's column header line came before
    QTest::addColumn<bool>("underRemarks");
    QTest::newRow("under the remarks") << 38 << true << true;
    QTest::newRow("just room enough") << ReportPageWriter::MinimumRemarksRoom << true << true;
    QTest::newRow("remarks too far right") << ReportPageWriter::MinimumRemarksRoom - 1 << true << false;
    QTest::newRow("no column header") << 38 << false << false;
}

// A record's long remark runs on below where it began, not below the date;
// lines that are no record of a listing keep the small indent.
void TestEvaluationReport::wrappedRemarksContinueUnderTheirColumn()
{
    QFETCH(int, room);
    QFETCH(bool, headerSeen);
    QFETCH(bool, underRemarks);
    QBuffer pdf;
    QVERIFY(pdf.open(QIODevice::WriteOnly));
    QPdfWriter writer(&pdf);
    ReportPainter::setUpPdf(writer, QStringLiteral("Auswertung"));
    ReportPageWriter pages(&writer, ReportPainter::reportFont());
    pages.setListingHeadings(QStringLiteral("Datum"), QStringLiteral("Bemerkungen"));
    QVERIFY(pages.begin());
    const int column = pages.columns() - room;
    const QString columns = QStringLiteral("Datum").leftJustified(column - 1) + QLatin1Char(' ');
    pages.writeLine(QStringLiteral("Auswertung Mitarbeiter Bemerkungen")); // a heading, not a header line
    if (headerSeen)
        pages.writeLine(columns + QStringLiteral("Bemerkungen"));
    QStringList words;
    for (int i = 0; i < 30; ++i)
        words << QStringLiteral("Wort%1").arg(i);
    const QString record =
        QStringLiteral("05.03.2024").leftJustified(column - 1) + QLatin1Char(' ') + words.join(QLatin1Char(' '));
    const QStringList printed = pages.wrapped(record);
    QVERIFY(printed.size() > 2);
    QVERIFY(printed.first().startsWith(QStringLiteral("05.03.2024")));
    const int indent = underRemarks ? column : ReportPageWriter::ContinuationIndent;
    QStringList continued;
    for (const QString &line : printed.mid(1)) {
        QVERIFY2(line.size() <= pages.columns(), qPrintable(line));
        QCOMPARE(line.left(indent), QString(indent, QLatin1Char(' ')));
        QVERIFY2(line.at(indent) != QLatin1Char(' '), qPrintable(line));
        continued << line.trimmed();
    }
    // Nothing lost, nothing doubled.
    QCOMPARE((printed.first().mid(column) + QLatin1Char(' ') + continued.join(QLatin1Char(' '))).trimmed(),
             words.join(QLatin1Char(' ')));
    QVERIFY(pages.finish());
}

QTEST_MAIN(TestEvaluationReport)
#include "tst_evaluationreport.moc"
