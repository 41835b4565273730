#pragma once

#include "literature/LiteratureRecords.h"

#include <QList>
#include <QString>
#include <QStringList>

// References of a result grouped by the kind of evidence they give, keeping each
// reference's position in the result as its number.
struct ReferenceGroup
{
    struct Entry
    {
        int index = 0; // 1-based position in the result
        LiteratureReference reference;
    };

    QString title; // also the group's identity
    QList<Entry> entries;

    static inline const QString directTitle = QStringLiteral("Direct evidence");
    static inline const QString indirectTitle = QStringLiteral("Indirect context");

    // "Direct evidence" first, then "Indirect context"; empty groups are left out.
    static QList<ReferenceGroup> make(const QList<LiteratureReference>& references);
    // Whether the reference supports the sentence directly: judged by its relevance
    // reason ("indirect", "context", "background" before "direct", "support"), else by
    // having a non-blank evidence quote.
    static bool isDirect(const LiteratureReference& reference);
};

// The lines a reference card shows.
namespace ReferenceText {

// "A, B" for up to two authors; "A, B, et al." for more.
QString authorsText(const QList<QString>& authors);
// Authors and year, then the journal, joined by " · "; missing parts leave no separator.
QString metadataLine(const LiteratureReference& reference);
// "PMID: 123" and, with a count, " · 42 Citations".
QString footLine(const LiteratureReference& reference);
// The evidence quotes trimmed of white space and newlines, blank ones dropped.
QStringList evidenceQuotes(const LiteratureReference& reference);
// A quote as the card shows it: "“…" + quote + "”".
QString quoted(const QString& quote);

inline const QString separator = QStringLiteral(" \u00B7 ");

} // namespace ReferenceText
