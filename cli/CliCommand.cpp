#include "CliCommand.h"

#include "translation/translateunit.h"

#include <algorithm>

#include <QByteArray>
#include <QRegularExpression>

#include "storage/DateTimeText.h"

namespace {
constexpr qsizetype FlushThreshold = 64 * 1024;
}

void CliOutput::writeLine(const QString &line)
{
    // Encoded straight into the block: no byte array per line.
    const qsizetype used = m_buffer.size();
    m_buffer.resize(used + m_encoder.requiredSpace(line.size()) + 1);
    char *end = m_encoder.appendToBuffer(m_buffer.data() + used, line);
    *end++ = '\n';
    m_buffer.resize(end - m_buffer.constData());
    if (m_buffer.size() >= FlushThreshold)
        flush();
}

void CliOutput::writeUtf8Line(QByteArrayView line)
{
    m_buffer.append(line);
    m_buffer.append('\n');
    if (m_buffer.size() >= FlushThreshold)
        flush();
}

void CliOutput::flush()
{
    if (!m_buffer.isEmpty())
        std::fwrite(m_buffer.constData(), 1, size_t(m_buffer.size()), m_stream);
    m_buffer.resize(0); // keeps the block for the next lines
    std::fflush(m_stream);
}

void printError(const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

QString takesDate(const char *option)
{
    return TranslateText(QStringLiteral("--%1 nimmt DD.MM.YYYY oder YYYY-MM-DD")).arg(QLatin1String(option));
}

QString doesNotGoWith(const QString &option, const QString &command)
{
    return TranslateText(QStringLiteral("--%1 passt nicht zu %2")).arg(option, command);
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

std::optional<QTime> parseTimeArgument(const QString &text)
{
    static constexpr qsizetype Length = 5; // HH:MM
    if (text.size() != Length || text.at(2) != QLatin1Char(':'))
        return std::nullopt;
    for (const qsizetype digit : {0, 1, 3, 4}) {
        if (text.at(digit) < QLatin1Char('0') || text.at(digit) > QLatin1Char('9'))
            return std::nullopt;
    }
    return DateTimeText::parseTime(text);
}

bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

void appendEscapedField(QString &line, const QString &field)
{
    for (const QChar c : field) {
        switch (c.unicode()) {
        case u'\\':
            line += QLatin1String("\\\\");
            break;
        case u'\t':
            line += QLatin1String("\\t");
            break;
        case u'\r':
            line += QLatin1String("\\r");
            break;
        case u'\n':
            line += QLatin1String("\\n");
            break;
        default:
            line += c;
        }
    }
}

int usageError(const QString &message)
{
    printError(QStringLiteral("tagwerk-cli: ") + message);
    printError(TranslateText(QStringLiteral("Mehr dazu: tagwerk-cli --help")));
    return CliExit::Usage;
}

QString parseError(const QCommandLineParser &parser)
{
    const QString text = parser.errorText();
    const QRegularExpressionMatch quoted = QRegularExpression(QStringLiteral("'([^']*)'")).match(text);
    if (!parser.unknownOptionNames().isEmpty())
        return TranslateText(QStringLiteral("Unbekannte Option '%1'")).arg(parser.unknownOptionNames().first());
    if (quoted.hasMatch() && text.startsWith(QLatin1String("Missing value")))
        return TranslateText(QStringLiteral("Nach '%1' fehlt ein Wert")).arg(quoted.captured(1));
    if (quoted.hasMatch() && text.startsWith(QLatin1String("Unexpected value")))
        return TranslateText(QStringLiteral("Nach '%1' ist kein Wert erlaubt")).arg(quoted.captured(1));
    return text;
}
