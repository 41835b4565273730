#pragma once

#include "capture/PlatformPasteboardAccessing.h"
#include "citation/FormattedCitation.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Puts citations on the clipboard for the cite panel.
namespace CitationPasteboard {

// Replaces the clipboard's content with one item holding the citation as plain text,
// RTF (left out when rtfData gives nothing) and HTML, in that order, in one change:
// a rich-text editor takes the italics, a plain field the text. False when the
// desktop did not take it.
bool write(const FormattedCitation& citation, PlatformPasteboardAccessing& pasteboard);

// The citation as an RTF document in the application's font at its size; italic
// runs in the same font, italic.
std::optional<QByteArray> rtfData(const FormattedCitation& citation);

// Replaces the clipboard's content with text as its only, plain-text flavour (the
// BibTeX and RIS exports). False when the desktop did not take it.
bool writePlainText(const QString& text, PlatformPasteboardAccessing& pasteboard);

} // namespace CitationPasteboard
