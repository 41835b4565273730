#include "ResultPanelView.h"

#include "AppCoordinator.h"
#include "Motion.h"
#include "ResultPanelParts.h"
#include "StatusView.h"
#include "Theme.h"
#include "ToastView.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>

namespace {

bool hasReferences(const AppCoordinator& coordinator)
{
    return coordinator.result() && !coordinator.result()->references.isEmpty();
}

bool isKeyError(std::optional<FailureKind> kind)
{
    return kind == FailureKind::invalidKey || kind == FailureKind::missingKey;
}

const QString unknownError = QStringLiteral("An unknown error occurred.");

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

} // namespace

ResultPanelView::ResultPanelView(AppCoordinator& coordinator, QWidget* parent)
    : WindowDragHandle(parent), m_coordinator(&coordinator)
{
    setAttribute(Qt::WA_TranslucentBackground);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_header = new PanelHeader(this);
    column->addWidget(m_header);
    if (const std::optional<QString>& note = coordinator.demoNote()) {
        m_demoNote = new QLabel(*note, this);
        m_demoNote->setTextFormat(Qt::PlainText);
        m_demoNote->setWordWrap(true);
        m_demoNote->setFont(Theme::font(font(), 10.5));
        m_demoNote->setForegroundRole(QPalette::PlaceholderText);
        m_demoNote->setContentsMargins(14, 0, 14, 8);
        column->addWidget(m_demoNote);
    }
    column->addWidget(new Divider(this));

    m_pages = new QStackedWidget(this);
    // The panel's height follows the current page alone, not the tallest page.
    m_pages->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    m_loading = new LoadingView(m_pages);
    m_status = new StatusView(m_pages);
    m_list = new ReferenceListView(m_pages);
    for (QWidget* page :
         {static_cast<QWidget*>(m_loading), static_cast<QWidget*>(m_status), static_cast<QWidget*>(m_list)})
        m_pages->addWidget(page);
    column->addWidget(m_pages, 1);

    m_toast = new ToastView(toastTop, this);
    m_dimming = new DimmingLayer(cornerRadius, this);
    m_dimming->onTap = [this] {
        if (m_coordinator)
            m_coordinator->dismissCite();
    };

    connect(m_header->closeButton(), &QAbstractButton::clicked, this, [this] {
        if (m_coordinator)
            m_coordinator->dismissCite();
        if (m_actions.close)
            m_actions.close();
    });
    m_status->action = [this] { errorAction(); };
    connect(m_list, &ReferenceListView::copyPlainRequested, this, [this] {
        if (!m_coordinator)
            return;
        m_coordinator->copyPlainReport();
        m_coordinator->showToast(QStringLiteral("Plain-text report copied to clipboard"));
    });
    connect(m_list, &ReferenceListView::copyRichRequested, this, [this] {
        if (!m_coordinator)
            return;
        m_coordinator->copyRichReport();
        m_coordinator->showToast(QStringLiteral("Rich report copied to clipboard"));
    });

    // Every assignment notifies; the view redraws what the state now asks for.
    for (auto signal : {&AppCoordinator::phaseChanged, &AppCoordinator::errorMessageChanged,
                        &AppCoordinator::failureKindChanged, &AppCoordinator::resultPanelMaxHeightChanged,
                        &AppCoordinator::citeReferenceChanged})
        connect(&coordinator, signal, this, &ResultPanelView::refresh);
    connect(&coordinator, &AppCoordinator::resultChanged, this, [this] {
        m_listDirty = true;
        refresh();
    });
    connect(&coordinator.settings(), &AppSettings::includeEvidenceChanged, this, [this] {
        m_listDirty = true;
        refresh();
    });
    connect(&coordinator, &AppCoordinator::toastMessageChanged, this, &ResultPanelView::updateToast);
    refresh();
}

ResultPanelView::~ResultPanelView() = default;

