#pragma once

#include <QString>

struct LiteratureReference;
struct LiteratureResult;

// The copyable report of a whole query result: the answer, then a numbered list of
// the references with their metadata, PubMed links and, on request, the first
// evidence quote. Every text from the service is white-space collapsed; the HTML
// form escapes it.
namespace LiteratureReportFormatter {

// Lines joined with "\n", without a final line feed.
QString plainText(const LiteratureResult& result, bool includeEvidence);
// One HTML fragment (a <div>) without line breaks.
QString html(const LiteratureResult& result, bool includeEvidence);

// "Smith JA, Jones B · J Sleep Res · 2020": up to three authors (then ", et al."),
// the journal and the date; empty when the reference has none of them.
QString formatMetadata(const LiteratureReference& reference);

// text when it has at most maximum characters; otherwise its first maximum − 1
// characters, cut back to the last space when that space stands in the last 30 %,
// followed by "…".
QString truncate(const QString& text, qsizetype maximum);

// The maximum length of the evidence quote in a report.
inline constexpr qsizetype evidenceQuoteMaximum = 360;

} // namespace LiteratureReportFormatter
