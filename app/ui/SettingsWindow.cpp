#include "SettingsWindow.h"

#include "AppCoordinator.h"
#include "SettingsControls.h"
#include "SettingsPanes.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// "gearshape", "text.book.closed" and "hand.raised", drawn in a square of side s.
void paintPaneSymbol(QPainter& painter, SettingsWindow::Pane pane, const QRectF& r, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = std::min(r.width(), r.height());
    const QPointF c = r.center();
    QPen pen(color, s * 0.12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (pane) {
    case SettingsWindow::Pane::general: {
        // A gear: eight teeth around a ring.
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        for (int i = 0; i < 8; ++i) {
            painter.save();
            painter.translate(c);
            painter.rotate(i * 45.0);
            painter.drawRoundedRect(QRectF(-s * 0.09, -s * 0.5, s * 0.18, s * 0.24), s * 0.03, s * 0.03);
            painter.restore();
        }
        QPainterPath ring;
        ring.addEllipse(c, s * 0.36, s * 0.36);
        ring.addEllipse(c, s * 0.15, s * 0.15);
        painter.drawPath(ring);
        break;
    }
    case SettingsWindow::Pane::literature: {
        // A closed book with lines of text on its cover.
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const QRectF book(c.x() - s * 0.34, c.y() - s * 0.42, s * 0.68, s * 0.84);
        painter.drawRoundedRect(book, s * 0.08, s * 0.08);
        painter.drawLine(QPointF(book.left() + s * 0.16, book.top()),
                         QPointF(book.left() + s * 0.16, book.bottom()));
        QPen thin(color, s * 0.08, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(thin);
        for (const double y : {0.28, 0.46})
            painter.drawLine(QPointF(book.left() + s * 0.3, book.top() + s * y),
                             QPointF(book.right() - s * 0.12, book.top() + s * y));
        break;
    }
    case SettingsWindow::Pane::privacy: {
        // A raised hand: four fingers, a thumb and the palm.
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        const double w = s * 0.13;
        const double xs[] = {-0.24, -0.08, 0.08, 0.24};
        const double tops[] = {-0.30, -0.44, -0.42, -0.30};
        for (int i = 0; i < 4; ++i)
            painter.drawRoundedRect(QRectF(c.x() + s * xs[i] - w / 2, c.y() + s * tops[i], w, s * 0.5), w / 2,
                                    w / 2);
        painter.save();
        painter.translate(c.x() - s * 0.3, c.y() + s * 0.12);
        painter.rotate(-40);
        painter.drawRoundedRect(QRectF(-w / 2, -s * 0.3, w, s * 0.36), w / 2, w / 2);
        painter.restore();
        painter.drawRoundedRect(QRectF(c.x() - s * 0.31, c.y() - s * 0.02, s * 0.62, s * 0.48), s * 0.18,
                                s * 0.18);
        break;
    }
    }
    painter.restore();
}

class SidebarEntry final : public QAbstractButton
{
public:
    SidebarEntry(SettingsWindow::Pane pane, QWidget* parent) : QAbstractButton(parent), m_pane(pane)
    {
        const QString title = SettingsWindow::title(pane);
        setText(title);
        setAccessibleName(title + QStringLiteral(" settings"));
        setCheckable(true);
        setFont(Theme::font(font(), 12.5));
        setFixedHeight(32);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const Theme& theme = Theme::of(*this);
        const bool selected = isChecked();
        if (selected) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(theme.accentDeep);
            painter.drawRoundedRect(QRectF(rect()).adjusted(0, 1, 0, -1), 7, 7);
        } else if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
            painter.setPen(QPen(theme.accent, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 7, 7);
        }
        const QColor textColor = selected ? QColor(Qt::white) : palette().color(QPalette::WindowText);
        // The symbol at 11 points in a 22-point rounded square.
        const QRectF tile(6, (height() - 22) / 2.0, 22, 22);
        QColor tileFill = selected ? QColor(255, 255, 255, 50) : Theme::quaternaryFill(palette());
        painter.setPen(Qt::NoPen);
        painter.setBrush(tileFill);
        painter.drawRoundedRect(tile, 6, 6);
        const QRectF symbol(tile.center() - QPointF(5.5, 5.5), QSizeF(11, 11));
        paintPaneSymbol(painter, m_pane, symbol, selected ? QColor(Qt::white) : theme.accent);
        painter.setPen(textColor);
        painter.setFont(font());
        painter.drawText(QRectF(tile.right() + 8, 0, width() - tile.right() - 12, height()),
                         Qt::AlignVCenter | Qt::AlignLeft, text());
    }

private:
    SettingsWindow::Pane m_pane;
};

constexpr SettingsWindow::Pane allPanes[] = {SettingsWindow::Pane::general, SettingsWindow::Pane::literature,
                                             SettingsWindow::Pane::privacy};

} // namespace

