#include "Reporter.h"

#include <cstdio>

namespace {

// Until a program installs its own, messages go to stderr and questions are
// answered No: the cautious answer, since nobody is there to be asked.
class StderrReporter final : public Reporter
{
public:
    void error(const QString &text, const QString &) override { print(text); }
    void information(const QString &text, const QString &) override { print(text); }
    Answer question(const QString &text, const QString &, Buttons) override
    {
        print(text);
        return Answer::No;
    }

private:
    static void print(const QString &text)
    {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
};

StderrReporter s_fallback;
Reporter *s_global = nullptr;

} // namespace

Reporter &Reporter::global()
{
    return s_global ? *s_global : s_fallback;
}

void Reporter::setGlobal(Reporter *reporter)
{
    s_global = reporter;
}
