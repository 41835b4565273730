#include "QtClipboardPasteboard.h"

#include <QGuiApplication>
#include <QMimeData>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

const QString plainText = QStringLiteral("text/plain");
const QString applicationRtf = QStringLiteral("application/rtf");

// The aliases under which X11 applications look for the same content.
const std::pair<QString, QString> aliases[] = {{PasteboardType::string, plainText},
                                               {PasteboardType::rtf, applicationRtf}};

} // namespace

QtClipboardPasteboard::QtClipboardPasteboard(QClipboard* clipboard, QObject* parent)
    : QObject(parent), m_clipboard(clipboard ? clipboard : QGuiApplication::clipboard())
{
    Q_ASSERT(m_clipboard);
    connect(m_clipboard, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard)
            ++m_changeCount;
    });
}

QtClipboardPasteboard::~QtClipboardPasteboard() = default;

bool QtClipboardPasteboard::isPseudoTarget(const QString& format)
{
    static const QStringList targets = {QStringLiteral("TARGETS"), QStringLiteral("TIMESTAMP"),
                                        QStringLiteral("MULTIPLE"), QStringLiteral("SAVE_TARGETS"),
                                        QStringLiteral("DELETE")};
    return targets.contains(format) || format.startsWith(QStringLiteral("INSERT_"));
}

std::optional<QList<QStringList>> QtClipboardPasteboard::pasteboardItems()
{
    if (!m_clipboard)
        return std::nullopt;
    const QMimeData* mime = m_clipboard->mimeData(QClipboard::Clipboard);
    if (!mime)
        return std::nullopt;
    QStringList types;
    for (const QString& format : mime->formats()) {
        if (!isPseudoTarget(format) && !types.contains(format))
            types.append(format);
    }
    if (types.isEmpty())
        return std::nullopt;
    return QList<QStringList>{types};
}

std::optional<QByteArray> QtClipboardPasteboard::data(qsizetype item, const QString& type)
{
    if (!m_clipboard || item != 0 || type.isEmpty() || isPseudoTarget(type))
        return std::nullopt;
    const QMimeData* mime = m_clipboard->mimeData(QClipboard::Clipboard);
    if (!mime)
        return std::nullopt;
    QByteArray bytes = mime->data(type);
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

std::optional<QString> QtClipboardPasteboard::string(const QString& type)
{
    if (!m_clipboard)
        return std::nullopt;
    const QMimeData* mime = m_clipboard->mimeData(QClipboard::Clipboard);
    if (!mime)
        return std::nullopt;
    if (type == PasteboardType::string || type == plainText) {
        if (mime->hasText())
            return mime->text();
        // An owner that offers only the UTF-8 type (Qt maps plain text to "text/plain").
        const std::optional<QByteArray> utf8 = data(0, PasteboardType::string);
        return utf8 ? std::optional(QString::fromUtf8(*utf8)) : std::nullopt;
    }
    if (type == PasteboardType::html) {
        if (!mime->hasHtml())
            return std::nullopt;
        return mime->html();
    }
    const std::optional<QByteArray> bytes = data(0, type);
    if (!bytes)
        return std::nullopt;
    return QString::fromUtf8(*bytes);
}

bool QtClipboardPasteboard::publish(const QList<std::pair<QString, QByteArray>>& representations)
{
    auto* mime = new QMimeData;
    for (const auto& [type, bytes] : representations)
        mime->setData(type, bytes);
    for (const auto& [original, alias] : aliases) {
        if (mime->hasFormat(original) && !mime->hasFormat(alias))
            mime->setData(alias, mime->data(original));
    }
    m_clipboard->setMimeData(mime, QClipboard::Clipboard);
    return ownedByThisProcess();
}

bool QtClipboardPasteboard::ownedByThisProcess()
{
    // The X server refuses ownership requested with a time older than the current
    // owner's. Qt then still believes it owns the clipboard, so ask the server.
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return m_clipboard->ownsClipboard(); // not X11: Qt's answer is the platform's
    const auto freeReply = [](void* reply) { std::free(reply); };
    if (m_clipboardAtom == XCB_ATOM_NONE) {
        static constexpr char name[] = "CLIPBOARD";
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(freeReply)> atom(
            xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof(name) - 1, name),
                                  nullptr),
            freeReply);
        if (!atom)
            return false;
        m_clipboardAtom = atom->atom;
    }
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(freeReply)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, m_clipboardAtom),
                                      nullptr),
        freeReply);
    if (!owner || owner->owner == XCB_WINDOW_NONE)
        return false;
    // Every window this connection created has an id from its resource range.
    const xcb_setup_t* setup = xcb_get_setup(connection);
    return (owner->owner & ~setup->resource_id_mask) == setup->resource_id_base;
}

void QtClipboardPasteboard::clearContents()
{
    m_declaredTypes.reset();
    m_pending.clear();
    if (m_clipboard)
        publish({});
}

bool QtClipboardPasteboard::writeObjects(const QList<PasteboardWriteItem>& items)
{
    if (!m_clipboard || items.size() > 1)
        return false;
    m_declaredTypes.reset();
    m_pending.clear();
    if (items.isEmpty())
        return publish({});
    const QList<std::pair<QString, QByteArray>>& representations = items.first().representations();
    for (const auto& [type, bytes] : representations) {
        if (isPseudoTarget(type))
            return false;
    }
    return publish(representations);
}

void QtClipboardPasteboard::declareTypes(const QStringList& types)
{
    // Nothing is published yet: the content goes out whole once every declared
    // type is set, as one change that clipboard managers record once.
    m_declaredTypes = types;
    m_pending.clear();
}

bool QtClipboardPasteboard::setString(const QString& text, const QString& type)
{
    if (!m_clipboard || type.isEmpty() || isPseudoTarget(type))
        return false;
    if (m_declaredTypes && !m_declaredTypes->contains(type))
        return false;
    const QByteArray bytes = text.toUtf8();
    auto existing =
        std::find_if(m_pending.begin(), m_pending.end(), [&](const auto& r) { return r.first == type; });
    if (existing != m_pending.end())
        existing->second = bytes;
    else
        m_pending.append({type, bytes});
    if (!m_declaredTypes)
        return publish(m_pending);
    QList<std::pair<QString, QByteArray>> ordered;
    for (const QString& declared : *m_declaredTypes) {
        const auto set = std::find_if(m_pending.cbegin(), m_pending.cend(),
                                      [&](const auto& r) { return r.first == declared; });
        if (set == m_pending.cend())
            return true; // staged until the other declared types arrive
        ordered.append(*set);
    }
    return publish(ordered);
}
