#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>
#include <utility>

struct xcb_connection_t;

// A private connection to the X server for reading the window manager's state:
// the active window, the client windows in stacking order, their process ids,
// classes and geometry. Geometry is in native pixels, root coordinates. Every
// property read is bounded to 64 KiB. Main thread only.
class X11Desktop final
{
public:
    using Window = quint32;

    // Connects to displayName, by default $DISPLAY; without an X server every
    // query answers "none".
    explicit X11Desktop(const QByteArray& displayName = {});
    ~X11Desktop();
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    [[nodiscard]] bool isConnected() const;

    // The active client window; absent when there is none or it is the desktop or a dock.
    std::optional<Window> activeWindow();
    // _NET_WM_PID, or the X client's process id from the X-Resource extension
    // (version 1.2) where the server has it.
    std::optional<qint32> windowPid(Window window);
    // Client windows, topmost first.
    QList<Window> clientWindowsTopFirst();
    // The client area of a window in root coordinates.
    std::optional<QRect> windowGeometry(Window window);
    // The topmost client window that contains a point.
    std::optional<Window> clientWindowAt(QPoint point);
    // A text property (UTF8_STRING or STRING), cut at the first NUL.
    std::optional<QString> textProperty(Window window, const char* name);
    // The window that owns a selection ("PRIMARY", "CLIPBOARD"); absent when none does.
    std::optional<Window> selectionOwner(const char* selection);
    // WM_CLASS as (instance, class).
    std::optional<std::pair<QString, QString>> wmClass(Window window);

private:
    quint32 atom(const char* name);
    std::optional<QByteArray> property(Window window, quint32 property, quint32 type, quint8 format);
    QList<quint32> cardinals(Window window, const char* name, quint32 type);
    bool hasWindowType(Window window, std::initializer_list<const char*> types);
    bool hasClientIdQuery();

    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    QHash<QByteArray, quint32> m_atoms;
    std::optional<bool> m_hasClientIdQuery;
};
