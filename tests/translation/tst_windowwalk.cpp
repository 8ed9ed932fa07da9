#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include "gui/app/ApplicationForms.h"
#include "gui/account/SollzeitenFUnit.h"
#include "gui/app/EinloggenFUnit.h"
#include "gui/app/MainUnit.h"
#include "gui/recording/ErfassenFUnit.h"
#include "gui/evaluation/AuswertungFUnit.h"
#include "evaluation/EvaluationReport.h"
#include "gui/evaluation/MitArbeiterAussuchenFUnit.h"
#include "storage/WorkTimeTables.h"
#include "support/GuiTestHelpers.h"
#include "support/ProgramFixture.h"
#include "support/TestFiles.h"
#include "translation/ProgramTexts.h"
#include "gui/translation/TranslateFUnit.h"
#include "translation/TranslationSource.h"
#include "translation/translateunit.h"
#include "gui/users/BenutzerBearbeitenFUnit.h"
#include "gui/widgets/DataGrid.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/RecordNavigator.h"
#include "gui/widgets/WorkTimeTableModel.h"

// Walks through the program as a user would, with the dictionary noting
// every key it is asked for, and holds each of them against the shipped
// translations: a text without English or Spanish fails the walk.
class TestWindowWalk : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everyKeyAskedForIsTranslated();
    void englishShowsNoGermanWord_data();
    void englishShowsNoGermanWord();
    void textsFit_data();
    void textsFit();

private:
    void start();
    void addBookings();
    void runEvaluations();
    void walkAccount();
    void walkTranslationEditor();
    QStringList untranslated() const;
    QStringList germanOnScreen(QWidget *window, int language) const;

    TranslationSource m_shipped;
    QHash<QString, TranslationSource::Row> m_rows;
    std::unique_ptr<ProgramFixture> m_program;
    QSet<QString> m_asked;
};

void TestWindowWalk::initTestCase()
{
    QFile file(QStringLiteral(TAGWERK_TRANSLATIONS_SOURCE));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(m_shipped.read(&file));
    for (const TranslationSource::Row &row : m_shipped.rows)
        m_rows.insert(row.german, row);
}

void TestWindowWalk::init()
{
    m_asked.clear();
    m_program = std::make_unique<ProgramFixture>();
    m_program->clock.set(QDateTime(QDate(2024, 3, 20), QTime(10, 0)));
    const QString dictionary = m_program->programDir() + QStringLiteral("/translate.dat");
    QVERIFY(QFile::copy(QStringLiteral(TAGWERK_TRANSLATE_DAT), dictionary));
    QFile::setPermissions(dictionary, QFile::ReadOwner | QFile::WriteOwner);
}

void TestWindowWalk::cleanup()
{
    m_program.reset();
}

// The fixture's start, with the recorder on before the first window exists.
void TestWindowWalk::start()
{
    m_program->forms.reset();
    m_program->context = std::make_unique<AppContext>(
        m_program->reporter, m_program->clock, m_program->programDir(), m_program->home.filePath(QStringLiteral("appdata")),
        std::make_unique<WindowSettingsStore>(m_program->home.filePath(QStringLiteral("settings.ini"))));
    m_program->context->dictionary().setLookupRecorder([this](const QString &key) { m_asked.insert(key); });
    m_program->forms = std::make_unique<ApplicationForms>(*m_program->context);
    m_program->forms->EinloggenForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_program->forms->EinloggenForm));
}

