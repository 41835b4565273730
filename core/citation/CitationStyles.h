#pragma once

#include "FormattedCitation.h"

#include <QDate>
#include <QList>
#include <QString>

#include <array>
#include <optional>

struct AuthorName;
struct LiteratureReference;

// The five citation styles. Each renders a reference's normalised CitationRecord
// through a fixed template, one for journal articles and one for book chapters,
// into plain and italic runs.
namespace CitationFormatter {

enum class Style
{
    mla,
    apa,
    chicago,
    harvard,
    vancouver,
};

// Every style, in display order.
inline constexpr std::array<Style, 5> allStyles = {Style::mla, Style::apa, Style::chicago, Style::harvard,
                                                   Style::vancouver};

// "MLA", "APA", "Chicago", "Harvard", "Vancouver".
QString rawValue(Style style);
// Absent for any text that is not a raw value.
std::optional<Style> styleFromRawValue(const QString& raw);
// The name shown to the user: "MLA 9", "APA 7", "Chicago 17 (notes-bibliography)",
// "Harvard (Cite Them Right)", "Vancouver (NLM)".
QString longName(Style style);

// The reference (with its PubMed record, when it has one) in the style. accessDate is
// the local calendar day on which the source is read; only Harvard prints it.
FormattedCitation formattedCitation(const LiteratureReference& reference, Style style,
                                    const QDate& accessDate);
// The same citation as plain text.
QString citation(const LiteratureReference& reference, Style style, const QDate& accessDate);

// The building blocks of the templates.
//
// The author list of a style with its thresholds ("Smith, J. A., & Jones, B.",
// "Smith, John A., et al.", "Smith JA, Jones B, …, et al."); absent without authors.
std::optional<QString> authorBlock(const QList<AuthorName>& authors, Style style);
// The book editors as a style names them ("M. P. Adam & J. Feldman"); absent without
// editors and always for Vancouver, whose chapter form lists editors itself.
std::optional<QString> editorList(const QList<AuthorName>& editors, Style style);
// "5 March 2024": British English month names whatever the user's locale is.
QString harvardDate(const QDate& date);

} // namespace CitationFormatter
