#include "MainUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QProgressDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "AbschlussFUnit.h"
#include "AdminMenuFUnit.h"
#include "AdminPassFUnit.h"
#include "session/AppContext.h"
#include "ApplicationForms.h"
#include "base/Reporter.h"
#include "base/WindowSettingsStore.h"
#include "gui/account/AccountReportRunner.h"
#include "gui/account/SollzeitenFUnit.h"
#include "gui/evaluation/AuswertungFUnit.h"
#include "evaluation/EvaluationReport.h"
#include "gui/evaluation/MitArbeiterAussuchenFUnit.h"
#include "evaluation/WorkingTimeLawCheck.h"
#include "gui/recording/AenderungsprotokollFUnit.h"
#include "gui/recording/VorgabeTexteFUnit.h"
#include "gui/users/BenutzerVerwaltenFUnit.h"
#include "translation/translateunit.h"
#include "gui/widgets/DataGrid.h"
#include "gui/widgets/RecordNavigator.h"
#include "gui/widgets/WorkTimeTableModel.h"

namespace {
const QString ClassName = QStringLiteral("TMainForm");
}

TMainForm::TMainForm(AppContext &context, ApplicationForms &forms)
    : SettingsForm(context.settings(), ClassName)
    , m_context(context)
    , m_forms(forms)
    , m_model(new WorkTimeTableModel(context.store().bookings(), this))
{
    setWindowTitle(QStringLiteral("Korvald Tagwerk 1.0"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    resize(1000, 600);
    buildMenu();
    buildPanel();

    DBGrid1 = new DataGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setModel(m_model);
    // Fixed row heights: the grid never measures a million rows.
    DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 6);
    DBGrid1->horizontalHeader()->setDefaultSectionSize(110);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);

    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(Panel1);
    layout->addWidget(DBGrid1, 1);

    // Rows of the closed period stay as they are, and no row moves into it.
    m_model->setWriteGuard([&context](const DbfRecord *before, const DbfRecord *after) {
        return context.closedPeriod().writeRefusal(before, after);
    });
    // The navigator also writes a row being edited when the user leaves it.
    DBNavigator1->setView(DBGrid1, m_model);
}

TMainForm::~TMainForm()
{
    m_context.store().close();
}

QAction *TMainForm::addItem(QMenu *menu, const char *objectName, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(objectName));
    return action;
}

