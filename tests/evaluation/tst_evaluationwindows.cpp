#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/app/MainUnit.h"
#include "gui/evaluation/AuswertungFUnit.h"
#include "gui/evaluation/MitArbeiterAussuchenFUnit.h"
#include "storage/UserListStore.h"
#include "gui/evaluation/ReportLineView.h"
#include "gui/recording/AenderungsprotokollFUnit.h"
#include "support/GuiTestHelpers.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"
#include "gui/widgets/FileDialog.h"

using EvaluationReport::Kind;

// The evaluations from the main window: the choice window, the result
// window, and what leaves the program from there (print, PDF, CSV).
class TestEvaluationWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void emptyChoiceListsAreRefused_data();
    void emptyChoiceListsAreRefused();
    void reportShowsWhatTheBuilderWrites();
    void choiceWindowKeepsItsDates();
    void periodEvaluationsHideTheList_data();
    void periodEvaluationsHideTheList();
    void pdfAndCsvFromTheResultWindow();
    void printingWithoutPrinterOffersPdf();
    void pdfAndCsvRefuseTheProgramsOwnFiles_data();
    void pdfAndCsvRefuseTheProgramsOwnFiles();
    void longReportsAreShownWithoutEditor();
    void cancelledEvaluationShowsNothing();
    void longOutputCanBeStopped_data();
    void longOutputCanBeStopped();
    void typedPeriodDates_data();
    void typedPeriodDates();
    void fileDialogsOpenInAFolderThatIsThere_data();
    void fileDialogsOpenInAFolderThatIsThere();

private:
    void start();
    void addRow(const char *date, const char *employee, const char *place);

    std::unique_ptr<ProgramFixture> m_program;
};

void TestEvaluationWindows::init()
{
    m_program = std::make_unique<ProgramFixture>();
    m_program->clock.set(QDateTime(QDate(2024, 3, 20), QTime(10, 0)));
}

void TestEvaluationWindows::cleanup()
{
    m_program.reset();
}

void TestEvaluationWindows::start()
{
    m_program->start();
    m_program->forms->EinloggenForm->hide();
}

void TestEvaluationWindows::addRow(const char *date, const char *employee, const char *place)
{
    DbfTable &table = m_program->context->tables().Dbf1;
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Datum, QString::fromUtf8(date));
    record.setText(WorkTimeTables::Arbeiter, QString::fromUtf8(employee));
    record.setText(WorkTimeTables::Ort, QString::fromUtf8(place));
    record.setText(WorkTimeTables::Taetigkeit, QStringLiteral("Montage"));
    record.setText(WorkTimeTables::ZeitVon, QStringLiteral("08:00"));
    record.setText(WorkTimeTables::ZeitBis, QStringLiteral("12:00"));
    QVERIFY(table.append(record));
}

void TestEvaluationWindows::emptyChoiceListsAreRefused_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("employee") << Kind::Employee << QStringLiteral("Es gibt noch keine Buchungen von irgendeinem Mitarbeiter.");
    QTest::newRow("place") << Kind::Place << QStringLiteral("Es gibt noch keine Buchungen von irgendeinem Ort.");
    QTest::newRow("activity") << Kind::Activity << QStringLiteral("Es gibt noch keine Buchungen von irgendeiner Tätigkeit.");
}

void TestEvaluationWindows::emptyChoiceListsAreRefused()
{
    QFETCH(Kind, kind);
    QFETCH(QString, message);
    start();
    m_program->forms->MainForm->runEvaluation(int(kind));
    // An information, not an error: nothing went wrong.
    QCOMPARE(m_program->reporter.messages().size(), 1);
    QCOMPARE(m_program->reporter.messages().first().kind, RecordingReporter::Message::Information);
    QCOMPARE(m_program->reporter.messages().first().text, message);
    QCOMPARE(m_program->reporter.messages().first().caption, QString());
}

