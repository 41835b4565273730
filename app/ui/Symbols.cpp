#include "Symbols.h"

#include "Theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPathStroker>

#include <cmath>

namespace Symbols {

namespace {

QRectF centredSquare(const QRectF& rect)
{
    const double side = std::min(rect.width(), rect.height());
    return QRectF(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
}

QPen strokePen(const QColor& color, double width)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

} // namespace

void paint(QPainter& painter, Symbol symbol, const QRectF& area, const QColor& color, int number)
{
    const QRectF r = centredSquare(area);
    const double s = r.width();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    switch (symbol) {
    case Symbol::infoCircle: {
        const double w = s * 0.08;
        painter.setPen(strokePen(color, w));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(r.adjusted(w, w, -w, -w));
        painter.drawLine(QPointF(r.center().x(), r.top() + s * 0.45),
                         QPointF(r.center().x(), r.top() + s * 0.72));
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(QPointF(r.center().x(), r.top() + s * 0.30), s * 0.06, s * 0.06);
        break;
    }
    case Symbol::exclamationmarkTriangle: {
        const double w = s * 0.08;
        QPainterPath triangle;
        triangle.moveTo(r.center().x(), r.top() + s * 0.10);
        triangle.lineTo(r.right() - s * 0.06, r.bottom() - s * 0.12);
        triangle.lineTo(r.left() + s * 0.06, r.bottom() - s * 0.12);
        triangle.closeSubpath();
        painter.setPen(strokePen(color, w));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(triangle);
        painter.drawLine(QPointF(r.center().x(), r.top() + s * 0.38),
                         QPointF(r.center().x(), r.top() + s * 0.60));
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(QPointF(r.center().x(), r.top() + s * 0.72), s * 0.05, s * 0.05);
        break;
    }
    case Symbol::exclamationmarkTriangleFill: {
        QPainterPath triangle;
        triangle.moveTo(r.center().x(), r.top() + s * 0.06);
        triangle.lineTo(r.right() - s * 0.02, r.bottom() - s * 0.08);
        triangle.lineTo(r.left() + s * 0.02, r.bottom() - s * 0.08);
        triangle.closeSubpath();
        QPainterPathStroker rounding;
        rounding.setWidth(s * 0.08);
        rounding.setJoinStyle(Qt::RoundJoin);
        const QPainterPath body = triangle.united(rounding.createStroke(triangle));
        // The mark is cut out, so the background shows through it.
        QPainterPath bar;
        bar.moveTo(r.center().x(), r.top() + s * 0.36);
        bar.lineTo(r.center().x(), r.top() + s * 0.62);
        QPainterPathStroker stroker;
        stroker.setWidth(s * 0.11);
        stroker.setCapStyle(Qt::RoundCap);
        QPainterPath mark = stroker.createStroke(bar);
        mark.addEllipse(QPointF(r.center().x(), r.top() + s * 0.76), s * 0.065, s * 0.065);
        painter.fillPath(body.subtracted(mark), color);
        break;
    }
    case Symbol::xmark: {
        painter.setPen(strokePen(color, s * 0.16));
        const double i = s * 0.2;
        painter.drawLine(r.topLeft() + QPointF(i, i), r.bottomRight() - QPointF(i, i));
        painter.drawLine(r.topRight() + QPointF(-i, i), r.bottomLeft() + QPointF(i, -i));
        break;
    }
    case Symbol::chevronDown: {
        painter.setPen(strokePen(color, s * 0.16));
        painter.setBrush(Qt::NoBrush);
        QPainterPath chevron;
        chevron.moveTo(r.left() + s * 0.15, r.top() + s * 0.35);
        chevron.lineTo(r.center().x(), r.top() + s * 0.68);
        chevron.lineTo(r.right() - s * 0.15, r.top() + s * 0.35);
        painter.drawPath(chevron);
        break;
    }
    case Symbol::checkmarkCircleFill: {
        QPainterPath circle;
        circle.addEllipse(r);
        QPainterPath check;
        check.moveTo(r.left() + s * 0.28, r.top() + s * 0.52);
        check.lineTo(r.left() + s * 0.44, r.top() + s * 0.67);
        check.lineTo(r.left() + s * 0.72, r.top() + s * 0.35);
        QPainterPathStroker stroker;
        stroker.setWidth(s * 0.11);
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setJoinStyle(Qt::RoundJoin);
        painter.fillPath(circle.subtracted(stroker.createStroke(check)), color);
        break;
    }
    case Symbol::numberSquareFill: {
        const QRectF square = r.adjusted(s * 0.06, s * 0.06, -s * 0.06, -s * 0.06);
        QPainterPath body;
        body.addRoundedRect(square, s * 0.2, s * 0.2);
        QFont font = painter.font();
        font.setPixelSize(std::max(6, int(std::lround(s * (number >= 10 ? 0.58 : 0.68)))));
        font.setBold(true);
        QPainterPath figure;
        const QString text = QString::number(number);
        const QFontMetricsF metrics(font);
        const QRectF bounds = metrics.tightBoundingRect(text);
        figure.addText(square.center().x() - bounds.center().x(), square.center().y() - bounds.center().y(),
                       font, text);
        painter.fillPath(body.subtracted(figure), color);
        break;
    }
    case Symbol::booksVerticalFill: {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawRoundedRect(QRectF(r.left() + s * 0.12, r.top() + s * 0.15, s * 0.2, s * 0.7), s * 0.04,
                                s * 0.04);
        painter.drawRoundedRect(QRectF(r.left() + s * 0.38, r.top() + s * 0.15, s * 0.2, s * 0.7), s * 0.04,
                                s * 0.04);
        painter.translate(r.left() + s * 0.72, r.top() + s * 0.2);
        painter.rotate(-15);
        painter.drawRoundedRect(QRectF(0, 0, s * 0.18, s * 0.68), s * 0.04, s * 0.04);
        break;
    }
    }
    painter.restore();
}

void paintVORNMark(QPainter& painter, const QRectF& area, const QColor& color)
{
    const QRectF r = centredSquare(area);
    const double s = r.width();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.addRoundedRect(r, s * 0.24, s * 0.24);
    // A "V" of two pages meeting at the spine.
    QPainterPath pages;
    pages.moveTo(r.left() + s * 0.22, r.top() + s * 0.28);
    pages.lineTo(r.center().x(), r.top() + s * 0.78);
    pages.lineTo(r.right() - s * 0.22, r.top() + s * 0.28);
    QPainterPathStroker stroker;
    stroker.setWidth(s * 0.14);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    painter.fillPath(body.subtracted(stroker.createStroke(pages)), color);
    painter.restore();
}

QPainterPath lucideQuoteShape(const QRectF& rect)
{
    // Two marks, each a round head with a tail curving down-left.
    QPainterPath path;
    const double w = rect.width();
    const double h = rect.height();
    for (const double offset : {0.0, 0.52}) {
        const double left = rect.left() + w * (0.04 + offset);
        const double markWidth = w * 0.40;
        QPainterPath mark;
        mark.addRoundedRect(QRectF(left, rect.top() + h * 0.16, markWidth, h * 0.40), markWidth * 0.18,
                            markWidth * 0.18);
        QPainterPath tail;
        tail.moveTo(left + markWidth, rect.top() + h * 0.36);
        tail.cubicTo(left + markWidth, rect.top() + h * 0.70, left + markWidth * 0.7, rect.top() + h * 0.84,
                     left + markWidth * 0.15, rect.top() + h * 0.86);
        QPainterPathStroker stroker;
        stroker.setWidth(std::max(1.2, w * 0.13));
        stroker.setCapStyle(Qt::RoundCap);
        path.addPath(mark.united(stroker.createStroke(tail)));
    }
    return path.simplified();
}

} // namespace Symbols

SymbolView::SymbolView(Symbol symbol, int size, ColorOf color, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_color(std::move(color))
{
    setFixedSize(size, size);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SymbolView::setSymbol(Symbol symbol)
{
    m_symbol = symbol;
    update();
}

void SymbolView::setColor(ColorOf color)
{
    m_color = std::move(color);
    update();
}

void SymbolView::setBackground(ColorOf background, double radius)
{
    m_background = std::move(background);
    m_radius = radius;
    update();
}

void SymbolView::setSymbolScale(double scale)
{
    m_scale = scale;
    update();
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF all = rect();
    if (m_background) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_background(*this));
        painter.drawRoundedRect(all, m_radius, m_radius);
    }
    const double inset = all.width() * (1.0 - m_scale) / 2;
    Symbols::paint(painter, m_symbol, all.adjusted(inset, inset, -inset, -inset), m_color(*this));
}

namespace {

// The mark is decoration: assistive technologies are told it is not there to read.
class HiddenFromAccessibility final : public QAccessibleWidget
{
public:
    explicit HiddenFromAccessibility(QWidget* widget) : QAccessibleWidget(widget) {}
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        return state;
    }
};

QAccessibleInterface* decorationAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("VORNMark") && object && object->isWidgetType())
        return new HiddenFromAccessibility(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

VORNMark::VORNMark(int size, QWidget* parent) : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(decorationAccessible);
        return true;
    }();
    Q_UNUSED(installed);
    setFixedSize(size, size);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void VORNMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Symbols::paintVORNMark(painter, rect(), Theme::of(*this).accent);
}
