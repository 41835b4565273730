#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QScrollBar;
class QWidget;

// The colours of the windows, in sRGB, for the light and the dark appearance. Which
// one applies follows the palette: dark when its Window colour has a lightness below
// one half. Widgets look the theme up when they paint, so a palette change repaints
// them in the other appearance without a restart.
struct Theme
{
    QColor accent;
    QColor accentDeep;
    QColor accentDark;
    QColor accentSoft;
    QColor citeSurface;
    QColor amber;
    QColor danger;
    QColor dangerSoft;
    QColor success;
    QColor cardSurface;
    QColor toastSurface;
    QColor panelSurface;
    QColor insetSurface;
    QColor hairline;
    bool isDark = false;

    static const Theme& light();
    static const Theme& dark();
    [[nodiscard]] static bool isDarkPalette(const QPalette& palette);
    [[nodiscard]] static const Theme& forPalette(const QPalette& palette);
    [[nodiscard]] static const Theme& of(const QWidget& widget);

    // The secondary text colour: the palette's placeholder text.
    [[nodiscard]] static QColor secondary(const QPalette& palette);
    // The quaternary fill: window text at 10 % opacity.
    [[nodiscard]] static QColor quaternaryFill(const QPalette& palette);

    // base at a pixel size (fractional sizes through the point size) and weight.
    [[nodiscard]] static QFont font(const QFont& base, double pixelSize,
                                    QFont::Weight weight = QFont::Normal);

    // A thin vertical bar without arrows, in the text colour of palette at low opacity,
    // so it reads in either appearance; call again on a palette change.
    static void styleThinScrollBar(QScrollBar& bar, const QPalette& palette);
};