void TestEvaluationWindows::reportShowsWhatTheBuilderWrites()
{
    start();
    addRow("05.03.2024", "Anna", "Bonn");
    addRow("06.03.2024", "Bernd", "Köln");
    addRow("07.03.2024", "Anna", "Essen");
    QStringList choices;
    QString shown;
    whenModal<TMitarbeiterAussuchenForm>([&](TMitarbeiterAussuchenForm *choice) {
        for (int i = 0; i < choice->ArbeiterEd->count(); ++i)
            choices << choice->ArbeiterEd->itemText(i);
        choice->ArbeiterEd->setCurrentIndex(1);
        choice->DateTimePicker1->setDate(QDate(2024, 3, 1));
        whenModal<TAuswertenForm>([&](TAuswertenForm *result) {
            shown = result->RichEdit1->toPlainText();
            QTest::mouseClick(result->BitBtn1, Qt::LeftButton);
        });
        QTest::mouseClick(choice->OkayBtn, Qt::LeftButton);
    });
    QTest::mouseClick(m_program->forms->MainForm->BitBtn2, Qt::LeftButton);
    QCOMPARE(choices, (QStringList{QStringLiteral("Anna"), QStringLiteral("Bernd")}));

    EvaluationReport::Options options;
    options.kind = Kind::Employee;
    options.choice = QStringLiteral("Bernd");
    options.from = QDate(2024, 3, 1);
    options.to = QDate(2024, 3, 20);
    options.locale = QLocale::system();
    const auto expected = EvaluationReport::build(m_program->context->tables().Dbf1, options, &ProgramText);
    QCOMPARE(shown, expected.lines.join(QLatin1Char('\n')));
    QVERIFY(shown.contains(QStringLiteral("06.03.2024")));
    // Closed, the window holds no report: its memory is free again.
    QCOMPARE(m_program->forms->AuswertenForm->textLines(), QStringList{QString()});
    QVERIFY(!m_program->forms->AuswertenForm->isVisible());
}

void TestEvaluationWindows::choiceWindowKeepsItsDates()
{
    start();
    addRow("05.03.2024", "Anna", "Bonn");
    TMitarbeiterAussuchenForm *choice = m_program->forms->MitarbeiterAussuchenForm;
    QCOMPARE(choice->DateTimePicker1->date(), QDate(2024, 3, 20));
    whenModal<TMitarbeiterAussuchenForm>([](TMitarbeiterAussuchenForm *window) {
        window->DateTimePicker1->setDate(QDate(2024, 2, 1));
        window->DateTimePicker2->setDate(QDate(2024, 2, 29));
        window->reject(); // closed without OK: no report
    });
    m_program->forms->MainForm->runEvaluation(int(Kind::Place));
    QDate from;
    whenModal<TMitarbeiterAussuchenForm>([&](TMitarbeiterAussuchenForm *window) {
        from = window->DateTimePicker1->date();
        window->reject();
    });
    m_program->forms->MainForm->runEvaluation(int(Kind::Employee));
    QCOMPARE(from, QDate(2024, 2, 1));
}

void TestEvaluationWindows::periodEvaluationsHideTheList_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("Ok") << false;
    QTest::newRow("Abbrechen") << true;
}

void TestEvaluationWindows::periodEvaluationsHideTheList()
{
    QFETCH(bool, cancel);
    start();
    bool listVisible = true;
    bool labelVisible = true;
    bool cancelVisible = false;
    QString title;
    QString firstLine;
    whenModal<TMitarbeiterAussuchenForm>([&](TMitarbeiterAussuchenForm *choice) {
        listVisible = choice->ArbeiterEd->isVisible();
        labelVisible = choice->Label4->isVisible();
        cancelVisible = choice->AbbrechenBtn->isVisible();
        title = choice->windowTitle();
        if (cancel) {
            QTest::mouseClick(choice->AbbrechenBtn, Qt::LeftButton);
            return;
        }
        whenModal<TAuswertenForm>([&](TAuswertenForm *result) {
            firstLine = result->textLines().first();
            result->accept();
        });
        QTest::mouseClick(choice->OkayBtn, Qt::LeftButton);
    });
    // No check for an empty table: the period evaluation reports in any case.
    m_program->forms->MainForm->runEvaluation(int(Kind::Period));
    QVERIFY(!listVisible);
    QVERIFY(!labelVisible);
    QVERIFY(cancelVisible);
    QCOMPARE(title, QStringLiteral("Zeitraum auswählen"));
    QCOMPARE(firstLine, cancel ? QString() : QStringLiteral("Auswertung Zeitraum"));
    QVERIFY(m_program->reporter.messages().isEmpty());
    TMitarbeiterAussuchenForm *choice = m_program->forms->MitarbeiterAussuchenForm;
    QVERIFY(!choice->ArbeiterEd->isHidden());
    QVERIFY(!choice->Label4->isHidden());
    QCOMPARE(choice->windowTitle(), QStringLiteral("Mitarbeiter/Ort/Tätigkeit auswählen"));
}

