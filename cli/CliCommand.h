#pragma once

#include <cstdio>

#include <optional>

#include <QCommandLineParser>
#include <QDate>
#include <QTime>
#include <QString>
#include <QStringEncoder>

// Exit codes of tagwerk-cli.
namespace CliExit {
constexpr int Ok = 0;
constexpr int Refused = 1; // the program said no: a failed check, a login, a clash
constexpr int Usage = 2;   // wrong arguments, or a table that cannot be opened
} // namespace CliExit

// Output of tagwerk-cli: UTF-8 lines ended by "\n", on stdout.
class CliOutput
{
public:
    explicit CliOutput(FILE *stream = stdout) : m_stream(stream) {}
    ~CliOutput() { flush(); }

    void writeLine(const QString &line);
    // A line already in UTF-8, without its line end.
    void writeUtf8Line(QByteArrayView line);
    void flush();

private:
    FILE *m_stream;
    QByteArray m_buffer;
    QStringEncoder m_encoder{QStringEncoder::Utf8};
};

void printError(const QString &text);
// Prints "tagwerk-cli: " and the message, and where to read more; returns
// the exit code of a usage error.
int usageError(const QString &message);
// The argument parser's own message is English whatever the language: its
// cases in the dictionary's words.
QString parseError(const QCommandLineParser &parser);

// A date given on the command line: DD.MM.YYYY, as the program writes dates,
// or ISO YYYY-MM-DD.
std::optional<QDate> parseDateArgument(const QString &text);

// Refusals several commands share, in the language of the run.
QString takesDate(const char *option);
QString doesNotGoWith(const QString &option, const QString &command);

// A time given on the command line: HH:MM exactly, as the program stores
// times. Seconds are refused: the checks would compare them, the table
// would drop them.
std::optional<QTime> parseTimeArgument(const QString &text);

// Whether a text holds a control character (below U+0020, or U+007F): a
// table field holds one line of printable text.
bool hasControlCharacter(const QString &text);

// Appends a field so that a TAB-separated line stays one record: a
// backslash, TAB, CR or LF inside it is written as \\, \t, \r or \n.
void appendEscapedField(QString &line, const QString &field);
