#include "EvaluationReport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include <QBuffer>
#include <QSet>

#include "BookedWork.h"
#include "ReportCsvWriter.h"
#include "storage/CodePage.h"
#include "recording/PresetTexts.h"
#include "storage/DateTimeText.h"
#include "storage/RecordTable.h"
#include "storage/WorkTimeTables.h"

namespace EvaluationReport {

namespace {

// What a column shows of a record.
enum class Value { Datum, Arbeiter, Ort, Taetigkeit, Von, Bis, Overnight, Pause, Bemerkungen };

struct ColumnSpec
{
    int header; // program text
    int minimumWidth;
    Value value;
};

constexpr int SecondsPerDay = 24 * 60 * 60;

// Columns of each evaluation, left to right; the break column is shown only
// with the break option, the remarks are never padded in record lines.
std::vector<ColumnSpec> columnsOf(Kind kind)
{
    switch (kind) {
    case Kind::Employee:
        return {{36, 10, Value::Datum}, {37, 25, Value::Ort}, {38, 35, Value::Taetigkeit}, {39, 5, Value::Von},
                {40, 5, Value::Bis},    {41, 12, Value::Overnight}, {35, 5, Value::Pause}, {42, 11, Value::Bemerkungen}};
    case Kind::Place:
        return {{36, 10, Value::Datum}, {43, 25, Value::Arbeiter}, {38, 35, Value::Taetigkeit}, {39, 5, Value::Von},
                {40, 5, Value::Bis},    {35, 5, Value::Pause},      {42, 11, Value::Bemerkungen}};
    case Kind::Activity:
        return {{36, 10, Value::Datum}, {43, 30, Value::Arbeiter}, {37, 30, Value::Ort}, {39, 5, Value::Von},
                {40, 5, Value::Bis},    {35, 5, Value::Pause},      {42, 11, Value::Bemerkungen}};
    case Kind::Period:
    case Kind::PeriodByPlace:
        break;
    }
    return {{36, 10, Value::Datum}, {43, 25, Value::Arbeiter}, {37, 25, Value::Ort}, {38, 35, Value::Taetigkeit},
            {39, 5, Value::Von},    {40, 5, Value::Bis},        {41, 12, Value::Overnight}, {35, 5, Value::Pause},
            {42, 11, Value::Bemerkungen}};
}

// The table field behind a column's value; the overnight column shows a
// text of its own for a true Auswaerts.
int fieldOf(Value value)
{
    switch (value) {
    case Value::Datum: return WorkTimeTables::Datum;
    case Value::Arbeiter: return WorkTimeTables::Arbeiter;
    case Value::Ort: return WorkTimeTables::Ort;
    case Value::Taetigkeit: return WorkTimeTables::Taetigkeit;
    case Value::Von: return WorkTimeTables::ZeitVon;
    case Value::Bis: return WorkTimeTables::ZeitBis;
    case Value::Overnight: return WorkTimeTables::Auswaerts;
    case Value::Pause: return WorkTimeTables::Pause;
    case Value::Bemerkungen: return WorkTimeTables::Bemerkungen;
    }
    return WorkTimeTables::Bemerkungen;
}

int choiceField(Kind kind)
{
    return kind == Kind::Employee ? WorkTimeTables::Arbeiter
         : kind == Kind::Place    ? WorkTimeTables::Ort
                                  : WorkTimeTables::Taetigkeit;
}

int titleText(Kind kind)
{
    switch (kind) {
    case Kind::Employee: return 23;
    case Kind::Place: return 31;
    case Kind::Activity: return 34;
    case Kind::Period:
    case Kind::PeriodByPlace: break;
    }
    return 49;
}

// The fields of one record that a report reads, as texts.
struct RecordTexts
{
    QString datum, arbeiter, ort, taetigkeit, von, bis, bemerkungen, pause;
    bool away = false;
    // The times as seconds since midnight, read from the field's bytes.
    std::optional<int> start, end;
    int breakSeconds = 0;

