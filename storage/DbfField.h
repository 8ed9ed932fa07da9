#pragma once

#include <QList>
#include <QString>

class CodePage;

enum class DbfFieldType : char {
    Character = 'C',
    Logical = 'L',
    // Read as text only; other dBase tools may add such fields to a table.
    Numeric = 'N',
    Float = 'F',
    Date = 'D',
};

// A field as a schema asks for it.
struct DbfFieldDef
{
    QString name;
    DbfFieldType type = DbfFieldType::Character;
    int width = 1; // Logical fields are always 1 wide
};

// A field as a table file holds it.
struct DbfField
{
    QString name; // as stored: upper case, at most 10 bytes
    DbfFieldType type = DbfFieldType::Character;
    int width = 0;
    int offset = 0; // from the start of the record, deletion flag included
};

// What a record needs to know of its table to read and write its fields.
struct DbfLayout
{
    QList<DbfField> fields;
    int headerLength = 0;
    int recordLength = 0;
    const CodePage *codePage = nullptr;
    // Set for a file whose code page is not Windows-1252: text must then also
    // be representable in Windows-1252, the program's own code page.
    bool gateThroughAnsi = false;
};