void ResultPanelView::setActions(Actions actions)
{
    m_actions = std::move(actions);
}

QString ResultPanelView::subtitle(const AppCoordinator& coordinator)
{
    switch (coordinator.phase()) {
    case ResultPanelPhase::idle:
    case ResultPanelPhase::loading:
        return QStringLiteral("Searching…");
    case ResultPanelPhase::completed:
        return hasReferences(coordinator) ? QStringLiteral("Literature evidence for the text you select")
                                          : QStringLiteral("No structured references found");
    case ResultPanelPhase::failed:
        return isKeyError(coordinator.failureKind()) ? QStringLiteral("Authorization required")
                                                     : QStringLiteral("Request declined");
    }
    return {};
}

QWidget* ResultPanelView::currentContent() const
{
    return m_pages->currentWidget();
}

void ResultPanelView::refresh()
{
    if (!m_coordinator)
        return;
    const AppCoordinator& c = *m_coordinator;
    m_header->setSubtitle(subtitle(c));
    switch (c.phase()) {
    case ResultPanelPhase::idle:
    case ResultPanelPhase::loading:
        m_pages->setCurrentWidget(m_loading);
        break;
    case ResultPanelPhase::completed:
        if (hasReferences(c)) {
            if (m_listDirty) {
                m_listDirty = false;
                QPointer<AppCoordinator> coordinator = m_coordinator;
                m_list->setReferences(
                    c.result()->references, c.settings().includeEvidence(),
                    [coordinator](const LiteratureReference& r) {
                        if (coordinator)
                            coordinator->openReference(r);
                    },
                    [coordinator](const LiteratureReference& r) {
                        if (coordinator)
                            coordinator->presentCite(r);
                    });
            }
            m_pages->setCurrentWidget(m_list);
        } else {
            showStatus();
        }
        break;
    case ResultPanelPhase::failed:
        showStatus();
        break;
    }
    m_dimming->setDimmed(c.citeReference().has_value());
    updateToast();

    remeasure(true);
}

void ResultPanelView::remeasure(bool invalidate)
{
    const int preferred = measure(invalidate);
    if (preferred != m_lastPreferredHeight) {
        m_lastPreferredHeight = preferred;
        updateGeometry();
        emit preferredSizeChanged();
    }
}

bool ResultPanelView::event(QEvent* event)
{
    // Content that changed its size (an expanded quote, a wrapped message) asks for a
    // new layout: the panel's height may follow.
    // The layouts below are up to date by then.
    if (event->type() == QEvent::LayoutRequest)
        remeasure(false);
    return WindowDragHandle::event(event);
}

void ResultPanelView::showStatus()
{
    const AppCoordinator& c = *m_coordinator;
    const bool canRetry = c.canRetryLastQuery();
    const StatusView::Button retry{QStringLiteral("Retry"), StatusView::ButtonKind::secondary, true};
    if (c.phase() == ResultPanelPhase::completed) {
        StatusView::Button button = retry;
        button.enabled = canRetry;
        m_status->set(
            StatusView::IconKind::neutral(Symbol::infoCircle),
            QStringLiteral("No citation result is available yet"),
            QStringLiteral("The service returned no structured PubMed references for this request. Try "
                           "selecting a more specific sentence."),
            button);
    } else {
        const QString message = c.errorMessage().value_or(unknownError);
        const std::optional<StatusView::Button> retryIfPossible =
            canRetry ? std::optional<StatusView::Button>(retry) : std::nullopt;
        const auto warning = StatusView::IconKind::warningIcon();
        switch (c.failureKind().value_or(FailureKind::other)) {
        case FailureKind::invalidKey:
        case FailureKind::missingKey:
            m_status->set(
                warning, QStringLiteral("VORN rejected this API key"),
                QStringLiteral("Replace it with an active vorn_ key in Settings."),
                StatusView::Button{QStringLiteral("Open Settings"), StatusView::ButtonKind::primary, true});
            break;
        case FailureKind::accessibility:
            m_status->set(warning, QStringLiteral("Accessibility access is required"), message,
                          StatusView::Button{QStringLiteral("Open Accessibility Settings"),
                                             StatusView::ButtonKind::primary, true});
            break;
        case FailureKind::rateLimited:
            m_status->set(
                warning, QStringLiteral("VORN declined this request"),
                QStringLiteral("Usage or rate limits were reached. Check the account before retrying."),
                retryIfPossible);
            break;
        case FailureKind::invalidSelection:
            m_status->set(warning, QStringLiteral("This selection cannot be searched"), message,
                          retryIfPossible);
            break;
        case FailureKind::other:
            m_status->set(warning, QStringLiteral("VORN Cite could not complete the request"), message,
                          retryIfPossible);
            break;
        }
    }
    m_pages->setCurrentWidget(m_status);
}

