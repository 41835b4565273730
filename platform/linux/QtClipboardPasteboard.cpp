#include "QtClipboardPasteboard.h"

#include <QGuiApplication>
#include <QMimeData>

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
        if (!mime->hasText())
            return std::nullopt;
        return mime->text();
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
    // The X server refuses ownership requested with a time older than the current
    // owner's; Qt then keeps the old content.
    return m_clipboard->ownsClipboard();
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
    m_declaredTypes = types;
    m_pending.clear();
    if (m_clipboard)
        publish({});
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
    return publish(m_pending);
}
