#include <QCheckBox>
#include <QFile>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QtTest>

#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/app/MainUnit.h"
#include "gui/recording/AenderungsprotokollFUnit.h"
#include "recording/ChangeLog.h"
#include "support/GuiTestHelpers.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"
#include "gui/widgets/FileDialog.h"

// "Änderungsprotokoll...": the admin's window over the change history, and
// the history's checksum at the foot of what it prints.
class TestChangeLogWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listsFiltersAndSavesTheHistory();
    void restartsAMissingHistory();

private:
    void addRow(const char *employee, const char *place);
    QString pdfText(const QString &pdf);

    std::unique_ptr<ProgramFixture> m_program;
};

void TestChangeLogWindow::init()
{
    m_program = std::make_unique<ProgramFixture>();
    m_program->clock.set(QDateTime(QDate(2024, 3, 20), QTime(10, 0)));
    m_program->start();
    m_program->forms->EinloggenForm->hide();
    QVERIFY(m_program->context->changeLog().isOpen());
}

void TestChangeLogWindow::cleanup()
{
    m_program.reset();
}

void TestChangeLogWindow::addRow(const char *employee, const char *place)
{
    DbfTable &table = m_program->context->tables().Dbf1;
    m_program->context->changeLog().setAuthor(QString::fromUtf8(employee));
    DbfRecord record = table.newRecord();
    record.setText(WorkTimeTables::Datum, QStringLiteral("05.03.2024"));
    record.setText(WorkTimeTables::Arbeiter, QString::fromUtf8(employee));
    record.setText(WorkTimeTables::Ort, QString::fromUtf8(place));
    QVERIFY(table.append(record));
}

QString TestChangeLogWindow::pdfText(const QString &pdf)
{
    QProcess toText;
    toText.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    toText.waitForFinished(60000);
    return QString::fromUtf8(toText.readAllStandardOutput());
}

