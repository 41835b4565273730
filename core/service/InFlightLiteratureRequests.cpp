#include "InFlightLiteratureRequests.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>

#include <optional>
#include <utility>

namespace {

struct Entry
{
    QUuid id;
    std::unique_ptr<InFlightTask> task;
    QSet<QUuid> members;
    QHash<QUuid, InFlightLiteratureRequests::Completion> waiters;
    std::optional<InFlightLiteratureRequests::Outcome> outcome;
};

} // namespace

struct InFlightLiteratureRequests::State
{
    QMutex mutex;
    QHash<LiteratureCacheKey, std::shared_ptr<Entry>> entries;

    // Drops the key's entry once nobody is left in it; returns its work if it still runs,
    // for the caller to cancel outside the lock.
    std::unique_ptr<InFlightTask> retireIfEmpty(const LiteratureCacheKey& key)
    {
        const auto it = entries.find(key);
        if (it == entries.end() || !(*it)->members.isEmpty())
            return nullptr;
        std::unique_ptr<InFlightTask> task = std::move((*it)->task);
        entries.erase(it);
        return task;
    }

    void finish(const LiteratureCacheKey& key, const QUuid& id, const Outcome& outcome)
    {
        QHash<QUuid, Completion> waiters;
        std::unique_ptr<InFlightTask> finishedTask;
        {
            QMutexLocker lock(&mutex);
            const auto it = entries.constFind(key);
            if (it == entries.constEnd() || (*it)->id != id)
                return; // retired or replaced: nobody waits for this outcome
            Entry& entry = **it;
            waiters = std::exchange(entry.waiters, {});
            finishedTask = std::move(entry.task);
            for (auto w = waiters.cbegin(); w != waiters.cend(); ++w)
                entry.members.remove(w.key());
            entry.outcome = outcome;
            // The work has finished: its task was taken above, nothing to cancel.
            retireIfEmpty(key);
        }
        for (const Completion& waiter : std::as_const(waiters))
            waiter(outcome);
    }
};

InFlightLiteratureRequests::InFlightLiteratureRequests() : m_state(std::make_shared<State>()) {}

InFlightLiteratureRequests::~InFlightLiteratureRequests() = default;

InFlightLiteratureRequests::Membership InFlightLiteratureRequests::result(const LiteratureCacheKey& key,
                                                                          const Operation& operation,
                                                                          Completion completion)
{
    const QUuid member = QUuid::createUuid();
    QUuid entryID;
    bool starts = false;
    {
        QMutexLocker lock(&m_state->mutex);
        std::shared_ptr<Entry>& entry = m_state->entries[key];
        if (!entry || entry->outcome) {
            entry = std::make_shared<Entry>();
            entry->id = QUuid::createUuid();
            starts = true;
        }
        entry->members.insert(member);
        entry->waiters.insert(member, std::move(completion));
        entryID = entry->id;
    }
    if (starts) {
        std::weak_ptr<State> weak = m_state;
        std::unique_ptr<InFlightTask> task = operation([weak, key, entryID](const Outcome& outcome) {
            if (const std::shared_ptr<State> state = weak.lock())
                state->finish(key, entryID, outcome);
        });
        {
            QMutexLocker lock(&m_state->mutex);
            const auto it = m_state->entries.constFind(key);
            if (it != m_state->entries.constEnd() && (*it)->id == entryID && !(*it)->outcome) {
                (*it)->task = std::move(task);
            }
        }
        // Everybody left (or the work already finished) before the task was stored.
        if (task)
            task->cancel();
    }
    return Membership{key, entryID, member};
}

void InFlightLiteratureRequests::cancel(const Membership& membership)
{
    Completion waiter;
    std::unique_ptr<InFlightTask> abandoned;
    {
        QMutexLocker lock(&m_state->mutex);
        const auto it = m_state->entries.constFind(membership.key);
        if (it == m_state->entries.constEnd() || (*it)->id != membership.entryID ||
            !(*it)->members.contains(membership.memberID))
            return;
        (*it)->members.remove(membership.memberID);
        waiter = (*it)->waiters.take(membership.memberID);
        abandoned = m_state->retireIfEmpty(membership.key);
    }
    if (abandoned)
        abandoned->cancel();
    if (waiter)
        waiter(std::unexpected(LiteratureError::cancelled()));
}

qsizetype InFlightLiteratureRequests::count() const
{
    QMutexLocker lock(&m_state->mutex);
    return m_state->entries.size();
}
