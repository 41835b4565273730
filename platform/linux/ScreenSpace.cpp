#include "ScreenSpace.h"

#include <QGuiApplication>
#include <QScreen>

namespace ScreenSpace {

namespace {

QRectF nativeGeometry(const Screen& screen)
{
    return QRectF(screen.geometry.topLeft(), QSizeF(screen.geometry.size()) * screen.devicePixelRatio);
}

const Screen* holding(QPointF point, const QList<Screen>& screens, bool native)
{
    for (const Screen& screen : screens) {
        const QRectF area = native ? nativeGeometry(screen) : QRectF(screen.geometry);
        if (area.contains(point))
            return &screen;
    }
    return nullptr;
}

} // namespace

QList<Screen> guiScreens()
{
    QList<Screen> screens;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const Screen value{screen->geometry(), screen->devicePixelRatio()};
        if (screen == primary)
            screens.prepend(value);
        else
            screens.append(value);
    }
    return screens;
}

QPointF toLogical(QPointF native, const QList<Screen>& screens)
{
    const Screen* screen = holding(native, screens, true);
    if (!screen || screen->devicePixelRatio <= 0)
        return native;
    const QPointF origin = screen->geometry.topLeft();
    return origin + (native - origin) / screen->devicePixelRatio;
}

QPointF toNative(QPointF logical, const QList<Screen>& screens)
{
    const Screen* screen = holding(logical, screens, false);
    if (!screen)
        return logical;
    const QPointF origin = screen->geometry.topLeft();
    return origin + (logical - origin) * screen->devicePixelRatio;
}

QRectF rectToLogical(const QRectF& native, const QList<Screen>& screens)
{
    const Screen* screen = holding(native.topLeft(), screens, true);
    if (!screen || screen->devicePixelRatio <= 0)
        return native;
    return QRectF(toLogical(native.topLeft(), screens), native.size() / screen->devicePixelRatio);
}

} // namespace ScreenSpace