void ResultPanelView::errorAction()
{
    if (!m_coordinator)
        return;
    const bool failed = m_coordinator->phase() == ResultPanelPhase::failed;
    const std::optional<FailureKind> kind = m_coordinator->failureKind();
    if (failed && isKeyError(kind)) {
        if (m_actions.openSettings)
            m_actions.openSettings();
    } else if (failed && kind == FailureKind::accessibility) {
        if (m_actions.openAccessibilitySettings)
            m_actions.openAccessibilitySettings();
    } else {
        m_coordinator->retryLastQuery();
    }
}

void ResultPanelView::updateToast()
{
    if (!m_coordinator)
        return;
    const std::optional<QString>& message = m_coordinator->toastMessage();
    m_toast->present(message.has_value() && !m_coordinator->citeReference().has_value() ? message
                                                                                        : std::nullopt);
    if (m_toast->isPresented())
        m_dimming->raise();
}

namespace {

// Cached heights of nested layouts are dropped too, not only the top one's.
void invalidateAll(QLayout* layout)
{
    if (!layout)
        return;
    layout->invalidate();
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        item->invalidate();
        if (item->layout())
            invalidateAll(item->layout());
        else if (item->widget() && item->widget()->layout())
            invalidateAll(item->widget()->layout());
    }
}

} // namespace

int ResultPanelView::preferredHeight() const
{
    return m_lastPreferredHeight >= 0 ? m_lastPreferredHeight : measure(true);
}

int ResultPanelView::measure(bool invalidate) const
{
    QWidget* page = m_pages->currentWidget();
    if (invalidate && page == m_status)
        invalidateAll(page->layout());
    int content = 0;
    if (page == m_list) {
        content = m_list->preferredHeight(panelWidth);
    } else if (page->layout() && page->layout()->hasHeightForWidth()) {
        content = page->layout()->totalHeightForWidth(panelWidth);
    } else {
        content = page->sizeHint().height();
    }
    const int note = m_demoNote ? m_demoNote->heightForWidth(panelWidth) : 0;
    const int needed = m_header->sizeHint().height() + note + 1 + content;
    const int maximum = m_coordinator ? int(m_coordinator->resultPanelMaxHeight()) : 560;
    return std::clamp(needed, minimumHeight, std::max(minimumHeight, maximum));
}

QSize ResultPanelView::sizeHint() const
{
    return {panelWidth, preferredHeight()};
}

void ResultPanelView::resizeEvent(QResizeEvent* event)
{
    WindowDragHandle::resizeEvent(event);
    m_dimming->setGeometry(rect());
    m_toast->place();
}

void ResultPanelView::changeEvent(QEvent* event)
{
    // Another appearance: everything that paints from the theme paints again.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ThemeChange)
        update();
    WindowDragHandle::changeEvent(event);
}

void ResultPanelView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Theme& theme = Theme::of(*this);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    painter.fillPath(shape, theme.panelSurface);
    painter.setPen(QPen(theme.hairline, 1));
    painter.drawPath(shape);
}
