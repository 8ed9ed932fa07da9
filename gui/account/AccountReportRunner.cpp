#include "AccountReportRunner.h"

#include <QComboBox>
#include <QDateEdit>

#include "base/Clock.h"
#include "base/Reporter.h"
#include "evaluation/EvaluationReport.h"
#include "evaluation/WorkingTimeAccount.h"
#include "evaluation/WorkingTimeLawCheck.h"
#include "gui/app/ApplicationForms.h"
#include "gui/evaluation/AuswertungFUnit.h"
#include "gui/evaluation/MitArbeiterAussuchenFUnit.h"
#include "session/AppContext.h"
#include "translation/UiText.h"
#include "translation/translateunit.h"

AccountReportRunner::AccountReportRunner(AppContext &context, ApplicationForms &forms)
    : m_context(context)
    , m_forms(forms)
{
}

void AccountReportRunner::run(AccountReport::Kind kind)
{
    Reporter &reporter = m_context.reporter();
    AccountTables tables = m_context.accountTables();
    AccountData data;
    if (!tables.read(data)) {
        reporter.error(tables.errorString()); // an account from part of its rows would be wrong
        return;
    }
    const QDate today = m_context.clock().now().date();
    const QStringList employees = WorkingTimeAccount(data, today, today).employees();
    if (employees.isEmpty()) {
        // Nothing went wrong: nobody is owed hours yet.
        reporter.information(UiText(QStringLiteral("Noch hat kein Mitarbeiter eine Sollzeit. Sie wird unter "
                                                   "Administrator, Sollzeiten und Abwesenheiten eingetragen.")));
        return;
    }
    TMitarbeiterAussuchenForm *choice = m_forms.MitarbeiterAussuchenForm;
    choice->ArbeiterEd->clear();
    choice->ArbeiterEd->addItem(TranslateText(WorkingTimeLawCheck::allEmployeesText()));
    choice->ArbeiterEd->addItems(employees);
    choice->ArbeiterEd->setCurrentIndex(0);
    if (choice->exec() != QDialog::Accepted)
        return;
    std::optional<QString> employee;
    if (choice->ArbeiterEd->currentIndex() > 0)
        employee = choice->ArbeiterEd->currentText();
    const QDate from = choice->DateTimePicker1->date();
    const QDate to = choice->DateTimePicker2->date();
    if (from > to) {
        reporter.error(TranslateText(WorkingTimeLawCheck::reversedPeriodText()));
        return;
    }

    WorkingTimeAccount account(data, from, to);
    RecordTable &bookings = m_context.store().bookings();
    if (!AccountReport::readBookings(bookings, account, to)) {
        reporter.error(bookings.errorString());
        return;
    }
    const AccountReport report(kind, account, from, to, today, employee);
    // The result window shows, prints and saves reports in one form.
    EvaluationReport::Report shown;
    shown.lines = report.textLines();
    shown.columnTitles = report.columnTitles;
    shown.listedValues = report.rows;
    m_forms.AuswertenForm->setReport(shown);
    m_forms.AuswertenForm->exec();
}
