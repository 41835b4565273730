#include "X11GlobalHotKey.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr xcb_keysym_t keysymG = 0x0067;
constexpr xcb_keysym_t keysymAltL = 0xffe9, keysymAltR = 0xffea;
constexpr xcb_keysym_t keysymSuperL = 0xffeb, keysymSuperR = 0xffec;
constexpr xcb_keysym_t keysymNumLock = 0xff7f;

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};

struct KeySymbols
{
    explicit KeySymbols(xcb_connection_t* connection) : symbols(xcb_key_symbols_alloc(connection)) {}
    ~KeySymbols()
    {
        if (symbols)
            xcb_key_symbols_free(symbols);
    }
    KeySymbols(const KeySymbols&) = delete;
    KeySymbols& operator=(const KeySymbols&) = delete;
    xcb_key_symbols_t* symbols;
};

// The first keycode that produces keysym, or 0.
quint8 keycodeOf(xcb_key_symbols_t* symbols, xcb_keysym_t keysym)
{
    std::unique_ptr<xcb_keycode_t, FreeDeleter> codes(xcb_key_symbols_get_keycode(symbols, keysym));
    return codes ? codes.get()[0] : 0;
}

X11GlobalHotKey::Modifiers readModifiers(xcb_connection_t* connection, xcb_key_symbols_t* symbols)
{
    X11GlobalHotKey::Modifiers found;
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, FreeDeleter> mapping(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!mapping)
        return found;
    const int perModifier = mapping->keycodes_per_modifier;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mapping.get());
    bool alt = false, super = false, numLock = false;
    // Mod1 to Mod5 only: Shift, Lock and Control are fixed.
    for (int modifier = 3; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[modifier * perModifier + i];
            if (code == 0)
                continue;
            const quint16 bit = quint16(1u << modifier);
            for (int column = 0; column < 4; ++column) {
                const xcb_keysym_t sym = xcb_key_symbols_get_keysym(symbols, code, column);
                if (!alt && (sym == keysymAltL || sym == keysymAltR)) {
                    found.alt = bit;
                    alt = true;
                } else if (!super && (sym == keysymSuperL || sym == keysymSuperR)) {
                    found.super = bit;
                    super = true;
                } else if (!numLock && sym == keysymNumLock) {
                    found.numLock = bit;
                    numLock = true;
                }
            }
        }
    }
    return found;
}

} // namespace

X11GlobalHotKey::X11GlobalHotKey(xcb_connection_t* connection, quint32 root, QObject* parent)
    : QObject(parent), m_connection(connection), m_root(root)
{
}

std::unique_ptr<X11GlobalHotKey> X11GlobalHotKey::forApplication()
{
    xcb_connection_t* connection = nullptr;
    quint32 root = 0;
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        connection = x11->connection();
        if (connection) {
            const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
            root = screens.rem ? screens.data->root : 0;
        }
    }
    return std::make_unique<X11GlobalHotKey>(connection, root);
}

X11GlobalHotKey::~X11GlobalHotKey()
{
    unregisterHotKey();
}

bool X11GlobalHotKey::seesEveryKey() const
{
    return m_connection && qEnvironmentVariable("XDG_SESSION_TYPE") != u"wayland";
}

QList<quint16> X11GlobalHotKey::variants() const
{
    const quint16 base = m_modifiers.alt | m_modifiers.super;
    const quint16 lock = XCB_MOD_MASK_LOCK;
    return {base, quint16(base | lock), quint16(base | m_modifiers.numLock),
            quint16(base | lock | m_modifiers.numLock)};
}

std::expected<GlobalHotKeyRegistrationReport, GlobalHotKeyError>
X11GlobalHotKey::registerHotKey(std::function<void()> handler)
{
    unregisterHotKey();
    // Under Wayland an X grab sees only the keys typed into X clients.
    if (!seesEveryKey())
        return std::unexpected(GlobalHotKeyError::desktopShortcutRequired());
    if (xcb_connection_has_error(m_connection) || m_root == 0 || !QCoreApplication::instance())
        return std::unexpected(GlobalHotKeyError::couldNotInstallHandler(-1));

    m_handler = std::move(handler);
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_filterInstalled = true;

    {
        const KeySymbols symbols(m_connection);
        if (!symbols.symbols) {
            m_report.availability = GlobalHotKeyAvailability::unavailable(-1);
            return m_report;
        }
        m_modifiers = readModifiers(m_connection, symbols.symbols);
        m_keycode = keycodeOf(symbols.symbols, keysymG);
    }
    if (m_keycode == 0) {
        m_report.availability = GlobalHotKeyAvailability::unavailable(-1);
        return m_report;
    }

    const QList<quint16> masks = variants();
    QList<xcb_void_cookie_t> cookies;
    for (const quint16 mask : masks) {
        cookies.append(xcb_grab_key_checked(m_connection, 1, m_root, mask, m_keycode, XCB_GRAB_MODE_ASYNC,
                                            XCB_GRAB_MODE_ASYNC));
    }
    std::optional<qint32> refused;
    QList<quint16> taken;
    for (qsizetype i = 0; i < cookies.size(); ++i) {
        std::unique_ptr<xcb_generic_error_t, FreeDeleter> error(xcb_request_check(m_connection, cookies[i]));
        if (error) {
            if (!refused)
                refused = error->error_code;
        } else {
            taken.append(masks[i]);
        }
    }
    if (refused) {
        // Give back what was taken: the shortcut is someone else's.
        for (const quint16 mask : taken)
            xcb_ungrab_key(m_connection, m_keycode, m_root, mask);
        xcb_flush(m_connection);
        m_report.availability = GlobalHotKeyAvailability::unavailable(*refused);
        return m_report;
    }
    m_isGrabbed = true;
    m_report.availability = GlobalHotKeyAvailability::registered();
    return m_report;
}

void X11GlobalHotKey::ungrab()
{
    m_isPressed = false;
    if (!m_isGrabbed)
        return;
    m_isGrabbed = false;
    if (!m_connection || xcb_connection_has_error(m_connection))
        return;
    for (const quint16 mask : variants())
        xcb_ungrab_key(m_connection, m_keycode, m_root, mask);
    xcb_flush(m_connection);
}

void X11GlobalHotKey::unregisterHotKey()
{
    ungrab();
    if (m_filterInstalled && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    m_filterInstalled = false;
    m_handler = nullptr;
    m_report = {};
}

bool X11GlobalHotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (!m_isGrabbed || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const quint8 type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    // Press and release events have the same layout.
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (key->detail != m_keycode || key->root != m_root)
        return false;
    if (type == XCB_KEY_PRESS) {
        const quint16 wanted = m_modifiers.alt | m_modifiers.super;
        const quint16 ignored = XCB_MOD_MASK_LOCK | m_modifiers.numLock;
        const quint16 relevant = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_2 |
                                 XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;
        if ((key->state & relevant & ~ignored) != wanted)
            return false;
        m_isPressed = true;
        return true;
    }
    if (!m_isPressed)
        return false;
    // The press holds the keyboard (an active grab) until G is released, and the
    // application in front sees its focus leave meanwhile: act on the release, when
    // the focus has returned to it. Never inside Qt's event dispatch: the handler
    // runs from the event loop.
    m_isPressed = false;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_handler) {
                const std::function<void()> handler = m_handler;
                handler();
            }
        },
        Qt::QueuedConnection);
    return true;
}
