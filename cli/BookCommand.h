#pragma once

#include <optional>

#include <QString>

class AppContext;
class QCommandLineParser;

// `tagwerk-cli book`: logs in like the login window and books like "Okay,
// erfassen", through the same checks, clash search and record.
struct BookOptions
{
    QString user;
    QString password;
    QString place;
    QString activity;
    QString date;
    QString from;
    QString to;
    QString hours;
    QString pause = QStringLiteral("00:00");
    QString remark;
    bool away = false;
    bool sameTimeOk = false;
    bool nightWork = false;
    std::optional<bool> ifDouble; // the answer to "Doppelte Buchung?"
};

// Returns the exit code; usage errors are reported on stderr with 2.
int runBook(AppContext &context, const BookOptions &options);
