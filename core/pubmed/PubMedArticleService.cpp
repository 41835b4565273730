#include "PubMedArticleService.h"

#include "PubMed.h"
#include "PubMedArticleParser.h"
#include "service/LiteratureNetworking.h"

#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QThreadPool>
#include <QUrlQuery>

using namespace Qt::Literals::StringLiterals;

// The meeting point of a fetch (on its caller's thread) and the work for it (on the
// session's thread and the thread pool). The first outcome closes it; later ones are
// dropped, and so is everything once the fetch is gone.
struct PubMedArticleFetch::Shared
{
    QMutex mutex;
    PubMedArticleFetch* fetch = nullptr; // null once the fetch was destroyed
    bool closed = false;
    std::function<void()> abort; // stops the network work; runs at most once

    // Queues result to the fetch unless an outcome was already fixed.
    void deliver(PubMedArticlesResult result)
    {
        std::function<void()> dropped;
        QMutexLocker lock(&mutex);
        if (closed)
            return;
        closed = true;
        dropped = std::exchange(abort, nullptr);
        if (PubMedArticleFetch* target = fetch) {
            QMetaObject::invokeMethod(
                target, [target, r = std::move(result)]() mutable { target->deliver(std::move(r)); },
                Qt::QueuedConnection);
        }
        lock.unlock();
        // What abort holds may be the last reference to the exchange: release it unlocked.
        dropped = nullptr;
    }

    // Fixes the outcome as the caller's (cancel or destruction); returns the abort action.
    std::function<void()> close(bool forget)
    {
        QMutexLocker lock(&mutex);
        if (forget)
            fetch = nullptr;
        if (closed)
            return nullptr;
        closed = true;
        return std::exchange(abort, nullptr);
    }

    [[nodiscard]] bool isClosed()
    {
        QMutexLocker lock(&mutex);
        return closed;
    }
};

PubMedArticleFetch::PubMedArticleFetch(Completion completion)
    : m_shared(std::make_shared<Shared>()), m_completion(std::move(completion))
{
    m_shared->fetch = this;
}

PubMedArticleFetch::~PubMedArticleFetch()
{
    m_ended = true;
    if (auto abort = m_shared->close(true))
        abort();
}

void PubMedArticleFetch::cancel()
{
    if (m_ended)
        return;
    m_ended = true;
    if (auto abort = m_shared->close(false))
        abort();
    // A result queued before the cancellation is dropped by m_ended; this runs instead.
    QMetaObject::invokeMethod(
        this, [this] { run(std::unexpected(LiteratureError::cancelled())); }, Qt::QueuedConnection);
}

void PubMedArticleFetch::deliver(PubMedArticlesResult result)
{
    if (m_ended)
        return;
    m_ended = true;
    run(std::move(result));
}

void PubMedArticleFetch::run(PubMedArticlesResult result)
{
    // The completion may destroy this fetch: touch no member after the call.
    if (Completion completion = std::exchange(m_completion, nullptr))
        completion(std::move(result));
}

namespace {

PubMedArticlesResult keyedByPMID(const std::expected<QList<ArticleMetadata>, LiteratureError>& parsed)
{
    if (!parsed)
        return std::unexpected(parsed.error());
    PubMedArticles articles;
    for (const ArticleMetadata& article : *parsed)
        articles.insert(article.pmid, article);
    return articles;
}

// Why a response cannot be parsed, if it cannot; checked in this order.
std::optional<LiteratureError> responseProblem(const LiteratureHTTPResponse& response,
                                               const QString& endpointHost)
{
    if (!response.statusCode)
        return LiteratureError::malformedResponse(QStringLiteral("Expected an HTTP response from PubMed."));
    const QString host = response.url.host();
    if (!host.isEmpty() && host.toLower() != endpointHost.toLower())
        return LiteratureError::transport(
            QStringLiteral("The PubMed response came from an unexpected host."));
    const int status = *response.statusCode;
    if (status < 200 || status > 299)
        return LiteratureError::requestFailed(status);
    if (response.bodyBytes > PubMedArticleService::maximumResponseBytes) {
        return LiteratureError::malformedResponse(
            QStringLiteral("The PubMed response was unexpectedly large (") +
            QString::number(response.bodyBytes) + QStringLiteral(" bytes)."));
    }
    if (const std::optional<QByteArray> type = response.header("Content-Type")) {
        const QString value = QString::fromUtf8(*type);
        if (!value.toLower().contains("xml"_L1)) {
            return LiteratureError::malformedResponse(
                QStringLiteral("Expected XML from PubMed but received ") +
                LiteratureNetworking::displayForm(value) + u'.');
        }
    }
    return std::nullopt;
}

// One call's exchange with efetch. Lives on the session's thread, kept alive by its
// pending transfer; a sound body goes to the thread pool, which reports to the fetch.
class PubMedExchange final : public std::enable_shared_from_this<PubMedExchange>
{
public:
    PubMedExchange(QNetworkRequest request, std::shared_ptr<LiteratureSession> session,
                   PubMedArticleService::TaskRunner parseRunner,
                   std::shared_ptr<PubMedArticleFetch::Shared> outcome)
        : m_request(std::move(request)), m_session(std::move(session)), m_parseRunner(std::move(parseRunner)),
          m_outcome(std::move(outcome))
    {
    }

    [[nodiscard]] LiteratureSession* session() const { return m_session.get(); }

