#pragma once

#include <QString>

struct LiteratureReference;

// The reference-manager exports of a reference, rendered from the same normalised
// CitationRecord as the citation styles.
namespace CitationFormatter {

// One BibTeX entry: @article or @incollection, keyed by bibtexKey, fields in a fixed
// order with their values escaped for LaTeX; no newline after the closing brace.
QString bibtex(const LiteratureReference& reference);

// One RIS record: TY first, ER last, one tag per line; every line, the last one
// included, ends with CR LF.
QString ris(const LiteratureReference& reference);

// text with LaTeX's special characters escaped: \ { } % & _ # $ ~ ^. A brace without
// a partner is written \textbraceleft{} or \textbraceright{}, so that the braces of an
// entry stay balanced.
QString escapeBibTeX(const QString& text);

// "pmid31234567" for a valid PMID; otherwise "vorn-" and the PMID's ASCII letters and
// digits ("vorn-PMC12345"), or "vorn" when there are none.
QString bibtexKey(const LiteratureReference& reference);

} // namespace CitationFormatter