void TestWindowWalk::addBookings()
{
    DbfTable &table = m_program->context->tables().Dbf1;
    const char *const rows[][4] = {{"05.03.2024", "Anna", "Bonn", "Montage"}, {"06.03.2024", "Bernd", "Köln", "Wartung"}};
    for (const auto &row : rows) {
        DbfRecord record = table.newRecord();
        record.setText(WorkTimeTables::Datum, QString::fromUtf8(row[0]));
        record.setText(WorkTimeTables::Arbeiter, QString::fromUtf8(row[1]));
        record.setText(WorkTimeTables::Ort, QString::fromUtf8(row[2]));
        record.setText(WorkTimeTables::Taetigkeit, QString::fromUtf8(row[3]));
        record.setText(WorkTimeTables::ZeitVon, QStringLiteral("08:00"));
        record.setText(WorkTimeTables::ZeitBis, QStringLiteral("12:00"));
        record.setText(WorkTimeTables::Pause, QStringLiteral("00:30"));
        record.setLogical(WorkTimeTables::Auswaerts, true);
        QVERIFY(table.append(record));
    }
}

// Every kind of evaluation, each shown, and written as PDF where that fails.
void TestWindowWalk::runEvaluations()
{
    using EvaluationReport::Kind;
    for (Kind kind : {Kind::Employee, Kind::Place, Kind::Activity, Kind::Period, Kind::PeriodByPlace}) {
        bool shown = false;
        whenModal<TMitarbeiterAussuchenForm>([&](TMitarbeiterAussuchenForm *choice) {
            choice->DateTimePicker1->setDate(QDate(2024, 3, 1));
            whenModal<TAuswertenForm>([&](TAuswertenForm *result) {
                shown = true;
                FileDialog::setNextFileName(m_program->home.filePath(QStringLiteral("missing/dir/report.pdf")));
                result->PdfBtnClick();
                FileDialog::setNextFileName(m_program->home.filePath(QStringLiteral("missing/dir/report.csv")));
                result->CsvBtnClick();
                QTest::mouseClick(result->BitBtn1, Qt::LeftButton);
            });
            QTest::mouseClick(choice->OkayBtn, Qt::LeftButton);
        });
        m_program->forms->MainForm->runEvaluation(int(kind));
        QVERIFY(shown);
    }
}

// The working-time account: its window with each refusal it tells, both
// reports, and the line in the booking window.
void TestWindowWalk::walkAccount()
{
    TMainForm *main = m_program->forms->MainForm;
    main->Arbeitszeitkonto1->trigger(); // nobody has target hours yet
    whenModal<TSollzeitenForm>([&](TSollzeitenForm *form) {
        QTest::mouseClick(form->TargetBtn, Qt::LeftButton); // no employee
        form->EmployeeEd->setEditText(QStringLiteral("Anna"));
        form->ValidFromEd->setDate(QDate(2024, 3, 1));
        for (QLineEdit *edit : {form->WeekEd[1], form->VacationEd, form->BalanceEd}) {
            edit->setText(QStringLiteral("x"));
            QTest::mouseClick(form->TargetBtn, Qt::LeftButton);
            edit->clear();
        }
        form->WeekEd[2]->setText(QStringLiteral("8:00")); // Wednesdays
        QTest::mouseClick(form->TargetBtn, Qt::LeftButton);
        form->FromEd->setDate(QDate(2024, 3, 4));
        form->ToEd->setDate(QDate(2024, 3, 4));
        QTest::mouseClick(form->AddAbsenceBtn, Qt::LeftButton);
        QTest::mouseClick(form->AddAbsenceBtn, Qt::LeftButton); // the same again: an overlap
        form->FromEd->setDate(QDate(2024, 3, 8));
        QTest::mouseClick(form->AddAbsenceBtn, Qt::LeftButton); // ends before it begins
        QTest::mouseClick(form->RemoveAbsenceBtn, Qt::LeftButton); // none such
        QTest::mouseClick(form->FirmDayBtn, Qt::LeftButton); // no name
        QTest::mouseClick(form->RemoveFirmDayBtn, Qt::LeftButton); // none such
        QTest::mouseClick(form->CloseBtn, Qt::LeftButton);
    });
    main->SollzeitenundAbwesenheiten1->trigger();
    for (QAction *report : {main->Arbeitszeitkonto1, main->FehlendeBuchungen1}) {
        bool shown = false;
        whenModal<TMitarbeiterAussuchenForm>([&](TMitarbeiterAussuchenForm *choice) {
            choice->DateTimePicker1->setDate(QDate(2024, 3, 1));
            whenModal<TAuswertenForm>([&](TAuswertenForm *result) {
                shown = true;
                QTest::mouseClick(result->BitBtn1, Qt::LeftButton);
            });
            QTest::mouseClick(choice->OkayBtn, Qt::LeftButton);
        });
        report->trigger();
        QVERIFY(shown);
    }
    m_program->context->arbeiter = QStringLiteral("Anna");
    m_program->forms->ErfassenForm->prepare();
    QVERIFY(m_program->forms->ErfassenForm->AccountLabel->text().contains(QStringLiteral("Mi\u00A006.03.")));
}

