#pragma once

#include <memory>

#include <QTemporaryDir>

#include "FixedClock.h"
#include "RecordingReporter.h"
#include "session/AppContext.h"
#include "gui/app/ApplicationForms.h"

// The whole program in a scratch home: its program directory, settings and
// Database directory all below one temporary folder, its windows created and
// the first showing of the login window done.
class ProgramFixture
{
public:
    ProgramFixture();
    ~ProgramFixture();

    // `server`: a database server for the run, as `tagwerk --server` takes it.
    void start(const QString &server = {});
    QString dataDir() const { return home.filePath(QStringLiteral("appdata/Korvald/Tagwerk/")); }
    QString programDir() const { return home.filePath(QStringLiteral("program")); }

    QTemporaryDir home;
    RecordingReporter reporter;
    FixedClock clock;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<ApplicationForms> forms;
};
