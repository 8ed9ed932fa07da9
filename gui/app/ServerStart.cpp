#include "ServerStart.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>

#include "base/Reporter.h"
#include "session/AppContext.h"
#include "session/LanguageOptions.h"
#include "translation/UiText.h"
#include "translation/translateunit.h"

namespace ServerStart {

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
        password = QInputDialog::getText(nullptr, UiText(QStringLiteral("Server")), label, QLineEdit::Password,
                                         QString(), &ok);
        if (!ok)
            break;
        opening = context.useServer(conninfo, password);
    }
    if (!opening.connected)
        context.reporter().error(opening.message);
}

} // namespace ServerStart
