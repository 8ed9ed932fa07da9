#include "TextPool.h"

quint32 TextPool::add(const QString &text)
{
    if (text.isEmpty())
        return 0;
    if (!m_free.empty()) {
        const quint32 id = m_free.back();
        m_free.pop_back();
        m_texts[id - 1] = text;
        return id;
    }
    m_texts.push_back(text);
    return quint32(m_texts.size());
}

const QString &TextPool::at(quint32 id) const
{
    static const QString empty;
    if (id == 0 || id > m_texts.size())
        return empty;
    return m_texts[id - 1];
}

void TextPool::release(quint32 id)
{
    if (id == 0 || id > m_texts.size())
        return;
    m_texts[id - 1].clear();
    m_free.push_back(id);
}

void TextPool::clear()
{
    m_texts.clear();
    m_free.clear();
}

quint32 TextPool::replace(quint32 id, const QString &text)
{
    release(id);
    return add(text);
}
