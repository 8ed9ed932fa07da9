#pragma once

class AppContext;
struct ReportCommandOptions;

// `tagwerk-cli report worktime-law`: the working-time law check, written as
// it is made (text and CSV) to standard output or a file.
int runWorkingTimeLawReport(AppContext &context, const ReportCommandOptions &options);