    void start()
    {
        if (m_outcome->isClosed())
            return;
        auto self = shared_from_this();
        m_transfer =
            m_session->send(m_request, "GET", {}, PubMedArticleService::maximumResponseBytes,
                            [self](LiteratureHTTPResult result) { self->received(std::move(result)); });
    }

    // Drops the transfer, which aborts the request and never completes.
    void abort() { m_transfer.reset(); }

private:
    void received(LiteratureHTTPResult result)
    {
        // Called from inside the transfer: let it return before it goes.
        if (m_transfer)
            m_transfer.release()->deleteLater();
        if (!result)
            return m_outcome->deliver(std::unexpected(result.error()));
        if (std::optional<LiteratureError> problem = responseProblem(*result, m_request.url().host()))
            return m_outcome->deliver(std::unexpected(*problem));
        if (m_outcome->isClosed())
            return;
        // Up to 8 MiB of XML: parse elsewhere so that the session's thread stays free.
        m_parseRunner([outcome = m_outcome, body = std::move(result->body)] {
            outcome->deliver(keyedByPMID(PubMedArticleParser::parse(body)));
        });
    }

    const QNetworkRequest m_request;
    const std::shared_ptr<LiteratureSession> m_session;
    const PubMedArticleService::TaskRunner m_parseRunner;
    const std::shared_ptr<PubMedArticleFetch::Shared> m_outcome;
    std::unique_ptr<LiteratureTransfer> m_transfer;
};

// The efetch URL for ids, or absent when the endpoint is not a usable https URL.
std::optional<QUrl> requestURL(const QUrl& endpoint, const QStringList& ids)
{
    if (!endpoint.isValid() || endpoint.scheme() != "https"_L1 || endpoint.host().isEmpty())
        return std::nullopt;
    QUrl url = endpoint;
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("db"), QStringLiteral("pubmed"));
    query.addQueryItem(QStringLiteral("id"), ids.join(u','));
    query.addQueryItem(QStringLiteral("retmode"), QStringLiteral("xml"));
    query.addQueryItem(QStringLiteral("tool"), QStringLiteral("vorn-cite"));
    url.setQuery(query);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

} // namespace

QUrl PubMedArticleService::defaultEndpoint()
{
    return QUrl(QStringLiteral("https://eutils.ncbi.nlm.nih.gov/entrez/eutils/efetch.fcgi"));
}

PubMedArticleService::PubMedArticleService(QUrl endpoint, std::chrono::milliseconds timeout)
    : PubMedArticleService(std::move(endpoint), LiteratureNetworking::ephemeralSession(timeout))
{
}

PubMedArticleService::PubMedArticleService(QUrl endpoint, std::shared_ptr<LiteratureSession> session,
                                           TaskRunner parseRunner)
    : m_endpoint(std::move(endpoint)), m_session(std::move(session)), m_parseRunner(std::move(parseRunner))
{
    if (!m_parseRunner)
        m_parseRunner = [](std::function<void()> task) {
            QThreadPool::globalInstance()->start(std::move(task));
        };
}

PubMedArticleService::~PubMedArticleService() = default;

QStringList PubMedArticleService::canonicalIdentifiers(const QStringList& identifiers)
{
    QStringList ids;
    QSet<QString> seen;
    for (const QString& candidate : identifiers) {
        const std::optional<QString> id = PubMed::canonicalPMID(candidate);
        if (id && !seen.contains(*id)) {
            seen.insert(*id);
            ids.append(*id);
        }
    }
    return ids;
}

std::unique_ptr<PubMedArticleFetch>
PubMedArticleService::articles(const QStringList& identifiers,
                               PubMedArticleFetch::Completion completion) const
{
    std::unique_ptr<PubMedArticleFetch> fetch(new PubMedArticleFetch(std::move(completion)));
    const std::shared_ptr<PubMedArticleFetch::Shared> outcome = fetch->m_shared;

    const QStringList ids = canonicalIdentifiers(identifiers);
    if (ids.isEmpty()) {
        outcome->deliver(PubMedArticles{});
        return fetch;
    }
    if (ids.size() > maximumIdentifiersPerRequest) {
        outcome->deliver(std::unexpected(LiteratureError::invalidInput(
            QStringLiteral("At most ") + QString::number(maximumIdentifiersPerRequest) +
            QStringLiteral(" PubMed identifiers can be fetched at once."))));
        return fetch;
    }
    const std::optional<QUrl> url = requestURL(m_endpoint, ids);
    if (!url) {
        outcome->deliver(std::unexpected(LiteratureError::invalidEndpoint()));
        return fetch;
    }

    QNetworkRequest request(*url);
    request.setRawHeader("Accept", "application/xml, text/xml");
    request.setTransferTimeout(int(requestTimeout.count()));
    auto exchange = std::make_shared<PubMedExchange>(std::move(request), m_session, m_parseRunner, outcome);
    {
        QMutexLocker lock(&outcome->mutex);
        outcome->abort = [weak = std::weak_ptr<PubMedExchange>(exchange)] {
            if (auto e = weak.lock())
                QMetaObject::invokeMethod(
                    e->session(), [e] { e->abort(); }, Qt::QueuedConnection);
        };
    }
    QMetaObject::invokeMethod(
        m_session.get(), [exchange] { exchange->start(); }, Qt::QueuedConnection);
    return fetch;
}
