#include "CliCommand.h"

#include <QByteArray>

#include "storage/DateTimeText.h"

namespace {
constexpr qsizetype FlushThreshold = 64 * 1024;
}

void CliOutput::writeLine(const QString &line)
{
    m_buffer += line.toUtf8();
    m_buffer += '\n';
    if (m_buffer.size() >= FlushThreshold)
        flush();
}

void CliOutput::flush()
{
    if (!m_buffer.isEmpty())
        std::fwrite(m_buffer.constData(), 1, size_t(m_buffer.size()), m_stream);
    m_buffer.clear();
    std::fflush(m_stream);
}

void printError(const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

std::optional<QDate> parseDateArgument(const QString &text)
{
    if (const auto date = DateTimeText::parseDate(text))
        return date;
    const QDate iso = QDate::fromString(text, Qt::ISODate);
    if (iso.isValid() && text.size() == 10)
        return iso;
    return std::nullopt;
}
