#pragma once

#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>

// Conversions between the native pixels that X11 and the accessibility bus use
// and Qt's logical pixels (both with the origin at the top-left of the desktop).
// A screen keeps its top-left corner in both spaces; inside it native distances
// are logical ones times the device pixel ratio.
namespace ScreenSpace {

struct Screen
{
    QRect geometry; // logical
    qreal devicePixelRatio = 1;
};

// The GUI's screens, primary first; empty without a GUI application.
QList<Screen> guiScreens();

// Points outside every screen stay as they are.
QPointF toLogical(QPointF native, const QList<Screen>& screens);
QPointF toNative(QPointF logical, const QList<Screen>& screens);
// Converted with the screen that holds the rectangle's top-left corner.
QRectF rectToLogical(const QRectF& native, const QList<Screen>& screens);

} // namespace ScreenSpace
