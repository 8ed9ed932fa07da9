#include <QApplication>
#include <QIcon>

#include "session/AppContext.h"
#include "ApplicationForms.h"
#include "base/Clock.h"
#include "EinloggenFUnit.h"
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
