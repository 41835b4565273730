#include "CitationPasteboard.h"

#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>

namespace CitationPasteboard {

bool write(const FormattedCitation& citation, PlatformPasteboardAccessing& pasteboard)
{
    // One write with every flavour: clearing first and adding the flavours one by one
    // would publish an empty and then a partial clipboard on the way.
    PasteboardWriteItem item;
    item.setString(citation.plainText(), PasteboardType::string);
    if (const std::optional<QByteArray> rtf = rtfData(citation))
        item.setData(*rtf, PasteboardType::rtf);
    item.setString(citation.html(), PasteboardType::html);
    return pasteboard.writeObjects({item});
}

std::optional<QByteArray> rtfData(const FormattedCitation& citation)
{
    const QFont font = QGuiApplication::font();
    // The family the font resolved to, which the reader is likelier to have than a
    // generic alias such as "Sans Serif"; sizes given in pixels are converted at 96 dpi.
    const QFontInfo resolved(font);
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : resolved.pointSizeF();
    const QByteArray rtf = citation.rtf({resolved.family(), points});
    if (rtf.isEmpty())
        return std::nullopt;
    return rtf;
}

bool writePlainText(const QString& text, PlatformPasteboardAccessing& pasteboard)
{
    PasteboardWriteItem item;
    item.setString(text, PasteboardType::string);
    return pasteboard.writeObjects({item});
}

} // namespace CitationPasteboard
