#include "ResultPanelParts.h"

#include "Motion.h"
#include "ReferenceGroups.h"
#include "Symbols.h"
#include "Theme.h"

#include <QBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>

// PanelHeader

PanelHeader::PanelHeader(QWidget* parent) : WindowDragHandle(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 13, 14, 11);
    row->setSpacing(8);
    auto* mark = new VORNMark(17, this);
    row->addWidget(mark, 0, Qt::AlignVCenter);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(1);
    m_title = new QLabel(QStringLiteral("VORN Citations"), this);
    m_title->setFont(Theme::font(font(), 12.5, QFont::DemiBold));
    m_subtitle = new QLabel(this);
    m_subtitle->setFont(Theme::font(font(), 11));
    m_subtitle->setForegroundRole(QPalette::PlaceholderText);
    m_subtitle->setWordWrap(false);
    for (QLabel* label : {m_title, m_subtitle}) {
        label->setTextFormat(Qt::PlainText);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        titles->addWidget(label);
    }
    row->addLayout(titles, 1);

    m_close = new CircularCloseButton(this);
    row->addWidget(m_close, 0, Qt::AlignVCenter);
}

void PanelHeader::setSubtitle(const QString& subtitle)
{
    m_subtitle->setText(subtitle);
}

// ProgressSpinner

ProgressSpinner::ProgressSpinner(QWidget* parent) : QWidget(parent)
{
    setFixedSize(16, 16);
    m_turn = new QVariantAnimation(this);
    m_turn->setStartValue(0.0);
    m_turn->setEndValue(360.0);
    m_turn->setDuration(900);
    m_turn->setLoopCount(-1);
    connect(m_turn, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_angle = value.toDouble();
        update();
    });
    setAccessibleName(QStringLiteral("Searching…"));
}

void ProgressSpinner::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (Motion::isEnabled())
        m_turn->start();
}

void ProgressSpinner::hideEvent(QHideEvent* event)
{
    m_turn->stop();
    QWidget::hideEvent(event);
}

void ProgressSpinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ring = QRectF(rect()).adjusted(2, 2, -2, -2);
    QColor track = Theme::secondary(palette());
    track.setAlphaF(track.alphaF() * 0.3f);
    painter.setPen(QPen(track, 2));
    painter.drawEllipse(ring);
    QPen arc(Theme::secondary(palette()), 2);
    arc.setCapStyle(Qt::RoundCap);
    painter.setPen(arc);
    painter.drawArc(ring, int(-m_angle * 16), 100 * 16);
}

// LoadingView

LoadingView::LoadingView(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 40, 0, 44);
    column->setSpacing(14);
    column->addWidget(new ProgressSpinner(this), 0, Qt::AlignHCenter);
    m_text = new QLabel(QStringLiteral("Searching literature evidence…"), this);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setFont(Theme::font(font(), 12));
    m_text->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(m_text, 0, Qt::AlignHCenter);
}

// ReferenceListView

namespace {

class Hairline final : public QWidget
{
public:
    explicit Hairline(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Theme::of(*this).hairline);
    }
};

} // namespace

ReferenceListView::ReferenceListView(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    styleScrollBar();
    m_content = new QWidget;
    m_content->setAutoFillBackground(false);
    m_list = new QVBoxLayout(m_content);
    m_list->setContentsMargins(14, 10, 14, 12);
    m_list->setSpacing(9);
    m_scroll->setWidget(m_content);
    column->addWidget(m_scroll, 1);

    column->addWidget(new Hairline(this));
    m_footer = new QWidget(this);
    auto* row = new QHBoxLayout(m_footer);
    row->setContentsMargins(14, 10, 14, 10);
    row->setSpacing(8);
    m_note = new QLabel(
        QStringLiteral("Generated from VORN/PubMed evidence. Verify each source before citing."), m_footer);
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    m_note->setFont(Theme::font(font(), 10.5));
    m_note->setForegroundRole(QPalette::PlaceholderText);
    row->addWidget(m_note, 1);
    m_copyPlain =
        new StyledButton(QStringLiteral("Copy Plain Text"), StyledButton::Kind::secondary, true, m_footer);
    m_copyRich =
        new StyledButton(QStringLiteral("Copy Rich Report"), StyledButton::Kind::primary, true, m_footer);
    row->addWidget(m_copyPlain, 0, Qt::AlignVCenter);
    row->addWidget(m_copyRich, 0, Qt::AlignVCenter);
    column->addWidget(m_footer);
    connect(m_copyPlain, &QAbstractButton::clicked, this, &ReferenceListView::copyPlainRequested);
    connect(m_copyRich, &QAbstractButton::clicked, this, &ReferenceListView::copyRichRequested);
}

void ReferenceListView::styleScrollBar()
{
    Theme::styleThinScrollBar(*m_scroll->verticalScrollBar(), palette());
}

void ReferenceListView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        styleScrollBar();
    QWidget::changeEvent(event);
}

void ReferenceListView::setReferences(const QList<LiteratureReference>& references, bool includeEvidence,
                                      ReferenceAction open, ReferenceAction cite)
{
    while (QLayoutItem* item = m_list->takeAt(0)) {
        if (QWidget* widget = item->widget())
            delete widget;
        delete item;
    }
    for (const ReferenceGroup& group : ReferenceGroup::make(references)) {
        m_list->addWidget(new GroupLabel(group.title, m_content));
        for (const ReferenceGroup::Entry& entry : group.entries) {
            const LiteratureReference& reference = entry.reference;
            m_list->addWidget(new ReferenceCard(
                entry.index, reference, includeEvidence, [open, reference] { open(reference); },
                [cite, reference] { cite(reference); }, m_content));
        }
    }
    m_list->addStretch(1);
    m_scroll->verticalScrollBar()->setValue(0);
}

int ReferenceListView::preferredHeight(int width) const
{
    const int list = m_content->layout()->totalHeightForWidth(width);
    const int footer = m_footer->layout()->totalHeightForWidth(width);
    return list + 1 + footer;
}

QList<QWidget*> ReferenceListView::listItems() const
{
    QList<QWidget*> items;
    for (int i = 0; i < m_list->count(); ++i) {
        if (QWidget* widget = m_list->itemAt(i)->widget())
            items.append(widget);
    }
    return items;
}

QList<ReferenceCard*> ReferenceListView::cards() const
{
    QList<ReferenceCard*> cards;
    for (QWidget* widget : listItems()) {
        if (auto* card = qobject_cast<ReferenceCard*>(widget))
            cards.append(card);
    }
    return cards;
}

// DimmingLayer

DimmingLayer::DimmingLayer(double cornerRadius, QWidget* parent)
    : QWidget(parent), m_cornerRadius(cornerRadius)
{
    m_animation = Motion::easeOut(this, Motion::standardMilliseconds, [this](double v) {
        m_amount = v;
        update();
    });
    hide();
}

void DimmingLayer::setDimmed(bool dimmed)
{
    if (dimmed == m_dimmed)
        return;
    m_dimmed = dimmed;
    if (dimmed) {
        show();
        raise();
    }
    Motion::run(m_animation, m_amount, dimmed ? 1.0 : 0.0, [this] {
        if (!m_dimmed)
            hide();
    });
}

void DimmingLayer::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    painter.fillPath(shape, QColor::fromRgbF(0, 0, 0, float(0.28 * m_amount)));
}

void DimmingLayer::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (m_dimmed && onTap)
        onTap();
}
