#pragma once

#include <QList>
#include <QStringList>

#include "base/Reporter.h"

// Keeps every message, and answers questions from a queue set in advance
// (No when the queue is empty).
class RecordingReporter final : public Reporter
{
public:
    struct Message
    {
        enum Kind { Error, Information, Question } kind;
        QString text;
        QString caption;
        Buttons buttons = Buttons::YesNo; // of a question
    };

    void error(const QString &text, const QString &caption = {}) override;
    void information(const QString &text, const QString &caption = {}) override;
    Answer question(const QString &text, const QString &caption, Buttons buttons) override;

    void setNextAnswers(QList<Answer> answers) { m_answers = std::move(answers); }
    QStringList errors() const;
    const QList<Message> &messages() const { return m_messages; }
    void clear() { m_messages.clear(); }

private:
    QList<Message> m_messages;
    QList<Answer> m_answers;
};
