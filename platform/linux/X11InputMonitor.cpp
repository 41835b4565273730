#include "X11InputMonitor.h"

#include "ScreenSpace.h"
#include "SyntheticInput.h"
#include "XTestCopyCommandSender.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QStyleHints>
#include <QWindow>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>
#include <cstring>

namespace {

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

constexpr quint32 buttonMask =
    XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE;

bool isScrollButton(quint32 button)
{
    return button >= 4 && button <= 7;
}

} // namespace

const QString X11InputMonitor::waylandReason =
    QStringLiteral("Under Wayland, VORN Cite cannot watch selections in other applications. Use Alt+Super+G "
                   "to find citations for a selection.");
const QString X11InputMonitor::noXInputReason =
    QStringLiteral("The X server does not offer XInput 2.2, which the selection badge needs.");

X11InputMonitor::X11InputMonitor(QObject* parent) : QObject(parent) {}

X11InputMonitor::~X11InputMonitor()
{
    disconnectFromServer();
}

std::optional<QString> X11InputMonitor::unavailableReason() const
{
    if (XTestCopyCommandSender::isWaylandSession() || QGuiApplication::platformName() != u"xcb")
        return waylandReason;
    return std::nullopt;
}

bool X11InputMonitor::installMouseMonitor(std::function<void(const MouseEvent&)> handler)
{
    if (unavailableReason() || !connectToServer())
        return false;
    m_mouseHandler = std::move(handler);
    m_leftDown = false;
    updateSelection();
    return true;
}

void X11InputMonitor::removeMouseMonitor()
{
    m_mouseHandler = nullptr;
    m_leftDown = false;
    updateSelection();
}

bool X11InputMonitor::installKeyMonitor(std::function<void()> handler)
{
    if (unavailableReason() || !connectToServer())
        return false;
    m_keyHandler = std::move(handler);
    updateSelection();
    return true;
}

void X11InputMonitor::removeKeyMonitor()
{
    m_keyHandler = nullptr;
    updateSelection();
}

bool X11InputMonitor::connectToServer()
{
    if (m_connection)
        return true;
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        disconnectFromServer();
        return false;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(m_connection, &xcb_input_id);
    if (!it.rem || !extension || !extension->present) {
        disconnectFromServer();
        return false;
    }
    m_root = it.data->root;
    m_opcode = extension->major_opcode;
    Reply<xcb_input_xi_query_version_reply_t> version(xcb_input_xi_query_version_reply(
        m_connection, xcb_input_xi_query_version(m_connection, 2, 2), nullptr));
    if (!version || version->major_version < 2 ||
        (version->major_version == 2 && version->minor_version < 2)) {
        disconnectFromServer();
        return false;
    }
    // The XTest devices, through which synthetic input arrives.
    m_xtestDevices.clear();
    Reply<xcb_input_xi_query_device_reply_t> devices(xcb_input_xi_query_device_reply(
        m_connection, xcb_input_xi_query_device(m_connection, XCB_INPUT_DEVICE_ALL), nullptr));
    if (devices) {
        for (auto info = xcb_input_xi_query_device_infos_iterator(devices.get()); info.rem;
             xcb_input_xi_device_info_next(&info)) {
            const QByteArray name(xcb_input_xi_device_info_name(info.data),
                                  xcb_input_xi_device_info_name_length(info.data));
            if (name.contains("XTEST"))
                m_xtestDevices.insert(info.data->deviceid);
        }
    }
    m_selectedMask = 0;
    m_notifier =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &X11InputMonitor::drain);
    return true;
}

void X11InputMonitor::disconnectFromServer()
{
    m_notifier.reset();
    if (m_connection)
        xcb_disconnect(m_connection);
    m_connection = nullptr;
    m_selectedMask = 0;
}

void X11InputMonitor::updateSelection()
{
    quint32 mask = 0;
    if (m_mouseHandler) {
        mask |= buttonMask;
        if (m_leftDown)
            mask |= XCB_INPUT_XI_EVENT_MASK_RAW_MOTION;
    }
    if (m_keyHandler)
        mask |= XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS;
    if (!m_connection || mask == m_selectedMask)
        return;
    if (mask == 0 && !m_mouseHandler && !m_keyHandler) {
        disconnectFromServer();
        return;
    }
    struct
    {
        xcb_input_event_mask_t head;
        quint32 bits;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, mask};
    xcb_input_xi_select_events(m_connection, m_root, 1, &selection.head);
    xcb_flush(m_connection);
    m_selectedMask = mask;
}