void TestEvaluationWindows::pdfAndCsvFromTheResultWindow()
{
    start();
    addRow("05.03.2024", "Anna", "Bonn");
    TAuswertenForm *result = m_program->forms->AuswertenForm;
    EvaluationReport::Options options;
    options.kind = Kind::Period;
    options.from = QDate(2024, 3, 1);
    options.to = QDate(2024, 3, 31);
    options.withValues = true;
    result->setReport(EvaluationReport::build(m_program->context->tables().Dbf1, options, &ProgramText));
    result->printer()->setPageOrientation(QPageLayout::Portrait);
    result->show();
    QCOMPARE(result->printer()->pageLayout().orientation(), QPageLayout::Landscape);
    // What was typed into the report is what leaves it.
    result->RichEdit1->appendPlainText(QStringLiteral("Geprüft: Chefin"));

    // A file dialog opens in the folder of the last file saved, else in the
    // documents folder: never in the folder the program was started from.
    QVERIFY(FileDialog::startFolder() != QDir::currentPath());
    const QString pdf = m_program->home.filePath(QStringLiteral("report.pdf"));
    FileDialog::setNextFileName(pdf);
    QTest::mouseClick(result->PdfBtn, Qt::LeftButton);
    QCOMPARE(FileDialog::startFolder(), QFileInfo(pdf).absolutePath());
    const QByteArray bytes = TestFiles::readAll(pdf);
    QVERIFY(bytes.startsWith("%PDF"));
    QVERIFY(bytes.contains("/MediaBox [0 0 842.000000 595.000000]"));
    QCOMPARE(result->textLines().last(), QStringLiteral("Geprüft: Chefin"));

    const QString csv = m_program->home.filePath(QStringLiteral("report.csv"));
    FileDialog::setNextFileName(csv);
    QTest::mouseClick(result->CsvBtn, Qt::LeftButton);
    const QByteArray csvBytes = TestFiles::readAll(csv);
    QVERIFY(csvBytes.startsWith("\xEF\xBB\xBF" "Datum;Mitarbeiter;Ort;"));
    QVERIFY(csvBytes.contains("05.03.2024;Anna;Bonn;Montage;08:00;12:00;;"));
    result->hide();
    QVERIFY(m_program->reporter.messages().isEmpty());
}

void TestEvaluationWindows::printingWithoutPrinterOffersPdf()
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        QSKIP("this machine has a printer");
    start();
    TAuswertenForm *result = m_program->forms->AuswertenForm;
    result->setReport({{QStringLiteral("Auswertung Zeitraum"), QStringLiteral("eine Zeile")}, {}, {}, false, {}});
    const QString pdf = m_program->home.filePath(QStringLiteral("printed.pdf"));
    FileDialog::setNextFileName(pdf);
    QTest::mouseClick(result->DruckenBtn, Qt::LeftButton);
    QVERIFY(TestFiles::readAll(pdf).startsWith("%PDF"));
}

void TestEvaluationWindows::pdfAndCsvRefuseTheProgramsOwnFiles_data()
{
    QTest::addColumn<bool>("pdf");
    QTest::addColumn<QString>("target"); // below the Database directory
    QTest::newRow("PDF over the table") << true << QStringLiteral("arbeitszeit.dbf");
    QTest::newRow("CSV over the table, spelt another way") << false << QStringLiteral("../Tagwerk/./arbeitszeit.dbf");
    QTest::newRow("CSV over the user list") << false << QStringLiteral("benutzer.dat");
    QTest::newRow("PDF as options.dat, not there yet") << true << QStringLiteral("options.dat");
}

