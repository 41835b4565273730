#include "PasteboardAccessing.h"

#include "literature/Hashing.h"

#include <QStringDecoder>

#include <algorithm>

size_t qHash(const PasteboardRepresentationSnapshot& v, size_t seed)
{
    return HashCombiner(seed)(v.typeIdentifier)(v.data).value();
}

size_t qHash(const PasteboardItemSnapshot& v, size_t seed)
{
    return HashCombiner(seed)(v.representations).value();
}

size_t qHash(const PasteboardSnapshot& v, size_t seed)
{
    return HashCombiner(seed)(v.items)(v.startingChangeCount)(v.byteCount).value();
}

GeneralPasteboardAdapter::GeneralPasteboardAdapter(std::shared_ptr<PlatformPasteboardAccessing> pasteboard)
    : m_pasteboard(std::move(pasteboard))
{
    Q_ASSERT(m_pasteboard);
}

GeneralPasteboardAdapter::~GeneralPasteboardAdapter() = default;

qint64 GeneralPasteboardAdapter::changeCount() const
{
    return m_pasteboard->changeCount();
}

std::expected<PasteboardSnapshot, ClipboardCaptureError>
GeneralPasteboardAdapter::snapshot(qint64 maximumBytes)
{
    using Kind = ClipboardCaptureError::Kind;
    PasteboardSnapshot saved;
    saved.startingChangeCount = m_pasteboard->changeCount();
    const QList<QStringList> items = m_pasteboard->pasteboardItems().value_or(QList<QStringList>());

    // Markers first, so that nothing of concealed content is ever read.
    for (const QStringList& types : items) {
        if (std::ranges::any_of(types, PasteboardType::isConcealedMarker))
            return std::unexpected(Kind::clipboardConcealed);
        if (std::ranges::any_of(
                types, [](const QString& t) { return t.startsWith(PasteboardType::promisedPrefix); }))
            return std::unexpected(Kind::snapshotCouldNotMaterialize);
    }
    for (qsizetype item = 0; item < items.size(); ++item) {
        PasteboardItemSnapshot itemSnapshot;
        for (const QString& type : items[item]) {
            std::optional<QByteArray> data = m_pasteboard->data(item, type);
            if (!data)
                return std::unexpected(Kind::snapshotCouldNotMaterialize);
            saved.byteCount += data->size();
            if (saved.byteCount > maximumBytes)
                return std::unexpected(Kind::snapshotTooLarge);
            itemSnapshot.representations.append({type, std::move(*data)});
        }
        saved.items.append(std::move(itemSnapshot));
    }
    if (m_pasteboard->changeCount() != saved.startingChangeCount)
        return std::unexpected(Kind::clipboardChangedBeforeCopy);
    return saved;
}

std::expected<QString, ClipboardCaptureError> GeneralPasteboardAdapter::string(qint64 atStableChangeCount)
{
    if (m_pasteboard->changeCount() != atStableChangeCount)
        return std::unexpected(ClipboardCaptureError::Kind::copiedTextUnavailable);
    std::optional<QString> text = m_pasteboard->string(PasteboardType::string);
    if (!text || m_pasteboard->changeCount() != atStableChangeCount)
        return std::unexpected(ClipboardCaptureError::Kind::copiedTextUnavailable);
    return std::move(*text);
}

bool GeneralPasteboardAdapter::restore(const PasteboardSnapshot& snapshot, qint64 ifCurrentChangeCountIs)
{
    if (m_pasteboard->changeCount() != ifCurrentChangeCountIs)
        return false;
    QList<PasteboardWriteItem> items;
    for (const PasteboardItemSnapshot& saved : snapshot.items) {
        PasteboardWriteItem item;
        for (const PasteboardRepresentationSnapshot& representation : saved.representations) {
            if (!item.setData(representation.data, representation.typeIdentifier))
                return false; // an item that cannot be rebuilt: touch nothing
        }
        items.append(std::move(item));
    }
    if (items.isEmpty()) {
        m_pasteboard->clearContents();
        return !m_pasteboard->pasteboardItems().has_value();
    }
    // One write replaces the whole content, so the copied text and the restored
    // content are the only two changes other applications see.
    if (m_pasteboard->writeObjects(items))
        return true;

    // Put the plain text back at least; the caller still treats this as a failure.
    for (const PasteboardItemSnapshot& saved : snapshot.items) {
        for (const PasteboardRepresentationSnapshot& representation : saved.representations) {
            if (representation.typeIdentifier != PasteboardType::string &&
                representation.typeIdentifier != QLatin1StringView("text/plain"))
                continue;
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString text = decoder.decode(representation.data);
            if (!decoder.hasError()) {
                m_pasteboard->clearContents();
                m_pasteboard->setString(text, PasteboardType::string);
            }
            return false;
        }
    }
    return false;
}
