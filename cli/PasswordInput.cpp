#include "PasswordInput.h"

#include <csignal>
#include <iterator>
#include <string>
#include <cstdio>

#include <QByteArray>

#include "ConsoleText.h"

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace PasswordInput {

namespace {

// Turns the echo of a terminal on standard input off for as long as it
// lives, and back on when it goes, also when the user breaks off with
// Ctrl+C: a shell left without echo looks broken.
class EchoOff
{
public:
    EchoOff();
    ~EchoOff();
    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;

private:
    static void restore();

#ifdef Q_OS_WIN
    static inline HANDLE s_console = nullptr;
    static inline DWORD s_saved = 0;
#else
    static void restoreAndRaise(int signal);
    static inline termios s_saved{};
    static constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
#endif
    static inline volatile std::sig_atomic_t s_active = 0;
};

#ifdef Q_OS_WIN

EchoOff::EchoOff()
{
    // The console restores its own mode when the process ends.
    s_console = GetStdHandle(STD_INPUT_HANDLE);
    if (!_isatty(_fileno(stdin)) || !GetConsoleMode(s_console, &s_saved))
        return;
    if (SetConsoleMode(s_console, s_saved & ~DWORD(ENABLE_ECHO_INPUT)))
        s_active = 1;
}

void EchoOff::restore()
{
    if (s_active)
        SetConsoleMode(s_console, s_saved);
    s_active = 0;
}

EchoOff::~EchoOff()
{
    const bool wasQuiet = s_active;
    restore();
    if (wasQuiet)
        std::fputc('\n', stderr); // the Enter key was not echoed
}

#else

EchoOff::EchoOff()
{
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &s_saved) != 0)
        return;
    termios quiet = s_saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    quiet.c_lflag |= ECHONL; // the Enter key still moves to the next line
    for (int signal : Signals)
        std::signal(signal, &EchoOff::restoreAndRaise);
    // Flushing drops anything typed before the echo went off, as getpass does.
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0)
        s_active = 1;
}

void EchoOff::restore()
{
    // Only async-signal-safe calls: this also runs in a signal handler.
    if (s_active)
        tcsetattr(STDIN_FILENO, TCSANOW, &s_saved);
    s_active = 0;
}

void EchoOff::restoreAndRaise(int signal)
{
    restore();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

EchoOff::~EchoOff()
{
    restore();
    for (int signal : Signals)
        std::signal(signal, SIG_DFL);
}

#endif

bool stdinIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stdin));
#else
    return isatty(STDIN_FILENO);
#endif
}

} // namespace

#ifdef Q_OS_WIN
// A console hands over what was typed in UTF-16: an umlaut in a password
// arrives as itself, whatever the console's input code page.
std::optional<QString> readConsoleLine()
{
    const HANDLE console = GetStdHandle(STD_INPUT_HANDLE);
    std::u16string units;
    wchar_t buffer[256];
    DWORD read = 0;
    while (ReadConsoleW(console, buffer, DWORD(std::size(buffer)), &read, nullptr) && read > 0) {
        units.append(reinterpret_cast<const char16_t *>(buffer), read);
        if (units.find(u'\n') != std::u16string::npos)
            break;
    }
    if (units.empty())
        return std::nullopt;
    return ConsoleText::lineFromWide(units);
}
#endif

std::optional<QString> readLine(const QString &prompt)
{
    if (stdinIsTerminal()) {
        const QByteArray text = prompt.toUtf8();
        std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
        std::fflush(stderr);
    }
    const EchoOff echoOff;
#ifdef Q_OS_WIN
    if (stdinIsTerminal())
        return readConsoleLine();
#endif
    QByteArray line;
    bool readAnything = false;
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        readAnything = true;
        if (c == '\n')
            break;
        line += char(c);
    }
    if (!readAnything)
        return std::nullopt;
    // A line ended by CR LF, as Windows programs write it into a pipe.
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromLocal8Bit(line);
}

} // namespace PasswordInput