void TestEvaluationWindows::pdfAndCsvRefuseTheProgramsOwnFiles()
{
    QFETCH(bool, pdf);
    QFETCH(QString, target);
    start();
    UserListData users;
    users.users = {{QStringLiteral("Anna"), QStringLiteral("anna"), QStringLiteral("1")}};
    QVERIFY(UserListStore::save(m_program->dataDir() + QStringLiteral("benutzer.dat"), users));
    const QString path = m_program->dataDir() + target;
    const bool existed = QFileInfo::exists(path);
    const QByteArray before = TestFiles::readAll(path);
    TAuswertenForm *result = m_program->forms->AuswertenForm;
    result->setReport({{QStringLiteral("Auswertung Zeitraum"), QStringLiteral("eine Zeile")}, {}, {}, false, {}});
    result->show();
    FileDialog::setNextFileName(path);
    QTest::mouseClick(pdf ? result->PdfBtn : result->CsvBtn, Qt::LeftButton);
    result->hide();
    QCOMPARE(m_program->reporter.errors().size(), 1);
    QVERIFY(m_program->reporter.errors().first().contains(QStringLiteral("nicht überschrieben")));
    QCOMPARE(QFileInfo::exists(path), existed);
    QCOMPARE(TestFiles::readAll(path), before);
}

// More lines than an editor takes briskly: shown in the line view, whole.
void TestEvaluationWindows::longReportsAreShownWithoutEditor()
{
    start();
    TAuswertenForm *result = m_program->forms->AuswertenForm;
    EvaluationReport::Report report;
    for (int i = 0; i < TAuswertenForm::EditableLines + 10; ++i)
        report.lines << QStringLiteral("Zeile %1 Übernachtung").arg(i);
    report.columnTitles = {QStringLiteral("Datum")};
    report.listedValues = {{QStringLiteral("=1+1")}};
    result->setReport(report);
    result->show();
    QVERIFY(result->LineView->isVisible());
    QVERIFY(result->LongReportLabel->isVisible());
    QVERIFY(!result->RichEdit1->isVisible());
    QVERIFY(!result->isEditable());
    QCOMPARE(result->textLines(), report.lines);
    result->LineView->verticalScrollBar()->setValue(result->LineView->verticalScrollBar()->maximum());
    QVERIFY(result->LineView->topLine() > TAuswertenForm::EditableLines - 100);

    const QString csv = m_program->home.filePath(QStringLiteral("long.csv"));
    FileDialog::setNextFileName(csv);
    QTest::mouseClick(result->CsvBtn, Qt::LeftButton);
    QCOMPARE(TestFiles::readAll(csv), QByteArray("\xEF\xBB\xBF" "Datum\r\n'=1+1\r\n"));

    // A short report is back in the editor.
    result->setReport({{QStringLiteral("kurz")}, {}, {}, false, {}});
    QVERIFY(result->RichEdit1->isVisible());
    QVERIFY(!result->LineView->isVisible());
    QCOMPARE(result->textLines(), QStringList{QStringLiteral("kurz")});
    result->hide();
}

// Stopped in the middle of its listing, an evaluation leaves no part of its
// report in the result window, which does not open.
void TestEvaluationWindows::cancelledEvaluationShowsNothing()
{
    start();
    DbfTable &table = m_program->context->tables().Dbf1;
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Datum, QStringLiteral("05.03.2024"));
    record.setText(WorkTimeTables::Arbeiter, QStringLiteral("Anna"));
    for (int i = 0; i < 20000; ++i)
        QVERIFY(table.append(record));
    TMainForm *main = m_program->forms->MainForm;
    main->setProgressDelay(0);
    TAuswertenForm *result = m_program->forms->AuswertenForm;
    result->setReport({{QStringLiteral("Auswertung Zeitraum"), QStringLiteral("vorher")}, {}, {}, false, {}});

    bool resultShown = false;
    int cancelledAt = -1;
    QTimer watch;
    watch.setInterval(0);
    connect(&watch, &QTimer::timeout, this, [&] {
        if (QApplication::activeModalWidget() == result) {
            resultShown = true;
            result->reject();
        }
        // Stopped once the listing pass (the second half) is under way.
        auto *progress = main->findChild<QProgressDialog *>();
        if (progress && cancelledAt < 0 && progress->value() > 500) {
            cancelledAt = progress->value();
            progress->cancel();
        }
    });
    watch.start();
    whenModal<TMitarbeiterAussuchenForm>([&](TMitarbeiterAussuchenForm *choice) {
        choice->DateTimePicker1->setDate(QDate(2024, 3, 1));
        QTest::mouseClick(choice->OkayBtn, Qt::LeftButton);
    });
    main->runEvaluation(int(Kind::Period));
    watch.stop();
    QVERIFY(cancelledAt > 500);
    QVERIFY(!resultShown);
    QVERIFY(result->isEditable());
    QCOMPARE(result->RichEdit1->toPlainText(), QString());
    QCOMPARE(result->textLines(), QStringList{QString()});
}

