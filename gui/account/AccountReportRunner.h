#pragma once

#include "evaluation/AccountReport.h"

class AppContext;
class ApplicationForms;

// "Arbeitszeitkonto..." and "Fehlende Buchungen..." of the evaluation menu:
// one employee with a target or all, and a period, in the evaluations'
// choice window; the rows in their result window, which prints them and
// saves them as PDF and CSV.
class AccountReportRunner
{
public:
    AccountReportRunner(AppContext &context, ApplicationForms &forms);

    void run(AccountReport::Kind kind);

private:
    AppContext &m_context;
    ApplicationForms &m_forms;
};
