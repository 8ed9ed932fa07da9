#include "DbfTable.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX // std::min, not the macro
#endif
#include <io.h>
#include <windows.h>
#endif

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QtEndian>

#include "CodePage.h"
#include "FileRegionLock.h"
#include "NewFilePlacement.h"
#include "base/Clock.h"
#include "translation/UiText.h"

using namespace DbfFormat;

namespace {

// Records are read in blocks of about this size: large enough that a full scan
// runs at the speed of the disk, small enough that a jump in a grid is cheap.
constexpr qint64 CacheBytes = 512 * 1024;
constexpr qint64 JumpBytes = 2 * 1024;

const CodePage &codePageForDriver(unsigned char id)
{
    const int number = CodePage::numberForLanguageDriver(id);
    return number ? CodePage::byNumber(number) : CodePage::windows1252();
}

std::optional<DbfFieldType> fieldTypeOf(char letter)
{
    switch (letter) {
    case 'C': return DbfFieldType::Character;
    case 'L': return DbfFieldType::Logical;
    case 'N': return DbfFieldType::Numeric;
    case 'F': return DbfFieldType::Float;
    case 'D': return DbfFieldType::Date;
    default: return std::nullopt;
    }
}

QByteArray storedName(const QString &name, const CodePage &page)
{
    const CodePage &ansi = CodePage::windows1252();
    const QString upper = ansi.toUpper(name);
    char bytes[MaxNameBytes];
    const qsizetype length = page.encode(upper, bytes, MaxNameBytes, &page == &ansi ? nullptr : &ansi);
    return QByteArray(bytes, length);
}

// Writes every byte: a write cut short (a full disk) is followed by another,
// which then fails with the cause, so that the message names it.
bool writeFully(QFile &file, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 written = file.write(data, left);
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

// Which file a name or an open file is: the device and the file's number.
struct FileIdentity
{
    quint64 device = 0;
    quint64 file = 0;
    bool operator==(const FileIdentity &) const = default;
};

#ifdef Q_OS_WIN
std::optional<FileIdentity> identityOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

std::optional<FileIdentity> identityOf(const QFile &file)
{
    return identityOf(HANDLE(_get_osfhandle(file.handle())));
}

std::optional<FileIdentity> identityOf(const QString &path)
{
    // Opened for no access and sharing everything: it disturbs no other user.
    HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::optional<FileIdentity> identity = identityOf(handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return identity;
}
#else
std::optional<FileIdentity> identityOf(const QFile &file)
{
    struct stat info = {};
    if (file.handle() < 0 || ::fstat(file.handle(), &info) != 0)
        return std::nullopt;
    return FileIdentity{quint64(info.st_dev), quint64(info.st_ino)};
}

std::optional<FileIdentity> identityOf(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{quint64(info.st_dev), quint64(info.st_ino)};
}
#endif

void stampDate(char *header, QDate today)
{
    header[UpdateYearOffset] = char(uchar(today.year() - 1900));
    header[UpdateMonthOffset] = char(uchar(today.month()));
    header[UpdateDayOffset] = char(uchar(today.day()));
}

} // namespace

DbfTable::DbfTable(const Clock &clock)
    : m_clock(clock)
{
}

DbfTable::~DbfTable()
{
    close();
}

bool DbfTable::fail(Status status, const QString &reason)
{
    m_status = status;
    m_errorString = reason;
    return false;
}

const QList<DbfField> &DbfTable::fields() const
{
    static const QList<DbfField> none;
    return m_layout ? m_layout->fields : none;
}

int DbfTable::codePage() const
{
    return m_layout ? m_layout->codePage->number() : 0;
}

DbfRecord DbfTable::newRecord() const
{
    return m_layout ? DbfRecord(m_layout) : DbfRecord();
}

// --- create and open ------------------------------------------------------------

QByteArray DbfTable::headerBytes(const QList<DbfFieldDef> &defs, QDate date, unsigned char languageDriver)
{
    if (defs.isEmpty() || defs.size() > DbfRecord::MaxFields)
        return {};
    const CodePage &page = codePageForDriver(languageDriver);
    const int headerLength = HeaderSize + DescriptorSize * int(defs.size()) + 1;
    QByteArray bytes(headerLength, '\0');
    char *header = bytes.data();
    int recordLength = 1;
    for (int i = 0; i < defs.size(); ++i) {
        const DbfFieldDef &def = defs.at(i);
        const bool logical = def.type == DbfFieldType::Logical;
        const int width = logical ? 1 : std::clamp(def.width, 1, MaxFieldWidth);
        char *descriptor = header + HeaderSize + i * DescriptorSize;
        const QByteArray name = storedName(def.name, page);
        std::memcpy(descriptor, name.constData(), size_t(name.size()));
        descriptor[DescriptorTypeOffset] = char(def.type);
        descriptor[DescriptorWidthOffset] = char(uchar(width));
        recordLength += width;
    }
    header[VersionOffset] = char(VersionDbase);
    stampDate(header, date);
    qToLittleEndian<quint32>(0, header + RecordCountOffset);
    qToLittleEndian<quint16>(quint16(headerLength), header + HeaderLengthOffset);
    qToLittleEndian<quint16>(quint16(recordLength), header + RecordLengthOffset);
    header[LanguageDriverOffset] = char(languageDriver);
    bytes[headerLength - 1] = HeaderTerminator;
    return bytes;
}

bool DbfTable::create(const QString &path, const QList<DbfFieldDef> &defs, CreateMode mode, unsigned char languageDriver)
{
    QByteArray bytes = headerBytes(defs, m_clock.now().date(), languageDriver);
    if (bytes.isEmpty())
        return fail(Status::BadRecord, UiText(QStringLiteral("Ungültige Felddefinition.")));
    bytes += EndOfFile;

    const bool written = mode == CreateMode::Replace ? writeReplacing(path, bytes) : writeIfMissing(path, bytes);
    if (!written)
        return false;
    m_status = isOpen() ? Status::Ok : Status::NotOpen;
    return true;
}

bool DbfTable::writeReplacing(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return fail(Status::WriteFailed, UiText(QStringLiteral("Die Tabelle \"%1\" kann nicht angelegt werden: %2"))
                                             .arg(QDir::toNativeSeparators(path), file.errorString()));
    return true;
}

// Two instances starting at once may both find the table missing. The file is
// written aside and moved in only if no table has appeared meanwhile (the move
// never replaces), so a table the other instance already writes to survives.
bool DbfTable::writeIfMissing(const QString &path, const QByteArray &bytes)
{
    auto failed = [&](const QString &why) {
        return fail(Status::WriteFailed, UiText(QStringLiteral("Die Tabelle \"%1\" kann nicht angelegt werden: %2"))
                                             .arg(QDir::toNativeSeparators(path), why));
    };
    // Created with the ordinary permissions, so that others sharing the
    // folder can write to the table too.
    QFile file(path + QStringLiteral(".%1.new").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return failed(file.errorString());
    if (!writeFully(file, bytes)) {
        const QString why = file.errorString();
        // QFile::remove() keeps a file whose closing failed: removed by name.
        file.close();
        QFile::remove(file.fileName());
        return failed(why);
    }
    file.close();
    const QString why = NewFilePlacement::moveWithoutReplacing(file.fileName(), path);
    file.remove();
    return why.isEmpty() || QFileInfo::exists(path) ? true : failed(why);
}

std::shared_ptr<DbfLayout> DbfTable::parseHeader(const QByteArray &header, QString *reason)
{
    auto damaged = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return std::shared_ptr<DbfLayout>();
    };
    if (header.size() < HeaderSize)
        return damaged(UiText(QStringLiteral("Der Dateikopf ist unvollständig.")));
    const char *bytes = header.constData();
    if ((uchar(bytes[VersionOffset]) & VersionMask) != VersionDbase)
        return damaged(UiText(QStringLiteral("Die Datei ist keine dBase-Tabelle.")));
    const int headerLength = qFromLittleEndian<quint16>(bytes + HeaderLengthOffset);
    const int recordLength = qFromLittleEndian<quint16>(bytes + RecordLengthOffset);
    const int descriptorCount = (headerLength - HeaderSize) / DescriptorSize;
    if (headerLength < HeaderSize + DescriptorSize + 1 || recordLength < 2 || descriptorCount > DbfRecord::MaxFields)
        return damaged(UiText(QStringLiteral("Der Dateikopf ist beschädigt.")));
    if (header.size() < headerLength)
        return damaged(UiText(QStringLiteral("Der Dateikopf ist unvollständig.")));

    auto layout = std::make_shared<DbfLayout>();
    const unsigned char driver = uchar(bytes[LanguageDriverOffset]);
    layout->codePage = &codePageForDriver(driver);
    layout->gateThroughAnsi = layout->codePage != &CodePage::windows1252();
    layout->headerLength = headerLength;
    layout->recordLength = recordLength;
    int offset = 1;
    for (int i = 0; i < descriptorCount; ++i) {
        const char *descriptor = bytes + HeaderSize + i * DescriptorSize;
        // Some writers pad the header; the terminator marks the real end.
        if (*descriptor == HeaderTerminator)
            break;
        const qsizetype nameLength = qstrnlen(descriptor, DescriptorNameSize);
        if (nameLength == 0)
            return damaged(UiText(QStringLiteral("Ein Feld der Tabelle hat keinen Namen.")));
        const auto type = fieldTypeOf(descriptor[DescriptorTypeOffset]);
        if (!type)
            return damaged(UiText(QStringLiteral("Die Tabelle enthält einen Feldtyp, der nicht unterstützt wird.")));
        DbfField field;
        field.name = layout->codePage->decode(descriptor, nameLength);
        field.type = *type;
        field.width = uchar(descriptor[DescriptorWidthOffset]);
        field.offset = offset;
        if (field.width == 0)
            return damaged(UiText(QStringLiteral("Der Dateikopf ist beschädigt.")));
        offset += field.width;
        layout->fields.append(field);
        if (descriptor + DescriptorSize < bytes + headerLength && descriptor[DescriptorSize] == HeaderTerminator)
            break;
    }
    if (layout->fields.isEmpty() || offset > recordLength)
        return damaged(UiText(QStringLiteral("Der Dateikopf ist beschädigt.")));
    return layout;
}

bool DbfTable::open(const QString &path, OpenMode mode)
{
    close();
    m_path = path;
    const QString nativePath = QDir::toNativeSeparators(path);
    // "Missing" only when the directory says so: a directory that may not be
    // entered hides an existing table, and creating one there is no answer.
    std::error_code lookError;
    if (!std::filesystem::exists(std::filesystem::path(path.toStdWString()), lookError)) {
        if (lookError)
            return fail(Status::CannotOpen, UiText(QStringLiteral("Auf das Verzeichnis \"%1\" besteht kein Zugriff: %2"))
                                                .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()),
                                                     QString::fromLocal8Bit(lookError.message().c_str())));
        // Not shown to anyone: the caller creates the table. So the text is
        // not handed to the dictionary either.
        return fail(Status::NotFound, QStringLiteral("Die Tabelle \"%1\" gibt es nicht.").arg(nativePath));
    }

