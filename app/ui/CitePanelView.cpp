#include "CitePanelView.h"

#include "AppCoordinator.h"
#include "Buttons.h"
#include "CitationPasteboard.h"
#include "CitePanelParts.h"
#include "FloatingPanel.h"
#include "Motion.h"
#include "ResultPanelParts.h"
#include "Symbols.h"
#include "Theme.h"
#include "ToastView.h"
#include "citation/CitationExport.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>

namespace {

constexpr int sideMargin = 20;

class Divider final : public QWidget
{
public:
    explicit Divider(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Theme::of(*this).hairline);
    }
};

// The sheet's surface: the card colour in a rounded rectangle with a hairline.
class Sheet final : public QWidget
{
public:
    explicit Sheet(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const Theme& theme = Theme::of(*this);
        const QRectF outline = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(theme.hairline, 1));
        painter.setBrush(theme.cardSurface);
        painter.drawRoundedRect(outline, CitePanelView::cornerRadius - 0.5,
                                CitePanelView::cornerRadius - 0.5);
    }
};

QString detailStatusText(const CiteDetailStatus& status)
{
    switch (status.kind) {
    case CiteDetailStatus::Kind::idle:
        return {};
    case CiteDetailStatus::Kind::loading:
        return QStringLiteral("Fetching details from PubMed…");
    case CiteDetailStatus::Kind::fromPubMed:
        return QStringLiteral("Volume, pages and DOI from PubMed");
    case CiteDetailStatus::Kind::unavailable:
        // The reason is for diagnostics; the user learns what the citations rest on.
        return QStringLiteral("PubMed details unavailable; VORN data only");
    }
    return {};
}

} // namespace

