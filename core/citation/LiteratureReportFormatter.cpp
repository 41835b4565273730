#include "LiteratureReportFormatter.h"

#include "CitationText.h"
#include "literature/LiteratureRecords.h"
#include "pubmed/PubMed.h"

#include <algorithm>

namespace LiteratureReportFormatter {

namespace {

using CitationText::collapse;

const QString heading = QStringLiteral("VORN citation recommendations");
const QString footer =
    QStringLiteral("Generated from VORN/PubMed evidence. Verify each source before citing.");

QString escaped(const QString& text)
{
    QString out = text;
    out.replace(u'&', QStringLiteral("&amp;"));
    out.replace(u'<', QStringLiteral("&lt;"));
    out.replace(u'>', QStringLiteral("&gt;"));
    out.replace(u'"', QStringLiteral("&quot;"));
    out.replace(u'\'', QStringLiteral("&#39;"));
    return out;
}

// The first evidence quote, collapsed and truncated, when the report shows it.
std::optional<QString> evidenceQuote(const LiteratureReference& reference, bool includeEvidence)
{
    if (!includeEvidence || reference.evidence.isEmpty())
        return std::nullopt;
    const QString quote = collapse(reference.evidence.first().quote);
    if (quote.isEmpty())
        return std::nullopt;
    return truncate(quote, evidenceQuoteMaximum);
}

} // namespace

QString formatMetadata(const LiteratureReference& reference)
{
    QList<QString> authors;
    for (const QString& author : reference.authors) {
        const QString name = collapse(author);
        if (!name.isEmpty())
            authors.append(name);
    }
    const QString authorText = authors.size() > 3
                                   ? authors.first(3).join(QStringLiteral(", ")) + QStringLiteral(", et al.")
                                   : authors.join(QStringLiteral(", "));
    QList<QString> items{authorText, collapse(reference.journal.value_or(QString())),
                         collapse(reference.date.value_or(QString()))};
    items.removeAll(QString());
    return items.join(QStringLiteral(" \u00b7 "));
}

QString truncate(const QString& text, qsizetype maximum)
{
    const QList<QStringView> chars = CitationText::characters(text);
    if (chars.size() <= maximum)
        return text;
    // The threshold is computed in double precision and truncated: 360 × 0.7 gives 251.
    const auto threshold = static_cast<qsizetype>(static_cast<double>(maximum) * 0.7);
    qsizetype kept = std::max<qsizetype>(maximum - 1, 0);
    for (qsizetype i = kept - 1; i >= 0; --i) {
        if (chars.at(i) == u" ") {
            if (i >= threshold)
                kept = i;
            break;
        }
    }
    QString out;
    for (qsizetype i = 0; i < kept; ++i)
        out += chars.at(i);
    return out + u'\u2026';
}

QString plainText(const LiteratureResult& result, bool includeEvidence)
{
    QList<QString> lines{heading + QStringLiteral(" (") + QString::number(result.references.size()) + u')'};
    const QString answer = collapse(result.answer);
    if (!answer.isEmpty())
        lines << QString() << answer;
    qsizetype number = 0;
    for (const LiteratureReference& reference : result.references) {
        lines << QString() << QString::number(++number) + QStringLiteral(". ") + collapse(reference.title);
        const QString metadata = formatMetadata(reference);
        if (!metadata.isEmpty())
            lines << QStringLiteral("   ") + metadata;
        const QString pmid = collapse(reference.pmid);
        const std::optional<QUrl> link = PubMed::url(reference.pmid);
        lines << QStringLiteral("   PMID: ") + pmid +
                     (link ? QStringLiteral(" \u2014 ") + link->toString(QUrl::FullyEncoded) : QString());
        if (const std::optional<QString> quote = evidenceQuote(reference, includeEvidence))
            lines << QStringLiteral("   Evidence: \u201c") + *quote + u'\u201d';
    }
    lines << QString() << footer;
    return lines.join(u'\n');
}

QString html(const LiteratureResult& result, bool includeEvidence)
{
    QString out = QStringLiteral("<div "
                                 "style=\"font-family:-apple-system,BlinkMacSystemFont,Helvetica,Arial,sans-"
                                 "serif;line-height:1.45\">");
    out += QStringLiteral("<h2>") + escaped(heading) + QStringLiteral(" (") +
           QString::number(result.references.size()) + QStringLiteral(")</h2>");
    const QString answer = collapse(result.answer);
    if (!answer.isEmpty())
        out += QStringLiteral("<p>") + escaped(answer) + QStringLiteral("</p>");
    out += QStringLiteral("<ol>");
    for (const LiteratureReference& reference : result.references) {
        out +=
            QStringLiteral("<li><strong>") + escaped(collapse(reference.title)) + QStringLiteral("</strong>");
        const QString metadata = formatMetadata(reference);
        if (!metadata.isEmpty())
            out += QStringLiteral("<div>") + escaped(metadata) + QStringLiteral("</div>");
        const QString pmid = escaped(collapse(reference.pmid));
        out += QStringLiteral("<div>");
        if (const std::optional<QUrl> link = PubMed::url(reference.pmid)) {
            out += QStringLiteral("<a href=\"") + escaped(link->toString(QUrl::FullyEncoded)) +
                   QStringLiteral("\">PMID: ") + pmid + QStringLiteral("</a>");
        } else {
            out += QStringLiteral("PMID: ") + pmid;
        }
        out += QStringLiteral("</div>");
        if (const std::optional<QString> quote = evidenceQuote(reference, includeEvidence))
            out += QStringLiteral("<blockquote>") + escaped(*quote) + QStringLiteral("</blockquote>");
        out += QStringLiteral("</li>");
    }
    out += QStringLiteral("</ol><p><small>") + escaped(footer) + QStringLiteral("</small></p></div>");
    return out;
}

} // namespace LiteratureReportFormatter
