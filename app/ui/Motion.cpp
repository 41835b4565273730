#include "Motion.h"

#include <QEasingCurve>

namespace Motion {

namespace {

bool& enabledFlag()
{
    static bool enabled = true;
    return enabled;
}

} // namespace

QVariantAnimation* easeOut(QObject* owner, int milliseconds, std::function<void(double)> apply)
{
    auto* animation = new QVariantAnimation(owner);
    animation->setDuration(milliseconds);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    QObject::connect(animation, &QVariantAnimation::valueChanged, owner,
                     [apply = std::move(apply)](const QVariant& value) { apply(value.toDouble()); });
    return animation;
}

void run(QVariantAnimation* animation, double from, double target, std::function<void()> done)
{
    QObject::disconnect(animation, &QAbstractAnimation::finished, nullptr, nullptr);
    animation->stop();
    if (!enabledFlag() || from == target) {
        animation->setStartValue(target);
        animation->setEndValue(target);
        emit animation->valueChanged(target);
        if (done)
            done();
        return;
    }
    animation->setStartValue(from);
    animation->setEndValue(target);
    if (done)
        QObject::connect(animation, &QAbstractAnimation::finished, animation, std::move(done));
    animation->start();
}

void setEnabled(bool enabled)
{
    enabledFlag() = enabled;
}

bool isEnabled()
{
    return enabledFlag();
}

} // namespace Motion