void TMainForm::buildMenu()
{
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    Auswertung1 = MainMenu1->addMenu(QStringLiteral("Auswertung"));
    Auswertung1->setObjectName(QStringLiteral("Auswertung1"));
    AuswertungnachMitarbeiter1 = addItem(Auswertung1, "AuswertungnachMitarbeiter1", QStringLiteral("Auswertung nach Mitarbeiter..."));
    AuswertungnachOrtBaustelle1 = addItem(Auswertung1, "AuswertungnachOrtBaustelle1", QStringLiteral("Auswertung nach Ort/Baustelle/Kunde..."));
    AuswertungnachTtigkeit1 = addItem(Auswertung1, "AuswertungnachTtigkeit1", QStringLiteral("Auswertung nach Tätigkeit..."));
    AuswertungnachZeitraum1 = addItem(Auswertung1, "AuswertungnachZeitraum1", QStringLiteral("Auswertung nach Zeitraum..."));
    AuswertungnachZeitraumsortiertnachBaustelle1 = addItem(Auswertung1, "AuswertungnachZeitraumsortiertnachBaustelle1",
                                                           QStringLiteral("Auswertung nach Zeitraum, sortiert nach Baustelle..."));
    Arbeitszeitgesetzprfen1 = addItem(Auswertung1, "Arbeitszeitgesetzprfen1", QStringLiteral("Arbeitszeitgesetz prüfen..."));
    Arbeitszeitkonto1 = addItem(Auswertung1, "Arbeitszeitkonto1", QStringLiteral("Arbeitszeitkonto..."));
    FehlendeBuchungen1 = addItem(Auswertung1, "FehlendeBuchungen1", QStringLiteral("Fehlende Buchungen..."));
    Auswertung1->addSeparator()->setObjectName(QStringLiteral("N1"));
    PausenzeitinAuswertungauffhren1 = addItem(Auswertung1, "PausenzeitinAuswertungauffhren1",
                                              QStringLiteral("Pausenzeit in Auswertung aufführen"));
    PausenzeitinAuswertungauffhren1->setCheckable(true);

    Benutzer1 = MainMenu1->addMenu(QStringLiteral("Benutzer"));
    Benutzer1->setObjectName(QStringLiteral("Benutzer1"));
    Benutzerverwalten1 = addItem(Benutzer1, "Benutzerverwalten1", QStringLiteral("Benutzer verwalten..."));

    Administrator1 = MainMenu1->addMenu(QStringLiteral("Administrator"));
    Administrator1->setObjectName(QStringLiteral("Administrator1"));
    AdministratorPasswortfestlegen1 = addItem(Administrator1, "AdministratorPasswortfestlegen1",
                                              QStringLiteral("Administrator Passwort festlegen..."));
    VorgabetextefrdasAusfllenfestlegen1 = addItem(Administrator1, "VorgabetextefrdasAusfllenfestlegen1",
                                                  QStringLiteral("Vorgabetexte für das Ausfüllen festlegen..."));
    Buchungenabschlieenbis1 = addItem(Administrator1, "Buchungenabschlieenbis1", QStringLiteral("Buchungen abschließen bis..."));
    Aenderungsprotokoll1 = addItem(Administrator1, "Aenderungsprotokoll1", QStringLiteral("Änderungsprotokoll..."));
    SollzeitenundAbwesenheiten1 = addItem(Administrator1, "SollzeitenundAbwesenheiten1",
                                          QStringLiteral("Sollzeiten und Abwesenheiten..."));

    Optionen1 = MainMenu1->addMenu(QStringLiteral("Optionen"));
    Optionen1->setObjectName(QStringLiteral("Optionen1"));
    BeiMitarbeiterAuswahlfrdieAuswertunggelschteMitarbeiterausblenden1 = addItem(
        Optionen1, HideDeletedItem,
        QStringLiteral("Bei Mitarbeiter Auswahl für die Auswertung gelöschte Mitarbeiter ausblenden"));
    BeiMitarbeiterAuswahlfrdieAuswertunggelschteMitarbeiterausblenden1->setCheckable(true);

    // The evaluations, the user list and the preset texts come with their
    // own windows.
    connect(Benutzerverwalten1, &QAction::triggered, this, &TMainForm::Benutzerverwalten1Click);

    using EvaluationReport::Kind;
    const QList<QPair<QAction *, Kind>> evaluations = {
        {AuswertungnachMitarbeiter1, Kind::Employee}, {AuswertungnachOrtBaustelle1, Kind::Place},
        {AuswertungnachTtigkeit1, Kind::Activity}, {AuswertungnachZeitraum1, Kind::Period},
        {AuswertungnachZeitraumsortiertnachBaustelle1, Kind::PeriodByPlace}};
    for (const auto &[action, kind] : evaluations)
        connect(action, &QAction::triggered, this, [this, kind = kind] { runEvaluation(int(kind)); });
    connect(Arbeitszeitgesetzprfen1, &QAction::triggered, this, &TMainForm::Arbeitszeitgesetzprfen1Click);
    connect(Aenderungsprotokoll1, &QAction::triggered, this, &TMainForm::Aenderungsprotokoll1Click);
    connect(Arbeitszeitkonto1, &QAction::triggered, this, [this] { runAccountReport(int(AccountReport::Kind::Account)); });
    connect(FehlendeBuchungen1, &QAction::triggered, this, [this] { runAccountReport(int(AccountReport::Kind::Missing)); });
    connect(SollzeitenundAbwesenheiten1, &QAction::triggered, this, &TMainForm::SollzeitenundAbwesenheiten1Click);

    connect(AdministratorPasswortfestlegen1, &QAction::triggered, this, &TMainForm::AdministratorPasswortfestlegen1Click);
    connect(VorgabetextefrdasAusfllenfestlegen1, &QAction::triggered, this,
            &TMainForm::VorgabetextefrdasAusfllenfestlegen1Click);
    connect(Buchungenabschlieenbis1, &QAction::triggered, this, &TMainForm::Buchungenabschlieenbis1Click);
    // The mark lives in "benutzer.dat" with the other options of the
    // administrator; it is written at once, not only when one of the
    // administrative windows happens to close later in the run.
    connect(PausenzeitinAuswertungauffhren1, &QAction::triggered, this, [this](bool checked) {
        m_context.userList().listBreakTime = checked;
        saveBenutzer();
    });
    connect(BeiMitarbeiterAuswahlfrdieAuswertunggelschteMitarbeiterausblenden1, &QAction::toggled, this,
            [this](bool checked) { m_context.hideDeletedEmployees = checked; });
}

