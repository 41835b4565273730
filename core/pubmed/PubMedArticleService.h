#pragma once

#include "literature/LiteratureError.h"
#include "pubmed/ArticleMetadata.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <expected>
#include <functional>
#include <memory>

class LiteratureSession;

// Article records keyed by PMID.
using PubMedArticles = QHash<QString, ArticleMetadata>;
using PubMedArticlesResult = std::expected<PubMedArticles, LiteratureError>;

// One running PubMedArticleService::articles call. It lives on the thread that called
// articles(), and its completion runs there exactly once, always through the event loop
// (never from inside articles()). Destroying the fetch aborts the request; its
// completion then never runs.
class PubMedArticleFetch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PubMedArticleFetch)

public:
    using Completion = std::function<void(PubMedArticlesResult)>;
    struct Shared; // where the work for the fetch reports (internal)

    ~PubMedArticleFetch() override;

    // Aborts the request; the completion runs with cancelled, unless it has run already.
    // A result that arrives later (a parse that was already running) is dropped.
    void cancel();
    // True once the outcome is fixed: delivered, about to be, or cancelled.
    [[nodiscard]] bool isEnded() const { return m_ended; }

private:
    friend class PubMedArticleService;
    explicit PubMedArticleFetch(Completion completion);
    void deliver(PubMedArticlesResult result);
    void run(PubMedArticlesResult result);

    std::shared_ptr<Shared> m_shared;
    Completion m_completion;
    bool m_ended = false;
};

// Fetches bibliographic records from NCBI's efetch endpoint: one HTTPS GET per call for
// at most 50 identifiers, no redirects followed, the answer checked for its host,
// status, size (8 MiB) and content type, and parsed off the calling thread.
// Immutable; calls may overlap.
class PubMedArticleService final
{
    Q_DISABLE_COPY_MOVE(PubMedArticleService)

public:
    static constexpr qsizetype maximumIdentifiersPerRequest = 50;
    static constexpr qint64 maximumResponseBytes = 8'388'608;
    // The idle limit of one efetch request.
    static constexpr std::chrono::milliseconds requestTimeout{60'000};
    // https://eutils.ncbi.nlm.nih.gov/entrez/eutils/efetch.fcgi
    static QUrl defaultEndpoint();

    // Runs one task on some thread; by default a thread of the global QThreadPool.
    using TaskRunner = std::function<void(std::function<void()> task)>;

    // A fresh ephemeral session with timeout for the whole exchange.
    PubMedArticleService(QUrl endpoint, std::chrono::milliseconds timeout);
    // The given session, used on the thread it lives in, and where bodies are parsed
    // (tests hold the parse back this way).
    PubMedArticleService(QUrl endpoint, std::shared_ptr<LiteratureSession> session,
                         TaskRunner parseRunner = {});
    ~PubMedArticleService();

    // The records for identifiers, keyed by PMID (a later record of the same PMID
    // replaces an earlier one; records are not filtered against the request, and an
    // identifier without a record has no entry). Identifiers are canonicalised and
    // de-duplicated first; none left means an empty result without network access.
    // completion runs on the calling thread, which needs a running event loop.
    [[nodiscard]] std::unique_ptr<PubMedArticleFetch>
    articles(const QStringList& identifiers, PubMedArticleFetch::Completion completion) const;

    // The distinct canonical PMIDs of identifiers in first-seen order; invalid ones are dropped.
    static QStringList canonicalIdentifiers(const QStringList& identifiers);

    [[nodiscard]] const QUrl& endpoint() const { return m_endpoint; }

private:
    QUrl m_endpoint;
    std::shared_ptr<LiteratureSession> m_session;
    TaskRunner m_parseRunner;
};
