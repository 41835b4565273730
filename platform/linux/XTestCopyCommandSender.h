#pragma once

#include "CopyCommandSending.h"
#include "X11Desktop.h"

#include <QByteArray>
#include <QList>
#include <QPointer>

#include <chrono>
#include <memory>

class QClipboard;
struct xcb_connection_t;

// Copy for one process through XTest: key events go to the focused window, so
// they are sent only while the active window belongs to that process, and only
// once the user has let go of Shift, Ctrl, Alt and Super (still held from the
// shortcut, they would turn Ctrl+C into another command). Terminals get
// Ctrl+Shift+C. xterm and URxvt bind no Copy key: for them the sender performs
// their Copy itself, by putting the PRIMARY selection that the target process
// owns into CLIPBOARD. Under Wayland, without an X server or without XTest it
// fails with copyEventFailed. Main thread only.
class XTestCopyCommandSender final : public CopyCommandSending
{
public:
    struct Options
    {
        QByteArray display; // default: $DISPLAY
        bool waylandSession = isWaylandSession();
        std::chrono::milliseconds modifierReleaseLimit{2000};
        std::chrono::milliseconds modifierPoll{10};
    };

    // How Copy reaches an application, by the class of its window.
    enum class CopyKind
    {
        controlC,
        controlShiftC,
        primaryToClipboard
    };

    // clipboard defaults to the application's (needs a QGuiApplication).
    explicit XTestCopyCommandSender(std::shared_ptr<X11Desktop> desktop);
    XTestCopyCommandSender(std::shared_ptr<X11Desktop> desktop, Options options,
                           QClipboard* clipboard = nullptr);
    ~XTestCopyCommandSender() override;
    XTestCopyCommandSender(const XTestCopyCommandSender&) = delete;
    XTestCopyCommandSender& operator=(const XTestCopyCommandSender&) = delete;

    [[nodiscard]] std::unique_ptr<QObject> sendCopy(qint32 processIdentifier, Completion completion) override;

    // WM_CLASS instance and class of a window.
    static CopyKind copyKind(const QString& instance, const QString& windowClass);
    // Whether this session's display server is a Wayland compositor.
    static bool isWaylandSession();

private:
    using Result = std::expected<void, ClipboardCaptureError>;

    bool connect();
    Result activeWindowBelongsTo(qint32 processIdentifier);
    bool modifiersHeld();
    Result deliver(qint32 processIdentifier);
    Result pressCopyKeys(bool withShift);
    Result copyPrimaryToClipboard(qint32 processIdentifier);

    std::shared_ptr<X11Desktop> m_desktop;
    Options m_options;
    QPointer<QClipboard> m_clipboard;
    xcb_connection_t* m_connection = nullptr;
    bool m_hasXTest = false;
    quint8 m_controlKey = 0;
    quint8 m_shiftKey = 0;
    quint8 m_cKey = 0;
    QList<quint8> m_modifierKeys; // Shift, Ctrl, Alt, Meta, Super and Hyper keys
};