    m_readOnly = mode == OpenMode::ReadOnly;
    m_file.setFileName(path);
    const QIODevice::OpenMode flags = (m_readOnly ? QIODevice::ReadOnly : QIODevice::ReadWrite) | QIODevice::Unbuffered;
    // Held shared while open. An instance that replaces the file holds it
    // exclusively until the new file is in place: what was opened meanwhile
    // is then the old file, and the new one is opened instead.
    for (int attempt = 0;; ++attempt) {
        if (!m_file.open(flags))
            return fail(Status::CannotOpen, UiText(QStringLiteral("Die Tabelle \"%1\" kann nicht geöffnet werden: %2"))
                                                .arg(nativePath, m_file.errorString()));
        // Where the file system has no locks, the table is used without.
        if (waitForLock(OpenLockOffset, FileRegionLock::Kind::Shared) == FileRegionLock::Result::Busy) {
            m_file.close();
            return false;
        }
        if (attempt == 3 || !isReplaced())
            break;
        m_file.close();
    }

    auto damaged = [&](const QString &reason) {
        m_file.close();
        return fail(Status::Damaged, UiText(QStringLiteral("Die Tabelle \"%1\" ist beschädigt: %2")).arg(nativePath, reason));
    };
    QByteArray header = m_file.read(HeaderSize);
    if (header.size() == HeaderSize) {
        const int headerLength = qFromLittleEndian<quint16>(header.constData() + HeaderLengthOffset);
        if (headerLength > HeaderSize)
            header += m_file.read(headerLength - HeaderSize);
    }
    QString reason;
    std::shared_ptr<DbfLayout> layout = parseHeader(header, &reason);
    if (!layout)
        return damaged(reason);
    m_fileLength = m_file.size();
    if (m_fileLength < layout->headerLength)
        return damaged(UiText(QStringLiteral("Die Datei ist kürzer als ihr Dateikopf.")));

