#include "korvald.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QtEndian>

#include "base/Reporter.h"

TDynaArray::TDynaArray(quint32 thesize, void **typpoi)
    : outeraobj(typpoi)
    , size(thesize)
{
}

TDynaArray::~TDynaArray()
{
    std::free(poi);
    poi = nullptr;
    aobj = nullptr;
    aobjnr = -1;
}

quint64 TDynaArray::wantedSize() const
{
    if (count == 0)
        return 0;
    return (quint64((count - 1) / buffersize) + 1) * size * buffersize;
}

void TDynaArray::setCurrent(qint32 index)
{
    aobjnr = index;
    aobj = static_cast<char *>(poi) + quint64(quint32(index)) * size;
    if (outeraobj)
        *outeraobj = aobj;
}

void TDynaArray::clearCursor()
{
    aobjnr = -1;
    aobj = nullptr;
    if (outeraobj)
        *outeraobj = nullptr;
}

// The array must never go on with a null block: the message is shown, then the
// operation is abandoned with std::bad_alloc.
void *TDynaArray::takeBlock(quint64 bytes, int errorNumber)
{
    void *block = bytes <= 0xFFFFFFFFu ? std::calloc(1, size_t(bytes)) : nullptr;
    if (!block) {
        Reporter::global().error(QStringLiteral("Error %1 while trying to allocate %2 bytes of RAM. Not enough memory.")
                                     .arg(errorNumber)
                                     .arg(bytes));
        throw std::bad_alloc();
    }
    return block;
}

void *TDynaArray::GetObject(quint32 index)
{
    setCurrent(qint32(index));
    return aobj;
}

bool TDynaArray::AllocMoreMem()
{
    const quint64 wanted = wantedSize();
    if (wanted == amemsize)
        return false;
    const bool firstBlock = poi == nullptr;
    void *block = takeBlock(wanted, firstBlock ? 1 : 2);
    if (!firstBlock) {
        std::memcpy(block, poi, amemsize);
        std::free(poi);
    }
    poi = block;
    amemsize = quint32(wanted);
    return true;
}

void TDynaArray::AllocLessMem()
{
    const quint64 wanted = wantedSize();
    if (wanted == amemsize)
        return;
    if (count == 0) {
        std::free(poi);
        poi = nullptr;
        amemsize = 0;
        return;
    }
    void *block = takeBlock(wanted, 3);
    std::memcpy(block, poi, size_t(wanted));
    std::free(poi);
    poi = block;
    amemsize = quint32(wanted);
}

void *TDynaArray::Add()
{
    ++count;
    const bool fresh = [this] {
        try {
            return AllocMoreMem();
        } catch (...) {
            --count;
            throw;
        }
    }();
    setCurrent(qint32(count - 1));
    // A fresh block is zero already; a reused one may hold a deleted record.
    if (!fresh)
        std::memset(aobj, 0, size);
    return aobj;
}

void *TDynaArray::Insert(qint32 nr)
{
    if (nr < 0 || quint32(nr) > count)
        return nullptr;
    ++count;
    try {
        AllocMoreMem();
    } catch (...) {
        --count;
        throw;
    }
    char *base = static_cast<char *>(poi);
    const quint64 tail = quint64(count - 1 - quint32(nr)) * size;
    std::memmove(base + quint64(nr + 1) * size, base + quint64(nr) * size, size_t(tail));
    setCurrent(nr);
    std::memset(aobj, 0, size);
    return aobj;
}

void TDynaArray::Delete(qint32 nr)
{
    if (count == 0 || nr < 0 || quint32(nr) > count - 1)
        return;
    char *base = static_cast<char *>(poi);
    for (quint32 i = quint32(nr) + 1; i < count; ++i)
        std::memmove(base + quint64(i - 1) * size, base + quint64(i) * size, size);
    --count;
    AllocLessMem();
    clearCursor();
}

void TDynaArray::Change(qint32 nr1, qint32 nr2)
{
    if (nr1 < 0 || nr2 < 0 || quint32(nr1) >= count || quint32(nr2) >= count)
        return;
    char *base = static_cast<char *>(poi);
    char *a = base + quint64(nr1) * size;
    char *b = base + quint64(nr2) * size;
    if (a != b) {
        void *temp = takeBlock(size, 1);
        std::memcpy(temp, a, size);
        std::memcpy(a, b, size);
        std::memcpy(b, temp, size);
        std::free(temp);
    }
    setCurrent(nr2);
}

void TDynaArray::Clear()
{
    count = 0;
    std::free(poi);
    poi = nullptr;
    amemsize = 0;
    clearCursor();
}

void TDynaArray::First()
{
    if (count > 0)
        setCurrent(0);
}

bool TDynaArray::Next()
{
    if (count == 0)
        return false;
    if (aobjnr == -1) {
        setCurrent(0);
        return true;
    }
    if (aobjnr >= 0 && quint32(aobjnr) < count - 1) {
        setCurrent(aobjnr + 1);
        return true;
    }
    return false;
}

bool TDynaArray::WhileNext()
{
    if (count == 0 || aobjnr < 0 || quint32(aobjnr) > count - 1)
        return false;
    setCurrent(aobjnr);
    ++aobjnr;
    return true;
}

// --- length-prefixed strings -------------------------------------------------

namespace {

void writeAll(QIODevice *file, const char *data, qint64 length)
{
    if (length > 0 && file->write(data, length) != length)
        throw KorvaldIoError(file->errorString().isEmpty() ? std::string("write failed")
                                                           : file->errorString().toStdString());
}

// Reads exactly `length` bytes. A length larger than what the device still
// holds is refused before anything is allocated, so a damaged count cannot
// make us take gigabytes.
QByteArray readExactly(QIODevice *file, qint64 length)
{
    if (length < 0)
        throw KorvaldIoError("negative length");
    if (!file->isSequential() && length > file->size() - file->pos())
        throw KorvaldIoError("file ends early");
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    qint64 done = 0;
    while (done < length) {
        const qint64 got = file->read(bytes.data() + done, length - done);
        if (got <= 0)
            throw KorvaldIoError("file ends early");
        done += got;
    }
    return bytes;
}

} // namespace

void WriteInt32(QIODevice *file, qint32 value)
{
    char bytes[4];
    qToLittleEndian<qint32>(value, bytes);
    writeAll(file, bytes, 4);
}

qint32 ReadInt32(QIODevice *file)
{
    const QByteArray bytes = readExactly(file, 4);
    return qFromLittleEndian<qint32>(bytes.constData());
}

void WriteAnsiStr(QIODevice *file, const QByteArray &text)
{
    WriteInt32(file, qint32(text.size()));
    writeAll(file, text.constData(), text.size());
}

void ReadAnsiStr(QIODevice *file, QByteArray &text)
{
    const qint32 length = ReadInt32(file);
    text = readExactly(file, length);
}

void WriteWideStr(QIODevice *file, const QString &text)
{
    WriteInt32(file, qint32(text.size()));
    if (text.isEmpty())
        return;
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<quint16>(text.utf16(), text.size(), bytes.data());
    writeAll(file, bytes.constData(), bytes.size());
}

void ReadWideStr(QIODevice *file, QString &text)
{
    const qint32 length = ReadInt32(file);
    if (length < 0 || length > (std::numeric_limits<qint32>::max)() / 2)
        throw KorvaldIoError("bad string length");
    const QByteArray bytes = readExactly(file, qint64(length) * 2);
    QString result(length, Qt::Uninitialized);
    qFromLittleEndian<quint16>(bytes.constData(), length, result.data());
    text = result;
}
