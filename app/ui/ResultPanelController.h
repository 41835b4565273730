#pragma once

#include "AppServices.h"
#include "ResultPanelView.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <memory>
#include <optional>

class AppCoordinator;
class FloatingKeyablePanel;

// Owns the floating result panel: shows it in the top-right corner of the screen that
// holds the selection (or the pointer), keeps its top-left corner while the content
// grows or shrinks, pushes it up rather than past the screen's bottom, keeps a place
// the user dragged it to, and cancels a loading query when it is hidden.
//
// The coordinator must exist first: build the controller with it and hand it over
// with AppCoordinator::setResultPanelController.
class ResultPanelController final : public QObject, public ResultPanelControlling
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultPanelController)

public:
    static constexpr int screenMargin = 16;
    static constexpr int heightReserve = 32;

    explicit ResultPanelController(AppCoordinator& coordinator, ResultPanelView::Actions actions = {},
                                   QObject* parent = nullptr);
    ~ResultPanelController() override;

    void show(const std::optional<ScreenRect>& anchor) override;
    void hide() override;
    [[nodiscard]] std::optional<ScreenRect> frame() const override;

    // What the panel's buttons open besides the coordinator's operations.
    void setActions(ResultPanelView::Actions actions);

    [[nodiscard]] FloatingKeyablePanel& panel() const { return *m_panel; }
    [[nodiscard]] ResultPanelView& view() const { return *m_view; }
    [[nodiscard]] std::optional<QPoint> pinnedTopLeft() const { return m_pinnedTopLeft; }

    // The screen for an anchor (in Qt's global coordinates): the first whose frame
    // meets it, else the one holding the pointer, else the primary screen; -1 without screens.
    [[nodiscard]] static qsizetype targetScreen(const std::optional<QRect>& anchor,
                                                const QList<QRect>& screens, QPoint pointer,
                                                qsizetype primary);
    // The top-left corner that keeps a window of height at top-left, raised so that its
    // bottom stays screenMargin above the visible bottom.
    [[nodiscard]] static QPoint pinned(QPoint topLeft, int height, const QRect& visible);
    // Desktop space (bottom-left origin on the primary screen) and Qt's global space.
    [[nodiscard]] static QRect toGlobal(const ScreenRect& rect, const QRect& primaryScreen);
    [[nodiscard]] static ScreenRect toDesktop(const QRect& rect, const QRect& primaryScreen);

private:
    void layoutWindow();
    void pin(QPoint topLeft);
    void windowDidResize();
    void windowDidMove();

    QPointer<AppCoordinator> m_coordinator;
    std::unique_ptr<FloatingKeyablePanel> m_panel;
    ResultPanelView* m_view;
    ResultPanelView::Actions m_actions;
    std::optional<QPoint> m_pinnedTopLeft;
    bool m_isRepositioning = false;
};