    QString &keyText(int field)
    {
        return field == WorkTimeTables::Arbeiter ? arbeiter : field == WorkTimeTables::Ort ? ort : taetigkeit;
    }

    // What the totals need: the times and the overnight mark.
    void readTimes(const DbfRecord &record)
    {
        start = secondsOf(record, WorkTimeTables::ZeitVon);
        end = secondsOf(record, WorkTimeTables::ZeitBis);
        breakSeconds = secondsOf(record, WorkTimeTables::Pause).value_or(0);
        away = record.logical(WorkTimeTables::Auswaerts).value_or(false);
    }

    static std::optional<int> secondsOf(const DbfRecord &record, int field)
    {
        const QByteArrayView bytes = record.rawText(field);
        return DateTimeText::parseSecondsOfDay(QLatin1String(bytes.data(), bytes.size()));
    }

    void read(const DbfRecord &record)
    {
        record.text(WorkTimeTables::Datum, datum);
        record.text(WorkTimeTables::Arbeiter, arbeiter);
        record.text(WorkTimeTables::Ort, ort);
        record.text(WorkTimeTables::Taetigkeit, taetigkeit);
        record.text(WorkTimeTables::ZeitVon, von);
        record.text(WorkTimeTables::ZeitBis, bis);
        record.text(WorkTimeTables::Bemerkungen, bemerkungen);
        record.text(WorkTimeTables::Pause, pause);
        readTimes(record);
    }
};

class Builder
{
public:
    Builder(RecordTable &table, const Options &options, const ProgramTextFunction &programText, ReportSink &sink)
        : m_table(table)
        , m_sink(sink)
        , m_withLines(sink.wantsLines())
        , m_withRecords(sink.wantsRecords())
        , m_utf8Records(m_withRecords && sink.wantsUtf8Records())
        , m_options(options)
        , m_programText(programText)
        , m_columns(columnsOf(options.kind))
        , m_overnightText(programText(26))
        , m_overnightUtf8(m_overnightText.toUtf8())
        , m_fromNumber(DateTimeText::dateNumber(options.from))
        , m_toNumber(DateTimeText::dateNumber(options.to))
    {
        for (const ColumnSpec &column : m_columns)
            m_widths.push_back(std::max<int>(int(programText(column.header).size()), column.minimumWidth));
        if (hasChoiceList(options.kind))
            m_choiceField = choiceField(options.kind);
    }

    Outcome run()
    {
        writeHeading();
        if (m_withLines) {
            m_table.expectRepeatedScans();
            measure();
        }
        if (m_cancelled)
            return m_failed ? Outcome::Failed : Outcome::Cancelled;
        m_pass = 1;
        writeColumnHeader();
        if (m_options.kind == Kind::PeriodByPlace)
            listSorted();
        else
            listInTableOrder();
        if (m_cancelled)
            return m_failed ? Outcome::Failed : Outcome::Cancelled;
        writeTotals();
        return Outcome::Complete;
    }

private:
    bool isShown(const ColumnSpec &column) const { return column.value != Value::Pause || m_options.showBreaks; }

    // The value without a copy, for writing it into a line.
    const QString &valueRef(Value value, const RecordTexts &r) const
    {
        static const QString none;
        switch (value) {
        case Value::Datum: return r.datum;
        case Value::Arbeiter: return r.arbeiter;
        case Value::Ort: return r.ort;
        case Value::Taetigkeit: return r.taetigkeit;
        case Value::Von: return r.von;
        case Value::Bis: return r.bis;
        case Value::Overnight: return r.away ? m_overnightText : none;
        case Value::Pause: return r.pause;
        case Value::Bemerkungen: return r.bemerkungen;
        }
        return none;
    }

    QString valueOf(Value value, const RecordTexts &r) const
    {
        return valueRef(value, r);
    }

