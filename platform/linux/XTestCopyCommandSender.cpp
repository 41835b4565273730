#include "XTestCopyCommandSender.h"

#include "SyntheticInput.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

using Kind = ClipboardCaptureError::Kind;

// Keysyms (X11/keysymdef.h).
constexpr quint32 keysymC = 0x0063;
constexpr quint32 keysymShiftL = 0xffe1;
constexpr quint32 keysymControlL = 0xffe3;
constexpr quint32 modifierKeysyms[] = {0xffe1, 0xffe2, 0xffe3, 0xffe4, 0xffe7, 0xffe8,
                                       0xffe9, 0xffea, 0xffeb, 0xffec, 0xffed, 0xffee};

} // namespace

XTestCopyCommandSender::XTestCopyCommandSender(std::shared_ptr<X11Desktop> desktop)
    : XTestCopyCommandSender(std::move(desktop), Options())
{
}

XTestCopyCommandSender::XTestCopyCommandSender(std::shared_ptr<X11Desktop> desktop, Options options,
                                               QClipboard* clipboard)
    : m_desktop(std::move(desktop)), m_options(std::move(options)),
      m_clipboard(clipboard ? clipboard : (qGuiApp ? QGuiApplication::clipboard() : nullptr))
{
}

XTestCopyCommandSender::~XTestCopyCommandSender()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool XTestCopyCommandSender::isWaylandSession()
{
    return qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland" ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

XTestCopyCommandSender::CopyKind XTestCopyCommandSender::copyKind(const QString& instance,
                                                                  const QString& windowClass)
{
    static const QStringList ownCopy = {QStringLiteral("xterm"), QStringLiteral("uxterm"),
                                        QStringLiteral("urxvt"), QStringLiteral("rxvt")};
    static const QStringList terminals = {QStringLiteral("gnome-terminal-server"),
                                          QStringLiteral("gnome-terminal"),
                                          QStringLiteral("konsole"),
                                          QStringLiteral("xfce4-terminal"),
                                          QStringLiteral("kitty"),
                                          QStringLiteral("alacritty"),
                                          QStringLiteral("tilix")};
    const QString names[] = {instance.toLower(), windowClass.toLower()};
    for (const QString& name : names) {
        if (ownCopy.contains(name))
            return CopyKind::primaryToClipboard;
    }
    for (const QString& name : names) {
        if (terminals.contains(name))
            return CopyKind::controlShiftC;
    }
    return CopyKind::controlC;
}

bool XTestCopyCommandSender::connect()
{
    if (m_connection)
        return !xcb_connection_has_error(m_connection) && m_hasXTest;
    m_connection =
        xcb_connect(m_options.display.isEmpty() ? nullptr : m_options.display.constData(), nullptr);
    if (xcb_connection_has_error(m_connection))
        return false;
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(m_connection, &xcb_test_id);
    m_hasXTest = xtest && xtest->present;
    if (!m_hasXTest)
        return false;

    // Keycodes of the keys this sender presses and of those it waits for.
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    const quint8 first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    Reply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
        m_connection, xcb_get_keyboard_mapping(m_connection, first, quint8(count)), nullptr));
    if (!mapping)
        return false;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKeycode = mapping->keysyms_per_keycode;
    for (int i = 0; i < count; ++i) {
        const quint8 keycode = quint8(first + i);
        for (int column = 0; column < perKeycode; ++column) {
            const xcb_keysym_t keysym = keysyms[i * perKeycode + column];
            if (column == 0 && keysym == keysymC && !m_cKey)
                m_cKey = keycode;
            if (column == 0 && keysym == keysymControlL && !m_controlKey)
                m_controlKey = keycode;
            if (column == 0 && keysym == keysymShiftL && !m_shiftKey)
                m_shiftKey = keycode;
            if (std::ranges::find(modifierKeysyms, keysym) != std::end(modifierKeysyms) &&
                !m_modifierKeys.contains(keycode))
                m_modifierKeys.append(keycode);
        }
    }
    m_hasXTest = m_cKey && m_controlKey && m_shiftKey;
    return m_hasXTest;
}

XTestCopyCommandSender::Result XTestCopyCommandSender::activeWindowBelongsTo(qint32 processIdentifier)
{
    const std::optional<X11Desktop::Window> window = m_desktop->activeWindow();
    if (!window || m_desktop->windowPid(*window) != processIdentifier)
        return std::unexpected(Kind::sourceApplicationChanged);
    return {};
}

