#pragma once

#include "AppServices.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <memory>
#include <optional>

class AppCoordinator;
class CitePanelView;
class FloatingKeyablePanel;

// Owns the floating cite panel: centres it over the result panel (or the pointer),
// keeps it inside the screen, and closes the cite view on Escape. The panel is built
// once and only ordered out, never destroyed while the controller lives.
//
// The coordinator must exist first: build the controller with it and hand it over
// with AppCoordinator::setCitePanelController.
class CitePanelController final : public QObject, public CitePanelControlling
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CitePanelController)

public:
    static constexpr int contentWidth = 460;
    static constexpr int contentHeight = 420;
    static constexpr int screenMargin = 8;

    explicit CitePanelController(AppCoordinator& coordinator, QObject* parent = nullptr);
    ~CitePanelController() override;

    void show(const std::optional<ScreenRect>& over) override;
    void hide() override;

    [[nodiscard]] FloatingKeyablePanel& panel() const { return *m_panel; }
    [[nodiscard]] CitePanelView& view() const { return *m_view; }

    // The top-left corner of a window of size centred on over (Qt's global space),
    // clamped screenMargin inside visible when there is one; when the window is larger
    // than the visible frame, its right and bottom edges are kept inside.
    [[nodiscard]] static QPoint placement(const QRect& over, QSize size, const std::optional<QRect>& visible);
    // The first screen whose frame meets over (a rectangle without area counts by its
    // corner), else primary; -1 without screens.
    [[nodiscard]] static qsizetype targetScreen(const QRect& over, const QList<QRect>& screens,
                                                qsizetype primary);

private:
    void layoutWindow();

    QPointer<AppCoordinator> m_coordinator;
    std::unique_ptr<FloatingKeyablePanel> m_panel;
    CitePanelView* m_view;
};