void TestWindowWalk::walkTranslationEditor()
{
    TTranslateForm *editor = m_program->forms->TranslateForm;
    editor->FillStringGrid();
    editor->show();
    editor->FilterEdit->setText(QStringLiteral("ausloggen"));
    m_program->reporter.setNextAnswers({Reporter::Answer::No});
    editor->FilterBtnClick();
    editor->StringGrid1->setCurrentCell(0, 0);
    m_program->reporter.setNextAnswers({Reporter::Answer::No});
    editor->DeleteRowBtnClick();
    const QString before = QDir::currentPath();
    QDir::setCurrent(m_program->home.path());
    editor->Button2Click(); // no files to import: its message
    QDir::setCurrent(before);
    editor->accept();
}

QStringList TestWindowWalk::untranslated() const
{
    QStringList missing;
    for (const QString &key : m_asked) {
        const auto row = m_rows.constFind(key);
        if (row == m_rows.constEnd() || row->english.trimmed().isEmpty() || row->spanish.trimmed().isEmpty())
            missing << key;
    }
    missing.sort();
    return missing;
}

void TestWindowWalk::everyKeyAskedForIsTranslated()
{
    start(); // every window is translated at start-up
    TEinloggenForm *login = m_program->forms->EinloggenForm;
    QCOMPARE(m_program->forms->ErfassenForm->DateTimePicker3->calendarWidget()->locale().monthName(3),
             QStringLiteral("März"));
    QTest::mouseClick(login->BitBtnXP1, Qt::LeftButton); // the login error
    addBookings();

    // The main window, its navigator's question, every evaluation.
    TMainForm *main = m_program->forms->MainForm;
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));
    main->DBGrid1->setFocus();
    m_program->reporter.setNextAnswers({Reporter::Answer::No});
    main->DBNavigator1->click(RecordNavigator::Delete);
    QCOMPARE(m_program->reporter.messages().last().text, QStringLiteral("Datensatz löschen?"));
    runEvaluations();
    walkAccount();
    main->hide();

    // A user name with a letter the user file cannot hold.
    TBenutzerBearbeitenForm *user = m_program->forms->BenutzerBearbeitenForm;
    user->show();
    user->LabeledEdit1->setText(QStringLiteral("Łukasz"));
    user->LabeledEdit2->setText(QStringLiteral("lukasz"));
    user->BitBtn4Click();
    user->hide();

    walkTranslationEditor();
    login->English1->trigger(); // the restart notice

    QVERIFY(m_asked.size() > 150);
    const QStringList missing = untranslated();
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("no English or Spanish for: ") + missing.join(QLatin1String(" | "))));
}

void TestWindowWalk::englishShowsNoGermanWord_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("restartNotice");
    QTest::newRow("English") << int(TranslationDictionary::English)
                             << QStringLiteral("Please close the program and start it again.");
    QTest::newRow("Spanish") << int(TranslationDictionary::Spanish)
                             << QStringLiteral("Cierre el programa y vuelva a iniciarlo.");
}

