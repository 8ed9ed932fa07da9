#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include "session/AppContext.h"
#include "ApplicationForms.h"
#include "base/Clock.h"
#include "EinloggenFUnit.h"
#include "ServerStart.h"
#include "gui/base/MessageBoxReporter.h"
#include "session/ProgramDirectories.h"
#include "base/WindowSettingsStore.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ApplicationForms::setUpApplication();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tagwerk.svg")));
    // Windows hide and show one another; the program ends when the login
    // window closes, not when no window happens to be visible.
    QApplication::setQuitOnLastWindowClosed(false);

    MessageBoxReporter reporter;
    Reporter::setGlobal(&reporter);
    SystemClock clock;
    AppContext context(reporter, clock, AppContext::defaultProgramDirectory(),
                       ProgramDirectories::platformAppDataFolder(),
                       WindowSettingsStore::forProgram(QLatin1String(AppContext::ProgramName)));
    // tagwerk --server CONNINFO: a database server for this run, instead of
    // the choice kept in the database directory dialog.
    QCommandLineParser parser;
    const QCommandLineOption serverOption(QStringLiteral("server"), QString(), QStringLiteral("CONNINFO"));
    parser.addOption(serverOption);
    parser.parse(QApplication::arguments());
    const QString server = parser.isSet(serverOption) ? parser.value(serverOption) : context.chosenServer();
    // Before any window: each one reaches the records through the store.
    if (!server.isEmpty())
        ServerStart::connect(context, server);
    int result = 0;
    {
        ApplicationForms forms(context);
        QObject::connect(forms.EinloggenForm, &QDialog::finished, &app, &QCoreApplication::quit);
        forms.EinloggenForm->show();
        result = QApplication::exec();
    }
    Reporter::setGlobal(nullptr);
    return result;
}
