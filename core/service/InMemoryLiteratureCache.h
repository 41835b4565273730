#pragma once

#include "LiteratureCacheKey.h"
#include "literature/LiteratureRecords.h"

#include <QDateTime>
#include <QHash>
#include <QMutex>

#include <functional>
#include <optional>

// A bounded, time-limited store of query results. Entries live for the minutes given
// at insertion (1 to 60) against the injected clock; when full, the entry inserted
// longest ago goes. Safe to share between threads: operations run one at a time.
class InMemoryLiteratureCache final
{
    Q_DISABLE_COPY_MOVE(InMemoryLiteratureCache)

public:
    using Clock = std::function<QDateTime()>;

    // maximumEntries below 1 counts as 1; now defaults to the system clock (UTC).
    explicit InMemoryLiteratureCache(qsizetype maximumEntries, Clock now = {});

    // The stored result with isCached set, or nothing when absent or expired (an expired
    // entry is removed). A hit changes neither the entry's lifetime nor its age.
    std::optional<LiteratureResult> value(const LiteratureCacheKey& key);
    // Stores result (with isCached false) for minutes, clamped to 60; below 1 stores
    // nothing. Replacing an entry makes it the newest.
    void insert(const LiteratureResult& result, const LiteratureCacheKey& key, qint64 minutes);
    void removeValue(const LiteratureCacheKey& key);
    // Empties the cache; the insertion order keeps counting.
    void removeAll();
    // Stored entries, expired ones included.
    [[nodiscard]] qsizetype count() const;

private:
    struct Entry
    {
        LiteratureResult result;
        QDateTime expiresAt;
        quint64 insertionOrder = 0;
    };

    mutable QMutex m_mutex;
    QHash<LiteratureCacheKey, Entry> m_entries;
    quint64 m_insertionCounter = 0;
    const qsizetype m_maximumEntries;
    const Clock m_now;
};
