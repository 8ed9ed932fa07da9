#pragma once

#include <array>
#include <functional>
#include <memory>

#include <QString>

#include "TextPool.h"
#include "korvald.h"

class Reporter;

// The translation dictionary. Every text the program shows is written in
// German and is its own key; TranslateText looks it up and returns the text
// of the current language. A key not yet in the table is added on the spot
// with empty translations and the file "translate.dat" is rewritten at once,
// so the file gathers every text the program has ever shown.
//
// The table is a TDynaArray of rows of thirty text references; the index is
// 256 buckets keyed by the low 8 bits of a key's first UTF-16 code unit,
// searched linearly in stored order.
class TranslationDictionary
{
public:
    static constexpr int Columns = 30;
    static constexpr int GermanColumn = 0;
    static constexpr int EnglishColumn = 1;
    static constexpr int SpanishColumn = 2;
    static constexpr int GermanChangedColumn = 3;
    static constexpr int Buckets = 256;
    static constexpr quint32 TableGrowth = 100000;

    enum Language { English = 1, Spanish = 2, German = 3 };

    struct TranslationRow
    {
        quint32 text[Columns]; // TextPool ids; 0 is empty
    };
    struct IndexEntry
    {
        quint32 text; // a copy of the key, owned by the entry
        qint32 row;
    };
    static_assert(sizeof(TranslationRow) == 120);
    static_assert(sizeof(IndexEntry) == 8);

    // `filePath` is the full path of "translate.dat".
    TranslationDictionary(Reporter &reporter, QString filePath);
    ~TranslationDictionary();
    TranslationDictionary(const TranslationDictionary &) = delete;
    TranslationDictionary &operator=(const TranslationDictionary &) = delete;

    QString filePath() const { return m_filePath; }

    void BuildTranslationIndex();
    void LoadTranslationFile();
    // Replaces the file whole; false (and nothing said) when it cannot be written.
    // A file that was read as damaged is never replaced before its bytes are
    // kept aside (see damagedCopyPath()).
    bool SaveTranslationFile();
    // Where the bytes of a file read as damaged were kept; empty when the
    // file read was sound (or no copy could be made, and then it is never
    // written over in this run).
    QString damagedCopyPath() const { return m_damagedCopy; }
    // How many times the file was written in this run.
    int savesWritten() const { return m_saves; }
    QString TranslateText(const QString &source);
    // Text n (1..51) in the current language; any other n gives the empty text.
    QString ProgramText(int n);
    void RegisterProgramTexts();
    void SortIndexBucket(int bucket, qint32 lo, qint32 hi);

    int CurrentLanguage() const { return m_language; }
    void setCurrentLanguage(int language) { m_language = language; }
    // The table column the current language reads: a number outside 1..29
    // never selects a column outside a row; it reads German.
    int languageColumn() const;

    // For the editor: the table by row and column, and row deletion with the
    // repair of the index.
    quint32 rowCount() const { return m_table.count; }
    QString text(quint32 row, int column);
    void setText(quint32 row, int column, const QString &text);
    void DeleteRow(quint32 row);
    // Rows whose column is filled, among rows that have a key.
    int translatedCount(int column);
    int keyCount();

    // Shipped translations for `key`: a key not in the table is added as a
    // new row; of a row already there only empty English and Spanish cells
    // are filled, so nothing a translator typed is replaced. Adds to
    // `cellsFilled` and `rowsAdded`; the file is not written.
    void fillEmptyCells(const QString &key, const QString &english, const QString &spanish, int *cellsFilled,
                        int *rowsAdded);

    // A translator's file coming back: the row of `key` (exactly as the file
    // has it) takes every English and Spanish cell the file fills, and a key
    // the table lacks is added. Cells the file leaves empty stay as they are.
    // Adds to `cellsChanged` and `rowsAdded`; the file is not written.
    void importCells(const QString &key, const QString &english, const QString &spanish, int *cellsChanged,
                     int *rowsAdded);
    // Off: a key not in the table comes back as it is, and neither the table
    // nor the file changes (for tagwerk-cli, which only reads the dictionary).
    void setRegistersNewKeys(bool registers) { m_registersNewKeys = registers; }
    // Called with every key TranslateText is asked for (outer blanks
    // stripped), found or not; for tests that collect what the program shows.
    void setLookupRecorder(std::function<void(const QString &key)> recorder) { m_recorder = std::move(recorder); }
    // Called after a row was appended to the table (a new key), so a view of
    // the table can follow.
    void setRowAddedObserver(std::function<void(quint32 row)> observer) { m_rowAdded = std::move(observer); }

    TDynaArray &TranslationTable() { return m_table; }
    TDynaArray &TranslationIndex(int bucket) { return *m_index[size_t(bucket)]; }

    // The process-wide dictionary the free functions below use; null until
    // the program installs one.
    static TranslationDictionary *global();
    static void setGlobal(TranslationDictionary *dictionary);

private:
    static int bucketOf(const QString &key) { return key.at(0).unicode() & 0xFF; }
    qint32 findRow(const QString &key);
    void addKey(const QString &key);
    void clearTable();
    bool parse(const QByteArray &data, qint32 columns, qint32 rows);
    void keepDamagedFile();

    Reporter &m_reporter;
    QString m_filePath;
    TextPool m_texts;
    int m_language = German;
    int m_saves = 0;
    bool m_registersNewKeys = true;
    bool m_damagedUnsaved = false; // read as damaged, and no copy of it could be kept
    QString m_damagedCopy;
    std::function<void(const QString &)> m_recorder;
    std::function<void(quint32)> m_rowAdded;

    TranslationRow *m_row = nullptr; // the table's mirror
    TDynaArray m_table;
    IndexEntry *m_entry = nullptr; // the mirror all buckets share
    std::array<std::unique_ptr<TDynaArray>, Buckets> m_index;
};

// The program's way in: these use the global dictionary, and with none
// installed give the German text back unchanged.
QString TranslateText(const QString &source);
QString ProgramText(int n);
int CurrentLanguage();
void SetCurrentLanguage(int language);