void TestChangeLogWindow::listsFiltersAndSavesTheHistory()
{
    addRow("Anna", "Bonn");
    m_program->clock.set(QDateTime(QDate(2024, 3, 21), QTime(11, 0)));
    addRow("Bernd", "Köln");
    const QString hash = QString::fromLatin1(m_program->context->changeLog().lastHash());
    QCOMPARE(hash.size(), 64);
    const QString pdf = m_program->home.filePath(QStringLiteral("history.pdf"));
    const QString csv = m_program->home.filePath(QStringLiteral("history.csv"));
    const QString annaPdf = m_program->home.filePath(QStringLiteral("history-anna.pdf"));

    TMainForm *main = m_program->forms->MainForm;
    bool seen = false;
    whenModal<TAenderungsprotokollForm>([&](TAenderungsprotokollForm *window) {
        seen = true;
        // Newest first: Bernd, Anna, the start.
        QCOMPARE(window->EntryList->topLevelItemCount(), 3);
        QCOMPARE(window->EntryList->topLevelItem(0)->text(1), QStringLiteral("Bernd"));
        QCOMPARE(window->EntryList->topLevelItem(0)->text(3), QStringLiteral("Neu"));
        QCOMPARE(window->EntryList->topLevelItem(0)->text(4), QStringLiteral("2"));
        QVERIFY(window->EntryList->topLevelItem(0)->text(5).contains(QStringLiteral("Ort:  \u2192 Köln")));
        QVERIFY(window->HashLabel->text().endsWith(hash));
        // The newest entry, shown first, carries the last checksum.
        QCOMPARE(window->EntryList->topLevelItem(0)->text(6), hash);

        QTest::keyClicks(window->EmployeeEdit, QStringLiteral("Anna"));
        QTest::mouseClick(window->ShowBtn, Qt::LeftButton);
        QCOMPARE(window->EntryList->topLevelItemCount(), 1);
        QCOMPARE(window->EntryList->topLevelItem(0)->text(1), QStringLiteral("Anna"));
        FileDialog::setNextFileName(annaPdf);
        QTest::mouseClick(window->PdfBtn, Qt::LeftButton);

        window->EmployeeEdit->clear();
        QTest::keyClicks(window->RecordEdit, QStringLiteral("2"));
        QTest::mouseClick(window->ShowBtn, Qt::LeftButton);
        QCOMPARE(window->EntryList->topLevelItemCount(), 1);
        QCOMPARE(window->EntryList->topLevelItem(0)->text(1), QStringLiteral("Bernd"));

        window->RecordEdit->clear();
        window->PeriodCheck->click();
        window->FromEdit->setDate(QDate(2024, 3, 21));
        window->ToEdit->setDate(QDate(2024, 3, 31));
        QTest::mouseClick(window->ShowBtn, Qt::LeftButton);
        QCOMPARE(window->EntryList->topLevelItemCount(), 1);
        QCOMPARE(window->EntryList->topLevelItem(0)->text(1), QStringLiteral("Bernd"));

        window->PeriodCheck->click();
        QTest::mouseClick(window->ShowBtn, Qt::LeftButton);
        FileDialog::setNextFileName(pdf);
        QTest::mouseClick(window->PdfBtn, Qt::LeftButton);
        FileDialog::setNextFileName(csv);
        QTest::mouseClick(window->CsvBtn, Qt::LeftButton);
        QTest::mouseClick(window->CloseBtn, Qt::LeftButton);
    });
    main->Aenderungsprotokoll1->trigger();
    QVERIFY(seen);
    QVERIFY(m_program->reporter.messages().isEmpty());

    const QByteArray csvBytes = TestFiles::readAll(csv);
    QVERIFY(csvBytes.startsWith("\xEF\xBB\xBF" "Zeitpunkt;Wer;Computer;Aktion;Datensatz;"));
    QVERIFY(csvBytes.contains("2024-03-21 11:00:00;Bernd;"));
    QVERIFY(TestFiles::readAll(pdf).startsWith("%PDF"));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const QString text = pdfText(pdf);
    QVERIFY2(text.contains(QStringLiteral("Änderungsprotokoll")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Prüfsumme des Änderungsprotokolls: ") + hash), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("Nur die Einträge")), qPrintable(text));
    // Filtered to one employee, the printout says so.
    const QString anna = pdfText(annaPdf);
    QVERIFY2(anna.contains(QStringLiteral("Nur die Einträge von: Anna")), qPrintable(anna));
}

// With protokoll.dbf gone every change is refused; the administrator starts
// the history again in the window, with the password.
void TestChangeLogWindow::restartsAMissingHistory()
{
    addRow("Anna", "Bonn");
    m_program->context->userList().adminPassword = QStringLiteral("chef");
    ChangeLog &log = m_program->context->changeLog();
    const QString directory = m_program->context->tables().directory();
    log.close();
    QVERIFY(QFile::remove(directory + QStringLiteral("protokoll.dbf")));
    QVERIFY(!log.open(directory));
    QCOMPARE(log.state(), ChangeLog::State::Missing);
    DbfTable &table = m_program->context->tables().Dbf1;
    DbfRecord record = table.newRecord();
    QVERIFY(!table.append(record));
    QVERIFY2(table.errorString().contains(QStringLiteral("fehlt, obwohl es begonnen wurde")), qPrintable(table.errorString()));

    bool seen = false;
    whenModal<TAenderungsprotokollForm>([&](TAenderungsprotokollForm *window) {
        seen = true;
        QVERIFY(window->RestartBtn->isEnabled());
        QVERIFY(!window->restartHistory(QStringLiteral("falsch")));
        QVERIFY(window->restartHistory(QStringLiteral("chef")));
        QVERIFY(!window->RestartBtn->isEnabled());
        // Newest first: the restart, then the new start.
        QCOMPARE(window->EntryList->topLevelItemCount(), 2);
        QCOMPARE(window->EntryList->topLevelItem(0)->text(3), QStringLiteral("Protokoll neu begonnen"));
        QVERIFY(window->EntryList->topLevelItem(0)->text(5).startsWith(QStringLiteral("LOST: protokoll.dbf missing")));
        QTest::mouseClick(window->CloseBtn, Qt::LeftButton);
    });
    m_program->forms->MainForm->Aenderungsprotokoll1->trigger();
    QVERIFY(seen);
    QVERIFY(table.append(record));
}

QTEST_MAIN(TestChangeLogWindow)
#include "tst_changelogwindow.moc"