    // The record's date as YYYYMMDD, read from the field's bytes.
    static std::optional<int> dateNumberOf(const DbfRecord &record)
    {
        const QByteArrayView bytes = record.rawText(WorkTimeTables::Datum);
        return DateTimeText::parseDateNumber(QLatin1String(bytes.data(), bytes.size()));
    }

    // Whether the record is in the period and, for an evaluation by
    // employee, place or activity, holds the choice (read into `texts`). Most records of a large table hold another
    // choice, and one of another length is told without decoding it: every
    // code page of a table gives one character per byte.
    bool select(const DbfRecord &record, RecordTexts &texts) const
    {
        if (m_choiceField >= 0) {
            if (record.rawText(m_choiceField).size() != m_options.choice.size())
                return false;
            QString &key = texts.keyText(m_choiceField);
            record.text(m_choiceField, key);
            if (key != m_options.choice)
                return false;
        }
        return isInPeriod(record);
    }

    bool isInPeriod(const DbfRecord &record) const
    {
        const auto date = dateNumberOf(record);
        return date && *date >= m_fromNumber && *date <= m_toNumber;
    }

    void writeHeading()
    {
        const Kind kind = m_options.kind;
        QString title = m_programText(titleText(kind));
        if (kind != Kind::Period && kind != Kind::PeriodByPlace)
            title += QLatin1Char(' ') + m_options.choice;
        m_sink.writeLine(title);
        m_sink.writeLine(m_programText(24) + QLatin1Char(' ') + DateTimeText::formatDate(m_options.from)
                         + QLatin1Char(' ') + m_programText(25) + QLatin1Char(' ')
                         + DateTimeText::formatDate(m_options.to));
        m_sink.writeLine(QString());
    }

    // The width pass: the selected records widen every padded column, the
    // break column even when it is hidden; remarks never widen. A field's
    // width is that of its text without decoding it, as every code page of
    // a table gives one character per byte.
    void measure()
    {
        forEachSelected(false, [this](const DbfRecord &record, const RecordTexts &) {
            for (size_t c = 0; c + 1 < m_columns.size(); ++c)
                m_widths[c] = std::max<int>(m_widths[c], int(widthOf(m_columns[c].value, record)));
        });
    }

    qsizetype widthOf(Value value, const DbfRecord &record) const
    {
        if (value == Value::Overnight)
            return record.logical(WorkTimeTables::Auswaerts).value_or(false) ? m_overnightText.size() : 0;
        return record.textLength(fieldOf(value));
    }

    // Builds the line into `text`, whose storage is reused line after line.
    template <typename Cell>
    void line(QString &text, const Cell &cell, bool padLast) const
    {
        text.resize(0);
        for (size_t c = 0; c < m_columns.size(); ++c) {
            if (!isShown(m_columns[c]))
                continue;
            if (c > 0)
                text += QLatin1Char(' ');
            const qsizetype before = text.size();
            text += cell(c);
            const bool last = c + 1 == m_columns.size();
            const qsizetype padding = m_widths[c] - (text.size() - before);
            if ((!last || padLast) && padding > 0)
                text.resize(text.size() + padding, QLatin1Char(' '));
        }
    }

    void writeColumnHeader()
    {
        m_lineWidth = 0;
        for (size_t c = 0; c + 1 < m_columns.size(); ++c) {
            if (isShown(m_columns[c]))
                m_lineWidth += m_widths[c] + 1;
        }
        line(m_line, [this](size_t c) { return m_programText(m_columns[c].header); }, true);
        m_sink.writeLine(m_line);
        if (!m_withRecords)
            return;
        QStringList titles;
        for (const ColumnSpec &column : m_columns) {
            if (isShown(column))
                titles << m_programText(column.header);
        }
        m_sink.writeColumnTitles(titles);
    }

