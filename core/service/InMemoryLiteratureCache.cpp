#include "InMemoryLiteratureCache.h"

#include <QMutexLocker>

#include <algorithm>

InMemoryLiteratureCache::InMemoryLiteratureCache(qsizetype maximumEntries, Clock now)
    : m_maximumEntries(std::max<qsizetype>(maximumEntries, 1)),
      m_now(now ? std::move(now) : Clock([] { return QDateTime::currentDateTimeUtc(); }))
{
}

std::optional<LiteratureResult> InMemoryLiteratureCache::value(const LiteratureCacheKey& key)
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_entries.constFind(key);
    if (it == m_entries.constEnd())
        return std::nullopt;
    if (it->expiresAt > m_now()) {
        LiteratureResult result = it->result;
        result.isCached = true;
        return result;
    }
    m_entries.erase(it);
    return std::nullopt;
}

void InMemoryLiteratureCache::insert(const LiteratureResult& result, const LiteratureCacheKey& key,
                                     qint64 minutes)
{
    if (minutes < 1)
        return;
    minutes = std::min<qint64>(minutes, 60);
    QMutexLocker lock(&m_mutex);
    ++m_insertionCounter;
    Entry entry{result, m_now().addSecs(minutes * 60), m_insertionCounter};
    entry.result.isCached = false;
    m_entries.insert(key, std::move(entry));
    while (m_entries.size() > m_maximumEntries) {
        const auto oldest =
            std::min_element(m_entries.cbegin(), m_entries.cend(), [](const Entry& a, const Entry& b) {
                return a.insertionOrder < b.insertionOrder;
            });
        m_entries.erase(oldest);
    }
}

void InMemoryLiteratureCache::removeValue(const LiteratureCacheKey& key)
{
    QMutexLocker lock(&m_mutex);
    m_entries.remove(key);
}

void InMemoryLiteratureCache::removeAll()
{
    QMutexLocker lock(&m_mutex);
    m_entries.clear();
}

qsizetype InMemoryLiteratureCache::count() const
{
    QMutexLocker lock(&m_mutex);
    return m_entries.size();
}
