#pragma once

#include "capture/PlatformPasteboardAccessing.h"
#include "literature/LiteratureRecords.h"

#include <QUrl>

#include <optional>

// The copies of a whole result and the page of a reference, as the result panel's
// buttons ask for them.
namespace ReportActions {

// Writes the plain-text report as the clipboard's only content; false when the
// desktop did not take it.
bool copyPlainReport(PlatformPasteboardAccessing& pasteboard, const LiteratureResult& result,
                     bool includeEvidence);
// Writes the report as HTML and as plain text, in that order, in one change of the
// clipboard, so that clipboard managers record one entry with both flavours.
bool copyRichReport(PlatformPasteboardAccessing& pasteboard, const LiteratureResult& result,
                    bool includeEvidence);

// The reference's PubMed page, else its own http(s) URL, else nothing.
std::optional<QUrl> referenceURL(const LiteratureReference& reference);

} // namespace ReportActions