    // A record's line, made in UTF-8 straight from the record's bytes, as
    // line() would make it from the decoded texts: one character per byte of
    // a field, so a field's width is its length in bytes.
    void writeRecordLine(const DbfRecord &record, bool away)
    {
        if (m_utf8Line.isEmpty())
            m_utf8Line.resize(longestRecordLine(record));
        char *out = m_utf8Line.data();
        for (size_t c = 0; c < m_columns.size(); ++c) {
            if (!isShown(m_columns[c]))
                continue;
            if (c > 0)
                *out++ = ' ';
            qsizetype characters = 0;
            if (m_columns[c].value == Value::Overnight) {
                if (away) {
                    std::memcpy(out, m_overnightUtf8.constData(), size_t(m_overnightUtf8.size()));
                    out += m_overnightUtf8.size();
                    characters = m_overnightText.size();
                }
            } else {
                const QByteArrayView raw = record.rawText(fieldOf(m_columns[c].value));
                out = record.codePage().toUtf8(raw.data(), raw.size(), out);
                characters = raw.size();
            }
            const qsizetype padding = m_widths[c] - characters;
            if (c + 1 < m_columns.size() && padding > 0) {
                std::memset(out, ' ', size_t(padding));
                out += padding;
            }
        }
        m_sink.writeUtf8Line(QByteArrayView(m_utf8Line.constData(), out));
    }

    qsizetype longestRecordLine(const DbfRecord &record) const
    {
        qsizetype bytes = 0;
        for (size_t c = 0; c < m_columns.size(); ++c) {
            const qsizetype text = m_columns[c].value == Value::Overnight
                                     ? m_overnightUtf8.size()
                                     : record.fieldWidth(fieldOf(m_columns[c].value)) * CodePage::Utf8BytesPerByte;
            bytes += 1 + std::max<qsizetype>(text, m_widths[c]);
        }
        return bytes;
    }

    // A record's values as UTF-8 cells, straight from its bytes, as
    // valueOf() would give them decoded.
    void writeUtf8Record(const DbfRecord &record, bool away)
    {
        if (m_cellBytes.isEmpty())
            m_cellBytes.resize(longestRecordLine(record));
        m_cells.resize(0);
        char *out = m_cellBytes.data();
        for (const ColumnSpec &column : m_columns) {
            if (!isShown(column))
                continue;
            if (column.value == Value::Overnight) {
                m_cells << (away ? QByteArrayView(m_overnightUtf8) : QByteArrayView());
                continue;
            }
            char *begin = out;
            out = record.textAsUtf8(fieldOf(column.value), out);
            m_cells << QByteArrayView(begin, out);
        }
        m_sink.writeUtf8Record(m_cells);
    }

    void listRecord(const DbfRecord &record, const RecordTexts &r)
    {
        if (r.away)
            ++m_overnights;
        if (m_withLines)
            writeRecordLine(record, r.away);
        if (m_utf8Records) {
            writeUtf8Record(record, r.away);
        } else if (m_withRecords) {
            for (const ColumnSpec &column : m_columns) {
                if (isShown(column))
                    m_values << valueOf(column.value, r);
            }
            m_sink.writeRecord(m_values);
            // Emptied at once, so that the next record's texts are decoded
            // into their own storage again instead of beside shared copies.
            m_values.resize(0);
        }

        const auto worked = BookedWork::seconds(r.start, r.end, r.breakSeconds);
        if (!worked)
            return;
        m_workedSeconds += *worked;
        m_breakSeconds += r.breakSeconds;
    }

    void listInTableOrder()
    {
        forEachSelected(true, [this](const DbfRecord &record, const RecordTexts &r) { listRecord(record, r); });
    }

    void listSorted();

