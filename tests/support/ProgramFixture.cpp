#include "ProgramFixture.h"

#include <QDir>
#include <QTest>

#include "gui/app/EinloggenFUnit.h"
#include "gui/app/ServerStart.h"

ProgramFixture::ProgramFixture()
{
    QDir(home.path()).mkpath(QStringLiteral("program"));
}

ProgramFixture::~ProgramFixture()
{
    forms.reset();
    context.reset();
}

void ProgramFixture::start(const QString &server)
{
    context = std::make_unique<AppContext>(
        reporter, clock, programDir(), home.filePath(QStringLiteral("appdata")),
        std::make_unique<WindowSettingsStore>(home.filePath(QStringLiteral("settings.ini"))));
    if (!server.isEmpty())
        ServerStart::connect(*context, server);
    forms = std::make_unique<ApplicationForms>(*context);
    forms->EinloggenForm->show();
    if (!QTest::qWaitForWindowExposed(forms->EinloggenForm))
        qWarning("the login window did not appear");
}
