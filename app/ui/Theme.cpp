#include "Theme.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QWidget>

namespace {

QColor rgb(double r, double g, double b, double a = 1.0)
{
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

} // namespace

const Theme& Theme::light()
{
    static const Theme theme{
        .accent = rgb(0.200, 0.467, 0.984),
        .accentDeep = rgb(0.122, 0.361, 0.878),
        .accentDark = rgb(0.094, 0.094, 0.106),
        .accentSoft = rgb(0.941, 0.968, 1.0),
        .citeSurface = rgb(0.851, 0.902, 0.996),
        .amber = rgb(0.541, 0.353, 0.110),
        .danger = rgb(0.549, 0.184, 0.094),
        .dangerSoft = rgb(0.969, 0.906, 0.886),
        .success = rgb(0.122, 0.420, 0.259),
        .cardSurface = rgb(0.992, 0.992, 1.0),
        .toastSurface = rgb(1.0, 1.0, 1.0),
        .panelSurface = rgb(0.961, 0.961, 0.965),
        .insetSurface = rgb(0.957, 0.957, 0.961),
        .hairline = rgb(0.114, 0.161, 0.329, 0.10),
        .isDark = false,
    };
    return theme;
}

const Theme& Theme::dark()
{
    static const Theme theme{
        .accent = rgb(0.200, 0.467, 0.984),
        .accentDeep = rgb(0.122, 0.361, 0.878),
        .accentDark = rgb(0.93, 0.95, 1.0),
        .accentSoft = rgb(0.13, 0.20, 0.34),
        .citeSurface = rgb(0.13, 0.20, 0.34),
        .amber = rgb(0.941, 0.753, 0.427),
        .danger = rgb(0.976, 0.624, 0.529),
        .dangerSoft = rgb(0.33, 0.15, 0.10),
        .success = rgb(0.545, 0.859, 0.686),
        .cardSurface = rgb(0.16, 0.16, 0.18),
        .toastSurface = rgb(0.27, 0.27, 0.30),
        .panelSurface = rgb(0.14, 0.14, 0.14),
        .insetSurface = rgb(0.22, 0.22, 0.24),
        .hairline = rgb(1.0, 1.0, 1.0, 0.12),
        .isDark = true,
    };
    return theme;
}

bool Theme::isDarkPalette(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

const Theme& Theme::forPalette(const QPalette& palette)
{
    return isDarkPalette(palette) ? dark() : light();
}

const Theme& Theme::of(const QWidget& widget)
{
    return forPalette(widget.palette());
}

QColor Theme::secondary(const QPalette& palette)
{
    QColor color = palette.color(QPalette::PlaceholderText);
    if (!color.isValid() || color == palette.color(QPalette::WindowText)) {
        color = palette.color(QPalette::WindowText);
        color.setAlphaF(0.6f);
    }
    return color;
}

QColor Theme::quaternaryFill(const QPalette& palette)
{
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.10f);
    return color;
}

QFont Theme::font(const QFont& base, double pixelSize, QFont::Weight weight)
{
    QFont font = base;
    if (pixelSize == double(int(pixelSize))) {
        font.setPixelSize(int(pixelSize));
    } else {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
        font.setPointSizeF(pixelSize * 72.0 / dpi);
    }
    font.setWeight(weight);
    return font;
}

void Theme::styleThinScrollBar(QScrollBar& bar, const QPalette& palette)
{
    const QColor text = palette.color(QPalette::WindowText);
    const auto rgba = [&](double alpha) {
        return QStringLiteral("rgba(%1, %2, %3, %4)")
            .arg(text.red())
            .arg(text.green())
            .arg(text.blue())
            .arg(int(alpha * 255));
    };
    bar.setStyleSheet(
        QStringLiteral("QScrollBar:vertical { width: 8px; background: transparent; margin: 3px 2px 3px 0px; }"
                       "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 28px; }"
                       "QScrollBar::handle:vertical:hover { background: %2; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
            .arg(rgba(0.22), rgba(0.38)));
}
