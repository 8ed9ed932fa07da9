#include <QComboBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/evaluation/AuswertungFUnit.h"
#include "support/GuiTestHelpers.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"
#include "gui/widgets/FileDialog.h"

namespace {
// A radio button takes a click on its circle or its text, not on the empty
// rest of a wide button.
void clickRadio(QRadioButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}
} // namespace

// "Drucker einrichten..." and "Drucken" of the result window: a set-up that
// chooses printer, paper and orientation and prints nothing, and a printout
// that says where it went when it went to a file.
class TestPrinterSetup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void setupChoosesPaperAndOrientation_data();
    void setupChoosesPaperAndOrientation();
    void printToFileSaysWhichFile();
    void printToFileNeverGoesOverTheTable();
    void savingAsksBeforeReplacing_data();
    void savingAsksBeforeReplacing();

private:
    // The end of a run, every window writing what it keeps, and a new one.
    void restart();
    TAuswertenForm *showResult();
    // Runs the set-up from its button; `action` works the dialog's controls.
    bool runSetup(const std::function<void(QDialog *)> &action);

    std::unique_ptr<ProgramFixture> m_program;
};

void TestPrinterSetup::init()
{
    m_program = std::make_unique<ProgramFixture>();
    m_program->start();
    m_program->forms->EinloggenForm->hide();
}

void TestPrinterSetup::cleanup()
{
    m_program.reset();
}

void TestPrinterSetup::restart()
{
    m_program->forms.reset();
    m_program->context.reset();
    m_program->reporter.clear();
    m_program->start();
    m_program->forms->EinloggenForm->hide();
}

TAuswertenForm *TestPrinterSetup::showResult()
{
    TAuswertenForm *result = m_program->forms->AuswertenForm;
    result->setReport({{QStringLiteral("Auswertung Zeitraum"), QStringLiteral("eine Zeile")}, {}, {}, false, {}});
    result->show();
    if (!QTest::qWaitForWindowExposed(result))
        qWarning("the result window did not appear");
    return result;
}

bool TestPrinterSetup::runSetup(const std::function<void(QDialog *)> &action)
{
    TAuswertenForm *result = showResult();
    bool isSetup = false;
    whenModal<QDialog>([&](QDialog *dialog) {
        // A set-up, not a print dialog: paper and orientation, OK and cancel.
        isSetup = dialog->findChild<QComboBox *>(QStringLiteral("PaperCombo"))
                  && dialog->findChild<QComboBox *>(QStringLiteral("PrinterCombo"))
                  && dialog->findChild<QRadioButton *>(QStringLiteral("PortraitRadio"))
                  && dialog->findChild<QPushButton *>(QStringLiteral("OkBtn"));
        if (isSetup)
            action(dialog);
        else
            dialog->reject();
    });
    QTest::mouseClick(result->BitBtn3, Qt::LeftButton);
    return isSetup;
}

void TestPrinterSetup::setupChoosesPaperAndOrientation_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("confirmed with OK") << true;
    QTest::newRow("cancelled") << false;
}

