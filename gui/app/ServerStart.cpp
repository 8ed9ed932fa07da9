#include "ServerStart.h"

#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

#include "base/Reporter.h"
#include "session/AppContext.h"
#include "session/LanguageOptions.h"
#include "translation/UiText.h"
#include "translation/translateunit.h"

namespace ServerStart {

namespace {

// The server's refusal is one long line: wrapped, so that the dialog stays
// within the screen.
QString askPassword(const QString &label, bool &ok)
{
    QInputDialog dialog;
    dialog.setObjectName(QStringLiteral("ServerPasswordDialog"));
    dialog.setWindowTitle(UiText(QStringLiteral("Server")));
    dialog.setLabelText(label);
    dialog.setTextEchoMode(QLineEdit::Password);
    for (QLabel *text : dialog.findChildren<QLabel *>())
        text->setWordWrap(true);
    ok = dialog.exec() == QDialog::Accepted;
    return ok ? dialog.textValue() : QString();
}

} // namespace

void connect(AppContext &context, const QString &conninfo)
{
    // The language is stored on the server: until it answers, the system's.
    context.BuildTranslationIndex();
    SetCurrentLanguage(LanguageOptions::languageOfLocale(QLocale::system()));
    constexpr int Attempts = 3;
    QString password;
    AppContext::ServerOpening opening = context.useServer(conninfo, password);
    for (int attempt = 1; !opening.connected && opening.passwordRefused && attempt <= Attempts; ++attempt) {
        bool ok = false;
        QString label = UiText(QStringLiteral("Passwort für den Server:"));
        if (attempt > 1)
            label = opening.message + QStringLiteral("\n\n") + label;
        password = askPassword(label, ok);
        if (!ok)
            break;
        opening = context.useServer(conninfo, password);
    }
    if (!opening.connected)
        context.reporter().error(opening.message);
}

} // namespace ServerStart
