#include "ClipboardKeeper.h"

#include "QtClipboardPasteboard.h"

#include <QClipboard>
#include <QDataStream>
#include <QGuiApplication>
#include <QIODevice>
#include <QMimeData>

#include <xcb/xcb.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>

extern char** environ;

namespace ClipboardKeeper {
namespace {

// What a keeper accepts on its input: the largest clipboard a capture saves, with room.
constexpr qint64 maximumInput = 64LL * 1024 * 1024;

using Representations = QList<std::pair<QString, QByteArray>>;

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};

xcb_connection_t* x11Connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name)
{
    const std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, quint16(name.size()), name.constData()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t owner(xcb_connection_t* connection, xcb_atom_t selection)
{
    if (selection == XCB_ATOM_NONE)
        return XCB_WINDOW_NONE;
    const std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> reply(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
    return reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
}

bool isOwnWindow(xcb_connection_t* connection, xcb_window_t window)
{
    const xcb_setup_t* setup = xcb_get_setup(connection);
    return window != XCB_WINDOW_NONE && (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

bool sendAll(int fd, const QByteArray& bytes)
{
    qint64 sent = 0;
    while (sent < bytes.size()) {
        // No SIGPIPE when the keeper is gone.
        const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

std::optional<QByteArray> readInput()
{
    QByteArray input;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return input;
        if (input.size() + n > maximumInput)
            return std::nullopt;
        input.append(buffer, n);
    }
}

} // namespace

bool handOverIfOwned(const QString& program)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection || xcb_connection_has_error(connection))
        return false;
    const xcb_window_t ownerWindow = owner(connection, atom(connection, "CLIPBOARD"));
    if (!isOwnWindow(connection, ownerWindow))
        return false;
    // A clipboard manager gets the content from Qt as the application ends.
    if (owner(connection, atom(connection, "CLIPBOARD_MANAGER")) != XCB_WINDOW_NONE)
        return false;
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!mime)
        return false;
    Representations representations;
    for (const QString& format : mime->formats()) {
        if (!QtClipboardPasteboard::isPseudoTarget(format))
            representations.append({format, mime->data(format)});
    }
    if (representations.isEmpty())
        return false;
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out << quint32(ownerWindow) << representations;
    }

    int channel[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, channel[0], STDIN_FILENO);
    const QByteArray path = program.toLocal8Bit();
    char argument[sizeof keeperArgument];
    std::copy(std::begin(keeperArgument), std::end(keeperArgument), argument);
    char* const argv[] = {const_cast<char*>(path.constData()), argument, nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, path.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(channel[0]);
    const bool handedOver = spawned == 0 && sendAll(channel[1], payload);
    ::close(channel[1]);
    return handedOver;
}

int serve(int argc, char** argv)
{
    const std::optional<QByteArray> input = readInput();
    if (!input)
        return 1;
    quint32 previousOwner = 0;
    Representations representations;
    QDataStream in(*input);
    in >> previousOwner >> representations;
    if (in.status() != QDataStream::Ok || representations.isEmpty())
        return 1;

    QGuiApplication application(argc, argv);
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return 1;
    // Only the content the application left: if another client has taken the
    // clipboard meanwhile, it is theirs.
    const xcb_window_t current = owner(connection, atom(connection, "CLIPBOARD"));
    if (current != XCB_WINDOW_NONE && current != previousOwner)
        return 0;
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto* mime = new QMimeData();
    for (const auto& [type, bytes] : representations)
        mime->setData(type, bytes);
    clipboard->setMimeData(mime, QClipboard::Clipboard);
    QObject::connect(clipboard, &QClipboard::changed, &application, [clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard())
            QCoreApplication::quit();
    });
    if (!clipboard->ownsClipboard())
        return 0;
    return QGuiApplication::exec();
}

} // namespace ClipboardKeeper
