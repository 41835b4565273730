#include "X11Desktop.h"

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// 64 KiB in 32-bit units.
constexpr quint32 maximumPropertyLength = 16384;

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

} // namespace

X11Desktop::X11Desktop(const QByteArray& displayName)
{
    int screenNumber = 0;
    m_connection = xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    m_root = it.data->root;
}

X11Desktop::~X11Desktop()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool X11Desktop::isConnected() const
{
    return m_connection && !xcb_connection_has_error(m_connection);
}

quint32 X11Desktop::atom(const char* name)
{
    if (!isConnected())
        return XCB_ATOM_NONE;
    const QByteArray key(name);
    if (const auto found = m_atoms.constFind(key); found != m_atoms.constEnd())
        return *found;
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, static_cast<quint16>(key.size()), key.constData()),
        nullptr));
    const quint32 value = reply ? reply->atom : quint32(XCB_ATOM_NONE);
    if (value != XCB_ATOM_NONE)
        m_atoms.insert(key, value);
    return value;
}

std::optional<QByteArray> X11Desktop::property(Window window, quint32 property, quint32 type, quint8 format)
{
    if (!isConnected() || property == XCB_ATOM_NONE)
        return std::nullopt;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, property, type, 0, maximumPropertyLength),
        nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE || reply->format != format)
        return std::nullopt;
    const int length = xcb_get_property_value_length(reply.get());
    if (length < 0)
        return std::nullopt;
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
}

QList<quint32> X11Desktop::cardinals(Window window, const char* name, quint32 type)
{
    const std::optional<QByteArray> bytes = property(window, atom(name), type, 32);
    QList<quint32> values;
    if (!bytes)
        return values;
    const qsizetype count = bytes->size() / qsizetype(sizeof(quint32));
    values.resize(count);
    std::memcpy(values.data(), bytes->constData(), size_t(count) * sizeof(quint32));
    return values;
}

bool X11Desktop::hasWindowType(Window window, std::initializer_list<const char*> types)
{
    const QList<quint32> present = cardinals(window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM);
    for (const char* type : types) {
        if (present.contains(atom(type)))
            return true;
    }
    return false;
}

std::optional<X11Desktop::Window> X11Desktop::activeWindow()
{
    if (!isConnected())
        return std::nullopt;
    const QList<quint32> active = cardinals(m_root, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
    if (active.isEmpty() || active.first() == XCB_WINDOW_NONE)
        return std::nullopt;
    if (hasWindowType(active.first(), {"_NET_WM_WINDOW_TYPE_DESKTOP", "_NET_WM_WINDOW_TYPE_DOCK"}))
        return std::nullopt;
    return active.first();
}

std::optional<qint32> X11Desktop::windowPid(Window window)
{
    if (!isConnected())
        return std::nullopt;
    const QList<quint32> pid = cardinals(window, "_NET_WM_PID", XCB_ATOM_CARDINAL);
    if (!pid.isEmpty() && pid.first() > 0 && pid.first() <= quint32(INT32_MAX))
        return static_cast<qint32>(pid.first());

    // The X client behind the window, as the server knows it. A request of an
    // extension the server lacks would close the whole connection.
    if (!hasClientIdQuery())
        return std::nullopt;
    xcb_res_client_id_spec_t clientQuery{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    Reply<xcb_res_query_client_ids_reply_t> reply(xcb_res_query_client_ids_reply(
        m_connection, xcb_res_query_client_ids(m_connection, 1, &clientQuery), nullptr));
    if (!reply)
        return std::nullopt;
    for (xcb_res_client_id_value_iterator_t it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem;
         xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
            xcb_res_client_id_value_value_length(it.data) == 1) {
            const quint32 value = *xcb_res_client_id_value_value(it.data);
            if (value > 0 && value <= quint32(INT32_MAX))
                return static_cast<qint32>(value);
        }
    }
    return std::nullopt;
}

bool X11Desktop::hasClientIdQuery()
{
    if (!m_hasClientIdQuery) {
        bool usable = false;
        const xcb_query_extension_reply_t* extension = xcb_get_extension_data(m_connection, &xcb_res_id);
        if (extension && extension->present) {
            // QueryClientIds came with version 1.2.
            Reply<xcb_res_query_version_reply_t> version(xcb_res_query_version_reply(
                m_connection, xcb_res_query_version(m_connection, 1, 2), nullptr));
            usable = version && (version->server_major > 1 ||
                                 (version->server_major == 1 && version->server_minor >= 2));
        }
        m_hasClientIdQuery = usable;
    }
    return *m_hasClientIdQuery;
}

QList<X11Desktop::Window> X11Desktop::clientWindowsTopFirst()
{
    QList<quint32> windows = cardinals(m_root, "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW);
    if (windows.isEmpty())
        windows = cardinals(m_root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW);
    std::reverse(windows.begin(), windows.end());
    return windows;
}

std::optional<QRect> X11Desktop::windowGeometry(Window window)
{
    if (!isConnected())
        return std::nullopt;
    const xcb_get_geometry_cookie_t geometryCookie = xcb_get_geometry(m_connection, window);
    const xcb_translate_coordinates_cookie_t originCookie =
        xcb_translate_coordinates(m_connection, window, m_root, 0, 0);
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(m_connection, geometryCookie, nullptr));
    Reply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(m_connection, originCookie, nullptr));
    if (!geometry || !origin)
        return std::nullopt;
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

std::optional<X11Desktop::Window> X11Desktop::clientWindowAt(QPoint point)
{
    for (Window window : clientWindowsTopFirst()) {
        Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        if (const std::optional<QRect> geometry = windowGeometry(window);
            geometry && geometry->contains(point))
            return window;
    }
    return std::nullopt;
}

std::optional<QString> X11Desktop::textProperty(Window window, const char* name)
{
    std::optional<QByteArray> bytes = property(window, atom(name), atom("UTF8_STRING"), 8);
    const bool utf8 = bytes.has_value();
    if (!bytes)
        bytes = property(window, atom(name), XCB_ATOM_STRING, 8);
    if (!bytes)
        return std::nullopt;
    const QByteArray text = bytes->left(bytes->indexOf('\0') < 0 ? bytes->size() : bytes->indexOf('\0'));
    return utf8 ? QString::fromUtf8(text) : QString::fromLatin1(text);
}

std::optional<std::pair<QString, QString>> X11Desktop::wmClass(Window window)
{
    const std::optional<QByteArray> bytes = property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8);
    if (!bytes)
        return std::nullopt;
    const QList<QByteArray> parts = bytes->split('\0');
    if (parts.size() < 2 || parts[1].isEmpty())
        return std::nullopt;
    return std::pair(QString::fromLatin1(parts[0]), QString::fromLatin1(parts[1]));
}

std::optional<X11Desktop::Window> X11Desktop::selectionOwner(const char* selection)
{
    const quint32 name = atom(selection);
    if (!isConnected() || name == XCB_ATOM_NONE)
        return std::nullopt;
    Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, name), nullptr));
    if (!reply || reply->owner == XCB_WINDOW_NONE)
        return std::nullopt;
    return reply->owner;
}
