#include "ReferenceGroups.h"

QList<ReferenceGroup> ReferenceGroup::make(const QList<LiteratureReference>& references)
{
    ReferenceGroup direct{directTitle, {}};
    ReferenceGroup indirect{indirectTitle, {}};
    int index = 0;
    for (const LiteratureReference& reference : references) {
        ++index;
        (isDirect(reference) ? direct : indirect).entries.append(Entry{index, reference});
    }
    QList<ReferenceGroup> groups;
    for (ReferenceGroup* group : {&direct, &indirect}) {
        if (!group->entries.isEmpty())
            groups.append(std::move(*group));
    }
    return groups;
}

bool ReferenceGroup::isDirect(const LiteratureReference& reference)
{
    const QString reason = reference.relevanceReason.value_or(QString()).toLower();
    // "indirect" contains "direct": it is tested first.
    for (const char* word : {"indirect", "context", "background"}) {
        if (reason.contains(QLatin1String(word)))
            return false;
    }
    for (const char* word : {"direct", "support"}) {
        if (reason.contains(QLatin1String(word)))
            return true;
    }
    return !ReferenceText::evidenceQuotes(reference).isEmpty();
}

namespace ReferenceText {

namespace {

// The parts that hold more than white space, joined by the separator.
QString joinPresent(std::initializer_list<QString> parts)
{
    QStringList present;
    for (const QString& part : parts) {
        if (!part.trimmed().isEmpty())
            present.append(part);
    }
    return present.join(separator);
}

} // namespace

QString authorsText(const QList<QString>& names)
{
    QStringList authors;
    for (const QString& name : names) {
        if (!name.trimmed().isEmpty())
            authors.append(name.trimmed());
    }
    if (authors.size() > 2)
        return authors.mid(0, 2).join(QStringLiteral(", ")) + QStringLiteral(", et al.");
    return authors.join(QStringLiteral(", "));
}

QString metadataLine(const LiteratureReference& reference)
{
    const QString authorsAndYear =
        joinPresent({authorsText(reference.authors), reference.date.value_or(QString())});
    return joinPresent({authorsAndYear, reference.journal.value_or(QString()).trimmed()});
}

QString footLine(const LiteratureReference& reference)
{
    QString line = QStringLiteral("PMID: ") + reference.pmid;
    if (reference.citationCount)
        line += separator + QString::number(*reference.citationCount) + QStringLiteral(" Citations");
    return line;
}

QStringList evidenceQuotes(const LiteratureReference& reference)
{
    QStringList quotes;
    for (const LiteratureEvidence& evidence : reference.evidence) {
        const QString quote = evidence.quote.trimmed();
        if (!quote.isEmpty())
            quotes.append(quote);
    }
    return quotes;
}

QString quoted(const QString& quote)
{
    return QStringLiteral("\u201C\u2026") + quote + QStringLiteral("\u201D");
}

} // namespace ReferenceText
