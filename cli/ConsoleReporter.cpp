#include "ConsoleReporter.h"

#include <cstdio>

namespace {
void printLine(const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}
} // namespace

ConsoleReporter::ConsoleReporter(Answer answerToQuestions)
    : m_answer(answerToQuestions)
{
}

void ConsoleReporter::error(const QString &text, const QString &)
{
    ++m_errors;
    printLine(text);
}

void ConsoleReporter::information(const QString &text, const QString &)
{
    printLine(text);
}

Reporter::Answer ConsoleReporter::question(const QString &text, const QString &, Buttons)
{
    printLine(text);
    return m_answer;
}
