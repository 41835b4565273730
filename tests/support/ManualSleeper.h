#pragma once

#include "service/Sleeping.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>

// A sleeper on a clock that only the test advances.
class ManualSleeper : public Sleeping
{
public:
    std::unique_ptr<QObject> sleep(std::chrono::nanoseconds duration, std::function<void()> resume) override
    {
        auto handle = std::make_unique<QObject>();
        requested.append(duration);
        m_pending.append({m_now + duration, std::move(resume), handle.get()});
        return handle;
    }

    // Moves the clock on and runs every pause that is due and was not cancelled.
    void advance(std::chrono::milliseconds by)
    {
        m_now += by;
        for (qsizetype i = 0; i < m_pending.size(); ++i) {
            Pending& p = m_pending[i];
            if (p.done || p.deadline > m_now)
                continue;
            p.done = true;
            if (p.handle)
                std::function<void()>(p.resume)();
        }
    }

    QList<std::chrono::nanoseconds> requested;

private:
    struct Pending
    {
        std::chrono::nanoseconds deadline;
        std::function<void()> resume;
        QPointer<QObject> handle;
        bool done = false;
    };
    std::chrono::nanoseconds m_now{0};
    QList<Pending> m_pending;
};
