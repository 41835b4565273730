#include "PubMed.h"

#include "literature/LiteratureRecords.h"

#include <QSet>
#include <QUrlQuery>

namespace PubMed {

namespace {

bool isWhitespaceOrNewline(QChar c)
{
    return c.isSpace() || c == QChar(0x85) || c == QChar(0x2028) || c == QChar(0x2029);
}

QList<QString> distinctPMIDs(const QList<LiteratureReference>& references)
{
    QList<QString> ids;
    QSet<QString> seen;
    for (const LiteratureReference& r : references) {
        const std::optional<QString> id = canonicalPMID(r.pmid);
        if (!id || seen.contains(*id))
            continue;
        seen.insert(*id);
        ids.append(*id);
    }
    return ids;
}

} // namespace

std::optional<QString> canonicalPMID(const QString& candidate)
{
    qsizetype begin = 0;
    qsizetype end = candidate.size();
    while (begin < end && isWhitespaceOrNewline(candidate.at(begin)))
        ++begin;
    while (end > begin && isWhitespaceOrNewline(candidate.at(end - 1)))
        --end;
    if (begin == end)
        return std::nullopt;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = candidate.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    while (begin < end && candidate.at(begin) == u'0')
        ++begin;
    if (begin == end)
        return std::nullopt;
    return candidate.mid(begin, end - begin);
}

std::optional<QUrl> url(const QString& candidate)
{
    const std::optional<QString> id = canonicalPMID(candidate);
    if (!id)
        return std::nullopt;
    QUrl u(webBaseURL + *id + u'/', QUrl::StrictMode);
    if (!u.isValid())
        return std::nullopt;
    return u;
}

QList<QUrl> urls(const QList<LiteratureReference>& references)
{
    QList<QUrl> out;
    for (const QString& id : distinctPMIDs(references)) {
        if (std::optional<QUrl> u = url(id))
            out.append(*u);
    }
    return out;
}

std::optional<QUrl> searchURL(const QList<LiteratureReference>& references)
{
    const QList<QString> ids = distinctPMIDs(references);
    if (ids.isEmpty())
        return std::nullopt;
    QUrl u(webBaseURL);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("term"), ids.join(u' '));
    u.setQuery(query);
    if (!u.isValid())
        return std::nullopt;
    return u;
}

} // namespace PubMed
