#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Pure functions that render citations. This header holds the field normalisation
// that CitationRecord applies to PubMed and citation-service data; the styles and
// export formats build on the normalised record.
namespace CitationFormatter {

// The title of a record that has none.
inline const QString untitledPlaceholder = QStringLiteral("[Untitled]");

// The DOI resolver that doiURL links to, and the legacy resolver host whose links
// normalizedDOI also accepts.
inline const QString doiResolverBaseURL = QStringLiteral("https://doi.org/");
inline const QString legacyDOIResolverHost = QStringLiteral("dx.doi.org");

// White space collapsed, every trailing full stop removed ("A study of X.." gives
// "A study of X"). May be empty.
QString cleanTitle(const QString& text);

// Drops a final parenthesised qualifier: "Lancet (London, England)" gives "Lancet";
// text that is only a qualifier stays whole.
QString stripJournalQualifier(const QString& text);

// Capitalises the all-lower-case words of a journal title except small words such
// as "of" and "the" (capitalised at the start and after a word ending in "." or
// ":"); words with any capital (BMJ, mRNA) stay as written.
QString journalCase(const QString& text);

// The first four-digit year 1500...2100 in the text (an eight-digit run such as
// 20200115 counts as its first four digits); empty when there is none.
QString year(const std::optional<QString>& text);

// 1...12 from a number ("03") or an English month name or its abbreviation of at
// least three letters ("Mar", "Sept.", "march"); absent otherwise.
std::optional<int> monthNumber(const QString& text);

// The DOI without a resolver URL or "doi:" prefix, when it starts with "10.";
// empty otherwise.
QString normalizedDOI(const std::optional<QString>& text);

// The URL when it is http or https; absent otherwise.
std::optional<QUrl> webURL(const std::optional<QUrl>& url);

} // namespace CitationFormatter