CitePanelView::CitePanelView(AppCoordinator& coordinator, QWidget* parent)
    : QWidget(parent), m_coordinator(&coordinator), m_today([] { return QDate::currentDate(); })
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_sheet = new Sheet(this);
    auto* column = new QVBoxLayout(m_sheet);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Header: the title on a drag handle, the close button 20 points from the right.
    m_header = new WindowDragHandle(m_sheet);
    auto* headerRow = new QHBoxLayout(m_header);
    headerRow->setContentsMargins(sideMargin, 16, sideMargin, 14);
    auto* title = new QLabel(QStringLiteral("Cite"), m_header);
    title->setTextFormat(Qt::PlainText);
    title->setFont(Theme::font(font(), 17, QFont::Bold));
    title->setAttribute(Qt::WA_TransparentForMouseEvents);
    headerRow->addWidget(title, 0, Qt::AlignVCenter);
    headerRow->addStretch(1);
    m_close = new CircularCloseButton(m_header);
    headerRow->addWidget(m_close, 0, Qt::AlignVCenter);
    connect(m_close, &QAbstractButton::clicked, this, [this] {
        if (m_coordinator)
            m_coordinator->dismissCite();
    });
    column->addWidget(m_header);
    column->addWidget(new Divider(m_sheet));

    m_scroll = new QScrollArea(m_sheet);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_content = new QWidget(m_scroll);
    m_styles = new QVBoxLayout(m_content);
    m_styles->setContentsMargins(sideMargin, 14, sideMargin, 16);
    m_styles->setSpacing(0);
    m_scroll->setWidget(m_content);
    // The sheet shows through (setWidget turns the filling on).
    m_content->setAutoFillBackground(false);
    styleScrollBar();
    column->addWidget(m_scroll);
    column->addWidget(new Divider(m_sheet));

    // Footer: the two exports, then the warning above the detail status line.
    auto* footer = new QWidget(m_sheet);
    auto* footerRow = new QHBoxLayout(footer);
    footerRow->setContentsMargins(sideMargin, 12, sideMargin, 14);
    footerRow->setSpacing(8);
    m_bibtex = new OutlineButton(QStringLiteral("BibTeX"), footer);
    m_endNote = new OutlineButton(QStringLiteral("EndNote"), footer);
    footerRow->addWidget(m_bibtex, 0, Qt::AlignVCenter);
    footerRow->addWidget(m_endNote, 0, Qt::AlignVCenter);
    footerRow->addStretch(1);
    connect(m_bibtex, &QAbstractButton::clicked, this, [this] {
        if (m_coordinator && m_coordinator->citeReference())
            copyExport(CitationFormatter::bibtex(*m_coordinator->citeReference()),
                       QStringLiteral("BibTeX entry copied to clipboard"));
    });
    connect(m_endNote, &QAbstractButton::clicked, this, [this] {
        if (m_coordinator && m_coordinator->citeReference())
            copyExport(CitationFormatter::ris(*m_coordinator->citeReference()),
                       QStringLiteral("EndNote (RIS) record copied to clipboard"));
    });

    auto* notes = new QVBoxLayout;
    notes->setSpacing(3);
    m_warning = new QWidget(footer);
    auto* warningRow = new QHBoxLayout(m_warning);
    warningRow->setContentsMargins(0, 0, 0, 0);
    warningRow->setSpacing(4);
    m_warningSymbol = new SymbolView(
        Symbol::exclamationmarkTriangleFill, 12, [](const QWidget& w) { return Theme::of(w).danger; },
        m_warning);
    warningRow->addWidget(m_warningSymbol, 0, Qt::AlignVCenter);
    m_warningLabel = new QLabel(m_warning);
    m_warningLabel->setTextFormat(Qt::PlainText);
    m_warningLabel->setFont(Theme::font(font(), 10.5, QFont::DemiBold));
    warningRow->addWidget(m_warningLabel, 0, Qt::AlignVCenter);
    notes->addWidget(m_warning, 0, Qt::AlignRight);

    m_status = new QWidget(footer);
    auto* statusRow = new QHBoxLayout(m_status);
    statusRow->setContentsMargins(0, 0, 0, 0);
    statusRow->setSpacing(6);
    auto* spinner = new ProgressSpinner(m_status);
    spinner->setFixedSize(12, 12);
    spinner->setAccessibleName(QString());
    m_spinner = spinner;
    statusRow->addWidget(m_spinner, 0, Qt::AlignVCenter);
    m_statusLabel = new QLabel(m_status);
    m_statusLabel->setTextFormat(Qt::PlainText);
    m_statusLabel->setFont(Theme::font(font(), 10.5));
    m_statusLabel->setForegroundRole(QPalette::PlaceholderText);
    statusRow->addWidget(m_statusLabel, 0, Qt::AlignVCenter);
    notes->addWidget(m_status, 0, Qt::AlignRight);
    footerRow->addLayout(notes);
    column->addWidget(footer);

    m_toast = new ToastView(toastTop, this);

    // Every assignment notifies; the view redraws what the state now asks for.
    connect(&coordinator, &AppCoordinator::citeReferenceChanged, this, &CitePanelView::refresh);
    connect(&coordinator, &AppCoordinator::citeDetailStatusChanged, this, &CitePanelView::updateFooter);
    connect(&coordinator, &AppCoordinator::toastMessageChanged, this, &CitePanelView::updateToast);
    refresh();
}

CitePanelView::~CitePanelView() = default;

void CitePanelView::setToday(std::function<QDate()> today)
{
    m_today = today ? std::move(today) : [] { return QDate::currentDate(); };
    if (m_sheetShown)
        renderStyles();
}

void CitePanelView::refresh()
{
    const bool show = m_coordinator && m_coordinator->citeReference().has_value();
    m_sheetShown = show;
    m_sheet->setVisible(show);
    if (show)
        renderStyles();
    updateFooter();
    updateToast();
    emit preferredSizeChanged();
}

