#pragma once

#include <vector>

#include <QString>

// The texts of the translation table, referred to by 32-bit numbers so that a
// table row stays thirty 4-byte references on every platform. Number 0 is the
// empty text. Released numbers are handed out again.
class TextPool
{
public:
    quint32 add(const QString &text);
    const QString &at(quint32 id) const;
    void release(quint32 id);
    void clear();
    // Releases the text `id` holds and stores `text` instead; returns the new id.
    quint32 replace(quint32 id, const QString &text);

private:
    std::vector<QString> m_texts; // id n lives at n - 1
    std::vector<quint32> m_free;
};
