#include "RecordingReporter.h"

void RecordingReporter::error(const QString &text, const QString &caption)
{
    m_messages.append({Message::Error, text, caption});
}

void RecordingReporter::information(const QString &text, const QString &caption)
{
    m_messages.append({Message::Information, text, caption});
}

Reporter::Answer RecordingReporter::question(const QString &text, const QString &caption, Buttons buttons)
{
    m_messages.append({Message::Question, text, caption, buttons});
    return m_answers.isEmpty() ? Answer::No : m_answers.takeFirst();
}

QStringList RecordingReporter::errors() const
{
    QStringList texts;
    for (const Message &message : m_messages) {
        if (message.kind == Message::Error)
            texts.append(message.text);
    }
    return texts;
}
