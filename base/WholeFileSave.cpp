#include "WholeFileSave.h"

#include <QDeadlineTimer>
#include <QSaveFile>
#include <QThread>

namespace WholeFileSave {

namespace {
constexpr int PauseMs = 100;
}

Attempt saveOnce(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, false, file.errorString()};
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return {false, false, why};
    }
    if (!file.commit())
        return {false, file.error() == QFileDevice::RenameError, file.errorString()};
    return {true, false, {}};
}

bool save(const QString &path, const QByteArray &bytes, QString *error, std::chrono::milliseconds patience,
          const Try &attempt)
{
    const QDeadlineTimer deadline(patience);
    for (;;) {
        const Attempt result = attempt(path, bytes);
        if (result.saved)
            return true;
        if (!result.replaceFailed || deadline.hasExpired()) {
            if (error)
                *error = result.error;
            return false;
        }
        QThread::msleep(PauseMs);
    }
}

} // namespace WholeFileSave