// The texts a window shows that are German keys with a different translation.
QStringList TestWindowWalk::germanOnScreen(QWidget *window, int language) const
{
    QStringList texts{window->windowTitle()};
    for (QLabel *label : window->findChildren<QLabel *>())
        texts << label->text();
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        texts << button->text() << button->toolTip();
    for (QGroupBox *group : window->findChildren<QGroupBox *>())
        texts << group->title();
    for (QMenu *menu : window->findChildren<QMenu *>()) {
        texts << menu->title();
        for (QAction *action : menu->actions())
            texts << action->text();
    }
    QStringList german;
    for (const QString &text : texts) {
        const auto row = m_rows.constFind(text.trimmed());
        if (row == m_rows.constEnd())
            continue;
        const QString translation = language == TranslationDictionary::English ? row->english : row->spanish;
        if (translation != row->german)
            german << text;
    }
    return german;
}

void TestWindowWalk::englishShowsNoGermanWord()
{
    QFETCH(int, language);
    QFETCH(QString, restartNotice);
    start();
    TEinloggenForm *login = m_program->forms->EinloggenForm;
    (language == TranslationDictionary::English ? login->English1 : login->Espanol1)->trigger();
    // The notice comes at once in the newly chosen language.
    QCOMPARE(m_program->reporter.messages().last().text, restartNotice);
    QCOMPARE(m_program->reporter.messages().last().kind, RecordingReporter::Message::Information);
    // Titled by what it is about: the language.
    const TranslationSource::Row languageRow = m_rows.value(QStringLiteral("Sprache"));
    QCOMPARE(m_program->reporter.messages().last().caption,
             language == TranslationDictionary::English ? languageRow.english : languageRow.spanish);

    start(); // the next start reads the language chosen
    login = m_program->forms->EinloggenForm;
    m_program->reporter.clear();
    // The calendar pop-up names months in the chosen language, not the
    // system's; file dialogs are Qt's own, which speak it too.
    QCalendarWidget *calendar = m_program->forms->ErfassenForm->DateTimePicker3->calendarWidget();
    QCOMPARE(calendar->locale().monthName(3), language == TranslationDictionary::English ? QStringLiteral("March")
                                                                                          : QStringLiteral("marzo"));
    QVERIFY(FileDialog::dialogOptions().testFlag(QFileDialog::DontUseNativeDialog));
    QCOMPARE(germanOnScreen(login, language), QStringList());
    QCOMPARE(germanOnScreen(m_program->forms->MainForm, language), QStringList());
    QCOMPARE(germanOnScreen(m_program->forms->SollzeitenForm, language), QStringList());
    QTest::mouseClick(login->BitBtnXP1, Qt::LeftButton);
    const RecordingReporter::Message error = m_program->reporter.messages().last();
    const TranslationSource::Row loginError = m_rows.value(ProgramTexts::german(3));
    QCOMPARE(error.text, language == TranslationDictionary::English ? loginError.english : loginError.spanish);
    for (const QString &shown : {error.text, error.caption})
        QVERIFY2(!m_rows.contains(shown), qPrintable(shown));

    addBookings();
    // The grid heads each field by position in the user's language, whole,
    // although the table was created in German; logical cells read as words.
    const auto translated = [&](const QString &german) {
        const TranslationSource::Row row = m_rows.value(german);
        return language == TranslationDictionary::English ? row.english : row.spanish;
    };
    WorkTimeTableModel *grid = m_program->forms->MainForm->model();
    grid->reread();
    QCOMPARE(m_program->context->tables().Dbf1.fields().at(0).name, QStringLiteral("DATUM"));
    for (int field = 0; field < WorkTimeTables::FieldCount; ++field) {
        const QString heading = translated(WorkTimeTables::heading(field, &ProgramTexts::german));
        QVERIFY(!heading.isEmpty());
        QCOMPARE(grid->headerData(field, Qt::Horizontal).toString(), heading);
    }
    QCOMPARE(grid->index(0, WorkTimeTables::Auswaerts).data().toString(), translated(QStringLiteral("Ja")));
    QCOMPARE(grid->index(0, WorkTimeTables::Doppelt).data().toString(), QString());

    QString report;
    whenModal<TMitarbeiterAussuchenForm>([&](TMitarbeiterAussuchenForm *choice) {
        choice->DateTimePicker1->setDate(QDate(2024, 3, 1));
        whenModal<TAuswertenForm>([&](TAuswertenForm *result) {
            report = result->RichEdit1->toPlainText();
            QTest::mouseClick(result->BitBtn1, Qt::LeftButton);
        });
        QTest::mouseClick(choice->OkayBtn, Qt::LeftButton);
    });
    m_program->forms->MainForm->runEvaluation(int(EvaluationReport::Kind::Period));
    QVERIFY(!report.isEmpty());
    for (const char *german : {"Auswertung", "Zeitraum", "Mitarbeiter", "Gesamtstunden", "Tätigkeit", "Bemerkungen"})
        QVERIFY2(!report.contains(QString::fromUtf8(german)), qPrintable(report));
}

