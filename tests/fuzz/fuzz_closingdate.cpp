// "abschluss.dat" as the program meets it: any bytes. Loads it; a file that
// loads is saved again and must load back as the same date, byte for byte
// as it was.
#include "FuzzSupport.h"

#include <QFile>

#include "storage/ClosingDateFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString directory = FuzzSupport::freshDirectory();
    const QString path = directory + QLatin1String(ClosingDateFile::FileName);
    if (!FuzzSupport::writeFile(path, data, size))
        return 0;
    std::optional<QDate> until;
    const ClosingDateFile::LoadResult result = ClosingDateFile::load(path, until);
    FUZZ_CHECK(result != ClosingDateFile::LoadResult::Missing);
    if (result != ClosingDateFile::LoadResult::Loaded)
        return 0;
    const QString again = directory + QStringLiteral("again.dat");
    QString error;
    FUZZ_CHECK(ClosingDateFile::save(again, until, error));
    std::optional<QDate> reread;
    FUZZ_CHECK(ClosingDateFile::load(again, reread) == ClosingDateFile::LoadResult::Loaded);
    FUZZ_CHECK(reread == until);
    QFile saved(again);
    FUZZ_CHECK(saved.open(QIODevice::ReadOnly));
    FUZZ_CHECK(saved.readAll() == QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
