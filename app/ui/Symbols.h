#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <QWidget>

#include <functional>

class QPainter;

// The small symbols of the windows, drawn with QPainter in a square and tinted at
// paint time, so that no icon theme of the desktop is needed.
enum class Symbol
{
    infoCircle, // "info.circle"
    exclamationmarkTriangle, // "exclamationmark.triangle"
    xmark, // "xmark"
    chevronDown, // "chevron.down"
    checkmarkCircleFill, // "checkmark.circle.fill"
    numberSquareFill, // "{n}.square.fill"
    booksVerticalFill, // "books.vertical.fill"
    exclamationmarkTriangleFill, // "exclamationmark.triangle.fill"
};

namespace Symbols {

// Paints symbol into rect (its largest centred square) in color; number is the
// figure of numberSquareFill. Figures inside filled shapes are cut out, so the
// background shows through them.
void paint(QPainter& painter, Symbol symbol, const QRectF& rect, const QColor& color, int number = 0);

// The product mark: a rounded square holding an open book of two pages, filled.
void paintVORNMark(QPainter& painter, const QRectF& rect, const QColor& color);
// The shape of a pair of quotation marks in rect.
QPainterPath lucideQuoteShape(const QRectF& rect);

} // namespace Symbols

// A widget showing one symbol at a fixed size in a colour chosen at paint time.
class SymbolView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SymbolView)

public:
    using ColorOf = std::function<QColor(const QWidget&)>;

    SymbolView(Symbol symbol, int size, ColorOf color, QWidget* parent = nullptr);
    void setSymbol(Symbol symbol);
    void setColor(ColorOf color);
    // Background drawn behind the symbol (a rounded square of radius), none by default.
    void setBackground(ColorOf background, double radius);
    void setSymbolScale(double scale);
    [[nodiscard]] Symbol symbol() const { return m_symbol; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Symbol m_symbol;
    ColorOf m_color;
    ColorOf m_background;
    double m_radius = 0;
    double m_scale = 1.0;
};

// The product mark at a fixed size in the accent colour; hidden from accessibility.
class VORNMark final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VORNMark)

public:
    explicit VORNMark(int size, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
