// Runs every file named on the command line, or found in a directory named
// there, through the target's LLVMFuzzerTestOneInput once: the corpus replay
// of the normal and sanitizer builds, which have no libFuzzer. Arguments that
// begin with '-' are libFuzzer's options and are ignored, so one command line
// serves both builds.
#include <algorithm>
#include <cstdio>
#include <vector>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "FuzzSupport.h"

namespace {

QStringList inputsOf(const QString &argument)
{
    if (!QFileInfo(argument).isDir())
        return {argument};
    QStringList files;
    QDirIterator it(argument, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList inputs;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QFile::decodeName(argv[i]);
        if (!argument.startsWith(QLatin1Char('-')))
            inputs << inputsOf(argument);
    }
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR_OR_FILE...\n", argv[0]);
        return 2;
    }
    for (const QString &path : std::as_const(inputs)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 2;
        }
        const QByteArray bytes = file.readAll();
        std::fprintf(stderr, "replaying %s (%lld bytes)\n", qPrintable(path), static_cast<long long>(bytes.size()));
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    }
    std::printf("%lld inputs replayed\n", static_cast<long long>(inputs.size()));
    return 0;
}
