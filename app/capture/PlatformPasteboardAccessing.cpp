#include "PlatformPasteboardAccessing.h"

bool PasteboardType::isConcealedMarker(const QString& type)
{
    return type == concealed || type == transient || type == passwordManagerHint;
}

bool PasteboardWriteItem::setData(const QByteArray& data, const QString& type)
{
    if (type.isEmpty())
        return false;
    for (const auto& [existing, bytes] : m_representations) {
        if (existing == type)
            return false;
    }
    m_representations.append({type, data});
    return true;
}