void TestEvaluationWindows::longOutputCanBeStopped_data()
{
    QTest::addColumn<QString>("how");    // "pdf", "csv", "no printer" or "printer into a file"
    QTest::addColumn<bool>("existing");  // a file of that name is there already
    QTest::addColumn<bool>("cancel");
    QTest::newRow("PDF, stopped") << QStringLiteral("pdf") << false << true;
    QTest::newRow("PDF over an older one, stopped") << QStringLiteral("pdf") << true << true;
    QTest::newRow("PDF over an older one, to the end") << QStringLiteral("pdf") << true << false;
    QTest::newRow("CSV, stopped") << QStringLiteral("csv") << false << true;
    QTest::newRow("CSV over an older one, stopped") << QStringLiteral("csv") << true << true;
    QTest::newRow("CSV over an older one, to the end") << QStringLiteral("csv") << true << false;
    QTest::newRow("no printer, stopped") << QStringLiteral("no printer") << false << true;
    QTest::newRow("printer into a file, stopped") << QStringLiteral("printer into a file") << true << true;
}

// Pages of a long report are written under a progress dialog: the windows
// repaint meanwhile, and a stopped output leaves no half file, nor changes
// an older one of the same name.
void TestEvaluationWindows::longOutputCanBeStopped()
{
    QFETCH(QString, how);
    QFETCH(bool, existing);
    QFETCH(bool, cancel);
    const bool toFile = how == QLatin1String("pdf") || how == QLatin1String("csv");
    if (!toFile && !QPrinterInfo::availablePrinters().isEmpty())
        QSKIP("this machine has a printer");
    start();
    TAuswertenForm *result = m_program->forms->AuswertenForm;
    EvaluationReport::Report report;
    report.columnTitles = {QStringLiteral("Zeile")};
    for (int i = 0; i < 30000; ++i) {
        report.lines << QStringLiteral("Zeile %1 Übernachtung").arg(i);
        report.listedValues << QStringList{report.lines.last()};
    }
    result->setReport(report);
    result->setProgressDelay(0);
    result->show();
    QVERIFY(QTest::qWaitForWindowExposed(result));
    QDir folder(m_program->home.filePath(QStringLiteral("out")));
    QVERIFY(folder.mkpath(QStringLiteral(".")));
    const QString name = QStringLiteral("bericht.") + (how == QLatin1String("csv") ? how : QStringLiteral("pdf"));
    const QString path = folder.filePath(name);
    if (existing)
        QVERIFY(TestFiles::writeAll(path, "alt"));

    int ticks = 0;
    int firstValue = -1;
    int lastValue = -1;
    QTimer watch;
    watch.setInterval(0);
    connect(&watch, &QTimer::timeout, this, [&] {
        auto *progress = result->findChild<QProgressDialog *>();
        if (!progress || !progress->isVisible())
            return;
        // The event loop turns while pages are written: this timer fires.
        ++ticks;
        if (firstValue < 0)
            firstValue = progress->value();
        lastValue = progress->value();
        if (cancel && lastValue > 200)
            progress->cancel();
    });
    watch.start();
    if (how == QLatin1String("printer into a file")) {
        result->printer()->setOutputFileName(path);
        QTest::mouseClick(result->DruckenBtn, Qt::LeftButton);
        result->printer()->setOutputFileName(QString());
    } else {
        FileDialog::setNextFileName(path);
        if (existing)
            m_program->reporter.setNextAnswers({Reporter::Answer::Yes}); // "replace it?"
        QPushButton *button = how == QLatin1String("pdf") ? result->PdfBtn
                              : how == QLatin1String("csv") ? result->CsvBtn
                                                            : result->DruckenBtn;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    watch.stop();
    result->hide();
    QVERIFY(ticks > 1);
    QVERIFY(lastValue > firstValue);
    QVERIFY(m_program->reporter.errors().isEmpty());
    // The question is titled by the button that asked it, without its "...".
    if (existing && toFile)
        QCOMPARE(m_program->reporter.messages().first().caption, how.toUpper());
    QCOMPARE(folder.entryList(QDir::Files), existing || !cancel ? QStringList{name} : QStringList());
    if (cancel && existing)
        QCOMPARE(TestFiles::readAll(path), QByteArray("alt"));
    if (!cancel)
        QVERIFY(TestFiles::readAll(path).startsWith(how == QLatin1String("csv") ? "\xEF\xBB\xBFZeile\r\n" : "%PDF"));
}

void TestEvaluationWindows::typedPeriodDates_data()
{
    QTest::addColumn<QString>("picker");
    QTest::addColumn<double>("where"); // of the field's width, where the click lands
    QTest::addColumn<QString>("keys");
    QTest::newRow("choice window, from, on the year") << QStringLiteral("DateTimePicker1") << 0.7
                                                      << QStringLiteral("01012000");
    QTest::newRow("choice window, to, on the month") << QStringLiteral("DateTimePicker2") << 0.35
                                                     << QStringLiteral("01.01.2000");
    QTest::newRow("history, from, on the year") << QStringLiteral("FromEdit") << 0.7 << QStringLiteral("01012000");
    QTest::newRow("history, to, on the month") << QStringLiteral("ToEdit") << 0.35 << QStringLiteral("1.1.2000");
}

// A period typed after a click is the period asked for, wherever the click
// landed, as in the booking window's date.
void TestEvaluationWindows::typedPeriodDates()
{
    QFETCH(QString, picker);
    QFETCH(double, where);
    QFETCH(QString, keys);
    start();
    TAenderungsprotokollForm *history = m_program->forms->AenderungsprotokollForm;
    history->PeriodCheck->setChecked(true);
    QWidget *choice = m_program->forms->MitarbeiterAussuchenForm;
    QWidget *window = picker.startsWith(QLatin1String("DateTime")) ? choice : history;
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto *edit = window->findChild<QDateEdit *>(picker);
    QVERIFY(edit);
    auto *text = edit->findChild<QLineEdit *>();
    const QPoint point(qBound(1, int(where * text->width()), text->width() - 2), text->height() / 2);
    QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, point);
    QTest::keyClicks(QApplication::focusWidget(), keys);
    QCOMPARE(edit->date(), QDate(2000, 1, 1));
    window->hide();
}