void TMainForm::buildPanel()
{
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    DBNavigator1 = new RecordNavigator(m_context.reporter(), Panel1);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    AusloggenBtn = new QPushButton(QStringLiteral("Ausloggen"), Panel1);
    AusloggenBtn->setObjectName(QStringLiteral("AusloggenBtn"));
    BitBtn1 = new QPushButton(QStringLiteral("Benutzer..."), Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("Auswertung..."), Panel1);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setToolTip(QStringLiteral("Auswertung nach Mitarbeiter"));
    BitBtn3 = new QPushButton(QStringLiteral("Auswertung..."), Panel1);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setToolTip(QStringLiteral("Auswertung nach Ort/Baustelle"));
    for (QPushButton *button : {AusloggenBtn, BitBtn1, BitBtn2, BitBtn3})
        button->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, &TMainForm::Benutzerverwalten1Click);
    connect(BitBtn2, &QPushButton::clicked, this, [this] { runEvaluation(int(EvaluationReport::Kind::Employee)); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { runEvaluation(int(EvaluationReport::Kind::Place)); });

    auto *layout = new QHBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(DBNavigator1);
    layout->addStretch(1);
    layout->addWidget(BitBtn1);
    layout->addWidget(BitBtn2);
    layout->addWidget(BitBtn3);
    layout->addWidget(AusloggenBtn);

    // "Ausloggen" is the cancel button: Esc closes the window too.
    connect(AusloggenBtn, &QPushButton::clicked, this, &QDialog::reject);
}

bool TMainForm::IsAdmin()
{
    const QString password = m_context.userList().adminPassword;
    if (password.isEmpty())
        return true;
    TAdminPassForm *prompt = m_forms.AdminPassForm;
    prompt->Edit1->clear();
    if (prompt->exec() != QDialog::Accepted)
        return false;
    if (m_context.userList().acceptsAdminPassword(prompt->Edit1->text()))
        return true;
    m_context.reporter().error(ProgramText(19));
    return false;
}

void TMainForm::AdministratorPasswortfestlegen1Click()
{
    if (!IsAdmin())
        return;
    m_forms.AdminForm->exec();
    saveBenutzer();
}

void TMainForm::VorgabetextefrdasAusfllenfestlegen1Click()
{
    m_forms.VorgabeTexteForm->exec();
    saveBenutzer();
}

void TMainForm::Buchungenabschlieenbis1Click()
{
    // The window asks for the password itself: a closing needs it every time.
    // Rows shown now may have been closed meanwhile; the grid asks anew for
    // every change, so it needs no rereading.
    if (!DBNavigator1->postEdit())
        return;
    m_forms.AbschlussForm->exec();
}