QString SettingsWindow::title(Pane pane)
{
    switch (pane) {
    case Pane::general:
        return QStringLiteral("General");
    case Pane::literature:
        return QStringLiteral("Literature");
    case Pane::privacy:
        return QStringLiteral("Privacy");
    }
    return {};
}

SettingsWindow::SettingsWindow(AppCoordinator& coordinator, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("VORN Cite Settings"));
    setMinimumSize(600, 440);
    resize(600, 440);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* sidebar = new ThemedSurface([](const Theme& t) { return t.insetSurface; }, true, this);
    sidebar->setFixedWidth(158);
    auto* sidebarLayout = new QVBoxLayout(sidebar);
    sidebarLayout->setContentsMargins(10, 14, 11, 14);
    sidebarLayout->setSpacing(2);
    for (const Pane pane : allPanes) {
        auto* entry = new SidebarEntry(pane, sidebar);
        connect(entry, &QAbstractButton::clicked, this, [this, pane] { selectPane(pane); });
        sidebarLayout->addWidget(entry);
        m_entries.append(entry);
    }
    sidebarLayout->addStretch(1);
    layout->addWidget(sidebar);

    auto* content = new ThemedSurface([](const Theme& t) { return t.cardSurface; }, false, this);
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    m_stack = new QStackedWidget(content);
    m_general = new GeneralSettingsPane(coordinator);
    m_literature = new LiteratureSettingsPane(coordinator);
    m_privacy = new PrivacySettingsPane(coordinator);
    for (QWidget* pane : {static_cast<QWidget*>(m_general), static_cast<QWidget*>(m_literature),
                          static_cast<QWidget*>(m_privacy)}) {
        auto* scroll = new QScrollArea();
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setWidget(pane);
        // The card surface shows through (setWidget turns the pane's filling on).
        scroll->setAutoFillBackground(false);
        scroll->viewport()->setAutoFillBackground(false);
        pane->setAutoFillBackground(false);
        m_stack->addWidget(scroll);
    }
    contentLayout->addWidget(m_stack);
    layout->addWidget(content, 1);

    installSettingsShortcut(*this, coordinator);
    selectPane(Pane::general);
}

void SettingsWindow::selectPane(Pane pane)
{
    m_pane = pane;
    for (int i = 0; i < m_entries.size(); ++i)
        m_entries[i]->setChecked(allPanes[i] == pane);
    m_stack->setCurrentIndex(int(pane));
}

QAbstractButton* SettingsWindow::sidebarEntry(Pane pane) const
{
    return m_entries.value(int(pane));
}

void SettingsWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    QTimer::singleShot(0, this, [] { deactivateIfNoWindowsRemain(); });
}

void deactivateIfNoWindowsRemain() {}

void installSettingsShortcut(QWidget& window, AppCoordinator& coordinator)
{
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), &window);
    shortcut->setContext(Qt::WindowShortcut);
    AppCoordinator* c = &coordinator;
    QObject::connect(shortcut, &QShortcut::activated, &window, [c] { c->showSettings(); });
}