    m_layout = layout;
    m_languageDriver = uchar(header.at(LanguageDriverOffset));
    m_recordCount = recordsInLength(m_fileLength);
    m_status = Status::Ok;
    m_errorString.clear();
    // The length is the truth: a trailing 0x1A or a record cut short by a
    // crash does not count. A wrong count in the header is put right.
    const quint32 storedCount = qFromLittleEndian<quint32>(header.constData() + RecordCountOffset);
    if (storedCount != m_recordCount && mode == OpenMode::ReadWrite && lockHeader()) {
        writeRecordCount(m_recordCount);
        unlockHeader();
    }
    if (!collectLiveRecords(1, m_recordCount)) {
        const QString why = m_errorString;
        close();
        return fail(Status::CannotOpen, why);
    }
    m_current = DbfRecord(m_layout);
    first();
    if (m_observer)
        m_observer->tableReset();
    return true;
}

void DbfTable::close()
{
    while (m_headerLockDepth > 0)
        unlockHeader();
    if (m_file.isOpen())
        FileRegionLock::unlock(m_file, OpenLockOffset, 1);
    m_file.close();
    m_layout.reset();
    m_live.clear();
    m_filteredRows.clear();
    m_recordCount = 0;
    m_fileLength = 0;
    m_row = -1;
    m_eof = m_bof = true;
    m_current = DbfRecord();
    m_cache.clear();
    invalidateCache();
    m_readOnly = false;
    m_status = Status::NotOpen;
    if (m_observer)
        m_observer->tableReset();
}