void TMainForm::runEvaluation(int kindNumber)
{
    // The evaluation reads the table: what is being edited is written first.
    if (!DBNavigator1->postEdit())
        return;
    using EvaluationReport::Kind;
    const Kind kind = Kind(kindNumber);
    RecordTable &table = m_context.store().bookings();
    TMitarbeiterAussuchenForm *choice = m_forms.MitarbeiterAussuchenForm;
    const bool withList = EvaluationReport::hasChoiceList(kind);
    if (withList) {
        bool readOk = true;
        const QStringList choices = EvaluationReport::choiceList(table, kind, m_context.hideDeletedEmployees,
                                                                 m_context.userList().users, &readOk);
        if (!readOk) {
            m_context.reporter().error(table.errorString());
            return;
        }
        if (choices.isEmpty()) {
            // Nothing went wrong: there is nothing to evaluate yet.
            m_context.reporter().information(ProgramText(EvaluationReport::emptyChoiceProgramText(kind)));
            return;
        }
        choice->ArbeiterEd->clear();
        choice->ArbeiterEd->addItems(choices);
        choice->ArbeiterEd->setCurrentIndex(0);
    }
    choice->setPeriodOnly(!withList);
    const int result = choice->exec();
    choice->setPeriodOnly(false);
    if (result != QDialog::Accepted)
        return;

    EvaluationReport::Options options;
    options.kind = kind;
    options.choice = withList ? choice->ArbeiterEd->currentText() : QString();
    options.from = choice->DateTimePicker1->date();
    options.to = choice->DateTimePicker2->date();
    options.showBreaks = m_context.userList().listBreakTime;
    options.locale = QLocale::system();
    // A long report shows its progress after half a second, and can be stopped.
    QProgressDialog progress(ProgramText(6), TranslateText(QStringLiteral("Abbrechen")), 0, 1000, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(m_progressDelay);
    options.keepGoing = [&progress](double done) {
        progress.setValue(int(done * 1000));
        return !progress.wasCanceled();
    };
    // The lines go into the result window as they are made; a report that
    // was stopped is dropped whole, never shown as if it were complete.
    TAuswertenForm *resultForm = m_forms.AuswertenForm;
    resultForm->beginReport();
    const auto outcome = EvaluationReport::write(table, options, &ProgramText, *resultForm);
    progress.reset();
    if (outcome != EvaluationReport::Outcome::Complete) {
        resultForm->discardReport();
        if (outcome == EvaluationReport::Outcome::Failed)
            m_context.reporter().error(table.errorString());
        return;
    }
    resultForm->endReport();
    resultForm->exec();
}

void TMainForm::Aenderungsprotokoll1Click()
{
    // The history shows what is written: a row being edited is written first.
    if (!DBNavigator1->postEdit())
        return;
    m_forms.AenderungsprotokollForm->exec();
}

void TMainForm::runAccountReport(int kind)
{
    // The account reads the table: what is being edited is written first.
    if (!DBNavigator1->postEdit())
        return;
    AccountReportRunner(m_context, m_forms).run(AccountReport::Kind(kind));
}

void TMainForm::SollzeitenundAbwesenheiten1Click()
{
    // The window opens only from here, and this window only after the
    // administrator password: the changes are made with it.
    m_forms.SollzeitenForm->setAdminPassword(m_context.userList().adminPassword);
    m_forms.SollzeitenForm->exec();
}

void TMainForm::Arbeitszeitgesetzprfen1Click()
{
    // The check reads the table: what is being edited is written first.
    if (!DBNavigator1->postEdit())
        return;
    RecordTable &table = m_context.store().bookings();
    TMitarbeiterAussuchenForm *choice = m_forms.MitarbeiterAussuchenForm;
    choice->ArbeiterEd->clear();
    choice->ArbeiterEd->addItem(TranslateText(WorkingTimeLawCheck::allEmployeesText()));
    bool readOk = true;
    const QStringList employees = EvaluationReport::choiceList(table, EvaluationReport::Kind::Employee,
                                                               m_context.hideDeletedEmployees,
                                                               m_context.userList().users, &readOk);
    if (!readOk) {
        m_context.reporter().error(table.errorString());
        return;
    }
    choice->ArbeiterEd->addItems(employees);
    choice->ArbeiterEd->setCurrentIndex(0);
    // Bookings stored in the hours-only mode stay hours when the option has
    // been switched off since: the reading is chosen here, the option first.
    choice->setForLawCheck(true, m_context.onlyHours);
    const int result = choice->exec();
    const bool hoursOnly = choice->HoursOnlyCheck->isChecked();
    choice->setForLawCheck(false);
    if (result != QDialog::Accepted)
        return;

    WorkingTimeLawCheck::Options options;
    if (choice->ArbeiterEd->currentIndex() > 0)
        options.employee = choice->ArbeiterEd->currentText();
    options.from = choice->DateTimePicker1->date();
    options.to = choice->DateTimePicker2->date();
    options.hoursOnly = hoursOnly;
    options.locale = QLocale::system();
    const auto calendar = std::make_shared<HolidayCalendar>(m_context.holidayCalendar());
    options.isHoliday = [calendar](QDate date) { return calendar->isHoliday(date); };
    QProgressDialog progress(ProgramText(6), TranslateText(QStringLiteral("Abbrechen")), 0, 1000, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(m_progressDelay);
    options.keepGoing = [&progress](double done) {
        progress.setValue(int(done * 1000));
        return !progress.wasCanceled();
    };
    {
        // The check and its report live only until the result window holds
        // the report: while it is open, their memory is free again.
        WorkingTimeLawCheck check(options, {&ProgramText, &TranslateText});
        const bool complete = check.read(table);
        progress.reset();
        if (!complete) {
            if (!check.errorString().isEmpty())
                m_context.reporter().error(check.errorString());
            return;
        }
        // The result window shows, prints and saves reports in one form.
        EvaluationReport::Report report;
        check.writeReport([&report](const QString &line) { report.lines << line; });
        check.writeCsv([&report](const QStringList &row) {
            if (report.columnTitles.isEmpty())
                report.columnTitles = row;
            else
                report.listedValues << row;
        });
        m_forms.AuswertenForm->setReport(report);
    }
    m_forms.AuswertenForm->exec();
}

void TMainForm::Benutzerverwalten1Click()
{
    m_forms.BenutzerVerwaltenForm->exec();
    saveBenutzer();
}

void TMainForm::saveBenutzer()
{
    m_context.SaveBenutzer();
}

void TMainForm::restoreControls(WindowSettingsStore &)
{
    m_context.restoreMainWindowOptions();
    BeiMitarbeiterAuswahlfrdieAuswertunggelschteMitarbeiterausblenden1->setChecked(m_context.hideDeletedEmployees);
    PausenzeitinAuswertungauffhren1->setChecked(m_context.userList().listBreakTime);
}

void TMainForm::saveControls(WindowSettingsStore &store)
{
    store.setChecked(ClassName, QLatin1String(HideDeletedItem), m_context.hideDeletedEmployees);
}

void TMainForm::showEvent(QShowEvent *event)
{
    SettingsForm::showEvent(event);
    // Each opening starts at the last row, so the newest records are in view.
    m_model->reread();
    widenHeadings(); // the model's reset gave every column its default width
    const int last = m_model->rowCount() - 1;
    if (last >= 0) {
        DBGrid1->setCurrentIndex(m_model->index(last, 0));
        DBGrid1->scrollToBottom();
    }
    DBGrid1->setFocus();
}

void TMainForm::done(int result)
{
    // A pending edit is saved; if that fails it is dropped without a word.
    // A cell whose text was refused keeps the window open on it.
    if (!DBGrid1->commitEdit())
        return;
    if (!m_model->post())
        m_model->cancel();
    SettingsForm::done(result);
}
