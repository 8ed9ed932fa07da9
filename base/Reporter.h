#pragma once

#include <QString>

// How the core speaks to the person in front of the program: an error, a note,
// or a question. The desktop program answers with message boxes, tagwerk-cli on
// the terminal, and tests with recorded answers. The core never shows a window.
class Reporter
{
public:
    enum class Answer { Yes, No, Cancel };
    // YesNoCancelDefaultNo: for a question whose Yes destroys something,
    // so that Enter alone never answers it with Yes.
    enum class Buttons { YesNo, YesNoCancel, YesNoCancelDefaultNo };

    virtual ~Reporter() = default;

    // An empty caption means "the platform's default caption".
    virtual void error(const QString &text, const QString &caption = {}) = 0;
    virtual void information(const QString &text, const QString &caption = {}) = 0;
    virtual Answer question(const QString &text, const QString &caption = {},
                            Buttons buttons = Buttons::YesNo) = 0;

    // The reporter used where no caller is at hand to pass one in (allocation
    // failures deep in TDynaArray). Programs install theirs at start-up.
    static Reporter &global();
    static void setGlobal(Reporter *reporter);
};