void TestEvaluationWindows::fileDialogsOpenInAFolderThatIsThere_data()
{
    QTest::addColumn<bool>("documents"); // the home folder holds a documents folder
    QTest::newRow("documents folder") << true;
    QTest::newRow("no documents folder: the home folder") << false;
}

// Qt's dialog opens a folder that is gone in the working folder: the last
// folder used counts while it is there, then the documents folder, then home.
void TestEvaluationWindows::fileDialogsOpenInAFolderThatIsThere()
{
    QFETCH(bool, documents);
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    if (documents)
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral("Documents")));
    const QString gone = home.filePath(QStringLiteral("gone"));
    QVERIFY(QDir().mkpath(gone));
    FileDialog::setNextFileName(gone + QStringLiteral("/report.pdf"));
    QCOMPARE(FileDialog::getSaveFileName(nullptr, QStringLiteral("PDF..."), QString(), QString()),
             gone + QStringLiteral("/report.pdf"));
    QCOMPARE(FileDialog::startFolder(), gone);
    QVERIFY(QDir(gone).removeRecursively());
    const QString start = FileDialog::startFolder();
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    if (oldConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(start, documents ? home.filePath(QStringLiteral("Documents")) : home.path());
}

QTEST_MAIN(TestEvaluationWindows)
#include "tst_evaluationwindows.moc"