    void writeTotals()
    {
        auto hours = [this](qint64 seconds) {
            return m_options.locale.toString(double(seconds) / 3600.0, 'f', 2).remove(m_options.locale.groupSeparator());
        };
        const double breakDays = double(m_breakSeconds) / SecondsPerDay;
        const double workedDays = double(m_workedSeconds) / SecondsPerDay;
        m_sink.writeLine(QString());
        m_sink.writeLine(m_programText(27) + QLatin1Char(' ') + QString::number(m_overnights));
        m_sink.writeLine(m_programText(28) + QLatin1Char(' ') + hours(m_breakSeconds) + QStringLiteral(" / ")
                         + OutZeit(breakDays));
        m_sink.writeLine(m_programText(29) + QLatin1Char(' ') + hours(m_workedSeconds) + QStringLiteral(" / ")
                         + OutZeit(workedDays));
    }

    // Visits the selected records in table order; with `readAll`, each is
    // read (as texts, as far as the sink needs them) once its date and
    // choice field have selected it.
    template <typename Visit>
    void forEachSelected(bool readAll, Visit visit)
    {
        RecordTexts texts;
        int row = 0;
        const bool read = m_table.scan([&](const DbfRecord &record) {
            if (!stillWanted(row++))
                return false;
            if (!select(record, texts))
                return true;
            if (readAll)
                readForListing(record, texts);
            visit(record, texts);
            return true;
        });
        if (!read)
            stopFailed();
    }

    // A record that cannot be read ends the report as failed: without it the
    // listing and the totals would be wrong.
    void stopFailed()
    {
        m_failed = true;
        m_cancelled = true;
    }

    void readForListing(const DbfRecord &record, RecordTexts &texts) const
    {
        if (m_withRecords && !m_utf8Records)
            texts.read(record);
        else if (m_withLines)
            texts.readTimes(record);
        else // the times only make the totals, which are lines
            texts.away = record.logical(WorkTimeTables::Auswaerts).value_or(false);
    }

    // Two passes over the table make the whole work; the progress is asked
    // every few thousand rows.
    bool stillWanted(int row)
    {
        constexpr int Every = 8192;
        if (m_cancelled)
            return false;
        if (!m_options.keepGoing || row % Every != 0)
            return true;
        const double done = (m_pass + double(row) / std::max(1, m_table.rowCount())) / 2.0;
        m_cancelled = !m_options.keepGoing(done);
        return !m_cancelled;
    }

    RecordTable &m_table;
    ReportSink &m_sink;
    const bool m_withLines;
    const bool m_withRecords;
    const bool m_utf8Records;
    int m_choiceField = -1;
    int m_pass = 0;
    bool m_cancelled = false;
    bool m_failed = false;
    const Options &m_options;
    const ProgramTextFunction &m_programText;
    std::vector<ColumnSpec> m_columns;
    std::vector<int> m_widths;
    QString m_overnightText;
    QByteArray m_overnightUtf8;
    const int m_fromNumber;
    const int m_toNumber;
    QString m_line;
    QByteArray m_utf8Line;
    QStringList m_values;
    QByteArray m_cellBytes;
    QList<QByteArrayView> m_cells;
    int m_overnights = 0;
    qsizetype m_lineWidth = 0;
    qint64 m_breakSeconds = 0;
    qint64 m_workedSeconds = 0;
};

// Upper-cases the ASCII letters a to z only.
QString asciiUpper(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(char16_t(c.unicode() - 32));
    }
    return result;
}

// The order the evaluation by period sorted by place lists its entries in.
// It is that of an exchange sort (for each position i, every later j that
// sorts before it is swapped in), which leaves entries of equal place and
// date in an order of its own; the same swaps are made here, but the next
// smaller entry is found through a tree of minima instead of a scan, so
// tens of thousands of entries sort at once.
class ExchangeOrder
{
public:
    explicit ExchangeOrder(std::vector<quint64> keys)
        : m_keys(std::move(keys))
    {
        m_size = 1;
        while (m_size < m_keys.size())
            m_size *= 2;
        m_tree.assign(2 * m_size, std::numeric_limits<quint64>::max());
        for (size_t i = 0; i < m_keys.size(); ++i)
            m_tree[m_size + i] = m_keys[i];
        for (size_t node = m_size - 1; node > 0; --node)
            m_tree[node] = std::min(m_tree[2 * node], m_tree[2 * node + 1]);
        m_order.resize(m_keys.size());
        for (size_t i = 0; i < m_order.size(); ++i)
            m_order[i] = i;
    }

