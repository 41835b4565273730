#include "StatusView.h"

#include "SpacedText.h"
#include "Theme.h"

#include <QBoxLayout>

StatusView::StatusView(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 34, 20, 40);
    column->setSpacing(10);

    m_icon = new SymbolView(Symbol::infoCircle, 30, [this](const QWidget& w) {
        return m_warning ? Theme::of(w).danger : Theme::secondary(w.palette());
    });
    m_icon->setBackground(
        [this](const QWidget& w) { return m_warning ? Theme::of(w).dangerSoft : Theme::of(w).insetSurface; },
        8);
    m_icon->setSymbolScale(0.55);
    column->addWidget(m_icon, 0, Qt::AlignHCenter);

    m_headline = new QLabel(this);
    m_headline->setTextFormat(Qt::PlainText);
    m_headline->setFont(Theme::font(font(), 12.5, QFont::DemiBold));
    m_headline->setAlignment(Qt::AlignHCenter);
    m_headline->setWordWrap(true);
    column->addWidget(m_headline);

    m_body = new QLabel(this);
    m_body->setTextFormat(Qt::RichText);
    m_body->setFont(Theme::font(font(), 11.5));
    m_body->setForegroundRole(QPalette::PlaceholderText);
    m_body->setAlignment(Qt::AlignHCenter);
    m_body->setWordWrap(true);
    m_body->setMaximumWidth(280);
    m_body->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Centred and at most 280 points wide, its height following its width.
    auto* bodyRow = new QHBoxLayout;
    bodyRow->addStretch(1);
    bodyRow->addWidget(m_body, 100);
    bodyRow->addStretch(1);
    column->addLayout(bodyRow);

    m_button = new StyledButton(QString(), ButtonKind::secondary, false, this);
    column->addSpacing(4);
    column->addWidget(m_button, 0, Qt::AlignHCenter);
    connect(m_button, &QAbstractButton::clicked, this, [this] {
        if (action)
            action();
    });
}

void StatusView::set(IconKind icon, const QString& headline, const QString& body,
                     const std::optional<Button>& button)
{
    m_warning = icon.warning;
    m_icon->setSymbol(icon.symbol);
    m_icon->update();
    m_headline->setText(headline);
    m_bodyText = body;
    m_body->setText(SpacedText::html(body, 2));
    m_body->setAccessibleName(body);
    if (button) {
        m_button->setText(button->title);
        m_button->setKind(button->kind);
        m_button->setEnabled(button->enabled);
        m_button->updateGeometry();
    }
    m_button->setVisible(button.has_value());
    updateGeometry();
}

StyledButton* StatusView::button() const
{
    return m_button->isVisibleTo(this) ? m_button : nullptr;
}