void TestPrinterSetup::setupChoosesPaperAndOrientation()
{
    QFETCH(bool, confirm);
    const QString printed = m_program->home.filePath(QStringLiteral("printed.pdf"));
    FileDialog::setNextFileName(printed); // taken, wrongly, only if the set-up printed
    QString paperShown;
    bool landscapeShown = false;
    const bool isSetup = runSetup([&](QDialog *dialog) {
        auto *paper = dialog->findChild<QComboBox *>(QStringLiteral("PaperCombo"));
        paperShown = paper->currentText();
        landscapeShown = dialog->findChild<QRadioButton *>(QStringLiteral("LandscapeRadio"))->isChecked();
        clickRadio(dialog->findChild<QRadioButton *>(QStringLiteral("PortraitRadio")));
        paper->setFocus();
        const int a3 = paper->findText(QPageSize(QPageSize::A3).name());
        QVERIFY(a3 >= 0);
        while (paper->currentIndex() != a3) {
            const int before = paper->currentIndex();
            QTest::keyClick(paper, before < a3 ? Qt::Key_Down : Qt::Key_Up);
            QVERIFY(paper->currentIndex() != before);
        }
        const char *button = confirm ? "OkBtn" : "CancelBtn";
        QTest::mouseClick(dialog->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
    });
    FileDialog::setNextFileName(QString());
    QVERIFY(isSetup);
    TAuswertenForm *result = m_program->forms->AuswertenForm;
    QCOMPARE(paperShown, QPageSize(QPageSize::A4).name());
    QVERIFY(landscapeShown);
    const QPageLayout layout = result->printer()->pageLayout();
    QCOMPARE(layout.orientation(), confirm ? QPageLayout::Portrait : QPageLayout::Landscape);
    QCOMPARE(layout.pageSize().id(), confirm ? QPageSize::A3 : QPageSize::A4);
    // Setting up prints nothing.
    QVERIFY(!QFileInfo::exists(printed));
    QVERIFY(m_program->reporter.messages().isEmpty());
    // The window opens again as confirmed (landscape while nothing was), in
    // this run and the next.
    result->hide();
    result->show();
    QCOMPARE(result->printer()->pageLayout().orientation(), confirm ? QPageLayout::Portrait : QPageLayout::Landscape);
    restart();
    result = showResult();
    QCOMPARE(result->printer()->pageLayout().orientation(), confirm ? QPageLayout::Portrait : QPageLayout::Landscape);
    QCOMPARE(result->printer()->pageLayout().pageSize().id(), confirm ? QPageSize::A3 : QPageSize::A4);
}

void TestPrinterSetup::printToFileSaysWhichFile()
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        QSKIP("this machine has a printer");
    // Portrait from the set-up applies to the file as to paper.
    QVERIFY(runSetup([](QDialog *dialog) {
        clickRadio(dialog->findChild<QRadioButton *>(QStringLiteral("PortraitRadio")));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("OkBtn")), Qt::LeftButton);
    }));
    TAuswertenForm *result = m_program->forms->AuswertenForm;
    const QString pdf = m_program->home.filePath(QStringLiteral("gedruckt.pdf"));
    FileDialog::setNextFileName(pdf);
    QTest::mouseClick(result->DruckenBtn, Qt::LeftButton);
    const QByteArray bytes = TestFiles::readAll(pdf);
    QVERIFY(bytes.startsWith("%PDF"));
    QVERIFY(bytes.contains("/MediaBox [0 0 595"));
    QCOMPARE(m_program->reporter.messages().size(), 1);
    const RecordingReporter::Message message = m_program->reporter.messages().first();
    QCOMPARE(message.kind, RecordingReporter::Message::Information);
    QCOMPARE(message.text, QStringLiteral("Es ist kein Drucker eingerichtet. Die Auswertung wurde in die Datei \"%1\" "
                                          "geschrieben.").arg(QDir::toNativeSeparators(pdf)));
}

void TestPrinterSetup::printToFileNeverGoesOverTheTable()
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        QSKIP("this machine has a printer");
    TAuswertenForm *result = showResult();
    const QString table = m_program->dataDir() + QStringLiteral("arbeitszeit.dbf");
    const QByteArray before = TestFiles::readAll(table);
    QVERIFY(!before.isEmpty());
    FileDialog::setNextFileName(table);
    QTest::mouseClick(result->DruckenBtn, Qt::LeftButton);
    QCOMPARE(TestFiles::readAll(table), before);
    QCOMPARE(m_program->reporter.messages().size(), 1);
    QVERIFY(m_program->reporter.messages().first().text.contains(QStringLiteral("arbeitszeit.dbf")));
}

void TestPrinterSetup::savingAsksBeforeReplacing_data()
{
    QTest::addColumn<Reporter::Answer>("answer");
    QTest::newRow("replaced") << Reporter::Answer::Yes;
    QTest::newRow("kept") << Reporter::Answer::No;
}

void TestPrinterSetup::savingAsksBeforeReplacing()
{
    QFETCH(Reporter::Answer, answer);
    TAuswertenForm *result = showResult();
    const QString pdf = m_program->home.filePath(QStringLiteral("vorhanden.pdf"));
    QVERIFY(TestFiles::writeAll(pdf, "old"));
    FileDialog::setNextFileName(pdf);
    m_program->reporter.setNextAnswers({answer});
    QTest::mouseClick(result->PdfBtn, Qt::LeftButton);
    QCOMPARE(m_program->reporter.messages().size(), 1);
    const RecordingReporter::Message question = m_program->reporter.messages().first();
    QCOMPARE(question.kind, RecordingReporter::Message::Question);
    QCOMPARE(question.text, QStringLiteral("Die Datei \"%1\" existiert bereits. Soll sie ersetzt werden?")
                                .arg(QDir::toNativeSeparators(pdf)));
    QCOMPARE(TestFiles::readAll(pdf).startsWith("%PDF"), answer == Reporter::Answer::Yes);
}

QTEST_MAIN(TestPrinterSetup)
#include "tst_printersetup.moc"
