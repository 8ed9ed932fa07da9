#pragma once

#include <bitset>
#include <memory>
#include <optional>

#include <QByteArray>
#include <QDate>
#include <QString>

#include "DbfField.h"

class CodePage;

// One record of a table: its bytes and the layout to read them by. Fields are
// addressed by position. A record remembers which fields were set, so that an
// update rewrites only those and leaves other writers' changes alone.
class DbfRecord
{
public:
    static constexpr int MaxFields = 255;

    DbfRecord() = default;
    explicit DbfRecord(std::shared_ptr<const DbfLayout> layout);
    // A record of `layout` holding `bytes` (the deletion flag first), as a
    // table kept elsewhere than in a file (on a server) keeps them; blank
    // when they are not a record of that length.
    DbfRecord(std::shared_ptr<const DbfLayout> layout, const QByteArray &bytes);

    bool isValid() const { return m_layout != nullptr; }
    int fieldCount() const;
    quint32 recordNumber() const { return m_recordNumber; }
    bool isDeleted() const;

    // Trailing blanks removed, leading ones kept; all blanks read as empty.
    // Logical fields read "True", "False" or empty.
    QString text(int pos) const;
    void text(int pos, QString &out) const; // reuses out's storage
    // The length of text(pos) of a character field, without decoding it:
    // every code page a table names has one character per byte.
    qsizetype textLength(int pos) const;
    // The bytes text(pos) of a character field decodes, in the table's code
    // page: for comparing with bytes encoded once, without decoding.
    QByteArrayView rawText(int pos) const;
    // text(pos) of a character field as UTF-8 at `out`, which must have room
    // for CodePage::Utf8BytesPerByte bytes per byte of the field's width;
    // returns the end. Output in UTF-8 skips the detour through UTF-16.
    char *textAsUtf8(int pos, char *out) const;
    const CodePage &codePage() const;
    int fieldWidth(int pos) const;
    // Logical fields: "T"/"t" true, other non-blank false, blank none.
    std::optional<bool> logical(int pos) const;
    // A character field holding a date in the program's fixed form.
    std::optional<QDate> date(int pos) const;

    // Cut to the field width, filled with blanks; characters the code page
    // lacks are stored as '?'. On a logical field, "True", "T", "t", "Y", "y"
    // set true, other non-empty text false, empty text none.
    void setText(int pos, const QString &text) { setText(pos, QStringView(text)); }
    void setText(int pos, QStringView text);
    void setLogical(int pos, std::optional<bool> value);
    // The bytes rawText(pos) gave, filled up with blanks: a record copied
    // field by field without the detour through text.
    void setRawText(int pos, QByteArrayView bytes);

    const QByteArray &bytes() const { return m_bytes; }
    // For a table kept elsewhere than in a file (on a server), which numbers
    // and marks its records itself.
    void setRecordNumber(quint32 number) { m_recordNumber = number; }
    void setDeleted(bool deleted);
    bool isChanged(int pos) const { return m_changed.test(size_t(pos)); }
    void clearChanged() { m_changed.reset(); }

private:
    friend class DbfTable;

    // Inline: scans call these for every field of every record.
    const DbfField &field(int pos) const { return m_layout->fields[pos]; }
    const char *fieldData(int pos) const { return m_bytes.constData() + field(pos).offset; }
    char *fieldData(int pos) { return m_bytes.data() + field(pos).offset; }

    std::shared_ptr<const DbfLayout> m_layout;
    QByteArray m_bytes;
    std::bitset<MaxFields> m_changed;
    quint32 m_recordNumber = 0;
};
