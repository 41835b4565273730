#include "CitationDetails.h"

#include "pubmed/PubMed.h"

#include <QStringList>

namespace {

// The cache's key for an identifier: its canonical form where it has one.
QString cacheKey(const QString& pmid)
{
    return PubMed::canonicalPMID(pmid).value_or(pmid);
}

} // namespace

CitationDetails::CitationDetails(std::shared_ptr<PubMedArticleService> articleService, QObject* parent)
    : QObject(parent), m_articleService(std::move(articleService))
{
    Q_ASSERT(m_articleService);
}

CitationDetails::~CitationDetails() = default;

QString CitationDetails::noRecordMessage(const QString& pmid)
{
    return QStringLiteral("PubMed has no record for PMID ") + pmid + QLatin1Char('.');
}

const ArticleMetadata* CitationDetails::cached(const QString& pmid) const
{
    const auto found = m_cache.constFind(cacheKey(pmid));
    return found == m_cache.constEnd() ? nullptr : &*found;
}

bool CitationDetails::isShowing(const QString& pmid) const
{
    return m_citeReference && m_citeReference->pmid == pmid;
}

void CitationDetails::setStatus(CiteDetailStatus status)
{
    m_citeDetailStatus = std::move(status);
    emit citeDetailStatusChanged();
}

bool CitationDetails::present(const LiteratureReference& reference)
{
    LiteratureReference shown = reference;
    if (const ArticleMetadata* article = cached(shown.pmid)) {
        shown.article = *article;
        setStatus(CiteDetailStatus::fromPubMed());
    } else {
        setStatus(CiteDetailStatus::loading());
    }
    const bool needsFetch = !shown.article.has_value();
    m_citeReference = std::move(shown);
    emit citeReferenceChanged();
    return needsFetch;
}

void CitationDetails::fetchArticleDetails(const QString& pmid, const std::optional<LiteratureResult>& result)
{
    cancelFetch();
    QStringList identifiers{pmid};
    if (result) {
        for (const LiteratureReference& reference : result->references) {
            if (reference.pmid != pmid && !cached(reference.pmid))
                identifiers.append(reference.pmid);
        }
    }
    m_fetch = m_articleService->articles(
        identifiers, [this, pmid](PubMedArticlesResult outcome) { finishFetch(pmid, std::move(outcome)); });
}

void CitationDetails::finishFetch(const QString& pmid, PubMedArticlesResult result)
{
    // Runs inside the fetch's own completion, which allows destroying it.
    m_fetch.reset();
    if (!result) {
        // A cancelled fetch reports nothing; other failures reach the panel only
        // while it still shows the reference they were for.
        if (result.error().kind() != LiteratureError::Kind::cancelled && isShowing(pmid))
            setStatus(CiteDetailStatus::unavailable(result.error().errorDescription()));
        return;
    }
    for (auto it = result->cbegin(); it != result->cend(); ++it)
        m_cache.insert(cacheKey(it.key()), it.value());
    if (!isShowing(pmid))
        return;
    if (const ArticleMetadata* article = cached(pmid); article && result->contains(cacheKey(pmid))) {
        m_citeReference->article = *article;
        emit citeReferenceChanged();
        setStatus(CiteDetailStatus::fromPubMed());
    } else {
        setStatus(CiteDetailStatus::unavailable(noRecordMessage(pmid)));
    }
}

void CitationDetails::cancelFetch()
{
    // Destroying the fetch aborts the request; its completion never runs.
    m_fetch.reset();
}

void CitationDetails::dismiss()
{
    cancelFetch();
    setStatus(CiteDetailStatus::idle());
    m_citeReference.reset();
    emit citeReferenceChanged();
}
