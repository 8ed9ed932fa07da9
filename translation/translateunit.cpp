#include "translateunit.h"

#include <algorithm>

#include <QFile>
#include <QtEndian>

#include "ProgramTexts.h"
#include "base/Reporter.h"
#include "base/WholeFileSave.h"

namespace {

TranslationDictionary *s_global = nullptr;
int s_languageWithoutDictionary = TranslationDictionary::German;

const QString CorruptionMessage = QStringLiteral("The file translation.dat has been corrupted.");

QString trimControlsAndSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

TranslationDictionary::TranslationDictionary(Reporter &reporter, QString filePath)
    : m_reporter(reporter)
    , m_filePath(std::move(filePath))
    , m_table(sizeof(TranslationRow), reinterpret_cast<void **>(&m_row))
{
    m_table.buffersize = TableGrowth;
    for (auto &bucket : m_index)
        bucket = std::make_unique<TDynaArray>(sizeof(IndexEntry), reinterpret_cast<void **>(&m_entry));
}

TranslationDictionary::~TranslationDictionary()
{
    if (s_global == this)
        s_global = nullptr;
}

TranslationDictionary *TranslationDictionary::global()
{
    return s_global;
}

void TranslationDictionary::setGlobal(TranslationDictionary *dictionary)
{
    s_global = dictionary;
}

int TranslationDictionary::languageColumn() const
{
    return m_language >= 1 && m_language < Columns ? m_language : GermanChangedColumn;
}

void TranslationDictionary::clearTable()
{
    m_table.Clear();
    for (auto &bucket : m_index)
        bucket->Clear();
    m_texts.clear();
}

// --- loading and saving ---------------------------------------------------------

void TranslationDictionary::BuildTranslationIndex()
{
    clearTable();
    LoadTranslationFile();
    m_table.First();
    while (m_table.WhileNext()) {
        const quint32 key = m_row->text[GermanColumn];
        const QString &keyText = m_texts.at(key);
        if (keyText.isEmpty())
            continue;
        const qint32 row = m_table.aobjnr - 1;
        IndexEntry *entry = static_cast<IndexEntry *>(m_index[size_t(bucketOf(keyText))]->Add());
        entry->text = m_texts.add(keyText);
        entry->row = row;
    }
    for (int bucket = 0; bucket < Buckets; ++bucket) {
        const quint32 count = m_index[size_t(bucket)]->count;
        if (count > 0)
            SortIndexBucket(bucket, 0, qint32(count - 1));
    }
}

void TranslationDictionary::LoadTranslationFile()
{
    m_table.buffersize = TableGrowth;
    m_damagedUnsaved = false;
    m_damagedCopy.clear();
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return; // no dictionary yet: German, and the file grows as texts are met
    const QByteArray head = file.read(8);
    if (head.size() < 8) {
        file.close();
        keepDamagedFile();
        return;
    }
    const qint32 columns = qFromLittleEndian<qint32>(head.constData());
    const qint32 rows = qFromLittleEndian<qint32>(head.constData() + 4);
    // One read for the rest, parsed in memory.
    const QByteArray data = file.readAll();
    bool ok = false;
    try {
        ok = parse(data, columns, rows);
    } catch (const std::bad_alloc &) {
        ok = false;
    }
    if (!ok) {
        file.close();
        keepDamagedFile();
    }
}

// The next new key rewrites the file from the rows read so far, and every
// translation behind the damage would be gone; so the damaged bytes are kept
// beside it first, under a name no earlier copy holds. The message is the
// dictionary's own, in English: no language is chosen yet when it is read.
void TranslationDictionary::keepDamagedFile()
{
    QString copy = m_filePath + QStringLiteral(".damaged");
    for (int n = 2; QFile::exists(copy); ++n)
        copy = m_filePath + QStringLiteral(".damaged.%1").arg(n);
    if (QFile::copy(m_filePath, copy)) {
        m_damagedCopy = copy;
        m_reporter.error(CorruptionMessage + QStringLiteral("\nA copy of it was kept as \"%1\".").arg(copy));
    } else {
        m_damagedUnsaved = true;
        m_reporter.error(CorruptionMessage
                         + QStringLiteral("\nNo copy of it could be made, so it is left as it is: new texts are used but not stored."));
    }
}

// Reads `rows` rows of `columns` strings. Rows read before a fault stay, the
// last one possibly incomplete. A file without columns can hold no key; it is
// taken as damaged rather than read as millions of empty rows.
bool TranslationDictionary::parse(const QByteArray &data, qint32 columns, qint32 rows)
{
    if (columns < 0 || (columns == 0 && rows > 0))
        return false;
    const char *p = data.constData();
    const char *end = p + data.size();
    for (qint32 r = 0; r < rows; ++r) {
        TranslationRow *row = static_cast<TranslationRow *>(m_table.Add());
        for (qint32 c = 0; c < columns; ++c) {
            if (end - p < 4)
                return false;
            const qint32 length = qFromLittleEndian<qint32>(p);
            p += 4;
            if (length < 0 || (end - p) / 2 < length)
                return false;
            if (c < Columns && length > 0) {
                QString text(length, Qt::Uninitialized);
                qFromLittleEndian<quint16>(p, length, text.data());
                row->text[c] = m_texts.add(text);
            }
            p += qsizetype(length) * 2;
        }
    }
    return true;
}

bool TranslationDictionary::SaveTranslationFile()
{
    if (m_damagedUnsaved)
        return false; // the only copy of a damaged file's later rows
    // The file is built in memory and written in one go: rows are many and
    // mostly empty, and one write call per string would dominate.
    qsizetype size = 8;
    for (quint32 r = 0; r < m_table.count; ++r) {
        const auto *row = static_cast<const TranslationRow *>(m_table.GetObject(r));
        for (int c = 0; c < Columns; ++c)
            size += 4 + m_texts.at(row->text[c]).size() * 2;
    }
    QByteArray bytes(size, Qt::Uninitialized);
    char *out = bytes.data();
    auto putInt = [&out](qint32 value) {
        qToLittleEndian<qint32>(value, out);
        out += 4;
    };
    putInt(Columns);
    putInt(qint32(m_table.count));
    for (quint32 r = 0; r < m_table.count; ++r) {
        const auto *row = static_cast<const TranslationRow *>(m_table.GetObject(r));
        for (int c = 0; c < Columns; ++c) {
            const QString &text = m_texts.at(row->text[c]);
            putInt(qint32(text.size()));
            qToLittleEndian<quint16>(text.utf16(), text.size(), out);
            out += text.size() * 2;
        }
    }
    // Written aside and moved into place: a crash or a full disk leaves the old
    // file or the new one, never half of one.
    if (!WholeFileSave::save(m_filePath, bytes))
        return false;
    ++m_saves;
    return true;
}

// --- lookups --------------------------------------------------------------------

qint32 TranslationDictionary::findRow(const QString &key)
{
    TDynaArray &bucket = *m_index[size_t(bucketOf(key))];
    const auto *entries = static_cast<const IndexEntry *>(bucket.poi);
    for (quint32 i = 0; i < bucket.count; ++i) {
        if (m_texts.at(entries[i].text) == key) {
            bucket.GetObject(i);
            return entries[i].row;
        }
    }
    return -1;
}

void TranslationDictionary::addKey(const QString &key)
{
    TranslationRow *row = static_cast<TranslationRow *>(m_table.Add());
    row->text[GermanColumn] = m_texts.add(key);
    const qint32 rowIndex = qint32(m_table.count - 1);
    IndexEntry *entry = static_cast<IndexEntry *>(m_index[size_t(bucketOf(key))]->Add());
    entry->text = m_texts.add(key);
    entry->row = rowIndex;
    if (m_rowAdded)
        m_rowAdded(quint32(rowIndex));
}

QString TranslationDictionary::TranslateText(const QString &source)
{
    if (source.isEmpty())
        return source;
    qsizetype leading = 0;
    while (leading < source.size() && source.at(leading) == QLatin1Char(' '))
        ++leading;
    if (leading == source.size())
        return source;
    qsizetype trailing = 0;
    while (source.at(source.size() - 1 - trailing) == QLatin1Char(' '))
        ++trailing;
    const QString key = source.mid(leading, source.size() - leading - trailing);
    if (m_recorder)
        m_recorder(key);

    const qint32 row = findRow(key);
    if (row < 0) {
        if (m_registersNewKeys) {
            addKey(key);
            SaveTranslationFile();
        }
        return source;
    }
    m_table.GetObject(quint32(row));
    const QString &translation = m_texts.at(m_row->text[languageColumn()]);
    if (translation.isEmpty())
        return source;
    // The outer spaces come from the source, never from the translation.
    return QString(leading, QLatin1Char(' ')) + trimControlsAndSpaces(translation) + QString(trailing, QLatin1Char(' '));
}

QString TranslationDictionary::ProgramText(int n)
{
    if (n < 1 || n > ProgramTexts::Count)
        return {};
    return TranslateText(ProgramTexts::german(n));
}

void TranslationDictionary::RegisterProgramTexts()
{
    for (int n = 1; n <= ProgramTexts::Count; ++n)
        TranslateText(ProgramTexts::german(n));
}

void TranslationDictionary::SortIndexBucket(int bucketNumber, qint32 lo, qint32 hi)
{
    TDynaArray &bucket = *m_index[size_t(bucketNumber)];
    if (lo < 0 || hi < lo || quint32(hi) >= bucket.count)
        return;
    // The dictionary file travels between translators, so its key order is
    // input: a quicksort could be fed keys that cost a recursion level each.
    // A merge sort is O(n log n) whatever the order, and being stable it keeps
    // rows with the same key in table order, so a lookup finds the first.
    auto *entries = static_cast<IndexEntry *>(bucket.poi);
    std::stable_sort(entries + lo, entries + hi + 1, [this](const IndexEntry &a, const IndexEntry &b) {
        return QString::compare(m_texts.at(a.text), m_texts.at(b.text), Qt::CaseSensitive) < 0;
    });
}

// --- the editor's access ----------------------------------------------------------

QString TranslationDictionary::text(quint32 row, int column)
{
    if (row >= m_table.count || column < 0 || column >= Columns)
        return {};
    return m_texts.at(static_cast<const TranslationRow *>(m_table.GetObject(row))->text[column]);
}

void TranslationDictionary::setText(quint32 row, int column, const QString &text)
{
    if (row >= m_table.count || column < 0 || column >= Columns)
        return;
    TranslationRow *target = static_cast<TranslationRow *>(m_table.GetObject(row));
    target->text[column] = m_texts.replace(target->text[column], text);
}

void TranslationDictionary::DeleteRow(quint32 row)
{
    if (row >= m_table.count)
        return;
    const TranslationRow *doomed = static_cast<const TranslationRow *>(m_table.GetObject(row));
    for (int c = 0; c < Columns; ++c)
        m_texts.release(doomed->text[c]);
    m_table.Delete(qint32(row));
    for (auto &bucket : m_index) {
        for (qint32 i = qint32(bucket->count) - 1; i >= 0; --i) {
            IndexEntry *entry = static_cast<IndexEntry *>(bucket->GetObject(quint32(i)));
            if (entry->row == qint32(row)) {
                m_texts.release(entry->text);
                bucket->Delete(i);
            } else if (entry->row > qint32(row)) {
                --entry->row;
            }
        }
    }
}

int TranslationDictionary::keyCount()
{
    int keys = 0;
    for (quint32 r = 0; r < m_table.count; ++r)
        keys += static_cast<const TranslationRow *>(m_table.GetObject(r))->text[GermanColumn] != 0;
    return keys;
}

int TranslationDictionary::translatedCount(int column)
{
    if (column < 0 || column >= Columns)
        return 0;
    int translated = 0;
    for (quint32 r = 0; r < m_table.count; ++r) {
        const auto *row = static_cast<const TranslationRow *>(m_table.GetObject(r));
        translated += row->text[GermanColumn] != 0 && !m_texts.at(row->text[column]).trimmed().isEmpty();
    }
    return translated;
}

void TranslationDictionary::fillEmptyCells(const QString &source, const QString &english, const QString &spanish,
                                           int *cellsFilled, int *rowsAdded)
{
    qsizetype begin = 0;
    qsizetype end = source.size();
    while (begin < end && source.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && source.at(end - 1) == QLatin1Char(' '))
        --end;
    const QString key = source.mid(begin, end - begin);
    if (key.isEmpty())
        return; // a key of blanks is never looked up
    qint32 row = findRow(key);
    if (row < 0) {
        addKey(key);
        row = qint32(m_table.count - 1);
        ++*rowsAdded;
    }
    const int columns[] = {EnglishColumn, SpanishColumn};
    const QString *texts[] = {&english, &spanish};
    for (int i = 0; i < 2; ++i) {
        if (texts[i]->isEmpty() || !text(quint32(row), columns[i]).isEmpty())
            continue;
        setText(quint32(row), columns[i], *texts[i]);
        ++*cellsFilled;
    }
}

void TranslationDictionary::importCells(const QString &key, const QString &english, const QString &spanish,
                                        int *cellsChanged, int *rowsAdded)
{
    if (key.isEmpty())
        return;
    qint32 row = findRow(key);
    if (row < 0) {
        addKey(key);
        row = qint32(m_table.count - 1);
        ++*rowsAdded;
    }
    const int columns[] = {EnglishColumn, SpanishColumn};
    const QString *texts[] = {&english, &spanish};
    for (int i = 0; i < 2; ++i) {
        if (texts[i]->isEmpty() || text(quint32(row), columns[i]) == *texts[i])
            continue;
        setText(quint32(row), columns[i], *texts[i]);
        ++*cellsChanged;
    }
}

// --- the program's way in ----------------------------------------------------------

QString TranslateText(const QString &source)
{
    TranslationDictionary *dictionary = TranslationDictionary::global();
    return dictionary ? dictionary->TranslateText(source) : source;
}

QString ProgramText(int n)
{
    TranslationDictionary *dictionary = TranslationDictionary::global();
    return dictionary ? dictionary->ProgramText(n) : ProgramTexts::german(n);
}

int CurrentLanguage()
{
    TranslationDictionary *dictionary = TranslationDictionary::global();
    return dictionary ? dictionary->CurrentLanguage() : s_languageWithoutDictionary;
}

void SetCurrentLanguage(int language)
{
    if (TranslationDictionary *dictionary = TranslationDictionary::global())
        dictionary->setCurrentLanguage(language);
    else
        s_languageWithoutDictionary = language;
}
