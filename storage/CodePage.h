#pragma once

#include <memory>

#include <QByteArray>
#include <QString>
#include <QStringView>

// A single-byte code page: the table files and "benutzer.dat" hold their text
// this way. Windows-1252 is the program's "ANSI" code page on every platform.
class CodePage
{
public:
    static constexpr char Replacement = '?';

    static const CodePage &windows1252();
    // The code page with this number, or Windows-1252 when it is not known.
    static const CodePage &byNumber(int number);
    // The code page that a dBase language-driver ID (header byte 29) names, or 0
    // when the ID names none (0 itself, and IDs we do not know).
    static int numberForLanguageDriver(quint8 id);

    int number() const { return m_number; }

    char16_t toUnicode(uchar byte) const { return m_toUnicode[byte]; }
    QString decode(const char *bytes, qsizetype length) const;
    // Decodes into `out`, reusing its capacity: no allocation when it fits.
    void decode(const char *bytes, qsizetype length, QString &out) const;
    // Writes the bytes' text as UTF-8 at `out` and returns the end; `out`
    // must have room for Utf8BytesPerByte bytes per byte. Output that ends in
    // UTF-8 anyway (a listing, a report) skips the detour through UTF-16.
    static constexpr int Utf8BytesPerByte = 3;
    char *toUtf8(const char *bytes, qsizetype length, char *out) const;

    // Writes at most `capacity` bytes of `text` to `out` and returns how many it
    // wrote. Characters this page lacks, and those `gate` lacks when one is
    // given, become '?'. A surrogate pair is one character.
    qsizetype encode(QStringView text, char *out, qsizetype capacity, const CodePage *gate = nullptr) const;
    QByteArray encode(QStringView text) const;
    bool canEncode(QStringView text) const;
    bool hasChar(char16_t c) const;

    // Upper-cases with simple per-character mapping, keeping a character when
    // its capital is not in this page (so "ß" and "µ" stay as they are).
    QString toUpper(QStringView text) const;

    CodePage(int number, const char16_t *upperHalf);
    CodePage(const CodePage &) = delete;
    CodePage &operator=(const CodePage &) = delete;

private:
    int byteFor(char16_t c) const; // -1 when absent

    int m_number;
    char16_t m_toUnicode[256];
    struct Utf8Sequence
    {
        char bytes[Utf8BytesPerByte];
        quint8 length;
    };
    static Utf8Sequence utf8SequenceOf(char16_t c);

    Utf8Sequence m_toUtf8[256];
    std::unique_ptr<qint16[]> m_fromUnicode; // 65536 entries, -1 = absent
};