bool XTestCopyCommandSender::modifiersHeld()
{
    Reply<xcb_query_keymap_reply_t> keymap(
        xcb_query_keymap_reply(m_connection, xcb_query_keymap(m_connection), nullptr));
    if (!keymap)
        return true;
    return std::ranges::any_of(
        m_modifierKeys, [&](quint8 keycode) { return keymap->keys[keycode / 8] & (1 << (keycode % 8)); });
}

std::unique_ptr<QObject> XTestCopyCommandSender::sendCopy(qint32 processIdentifier, Completion completion)
{
    auto handle = std::make_unique<QObject>();
    auto* timer = new QTimer(handle.get());
    const auto deadline = std::chrono::steady_clock::now() + m_options.modifierReleaseLimit;
    const auto finish = [timer, completion = std::move(completion)](const Result& result) {
        timer->stop();
        completion(result); // may delete the handle later, never now
    };
    QObject::connect(timer, &QTimer::timeout, timer,
                     [this, timer, processIdentifier, deadline, finish, first = true]() mutable {
                         if (first) {
                             first = false;
                             timer->setInterval(m_options.modifierPoll);
                             if (processIdentifier <= 0 || m_options.waylandSession || !connect())
                                 return finish(std::unexpected(Kind::copyEventFailed));
                             if (const Result front = activeWindowBelongsTo(processIdentifier); !front)
                                 return finish(front);
                         }
                         if (modifiersHeld()) {
                             if (std::chrono::steady_clock::now() >= deadline)
                                 finish(std::unexpected(Kind::copyEventFailed));
                             return;
                         }
                         finish(deliver(processIdentifier));
                     });
    timer->start(0); // the first check from the event loop, then one per poll interval
    return handle;
}

XTestCopyCommandSender::Result XTestCopyCommandSender::deliver(qint32 processIdentifier)
{
    // The window may have changed while the user released the keys.
    const std::optional<X11Desktop::Window> window = m_desktop->activeWindow();
    if (!window || m_desktop->windowPid(*window) != processIdentifier)
        return std::unexpected(Kind::sourceApplicationChanged);
    const std::optional<std::pair<QString, QString>> windowClass = m_desktop->wmClass(*window);
    switch (windowClass ? copyKind(windowClass->first, windowClass->second) : CopyKind::controlC) {
    case CopyKind::controlC:
        return pressCopyKeys(false);
    case CopyKind::controlShiftC:
        return pressCopyKeys(true);
    case CopyKind::primaryToClipboard:
        return copyPrimaryToClipboard(processIdentifier);
    }
    Q_UNREACHABLE();
    return std::unexpected(Kind::copyEventFailed);
}

XTestCopyCommandSender::Result XTestCopyCommandSender::pressCopyKeys(bool withShift)
{
    const auto key = [&](quint8 type, quint8 keycode) {
        xcb_test_fake_input(m_connection, type, keycode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    };
    key(XCB_KEY_PRESS, m_controlKey);
    if (withShift)
        key(XCB_KEY_PRESS, m_shiftKey);
    key(XCB_KEY_PRESS, m_cKey);
    key(XCB_KEY_RELEASE, m_cKey);
    if (withShift)
        key(XCB_KEY_RELEASE, m_shiftKey);
    key(XCB_KEY_RELEASE, m_controlKey);
    // A round trip: the server has processed the events once it answers.
    Reply<xcb_get_input_focus_reply_t> synced(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    // The input monitor must not take these keys for the user's.
    SyntheticInput::markOwnInputSent();
    if (!synced || xcb_connection_has_error(m_connection))
        return std::unexpected(Kind::copyEventFailed);
    return {};
}

XTestCopyCommandSender::Result XTestCopyCommandSender::copyPrimaryToClipboard(qint32 processIdentifier)
{
    // Only the target's own selection: PRIMARY may still hold text that another
    // application selected earlier.
    Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, XCB_ATOM_PRIMARY), nullptr));
    if (!owner || owner->owner == XCB_WINDOW_NONE || m_desktop->windowPid(owner->owner) != processIdentifier)
        return std::unexpected(Kind::copiedTextUnavailable);
    if (!m_clipboard)
        return std::unexpected(Kind::copyEventFailed);
    const QString text = m_clipboard->text(QClipboard::Selection);
    if (text.isEmpty())
        return std::unexpected(Kind::copiedTextUnavailable);
    auto* mime = new QMimeData;
    mime->setText(text);
    m_clipboard->setMimeData(mime, QClipboard::Clipboard);
    return {};
}
