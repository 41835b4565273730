#include "ReportActions.h"

#include "citation/LiteratureReportFormatter.h"
#include "pubmed/PubMed.h"

namespace ReportActions {

bool copyPlainReport(PlatformPasteboardAccessing& pasteboard, const LiteratureResult& result,
                     bool includeEvidence)
{
    PasteboardWriteItem item;
    item.setString(LiteratureReportFormatter::plainText(result, includeEvidence), PasteboardType::string);
    return pasteboard.writeObjects({item});
}

bool copyRichReport(PlatformPasteboardAccessing& pasteboard, const LiteratureResult& result,
                    bool includeEvidence)
{
    // One write with every flavour: declaring the types first and filling them one by
    // one would publish an empty and an HTML-only clipboard on the way.
    PasteboardWriteItem item;
    item.setString(LiteratureReportFormatter::html(result, includeEvidence), PasteboardType::html);
    item.setString(LiteratureReportFormatter::plainText(result, includeEvidence), PasteboardType::string);
    return pasteboard.writeObjects({item});
}

std::optional<QUrl> referenceURL(const LiteratureReference& reference)
{
    if (std::optional<QUrl> page = PubMed::url(reference.pmid))
        return page;
    // Only web pages: a reference's own address comes from the network and must not
    // reach a local file or another scheme's handler.
    if (reference.url && reference.url->isValid() && !reference.url->host().isEmpty() &&
        (reference.url->scheme() == QLatin1String("https") ||
         reference.url->scheme() == QLatin1String("http")))
        return reference.url;
    return std::nullopt;
}

} // namespace ReportActions