    // Positions of the original entries, in sorted order.
    std::vector<size_t> sort()
    {
        for (size_t i = 0; i + 1 < m_keys.size(); ++i) {
            size_t scanFrom = i + 1;
            for (;;) {
                const std::optional<size_t> j = firstLess(scanFrom, m_keys[i]);
                if (!j)
                    break;
                swap(i, *j);
                scanFrom = *j + 1;
            }
        }
        return m_order;
    }

private:
    void set(size_t position, quint64 key)
    {
        size_t node = m_size + position;
        m_tree[node] = key;
        for (node /= 2; node > 0; node /= 2)
            m_tree[node] = std::min(m_tree[2 * node], m_tree[2 * node + 1]);
    }

    void swap(size_t a, size_t b)
    {
        std::swap(m_keys[a], m_keys[b]);
        std::swap(m_order[a], m_order[b]);
        set(a, m_keys[a]);
        set(b, m_keys[b]);
    }

    // The first position at or after `from` whose key is less than `key`.
    std::optional<size_t> firstLess(size_t from, quint64 key) const
    {
        return descend(1, 0, m_size, from, key);
    }

    std::optional<size_t> descend(size_t node, size_t lo, size_t hi, size_t from, quint64 key) const
    {
        if (hi <= from || m_tree[node] >= key)
            return std::nullopt;
        if (hi - lo == 1)
            return lo;
        const size_t mid = (lo + hi) / 2;
        if (auto left = descend(2 * node, lo, mid, from, key))
            return left;
        return descend(2 * node + 1, mid, hi, from, key);
    }

    std::vector<quint64> m_keys;
    std::vector<size_t> m_order;
    std::vector<quint64> m_tree;
    size_t m_size = 1;
};

void Builder::listSorted()
{
    struct Entry
    {
        QString place;
        quint32 record;
        int day; // YYYYMMDD, which orders like the date
    };
    std::vector<Entry> entries;
    QString place;
    forEachSelected(false, [&entries, &place](const DbfRecord &record, const RecordTexts &) {
        record.text(WorkTimeTables::Ort, place);
        entries.push_back({asciiUpper(place), record.recordNumber(), dateNumberOf(record).value_or(0)});
    });
    if (m_cancelled)
        return;
    // Places compare by UTF-16 code units: their rank among the distinct
    // places, with the date, makes one integer key per entry.
    std::map<QString, quint32> ranks;
    for (const Entry &entry : entries)
        ranks.emplace(entry.place, 0);
    quint32 rank = 0;
    for (auto &[place, value] : ranks)
        value = rank++;
    std::vector<quint64> keys;
    keys.reserve(entries.size());
    for (const Entry &entry : entries)
        keys.push_back(quint64(ranks[entry.place]) << 32 | quint64(quint32(entry.day)));

    DbfRecord record;
    RecordTexts texts;
    for (size_t index : ExchangeOrder(std::move(keys)).sort()) {
        if (!m_table.readRecord(entries[index].record, record))
            return stopFailed();
        readForListing(record, texts);
        if (isInPeriod(record))
            listRecord(record, texts);
    }
}

// Holds the whole report, for build().
class ReportCollector : public ReportSink
{
public:
    explicit ReportCollector(bool withValues) : m_withValues(withValues) {}

    void writeLine(const QString &line) override { report.lines << line; }
    bool wantsRecords() const override { return m_withValues; }
    void writeColumnTitles(const QStringList &titles) override { report.columnTitles = titles; }
    void writeRecord(const QStringList &values) override { report.listedValues << values; }

