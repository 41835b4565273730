#pragma once

#include <QPoint>
#include <QWidget>

#include <functional>
#include <optional>

// A transparent area that moves its window when the user drags it (a base for
// headers that are drag areas): the window
// manager moves the window (startSystemMove); where it cannot, the drag moves the
// window itself.
class WindowDragHandle : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowDragHandle)

public:
    explicit WindowDragHandle(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::optional<QPoint> m_grabOffset; // pointer to window origin, while dragging ourselves
};

// A borderless floating panel above other applications' windows. Showing it leaves
// the user's application active; a click into it activates it, so that it takes the
// keyboard (Escape calls onCancel). Its content paints its own rounded surface: on a
// desktop with a compositor the corners are transparent, without one a rounded mask
// cuts them.
class FloatingKeyablePanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FloatingKeyablePanel)

public:
    explicit FloatingKeyablePanel(double cornerRadius, QWidget* parent = nullptr);
    ~FloatingKeyablePanel() override;

    // Called when the user presses Escape.
    std::function<void()> onCancel;

    // Tells whether the screen's windows are composited (transparent corners work).
    // The desktop adapter installs it; without one, the rounded mask is used.
    static void setCompositingProbe(std::function<bool(const QScreen*)> probe);
    // What the probe says of a screen; false without a probe.
    [[nodiscard]] static bool isComposited(const QScreen* screen);

signals:
    void moved();
    void resized();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateMask();

    double m_cornerRadius;
    bool m_filterInstalled = false;
};
