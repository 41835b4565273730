#include "Sleeping.h"

#include <QTimer>

std::unique_ptr<QObject> TimerSleeper::sleep(std::chrono::nanoseconds duration, std::function<void()> resume)
{
    auto timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(), std::move(resume));
    timer->start(std::chrono::ceil<std::chrono::milliseconds>(duration));
    return timer;
}
