#pragma once

#include <cstddef>
#include <stdexcept>
#include <type_traits>

#include <QtGlobal>

class QByteArray;
class QIODevice;
class QString;

// A growable array of fixed-size, zero-filled records in one contiguous block,
// with a cursor. Its particular trick is the mirror pointer: the owner passes
// the address of one of its own typed pointers, and every cursor move stores
// the current record's address there, so the owner works on records in place
// without casting. The block grows and shrinks in whole `buffersize` steps.
//
// The fields are public on purpose: the dictionary and the editor read the
// cursor (`aobjnr`) directly, and the loop conventions below depend on it.
//   - GetObject, First, Next, Insert, Add and Change leave `aobjnr` on the
//     current record.
//   - WhileNext delivers record k and leaves `aobjnr` at k + 1, so after
//     First(), `while (WhileNext()) { ... aobjnr - 1 ... }` visits every record.
//   - Delete and Clear leave no current record (and clear the mirror).
class TDynaArray
{
public:
    // Create
    TDynaArray(quint32 thesize, void **typpoi);
    // Destroy: releases the block; the mirror is left as it is.
    virtual ~TDynaArray();

    TDynaArray(const TDynaArray &) = delete;
    TDynaArray &operator=(const TDynaArray &) = delete;

    void *GetObject(quint32 index);
    void *items(quint32 index) { return GetObject(index); }
    void *Add();
    void *Insert(qint32 nr);
    void Delete(qint32 nr);
    void Change(qint32 nr1, qint32 nr2);
    void Clear();
    void First();
    bool Next();
    bool WhileNext();
    bool AllocMoreMem();
    void AllocLessMem();

    void **outeraobj = nullptr;
    void *aobj = nullptr;
    void *poi = nullptr;
    quint32 count = 0;
    qint32 aobjnr = -1;
    quint32 amemsize = 0;
    quint32 buffersize = 100;
    quint32 size = 0;

private:
    quint64 wantedSize() const;
    void setCurrent(qint32 index);
    void clearCursor();
    void *takeBlock(quint64 bytes, int errorNumber);
};

// A typed view of a TDynaArray whose records are plain structs of type T.
// The mirror is `current`, which always points at the current record or is null.
template <typename T>
class DynaArray
{
    static_assert(std::is_trivially_copyable_v<T>, "records are moved as raw bytes");

public:
    DynaArray() : m_array(sizeof(T), reinterpret_cast<void **>(&current)) {}

    TDynaArray &raw() { return m_array; }
    const TDynaArray &raw() const { return m_array; }
    quint32 count() const { return m_array.count; }
    T *at(quint32 index) { return static_cast<T *>(m_array.GetObject(index)); }
    T *add() { return static_cast<T *>(m_array.Add()); }

    T *current = nullptr;

private:
    TDynaArray m_array;
};

// A read or write of a length-prefixed string that failed or fell short.
class KorvaldIoError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One length-prefixed string on a binary file, integers 32-bit little-endian.
// Each throws KorvaldIoError when the device fails or ends early; the string
// being read is assigned only once all its bytes have arrived.
void WriteAnsiStr(QIODevice *file, const QByteArray &text);
void ReadAnsiStr(QIODevice *file, QByteArray &text);
void WriteWideStr(QIODevice *file, const QString &text);
void ReadWideStr(QIODevice *file, QString &text);

// The 32-bit little-endian integers those files are made of.
void WriteInt32(QIODevice *file, qint32 value);
qint32 ReadInt32(QIODevice *file);