void CitePanelView::renderStyles()
{
    while (QLayoutItem* item = m_styles->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_headings.clear();
    m_boxes.clear();
    if (!m_coordinator || !m_coordinator->citeReference())
        return;
    const LiteratureReference& reference = *m_coordinator->citeReference();
    // The day of access is the day the styles are drawn.
    const QDate today = m_today();
    bool first = true;
    for (const CitationFormatter::Style style : CitationFormatter::allStyles) {
        const QString longName = CitationFormatter::longName(style);
        if (!first)
            m_styles->addSpacing(8);
        first = false;
        auto* heading = new QLabel(CitationFormatter::rawValue(style), m_content);
        heading->setTextFormat(Qt::PlainText);
        heading->setFont(Theme::font(font(), 12.5, QFont::Bold));
        heading->setToolTip(longName);
        heading->setAccessibleName(longName);
        m_styles->addWidget(heading);
        m_styles->addSpacing(5);
        m_headings.append(heading);

        const FormattedCitation citation = CitationFormatter::formattedCitation(reference, style, today);
        auto* box = new FormatBox(
            longName + QStringLiteral(" citation"), citation,
            [this, style, citation] { copyCitation(style, citation); }, m_content);
        m_styles->addWidget(box);
        m_boxes.append(box);
        // Measured below before the event loop would show them.
        heading->show();
        box->show();
    }
    // At most 460 points tall; longer content scrolls.
    const int contentHeight = m_styles->heightForWidth(panelWidth);
    m_scroll->setFixedHeight(std::min(contentHeight, maximumScrollHeight));
    m_scroll->verticalScrollBar()->setValue(0);
}

void CitePanelView::updateFooter()
{
    if (!m_coordinator)
        return;
    const std::optional<LiteratureReference>& reference = m_coordinator->citeReference();
    const std::optional<ArticleMetadata>& article = reference ? reference->article : std::nullopt;
    QString warning;
    QColor warningColor;
    bool retracted = false;
    if (article && article->isRetracted()) {
        warning = QStringLiteral("PubMed marks this article as retracted");
        retracted = true;
    } else if (article && article->isPreprint()) {
        warning = QStringLiteral("Preprint: not peer reviewed");
    }
    m_warning->setVisible(!warning.isEmpty());
    m_warningLabel->setText(warning);
    m_warningLabel->setAccessibleName(warning);
    QPalette palette = m_warningLabel->palette();
    palette.setColor(QPalette::WindowText, retracted ? Theme::of(*this).danger : Theme::of(*this).amber);
    m_warningLabel->setPalette(palette);
    m_warningSymbol->setVisible(retracted);

    const CiteDetailStatus& status = m_coordinator->citeDetailStatus();
    const QString text = detailStatusText(status);
    m_status->setVisible(!text.isEmpty());
    m_statusLabel->setText(text);
    m_spinner->setVisible(status.kind == CiteDetailStatus::Kind::loading);
    emit preferredSizeChanged();
}

QString CitePanelView::warningText() const
{
    return m_sheetShown && !m_warning->isHidden() ? m_warningLabel->text() : QString();
}

QString CitePanelView::statusText() const
{
    return m_sheetShown && !m_status->isHidden() ? m_statusLabel->text() : QString();
}

bool CitePanelView::isStatusSpinning() const
{
    return m_sheetShown && !m_status->isHidden() && !m_spinner->isHidden();
}

void CitePanelView::copyCitation(CitationFormatter::Style style, const FormattedCitation& citation)
{
    if (!m_coordinator)
        return;
    PlatformPasteboardAccessing* pasteboard = m_coordinator->pasteboard();
    // A clipboard that refused the content gets no confirmation.
    if (pasteboard && CitationPasteboard::write(citation, *pasteboard))
        m_coordinator->showToast(CitationFormatter::rawValue(style) +
                                 QStringLiteral(" citation copied to clipboard"));
}

void CitePanelView::copyExport(const QString& text, const QString& confirmation)
{
    PlatformPasteboardAccessing* pasteboard = m_coordinator->pasteboard();
    if (pasteboard && CitationPasteboard::writePlainText(text, *pasteboard))
        m_coordinator->showToast(confirmation);
}

QSize CitePanelView::preferredSize() const
{
    if (!m_sheetShown)
        return {panelWidth, placeholderHeight};
    return {panelWidth, m_sheet->layout()->sizeHint().height()};
}

QRect CitePanelView::sheetRect() const
{
    return QRect(0, 0, width(), std::min(height(), preferredSize().height()));
}

void CitePanelView::updateToast()
{
    if (!m_coordinator)
        return;
    const std::optional<QString>& message = m_coordinator->toastMessage();
    m_toast->present(message.has_value() && m_sheetShown ? message : std::nullopt);
}

void CitePanelView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_sheet->setGeometry(sheetRect());
    m_toast->place();
}

void CitePanelView::styleScrollBar()
{
    Theme::styleThinScrollBar(*m_scroll->verticalScrollBar(), palette());
}

void CitePanelView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ThemeChange ||
        event->type() == QEvent::StyleChange) {
        styleScrollBar();
        updateFooter();
    }
    QWidget::changeEvent(event);
}