bool DbfTable::takeForItself()
{
    if (!m_layout)
        return fail(Status::NotOpen, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    using FileRegionLock::Kind;
#ifdef Q_OS_WIN
    // LockFileEx turns no shared lock into an exclusive one.
    FileRegionLock::unlock(m_file, OpenLockOffset, 1);
#endif
    // Not waited for: another instance keeps the table open for hours.
    if (FileRegionLock::lock(m_file, OpenLockOffset, 1, Kind::Exclusive, {}) != FileRegionLock::Result::Busy)
        return true;
#ifdef Q_OS_WIN
    FileRegionLock::lock(m_file, OpenLockOffset, 1, Kind::Shared, {});
#endif
    return fail(Status::Locked, UiText(QStringLiteral("Sie ist an einem anderen Arbeitsplatz oder in einem anderen "
                                                      "Programm geöffnet. Bitte schließen Sie sie dort und starten "
                                                      "Sie Tagwerk neu.")));
}

bool DbfTable::isReplaced() const
{
    if (!m_file.isOpen())
        return false;
    const std::optional<FileIdentity> open = identityOf(m_file);
    const std::optional<FileIdentity> named = identityOf(m_path);
    return open && named && *open != *named;
}

// --- reading --------------------------------------------------------------------

quint32 DbfTable::recordsInLength(qint64 fileLength) const
{
    if (!m_layout || fileLength <= m_layout->headerLength)
        return 0;
    return quint32((fileLength - m_layout->headerLength) / m_layout->recordLength);
}

qint64 DbfTable::recordOffset(quint32 recordNumber) const
{
    return m_layout->headerLength + qint64(recordNumber - 1) * m_layout->recordLength;
}

bool DbfTable::readRecords(quint32 firstRecord, quint32 count, QByteArray &buffer)
{
    const qint64 length = qint64(count) * m_layout->recordLength;
    buffer.resize(length);
    const bool faulted = m_readFault && m_readFault();
    if (faulted || !m_file.seek(recordOffset(firstRecord)) || m_file.read(buffer.data(), length) != length) {
        const QString why = faulted ? QString::fromLocal8Bit(std::strerror(EIO)) : m_file.errorString();
        return fail(Status::CannotOpen, UiText(QStringLiteral("Die Tabelle \"%1\" kann nicht gelesen werden: %2"))
                                            .arg(QDir::toNativeSeparators(m_path), why));
    }
    return true;
}

bool DbfTable::collectLiveRecords(quint32 firstRecord, quint32 lastRecord)
{
    const quint32 perBlock = quint32(std::max<qint64>(1, CacheBytes / m_layout->recordLength));
    const size_t known = m_live.size();
    QByteArray buffer;
    for (quint32 start = firstRecord; start <= lastRecord && start != 0; start += perBlock) {
        const quint32 count = std::min(perBlock, lastRecord - start + 1);
        if (!readRecords(start, count, buffer)) {
            m_live.resize(known); // no list that silently ends early
            return false;
        }
        const char *flag = buffer.constData();
        for (quint32 i = 0; i < count; ++i, flag += m_layout->recordLength) {
            if (*flag != DeletedFlag)
                m_live.push_back(start + i);
        }
    }
    return !m_filtered || rebuildFilteredRows();
}

bool DbfTable::readRecord(quint32 recordNumber, DbfRecord &out)
{
    if (!m_layout || recordNumber == 0 || recordNumber > m_recordCount)
        return false;
    if (recordNumber < m_cacheFirst || recordNumber >= m_cacheFirst + m_cacheCount) {
        // Reading on from the cached block is a scan and gets a large block;
        // a jump elsewhere (a sorted listing, a grid scrolled far) a small one.
        const bool scanning = m_cacheCount > 0 && recordNumber == m_cacheFirst + m_cacheCount;
        const qint64 blockBytes = scanning || m_cacheCount == 0 ? CacheBytes : JumpBytes;
        const quint32 perBlock = quint32(std::max<qint64>(1, blockBytes / m_layout->recordLength));
        const quint32 first = (recordNumber - 1) / perBlock * perBlock + 1;
        const quint32 count = std::min(perBlock, m_recordCount - first + 1);
        invalidateCache();
        if (!readRecords(first, count, m_cache))
            return false;
        m_cacheFirst = first;
        m_cacheCount = count;
    }
    if (out.m_layout != m_layout) {
        out.m_layout = m_layout;
        out.m_bytes.resize(m_layout->recordLength);
    }
    const char *source = m_cache.constData() + qint64(recordNumber - m_cacheFirst) * m_layout->recordLength;
    std::memcpy(out.m_bytes.data(), source, size_t(m_layout->recordLength));
    out.m_recordNumber = recordNumber;
    out.m_changed.reset();
    return true;
}

bool DbfTable::scan(const RecordVisitor &visit)
{
    DbfRecord record;
    // By index: the visitor may append, and the list of live records with it.
    for (size_t i = 0; i < m_live.size(); ++i) {
        if (!readRecord(m_live[i], record))
            return false;
        if (!visit(record))
            break;
    }
    return true;
}

bool DbfTable::readRow(int row, DbfRecord &out)
{
    if (row < 0 || row >= rowCount())
        return false;
    return readRecord(recordNumberAt(row), out);
}

int DbfTable::rowOfRecord(quint32 recordNumber) const
{
    const auto &list = rows();
    const auto it = std::lower_bound(list.begin(), list.end(), recordNumber);
    if (it == list.end() || *it != recordNumber)
        return -1;
    return int(it - list.begin());
}

// --- cursor ---------------------------------------------------------------------

bool DbfTable::first()
{
    refresh();
    m_bof = true;
    m_eof = rowCount() == 0;
    m_row = m_eof ? -1 : 0;
    return !m_eof;
}

bool DbfTable::last()
{
    refresh();
    m_eof = true;
    m_bof = rowCount() == 0;
    m_row = rowCount() - 1;
    return m_row >= 0;
}

bool DbfTable::next()
{
    if (m_row + 1 < rowCount()) {
        ++m_row;
        m_bof = false;
        return true;
    }
    m_eof = true;
    return false;
}

bool DbfTable::prior()
{
    if (m_row > 0 && m_row <= rowCount()) {
        --m_row;
        m_eof = false;
        return true;
    }
    m_bof = true;
    return false;
}

bool DbfTable::setCurrentRow(int row)
{
    if (row < 0 || row >= rowCount())
        return false;
    m_row = row;
    m_eof = m_bof = false;
    return true;
}

const DbfRecord &DbfTable::current()
{
    static const DbfRecord none;
    if (m_row < 0 || m_row >= rowCount())
        return none;
    const quint32 number = recordNumberAt(m_row);
    if (m_current.recordNumber() != number || m_cacheCount == 0 || number < m_cacheFirst
        || number >= m_cacheFirst + m_cacheCount) {
        if (!readRecord(number, m_current))
            return none;
    }
    return m_current;
}

void DbfTable::clampCursor()
{
    if (m_row >= rowCount())
        m_row = rowCount() - 1;
    m_current = DbfRecord(m_layout);
}

// --- writing --------------------------------------------------------------------

bool DbfTable::requireWritable()
{
    if (!m_layout)
        return fail(Status::NotOpen, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    if (m_readOnly)
        return fail(Status::ReadOnly, UiText(QStringLiteral("Die Tabelle \"%1\" ist nur zum Lesen geöffnet."))
                                          .arg(QDir::toNativeSeparators(m_path)));
    return true;
}

bool DbfTable::lockHeader()
{
    if (!m_layout)
        return fail(Status::NotOpen, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    if (m_headerLockDepth == 0) {
        if (!lockRegion(HeaderLockOffset))
            return false;
        // Never a write to a file that nobody reads any more.
        if (isReplaced()) {
            FileRegionLock::unlock(m_file, HeaderLockOffset, 1);
            const QString path = m_path;
            if (!open(path, m_readOnly ? OpenMode::ReadOnly : OpenMode::ReadWrite) || !lockRegion(HeaderLockOffset))
                return false;
        }
    }
    ++m_headerLockDepth;
    return true;
}

void DbfTable::unlockHeader()
{
    if (m_headerLockDepth == 0)
        return;
    if (--m_headerLockDepth == 0)
        FileRegionLock::unlock(m_file, HeaderLockOffset, 1);
}

// Waits for the lock no longer than m_lockWait at a time: a PC that crashed
// while holding it keeps it until its network session times out, and the
// person waiting is asked whether to wait on. Busy when they said no (the
// status then says Locked).
FileRegionLock::Result DbfTable::waitForLock(qint64 offset, FileRegionLock::Kind kind)
{
    for (;;) {
        const FileRegionLock::Result result = FileRegionLock::lock(m_file, offset, 1, kind, m_lockWait);
        if (result != FileRegionLock::Result::Busy)
            return result;
        const QString busy =
            UiText(QStringLiteral("Die Datei \"%1\" ist von einem anderen Arbeitsplatz oder Programm gesperrt."))
                .arg(QDir::toNativeSeparators(m_path));
        if (!m_lockBusy || !m_lockBusy(busy)) {
            fail(Status::Locked, busy);
            return result;
        }
    }
}

bool DbfTable::lockRegion(qint64 offset)
{
    switch (waitForLock(offset, FileRegionLock::Kind::Exclusive)) {
    case FileRegionLock::Result::Locked:
        return true;
    case FileRegionLock::Result::Busy:
        return false;
    case FileRegionLock::Result::Failed:
        break;
    }
    return fail(Status::WriteFailed, UiText(QStringLiteral("Die Tabelle \"%1\" kann nicht gesperrt werden."))
                                         .arg(QDir::toNativeSeparators(m_path)));
}

bool DbfTable::lockRecord(quint32 recordNumber)
{
    if (!m_layout)
        return fail(Status::NotOpen, UiText(QStringLiteral("Die Tabelle ist nicht geöffnet.")));
    return lockRegion(HeaderLockOffset + recordNumber);
}

void DbfTable::unlockRecord(quint32 recordNumber)
{
    if (m_layout)
        FileRegionLock::unlock(m_file, HeaderLockOffset + recordNumber, 1);
}

// The header up to the end of the change counter, as the last write left it.
bool DbfTable::readHead(char *head)
{
    constexpr qint64 length = ChangeCounterOffset + 4;
    return m_file.seek(0) && m_file.read(head, length) == length;
}

std::optional<quint32> DbfTable::changeCounter()
{
    char head[ChangeCounterOffset + 4];
    if (!m_layout || !readHead(head))
        return std::nullopt;
    return qFromLittleEndian<quint32>(head + ChangeCounterOffset);
}

// Under the header lock, before an update or deletion writes its record: a
// crash in between then leaves a counter that says "changed" rather than a
// change that nobody is told of.
bool DbfTable::raiseChangeCounter()
{
    const std::optional<quint32> counter = changeCounter();
    if (!counter)
        return false;
    m_counterBeforeWrite = *counter;
    char bytes[4];
    qToLittleEndian<quint32>(*counter + 1, bytes);
    return m_file.seek(ChangeCounterOffset) && m_file.write(bytes, 4) == 4;
}

void DbfTable::announceChange(const DbfRecord *before, const DbfRecord *after)
{
    if (m_observer)
        m_observer->recordChanged(before, after);
}

bool DbfTable::journalRefuses(const DbfRecord *before, const DbfRecord *after)
{
    QString refusal;
    if (!m_journal || m_journal->recordChanging(before, after, refusal))
        return false;
    fail(Status::WriteFailed, refusal);
    return true;
}

bool DbfTable::writeRecordCount(quint32 count)
{
    char bytes[4];
    qToLittleEndian<quint32>(count, bytes);
    return m_file.seek(RecordCountOffset) && m_file.write(bytes, 4) == 4;
}

bool DbfTable::append(DbfRecord &record)
{
    if (!requireWritable())
        return false;
    if (!record.isValid() || record.m_bytes.size() != m_layout->recordLength)
        return fail(Status::BadRecord, UiText(QStringLiteral("Der Datensatz passt nicht zur Tabelle.")));
    if (!lockHeader())
        return false;
    struct Unlock { DbfTable *table; ~Unlock() { table->unlockHeader(); } } unlock{this};
    // The lock may have opened a file put in the table's place.
    if (record.m_bytes.size() != m_layout->recordLength)
        return fail(Status::BadRecord, UiText(QStringLiteral("Der Datensatz passt nicht zur Tabelle.")));

    // Under the lock the file length is the record count: another instance may
    // have appended since we last looked.
    const qint64 length = m_file.size();
    const quint32 count = recordsInLength(length);
    if (count < m_recordCount) {
        m_recordCount = count;
        if (!reload())
            return false;
    } else if (count > m_recordCount) {
        const quint32 known = m_recordCount;
        m_recordCount = count;
        if (!collectLiveRecords(known + 1, count)) {
            m_recordCount = known; // read again next time
            return false;
        }
    }

    // The record and the end mark go first, in one write, and the header after
    // them: a crash in between leaves a file whose length still tells the
    // count, and a record cut short by a crash is not counted.
    char head[ChangeCounterOffset + 4];
    if (!readHead(head))
        return fail(Status::WriteFailed, UiText(QStringLiteral("Der Datensatz kann nicht in \"%1\" geschrieben werden: %2"))
                                             .arg(QDir::toNativeSeparators(m_path), m_file.errorString()));
    const qint64 offset = recordOffset(count + 1);
    QByteArray bytes = record.m_bytes;
    bytes[0] = LiveFlag;
    {
        DbfRecord appended(m_layout);
        appended.m_bytes = bytes;
        appended.m_recordNumber = count + 1;
        if (journalRefuses(nullptr, &appended))
            return false;
    }
    bytes.append(EndOfFile);
    if (!m_file.seek(offset) || !writeFully(m_file, bytes)) {
        const QString why = m_file.errorString();
        m_file.resize(offset);
        if (m_file.seek(offset))
            m_file.write(&EndOfFile, 1);
        invalidateCache();
        if (m_journal)
            m_journal->changeNotMade();
        return fail(Status::WriteFailed, UiText(QStringLiteral("Der Datensatz kann nicht in \"%1\" geschrieben werden: %2"))
                                             .arg(QDir::toNativeSeparators(m_path), why));
    }
    // Date, count and change counter in one write; the bytes between them
    // go back as they were read.
    m_counterBeforeWrite = qFromLittleEndian<quint32>(head + ChangeCounterOffset);
    stampDate(head, m_clock.now().date());
    qToLittleEndian<quint32>(count + 1, head + RecordCountOffset);
    qToLittleEndian<quint32>(m_counterBeforeWrite + 1, head + ChangeCounterOffset);
    if (m_file.seek(UpdateYearOffset))
        m_file.write(head + UpdateYearOffset, sizeof(head) - UpdateYearOffset);

    m_recordCount = count + 1;
    m_fileLength = m_file.size();
    invalidateCache();
    record.m_bytes[0] = LiveFlag;
    record.m_recordNumber = m_recordCount;
    record.m_changed.reset();
    m_live.push_back(m_recordCount);
    if (m_filtered && (!m_filter || m_filter(record)))
        m_filteredRows.push_back(m_recordCount);
    m_status = Status::Ok;
    announceChange(nullptr, &record);
    return true;
}

bool DbfTable::update(DbfRecord &record)
{
    if (!requireWritable())
        return false;
    const quint32 number = record.recordNumber();
    if (record.m_layout != m_layout || number == 0 || number > m_recordCount)
        return fail(Status::BadRecord, UiText(QStringLiteral("Der Datensatz passt nicht zur Tabelle.")));
    if (!lockHeader())
        return false;
    struct Unlock { DbfTable *table; ~Unlock() { table->unlockHeader(); } } unlock{this};
    // A file put in the table's place was opened by the lock: the number
    // may name another record there.
    if (record.m_layout != m_layout)
        return fail(Status::BadRecord, UiText(QStringLiteral("Der Datensatz passt nicht zur Tabelle.")));
    const qint64 offset = recordOffset(number);
    const int length = m_layout->recordLength;
    if (!lockRecord(number))
        return false;
    // Merge our changed fields into the record as it is on disk now, so that a
    // field another instance changed meanwhile is not written back stale.
    QByteArray onDisk(length, Qt::Uninitialized);
    bool ok = m_file.seek(offset) && m_file.read(onDisk.data(), length) == length;
    const QByteArray previous = onDisk;
    if (ok) {
        for (int pos = 0; pos < m_layout->fields.size(); ++pos) {
            if (!record.isChanged(pos))
                continue;
            const DbfField &field = m_layout->fields.at(pos);
            std::memcpy(onDisk.data() + field.offset, record.m_bytes.constData() + field.offset, size_t(field.width));
        }
    }
    DbfRecord before(m_layout);
    before.m_bytes = previous;
    before.m_recordNumber = number;
    DbfRecord after(m_layout);
    after.m_bytes = onDisk;
    after.m_recordNumber = number;
    if (ok && journalRefuses(&before, &after)) {
        unlockRecord(number);
        return false;
    }
    if (ok) {
        ok = raiseChangeCounter() && m_file.seek(offset) && writeFully(m_file, onDisk);
        if (!ok && m_journal)
            m_journal->changeNotMade();
    }
    const QString why = m_file.errorString();
    unlockRecord(number);
    invalidateCache();
    if (!ok)
        return fail(Status::WriteFailed, UiText(QStringLiteral("Der Datensatz kann nicht in \"%1\" geschrieben werden: %2"))
                                             .arg(QDir::toNativeSeparators(m_path), why));
    record.m_bytes = onDisk;
    record.m_changed.reset();
    if (m_current.recordNumber() == number)
        m_current = record;
    m_status = Status::Ok;
    announceChange(&before, &record);
    return true;
}

bool DbfTable::markDeleted(quint32 number)
{
    if (!requireWritable())
        return false;
    if (number == 0 || number > m_recordCount)
        return fail(Status::BadRecord, UiText(QStringLiteral("Der Datensatz passt nicht zur Tabelle.")));
    const std::shared_ptr<const DbfLayout> layout = m_layout;
    if (!lockHeader())
        return false;
    struct Unlock { DbfTable *table; ~Unlock() { table->unlockHeader(); } } unlock{this};
    if (m_layout != layout) // a file put in the table's place: see update()
        return fail(Status::BadRecord, UiText(QStringLiteral("Der Datensatz passt nicht zur Tabelle.")));
    const qint64 offset = recordOffset(number);
    if (!lockRecord(number))
        return false;
    DbfRecord before(m_layout);
    before.m_recordNumber = number;
    const bool readBefore = m_file.seek(offset) && m_file.read(before.m_bytes.data(), m_layout->recordLength) == m_layout->recordLength;
    if (m_journal) {
        // A deletion the journal cannot describe is not made.
        if (!readBefore) {
            const QString why = m_file.errorString();
            unlockRecord(number);
            return fail(Status::WriteFailed, UiText(QStringLiteral("Die Tabelle \"%1\" kann nicht gelesen werden: %2"))
                                                 .arg(QDir::toNativeSeparators(m_path), why));
        }
        if (journalRefuses(&before, nullptr)) {
            unlockRecord(number);
            return false;
        }
    }
    const bool ok = raiseChangeCounter() && m_file.seek(offset) && m_file.write(&DeletedFlag, 1) == 1;
    if (!ok && m_journal)
        m_journal->changeNotMade();
    const QString why = m_file.errorString();
    unlockRecord(number);
    invalidateCache();
    if (!ok)
        return fail(Status::WriteFailed, UiText(QStringLiteral("Der Datensatz kann nicht in \"%1\" geschrieben werden: %2"))
                                             .arg(QDir::toNativeSeparators(m_path), why));
    for (auto *list : {&m_live, &m_filteredRows}) {
        const auto it = std::lower_bound(list->begin(), list->end(), number);
        if (it != list->end() && *it == number)
            list->erase(it);
    }
    clampCursor();
    m_status = Status::Ok;
    if (readBefore)
        announceChange(&before, nullptr);
    else if (m_observer)
        m_observer->tableReset();
    return true;
}

// --- filter and refresh -----------------------------------------------------------

bool DbfTable::setFilter(RowFilter filter)
{
    m_filter = std::move(filter);
    return !m_filtered || rebuildFilteredRows();
}

bool DbfTable::setFiltered(bool on)
{
    m_filtered = on;
    bool ok = true;
    if (on)
        ok = rebuildFilteredRows();
    else
        m_filteredRows.clear();
    m_row = rowCount() > 0 ? 0 : -1;
    m_eof = m_bof = rowCount() == 0;
    m_current = DbfRecord(m_layout);
    return ok;
}

void DbfTable::dropRow(int row)
{
    if (!m_filtered || row < 0 || row >= int(m_filteredRows.size()))
        return;
    m_filteredRows.erase(m_filteredRows.begin() + row);
    clampCursor();
}

// A failed read leaves no rows rather than some: a part would pass for all.
bool DbfTable::rebuildFilteredRows()
{
    m_filteredRows.clear();
    if (!m_layout)
        return true;
    if (!m_filter) {
        m_filteredRows = m_live;
        return true;
    }
    DbfRecord record(m_layout);
    for (quint32 number : m_live) {
        if (!readRecord(number, record)) {
            m_filteredRows.clear();
            return false;
        }
        if (m_filter(record))
            m_filteredRows.push_back(number);
    }
    return true;
}

bool DbfTable::refresh()
{
    if (!m_layout)
        return false;
    invalidateCache();
    const qint64 length = m_file.size();
    if (length == m_fileLength)
        return true;
    const quint32 count = recordsInLength(length);
    if (count < m_recordCount)
        return reload();
    const quint32 known = m_recordCount;
    if (count == known) {
        m_fileLength = length;
        return true;
    }
    // Until every new record is read, the table ends where it ended: a read
    // that fails leaves the rows as they were, and the next refresh tries again.
    const size_t liveBefore = m_live.size();
    const size_t filteredBefore = m_filteredRows.size();
    m_recordCount = count;
    bool ok = true;
    if (!m_filtered) {
        ok = collectLiveRecords(known + 1, count);
    } else {
        // Only the new records need the filter's verdict.
        m_filtered = false;
        ok = collectLiveRecords(known + 1, count);
        m_filtered = true;
        DbfRecord record(m_layout);
        for (size_t i = liveBefore; ok && i < m_live.size(); ++i) {
            ok = readRecord(m_live[i], record);
            if (ok && (!m_filter || m_filter(record)))
                m_filteredRows.push_back(m_live[i]);
        }
    }
    if (!ok) {
        m_live.resize(liveBefore);
        m_filteredRows.resize(filteredBefore);
        m_recordCount = known;
        invalidateCache();
        return false;
    }
    m_fileLength = length;
    return true;
}

bool DbfTable::reload()
{
    if (!m_layout)
        return false;
    invalidateCache();
    const qint64 length = m_file.size();
    const quint32 count = recordsInLength(length);
    std::vector<quint32> live;
    std::vector<quint32> filteredRows;
    live.swap(m_live);
    filteredRows.swap(m_filteredRows);
    const quint32 known = m_recordCount;
    m_recordCount = count;
    const bool ok = collectLiveRecords(1, count);
    if (ok) {
        m_fileLength = length;
    } else {
        // The rows as they were, and the next refresh reads again.
        m_live.swap(live);
        m_filteredRows.swap(filteredRows);
        m_recordCount = known;
        m_fileLength = -1;
        invalidateCache();
    }
    clampCursor();
    if (m_observer)
        m_observer->tableReset();
    return ok;
}
