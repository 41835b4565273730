#include "X11ActivationObserver.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};

} // namespace

X11ActivationObserver::X11ActivationObserver(std::shared_ptr<X11Desktop> desktop, QObject* parent)
    : QObject(parent), m_desktop(std::move(desktop))
{
}

X11ActivationObserver::~X11ActivationObserver()
{
    stopObserving();
}

void X11ActivationObserver::observe(std::function<void()> handler)
{
    stopObserving();
    m_handler = std::move(handler);
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        stopObserving();
        return;
    }
    m_root = it.data->root;
    const char name[] = "_NET_ACTIVE_WINDOW";
    std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> atom(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, quint16(std::strlen(name)), name), nullptr));
    m_activeWindowAtom = atom ? atom->atom : 0;
    const quint32 mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
    m_notifier =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &X11ActivationObserver::drain);
}

void X11ActivationObserver::stopObserving()
{
    m_notifier.reset();
    if (m_connection)
        xcb_disconnect(m_connection);
    m_connection = nullptr;
    m_handler = nullptr;
}

void X11ActivationObserver::drain()
{
    if (!m_connection)
        return;
    bool switched = false;
    while (std::unique_ptr<xcb_generic_event_t, FreeDeleter> event{xcb_poll_for_event(m_connection)}) {
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            continue;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        if (notify->window == m_root && notify->atom == m_activeWindowAtom)
            switched = true;
    }
    if (xcb_connection_has_error(m_connection)) {
        // The X server went away; nothing more will come.
        m_notifier.reset();
        return;
    }
    if (!switched || !m_handler)
        return;
    // No active window is the window manager between two windows, not a switch; a window
    // of this process is not another application.
    const std::optional<X11Desktop::Window> active = m_desktop->activeWindow();
    if (!active || m_desktop->windowPid(*active) == qint32(QCoreApplication::applicationPid()))
        return;
    const std::function<void()> handler = m_handler;
    handler();
}