    Report report;

private:
    bool m_withValues;
};

// Walks the choice field in table order, decoding only it, until `found`
// says stop; names of former employees are skipped where they are hidden.
template <typename Found>
bool findChoice(RecordTable &table, Kind kind, bool hideDeleted, const QList<UserRow> &users, bool *readOk, Found found)
{
    if (readOk)
        *readOk = true;
    auto readFailed = [readOk] {
        if (readOk)
            *readOk = false;
        return false;
    };
    if (!hasChoiceList(kind))
        return false;
    QSet<QString> current;
    const bool onlyCurrent = kind == Kind::Employee && hideDeleted;
    if (onlyCurrent) {
        for (const UserRow &user : users)
            current.insert(user.employeeName);
    }
    const int field = choiceField(kind);
    QString text;
    bool isFound = false;
    const bool read = table.scan([&](const DbfRecord &record) {
        record.text(field, text);
        isFound = (!onlyCurrent || current.contains(text)) && found(text);
        return !isFound;
    });
    return read ? isFound : readFailed();
}

} // namespace

bool hasChoiceList(Kind kind)
{
    return kind == Kind::Employee || kind == Kind::Place || kind == Kind::Activity;
}

QStringList choiceList(RecordTable &table, Kind kind, bool hideDeleted, const QList<UserRow> &users, bool *readOk)
{
    if (readOk)
        *readOk = true;
    if (!hasChoiceList(kind))
        return {};
    QStringList choices = PresetTexts::generated(table, choiceField(kind), readOk);
    if (kind == Kind::Employee && hideDeleted) {
        QSet<QString> current;
        for (const UserRow &user : users)
            current.insert(user.employeeName);
        choices.removeIf([&current](const QString &name) { return !current.contains(name); });
    }
    return choices;
}

int emptyChoiceProgramText(Kind kind)
{
    return kind == Kind::Employee ? 30 : kind == Kind::Place ? 32 : 33;
}

std::optional<QString> firstChoice(RecordTable &table, Kind kind, bool hideDeleted, const QList<UserRow> &users,
                                   bool *readOk)
{
    std::optional<QString> first;
    findChoice(table, kind, hideDeleted, users, readOk, [&first](const QString &text) {
        first = text;
        return true;
    });
    return first;
}

bool isChoice(RecordTable &table, Kind kind, const QString &text, bool hideDeleted, const QList<UserRow> &users,
              bool *readOk)
{
    return findChoice(table, kind, hideDeleted, users, readOk, [&text](const QString &candidate) { return candidate == text; });
}

Outcome write(RecordTable &table, const Options &options, const ProgramTextFunction &programText, ReportSink &sink)
{
    if (!table.refresh())
        return Outcome::Failed;
    return Builder(table, options, programText, sink).run();
}

Report build(RecordTable &table, const Options &options, const ProgramTextFunction &programText)
{
    ReportCollector collector(options.withValues);
    const Outcome outcome = write(table, options, programText, collector);
    collector.report.cancelled = outcome != Outcome::Complete;
    if (outcome == Outcome::Failed)
        collector.report.error = table.errorString();
    return std::move(collector.report);
}

QString OutZeit(double geszeit)
{
    const qint64 minutes = qint64(std::llround(geszeit * 24.0 * 60.0));
    const qint64 sign = minutes < 0 ? -1 : 1;
    const qint64 absolute = minutes * sign;
    return QStringLiteral("%1%2:%3")
        .arg(sign < 0 ? QStringLiteral("-") : QString())
        .arg(absolute / 60)
        .arg(absolute % 60, 2, 10, QLatin1Char('0'));
}

QByteArray toCsv(const Report &report)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ReportCsvWriter csv(&buffer);
    csv.writeColumnTitles(report.columnTitles);
    for (const QStringList &values : report.listedValues)
        csv.writeRecord(values);
    csv.finish();
    return bytes;
}

} // namespace EvaluationReport