void X11InputMonitor::drain()
{
    if (!m_connection)
        return;
    ++m_wakeUps;
    while (Reply<xcb_generic_event_t> event{xcb_poll_for_event(m_connection)}) {
        if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
            continue;
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event.get());
        if (generic->extension != m_opcode)
            continue;
        // Raw key, button and motion events share this layout.
        const auto* raw = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(event.get());
        handleRawEvent(raw->event_type, raw->detail, raw->sourceid);
        if (!m_connection)
            return; // a handler removed the last monitor
    }
    if (xcb_connection_has_error(m_connection)) {
        // The X server went away; nothing more will come.
        m_notifier.reset();
    }
}

void X11InputMonitor::handleRawEvent(quint16 type, quint32 detail, quint16 sourceId)
{
    // Our own Copy keystrokes come through the XTest devices just after we sent them.
    // Other clients' XTest input is the user's (remote desktops, test drivers).
    if (m_xtestDevices.contains(sourceId) && SyntheticInput::isOwnInputExpected())
        return;
    switch (type) {
    case XCB_INPUT_RAW_KEY_PRESS: {
        if (!m_keyHandler || QGuiApplication::focusWindow())
            return; // typing into one of our own windows
        const std::function<void()> handler = m_keyHandler;
        handler();
        return;
    }
    case XCB_INPUT_RAW_MOTION:
        if (!m_leftDown || m_pressIgnored || m_dragReported || !m_mouseHandler)
            return;
        m_dragReported = true;
        m_mouseHandler(MouseEvent{EventType::leftMouseDragged, {}, 1, false});
        return;
    case XCB_INPUT_RAW_BUTTON_PRESS: {
        if (!m_mouseHandler)
            return;
        if (isScrollButton(detail)) {
            const std::optional<Pointer> pointer = queryPointer();
            if (pointer && !pointer->onOwnWindow)
                m_mouseHandler(MouseEvent{EventType::scrollWheel, pointer->desktop, 1, pointer->shift});
            return;
        }
        if (detail != 1)
            return;
        const std::optional<Pointer> pointer = queryPointer();
        m_leftDown = true;
        m_dragReported = false;
        m_pressIgnored = !pointer || pointer->onOwnWindow;
        updateSelection();
        if (m_pressIgnored)
            return;
        const QStyleHints* hints = QGuiApplication::styleHints();
        const bool repeated =
            m_sinceLastPress.isValid() && m_sinceLastPress.elapsed() <= hints->mouseDoubleClickInterval() &&
            (pointer->native - m_lastPressPoint).manhattanLength() <= hints->startDragDistance();
        m_clickCount = repeated ? m_clickCount + 1 : 1;
        m_lastPressPoint = pointer->native;
        m_sinceLastPress.start();
        m_mouseHandler(MouseEvent{EventType::leftMouseDown, pointer->desktop, m_clickCount, pointer->shift});
        return;
    }
    case XCB_INPUT_RAW_BUTTON_RELEASE: {
        if (!m_mouseHandler || detail != 1 || !m_leftDown)
            return;
        m_leftDown = false;
        updateSelection();
        if (m_pressIgnored)
            return;
        const std::optional<Pointer> pointer = queryPointer();
        if (!pointer)
            return;
        // A press that became a drag starts the count anew.
        if (m_dragReported)
            m_sinceLastPress.invalidate();
        m_mouseHandler(MouseEvent{EventType::leftMouseUp, pointer->desktop, m_clickCount, pointer->shift});
        return;
    }
    default:
        return;
    }
}

std::optional<X11InputMonitor::Pointer> X11InputMonitor::queryPointer()
{
    Reply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr));
    if (!reply || !reply->same_screen)
        return std::nullopt;
    Pointer pointer;
    pointer.native = QPointF(reply->root_x, reply->root_y);
    pointer.shift = (reply->mask & XCB_KEY_BUT_MASK_SHIFT) != 0;
    const QList<ScreenSpace::Screen> screens = ScreenSpace::guiScreens();
    const QPointF logical = ScreenSpace::toLogical(pointer.native, screens);
    const QWindow* own = QGuiApplication::topLevelAt(logical.toPoint());
    pointer.onOwnWindow = own && own->isVisible();
    const QRect primary = screens.isEmpty() ? QRect() : screens.constFirst().geometry;
    pointer.desktop =
        SystemPoint{logical.x() - primary.left(), primary.top() + primary.height() - logical.y()};
    return pointer;
}
