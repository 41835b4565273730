#pragma once

#include "literature/LiteratureRecords.h"
#include "pubmed/PubMedArticleService.h"

#include <QHash>
#include <QObject>

#include <memory>
#include <optional>

struct CiteDetailStatus
{
    enum class Kind
    {
        unavailable,
        idle,
        loading,
        fromPubMed
    };
    Kind kind = Kind::idle;
    QString message; // unavailable only

    static CiteDetailStatus unavailable(QString message) { return {Kind::unavailable, std::move(message)}; }
    static CiteDetailStatus idle() { return {Kind::idle, {}}; }
    static CiteDetailStatus loading() { return {Kind::loading, {}}; }
    static CiteDetailStatus fromPubMed() { return {Kind::fromPubMed, {}}; }
    friend bool operator==(const CiteDetailStatus&, const CiteDetailStatus&) = default;
};

// The reference shown in the cite panel and its bibliographic details from PubMed.
// Details fetched once are kept for the life of the process, keyed by PMID; one fetch
// asks for the cited article first and every other uncached reference of the result
// with it, so that citing those later needs no request. Main thread only.
class CitationDetails final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CitationDetails)

public:
    explicit CitationDetails(std::shared_ptr<PubMedArticleService> articleService, QObject* parent = nullptr);
    ~CitationDetails() override;

    [[nodiscard]] const std::optional<LiteratureReference>& citeReference() const { return m_citeReference; }
    [[nodiscard]] const CiteDetailStatus& citeDetailStatus() const { return m_citeDetailStatus; }
    [[nodiscard]] const QHash<QString, ArticleMetadata>& articleMetadataCache() const { return m_cache; }
    [[nodiscard]] bool isFetching() const { return m_fetch != nullptr; }

    // Shows reference with its cached details (fromPubMed), or marks it loading.
    // Returns whether its details still have to be fetched.
    [[nodiscard]] bool present(const LiteratureReference& reference);
    // Fetches pmid first, then every reference of result that is not cached yet, in
    // one request; a running fetch is cancelled first.
    void fetchArticleDetails(const QString& pmid, const std::optional<LiteratureResult>& result);
    // Cancels the fetch and forgets the reference.
    void dismiss();
    // Cancels a running fetch; its reply changes nothing.
    void cancelFetch();

    [[nodiscard]] static QString noRecordMessage(const QString& pmid);

signals:
    // Emitted on every assignment, also when the value does not change.
    void citeReferenceChanged();
    void citeDetailStatusChanged();

private:
    void finishFetch(const QString& pmid, PubMedArticlesResult result);
    void setStatus(CiteDetailStatus status);
    [[nodiscard]] bool isShowing(const QString& pmid) const;
    [[nodiscard]] const ArticleMetadata* cached(const QString& pmid) const;

    std::shared_ptr<PubMedArticleService> m_articleService;
    std::optional<LiteratureReference> m_citeReference;
    CiteDetailStatus m_citeDetailStatus;
    QHash<QString, ArticleMetadata> m_cache; // never emptied
    std::unique_ptr<PubMedArticleFetch> m_fetch; // destroying it silences the fetch
};
