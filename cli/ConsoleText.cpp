#include "ConsoleText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace ConsoleText {

#ifdef Q_OS_WIN

namespace {
UINT s_savedOutputCodePage = 0;

void restoreOutputCodePage()
{
    if (s_savedOutputCodePage)
        SetConsoleOutputCP(s_savedOutputCodePage);
}
} // namespace

void prepareStandardStreams()
{
    // The C runtime's text mode turns every "\n" into "\r\n", also the one
    // of a CSV line's own "\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The console shows the bytes in its output code page, which would make
    // "Müller" of UTF-8 into "MÃ¼ller"; the user's own is restored at the end.
    const UINT current = GetConsoleOutputCP();
    if (current && current != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        s_savedOutputCodePage = current;
        std::atexit(&restoreOutputCodePage);
    }
}

#else

void prepareStandardStreams()
{
    // Unix streams have no text mode, and terminals take UTF-8.
}

#endif

QString lineFromWide(std::u16string_view units)
{
    const auto end = std::find_if(units.begin(), units.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; });
    return QString(reinterpret_cast<const QChar *>(units.data()), qsizetype(end - units.begin()));
}

} // namespace ConsoleText