void TestWindowWalk::textsFit_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("de") << int(TranslationDictionary::German);
    QTest::newRow("en") << int(TranslationDictionary::English);
    QTest::newRow("es") << int(TranslationDictionary::Spanish);
}

// Every label, button, heading and title of every window, shown at the size
// it opens with, has room for its whole text; no title ends in "...".
void TestWindowWalk::textsFit()
{
    QFETCH(int, language);
    QDir().mkpath(m_program->dataDir());
    QVERIFY(TestFiles::writeAll(m_program->dataDir() + QStringLiteral("options.dat"), TestFiles::le32(language)));
    // As the program sets itself up: a display name would stand in every
    // title bar after the title (" — Name"), and needs room there too.
    const QString name = QCoreApplication::applicationName();
    ApplicationForms::setUpApplication();
    const QString appended = QGuiApplication::applicationDisplayName() == QCoreApplication::applicationName()
                                 ? QString()
                                 : QStringLiteral(" \u2014 ") + QGuiApplication::applicationDisplayName();
    QCoreApplication::setApplicationName(name);
    start();
    QStringList cut;
    for (QWidget *window : m_program->forms->windows()) {
        window->show();
        QCoreApplication::processEvents();
        const QString where = window->objectName() + QStringLiteral(": ");
        const auto check = [&](QWidget *widget, const QString &text, int needed, int room) {
            if (widget->isVisibleTo(window) && !text.isEmpty() && needed > room)
                cut << where + text + QStringLiteral(" (%1 > %2)").arg(needed).arg(room);
        };
        // The "..." of the menu entry that opens a window promises the window;
        // its title has no more to promise.
        const QString title = window->windowTitle();
        if (title.endsWith(QLatin1String("...")) || title.endsWith(QChar(0x2026)))
            cut << where + title + QStringLiteral(" (a title ending in an ellipsis)");
        // A title bar holds the title beside its icon and buttons.
        const QString shown = title + appended;
        check(window, shown, window->fontMetrics().horizontalAdvance(shown) + 120, window->width());
        for (QLabel *label : window->findChildren<QLabel *>()) {
            if (!label->wordWrap() && label->text().indexOf(QLatin1Char('\n')) < 0)
                check(label, label->text(), label->fontMetrics().horizontalAdvance(label->text()),
                      label->contentsRect().width());
        }
        for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
            if (!qobject_cast<QToolButton *>(button))
                check(button, button->text(), button->sizeHint().width(), button->width());
        }
        for (QGroupBox *group : window->findChildren<QGroupBox *>())
            check(group, group->title(), group->fontMetrics().horizontalAdvance(group->title()) + 16, group->width());
        for (QHeaderView *header : window->findChildren<QHeaderView *>()) {
            if (header->orientation() != Qt::Horizontal || !header->model())
                continue;
            for (int section = 0; section < header->count(); ++section) {
                const QString text = header->model()->headerData(section, Qt::Horizontal).toString();
                if (!header->isSectionHidden(section) && section != header->count() - 1)
                    check(header, text, header->sectionSizeHint(section), header->sectionSize(section));
            }
        }
        window->hide();
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestWindowWalk)
#include "tst_windowwalk.moc"
