#pragma once

#include "base/Reporter.h"

class QWidget;

// The desktop program's answer to the core: modal message boxes with the
// error, information or question icon. Yes/No/Cancel come in the language
// of the Qt translations the program has loaded.
class MessageBoxReporter final : public Reporter
{
public:
    void error(const QString &text, const QString &caption = {}) override;
    void information(const QString &text, const QString &caption = {}) override;
    Answer question(const QString &text, const QString &caption, Buttons buttons) override;

private:
    static QWidget *owner();
    static QString captionOr(const QString &caption);
};
