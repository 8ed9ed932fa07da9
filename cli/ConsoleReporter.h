#pragma once

#include "base/Reporter.h"

// Messages of the core on stderr. Nobody can be asked on the command line, so
// a question is answered by what the command's options said beforehand.
class ConsoleReporter final : public Reporter
{
public:
    explicit ConsoleReporter(Answer answerToQuestions = Answer::No);

    void error(const QString &text, const QString &caption = {}) override;
    void information(const QString &text, const QString &caption = {}) override;
    Answer question(const QString &text, const QString &caption, Buttons buttons) override;

    int errorCount() const { return m_errors; }

private:
    Answer m_answer;
    int m_errors = 0;
};
