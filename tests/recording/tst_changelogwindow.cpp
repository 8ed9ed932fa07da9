#include <QCheckBox>
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

        QTest::keyClicks(window->EmployeeEdit, QStringLiteral("Anna"));
        QTest::mouseClick(window->ShowBtn, Qt::LeftButton);
        QCOMPARE(window->EntryList->topLevelItemCount(), 1);
        QCOMPARE(window->EntryList->topLevelItem(0)->text(1), QStringLiteral("Anna"));

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
}

QTEST_MAIN(TestChangeLogWindow)
#include "tst_changelogwindow.moc"
