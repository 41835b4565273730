#pragma once

#include "FloatingPanel.h"
#include "ToastView.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class AppCoordinator;
class DimmingLayer;
class LoadingView;
class PanelHeader;
class QLabel;
class QStackedWidget;
class QVariantAnimation;
class ReferenceListView;
class StatusView;

// The content of the result panel, drawn from the coordinator's state: the header,
// a hairline, and the content of the current phase (progress, grouped references with
// the report copies, or a status message); the toast and, while the cite panel is
// open, a dimming layer above them. It changes state only through the coordinator's
// operations and the actions it is given. A press on its background drags the panel.
class ResultPanelView final : public WindowDragHandle
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultPanelView)

public:
    static constexpr int panelWidth = 380;
    static constexpr int minimumHeight = 180;
    static constexpr double cornerRadius = 12;
    static constexpr int toastTop = 54;

    // What the view cannot do through the coordinator alone.
    struct Actions
    {
        std::function<void()> close; // the controller's hide()
        std::function<void()> openSettings; // bring the settings window forward
        std::function<void()> openAccessibilitySettings; // the desktop's accessibility settings
    };

    explicit ResultPanelView(AppCoordinator& coordinator, QWidget* parent = nullptr);
    ~ResultPanelView() override;

    void setActions(Actions actions);

    // The panel's height for the current content: what it needs, from 180 points up
    // to the coordinator's maximum.
    [[nodiscard]] int preferredHeight() const;
    [[nodiscard]] QSize sizeHint() const override;

    // The parts, for the window controller and for tests.
    [[nodiscard]] PanelHeader* header() const { return m_header; }
    // The coordinator's demo note under the header; null outside the demo mode.
    [[nodiscard]] QLabel* demoNote() const { return m_demoNote; }
    [[nodiscard]] QWidget* currentContent() const;
    [[nodiscard]] LoadingView* loadingView() const { return m_loading; }
    [[nodiscard]] StatusView* statusView() const { return m_status; }
    [[nodiscard]] ReferenceListView* referenceList() const { return m_list; }
    [[nodiscard]] ToastView* toastView() const { return m_toast; }
    [[nodiscard]] DimmingLayer* dimmingLayer() const { return m_dimming; }
    // Whether the toast is (or is becoming) visible.
    [[nodiscard]] bool isToastShown() const { return m_toast->isPresented(); }

    // The subtitle of the header for the coordinator's state.
    [[nodiscard]] static QString subtitle(const AppCoordinator& coordinator);

signals:
    // The preferred height may have changed.
    void preferredSizeChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    // The status page's nested layouts may hold sizes of its previous texts: invalidate
    // drops them (it posts a layout request, so never from inside one).
    void remeasure(bool invalidate);
    [[nodiscard]] int measure(bool invalidate) const;
    void showStatus();
    void errorAction();
    void updateToast();

    QPointer<AppCoordinator> m_coordinator;
    Actions m_actions;
    PanelHeader* m_header;
    QLabel* m_demoNote = nullptr;
    QStackedWidget* m_pages;
    LoadingView* m_loading;
    StatusView* m_status;
    ReferenceListView* m_list;
    ToastView* m_toast;
    DimmingLayer* m_dimming;
    bool m_listDirty = true;
    int m_lastPreferredHeight = -1;
};
