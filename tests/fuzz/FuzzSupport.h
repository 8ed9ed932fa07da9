#pragma once

#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QString>

#include "base/Clock.h"
#include "base/Reporter.h"

// What the fuzz targets share: a scratch directory that lives as long as the
// process, a reporter that keeps quiet, a clock that stands still, and a check
// that stops the run (so the fuzzer keeps the input) when an invariant breaks.
namespace FuzzSupport {

class SilentReporter final : public Reporter
{
public:
    void error(const QString &, const QString &) override {}
    void information(const QString &, const QString &) override {}
    Answer question(const QString &, const QString &, Buttons) override { return Answer::No; }
};

class StillClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2024, 3, 15), QTime(9, 30)); }
};

SilentReporter &reporter();
const Clock &clock();

// An empty directory for this input, with its trailing separator: every
// file the previous input left there is gone.
QString freshDirectory();
bool writeFile(const QString &path, const uint8_t *data, size_t size);

[[noreturn]] void fail(const char *what, const char *file, int line);

} // namespace FuzzSupport

#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            FuzzSupport::fail(#condition, __FILE__, __LINE__);                                                         \
    } while (false)

// Every target defines the libFuzzer entry point; replay_main.cpp drives it
// without libFuzzer, for compilers that have none.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
