#pragma once

#include "LiteratureCacheKey.h"
#include "literature/LiteratureError.h"
#include "literature/LiteratureRecords.h"

#include <QUuid>

#include <expected>
#include <functional>
#include <memory>

// Work that a shared run started; the table cancels it when nobody waits any more.
class InFlightTask
{
public:
    virtual ~InFlightTask() = default;
    // Stops the work; callable from any thread, harmless once the work has finished.
    virtual void cancel() = 0;
};

// Coalesces identical requests: callers asking for the same key while a run is going
// share that run and its outcome. Every caller is completed exactly once: with the
// shared outcome, or with cancelled when it leaves first. The shared work is cancelled
// only when its last caller has left. Safe to share between threads.
class InFlightLiteratureRequests final
{
    Q_DISABLE_COPY_MOVE(InFlightLiteratureRequests)

public:
    using Outcome = std::expected<LiteratureResult, LiteratureError>;
    using Completion = std::function<void(const Outcome&)>;
    // Starts the shared work, which reports once through its completion (on any thread).
    using Operation = std::function<std::unique_ptr<InFlightTask>(Completion)>;

    // One caller's place in a run.
    struct Membership
    {
        LiteratureCacheKey key;
        QUuid entryID;
        QUuid memberID;
    };

    InFlightLiteratureRequests();
    ~InFlightLiteratureRequests();

    // Joins the unfinished run for key, or starts a new one with operation (the
    // operations of later joiners are never called). completion runs exactly once, on
    // the thread that finishes the run or that calls cancel.
    Membership result(const LiteratureCacheKey& key, const Operation& operation, Completion completion);
    // The caller leaves its run and is completed with cancelled; when it was the last
    // member, the run is dropped and its work cancelled. Nothing happens for a caller
    // that was already answered.
    void cancel(const Membership& membership);
    // Runs being tracked.
    [[nodiscard]] qsizetype count() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};
