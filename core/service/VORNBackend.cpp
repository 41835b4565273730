#include "VORNBackend.h"

#include "VORNRequest.h"
#include "VORNResponseParser.h"
#include "literature/VORNAPIKeyFormat.h"

#include <QRandomGenerator>
#include <QThreadPool>

#include <algorithm>
#include <limits>

#ifndef VORN_SERVICE_BASE_URL
#define VORN_SERVICE_BASE_URL ""
#endif

namespace {

using namespace Qt::Literals::StringLiterals;

// "Try again in N second(s)." from a positive whole Retry-After; nothing for a date, 0,
// a negative number or anything else.
std::optional<QString> retryAfterSentence(const QByteArray& value)
{
    QByteArrayView text = value;
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    QByteArrayView digits = text;
    if (!digits.isEmpty() && (digits.front() == '+' || digits.front() == '-'))
        digits = digits.sliced(1);
    if (digits.isEmpty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    bool ok = false;
    const qint64 seconds = text.toLongLong(&ok);
    if (!ok || seconds <= 0)
        return std::nullopt;
    return QStringLiteral("Try again in ") + QString::number(seconds) +
           (seconds == 1 ? QStringLiteral(" second.") : QStringLiteral(" seconds."));
}

// One query's exchange with the service. Lives on the session's thread; every callback
// holds a strong reference until the exchange ends, when the references are dropped.
class VORNExchange final : public std::enable_shared_from_this<VORNExchange>
{
public:
    VORNExchange(QUrl endpoint, std::shared_ptr<LiteratureSession> session, VORNAPIKeyProvider provider,
                 std::chrono::nanoseconds retryDelay, std::shared_ptr<Sleeping> sleeper,
                 LiteratureQuery query, LiteratureQuerySink sink)
        : m_endpoint(std::move(endpoint)), m_session(std::move(session)), m_provider(std::move(provider)),
          m_retryDelay(retryDelay), m_sleeper(std::move(sleeper)), m_query(std::move(query)),
          m_sink(std::move(sink))
    {
    }

    LiteratureSession* session() const { return m_session.get(); }

    void start()
    {
        if (m_ended)
            return;
        m_sink.progress(QStringLiteral("Searching VORN"));
        if (m_endpoint.scheme() != "https"_L1 || m_endpoint.host().isEmpty())
            return fail(LiteratureError::invalidEndpoint());
        if (!m_provider)
            return fail(LiteratureError::missingCredential());
        auto self = shared_from_this();
        m_provider([self](std::expected<QString, LiteratureError> key) {
            QMetaObject::invokeMethod(
                self->session(), [self, key = std::move(key)] { self->keyReady(key); }, Qt::QueuedConnection);
        });
    }

    void cancel() { fail(LiteratureError::cancelled()); }

private:
    void keyReady(const std::expected<QString, LiteratureError>& rawKey)
    {
        if (m_ended)
            return;
        if (!rawKey)
            return fail(rawKey.error());
        if (rawKey->trimmed().isEmpty())
            return fail(LiteratureError::missingCredential());
        const std::optional<QString> key = VORNAPIKeyFormat::normalize(*rawKey);
        if (!key)
            return fail(LiteratureError::invalidInput(VORNAPIKeyFormat::invalidKeyMessage()));
        const auto body = VORNRequestBuilder::make(m_query.text, m_query.options);
        if (!body)
            return fail(body.error());

        m_request = QNetworkRequest(m_endpoint);
        m_request.setTransferTimeout(int(VORNBackend::requestTimeout.count()));
        m_request.setRawHeader("Content-Type", "application/json");
        m_request.setRawHeader("Accept", "application/json");
        m_request.setRawHeader("Authorization", "Bearer " + key->toUtf8());
        m_body = body->toBody();
        m_firstAttempt = true;
        send();
    }

    void send()
    {
        auto self = shared_from_this();
        m_transfer =
            m_session->send(m_request, "POST", m_body, VORNBackend::maximumResponseBytes,
                            [self](LiteratureHTTPResult result) { self->received(std::move(result)); });
    }

    void received(LiteratureHTTPResult result)
    {
        // Called from inside the transfer: let it finish before it goes.
        if (m_transfer)
            m_transfer.release()->deleteLater();
        if (m_ended)
            return;
        if (!result)
            return fail(result.error());
        const LiteratureHTTPResponse& response = *result;
        if (!response.statusCode)
            return fail(LiteratureError::malformedResponse(QStringLiteral("Expected an HTTP response.")));
        const QString host = response.url.host();
        if (!host.isEmpty() && host.toLower() != m_endpoint.host().toLower())
            return fail(
                LiteratureError::transport(QStringLiteral("The response came from an unexpected host.")));
        const int status = *response.statusCode;
        if (status >= 300 && status <= 399) {
            return fail(LiteratureError::requestFailed(
                status,
                QStringLiteral(
                    "The literature service tried to redirect the request, which VORN Cite does not follow.")));
        }
        const bool retryable =
            std::ranges::find(VORNBackend::retryableStatuses, status) != VORNBackend::retryableStatuses.end();
        if (retryable && m_firstAttempt)
            return pauseAndRetry();
        if (status < 200 || status > 299)
            return fail(LiteratureError::requestFailed(status, VORNBackend::failureMessage(response)));
        if (response.bodyBytes > VORNBackend::maximumResponseBytes) {
            return fail(LiteratureError::malformedResponse(
                QStringLiteral("The response was unexpectedly large (") +
                QString::number(response.bodyBytes) + QStringLiteral(" bytes).")));
        }
        if (const std::optional<QByteArray> type = response.header("Content-Type")) {
            const QString value = QString::fromUtf8(*type);
            if (!value.toLower().contains("json"_L1)) {
                return fail(LiteratureError::malformedResponse(QStringLiteral("Expected JSON but received ") +
                                                               LiteratureNetworking::displayForm(value) +
                                                               u'.'));
            }
        }
        // The envelope is sound: parse off this thread and end the exchange here.
        m_ended = true;
        QThreadPool::globalInstance()->start(
            [sink = m_sink, body = response.body, options = m_query.options] {
                auto parsed = VORNResponseParser::parse(body, options);
                if (parsed)
                    sink.complete(*parsed);
                else
                    sink.fail(parsed.error());
            });
        release();
    }

    void pauseAndRetry()
    {
        m_firstAttempt = false;
        // The delay and a random extra of up to half of it, so that clients that failed
        // together do not retry together.
        const qint64 half = std::max<qint64>(m_retryDelay.count() / 2, 0);
        const auto extra =
            std::chrono::nanoseconds(half == 0 ? 0 : QRandomGenerator::global()->bounded(half + 1));
        const std::chrono::nanoseconds duration = std::max(m_retryDelay, std::chrono::nanoseconds(0)) + extra;
        auto self = shared_from_this();
        m_pause = m_sleeper->sleep(duration, [self] {
            if (self->m_pause)
                self->m_pause.release()->deleteLater();
            if (!self->m_ended)
                self->send();
        });
    }

    void fail(const LiteratureError& error)
    {
        if (m_ended)
            return;
        m_ended = true;
        m_sink.fail(error);
        release();
    }

    // Drops the pending transfer or pause and with them the references they hold.
    void release()
    {
        m_transfer.reset();
        m_pause.reset();
    }

    const QUrl m_endpoint;
    const std::shared_ptr<LiteratureSession> m_session;
    const VORNAPIKeyProvider m_provider;
    const std::chrono::nanoseconds m_retryDelay;
    const std::shared_ptr<Sleeping> m_sleeper;
    const LiteratureQuery m_query;
    const LiteratureQuerySink m_sink;

    QNetworkRequest m_request;
    QByteArray m_body;
    bool m_firstAttempt = true;
    bool m_ended = false;
    std::unique_ptr<LiteratureTransfer> m_transfer;
    std::unique_ptr<QObject> m_pause;
};

} // namespace

QString VORNBackend::endpointPath()
{
    return QStringLiteral("/reorg-api/api/v1/api-key-agent/cite");
}

QString VORNBackend::configuredServiceBaseURL()
{
    return QString::fromUtf8(VORN_SERVICE_BASE_URL).trimmed();
}

QUrl VORNBackend::endpoint(const QString& serviceBaseURL)
{
    const QString base = serviceBaseURL.trimmed();
    if (base.isEmpty())
        return {};
    QUrl url(base, QUrl::StrictMode);
    if (!url.isValid() || url.hasQuery() || url.hasFragment())
        return {};
    QString path = url.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    url.setPath(path + endpointPath());
    return url;
}

QUrl VORNBackend::defaultEndpoint()
{
    return endpoint(configuredServiceBaseURL());
}

VORNBackend::VORNBackend(QUrl endpoint, std::chrono::milliseconds timeout, VORNAPIKeyProvider apiKeyProvider)
    : VORNBackend(std::move(endpoint), LiteratureNetworking::ephemeralSession(timeout), defaultRetryDelay,
                  std::move(apiKeyProvider))
{
}

VORNBackend::VORNBackend(QUrl endpoint, std::shared_ptr<LiteratureSession> session,
                         std::chrono::milliseconds retryDelay, VORNAPIKeyProvider apiKeyProvider,
                         std::shared_ptr<Sleeping> sleeper)
    : m_endpoint(std::move(endpoint)), m_session(std::move(session)),
      m_apiKeyProvider(std::move(apiKeyProvider)), m_retryDelay(retryDelay),
      m_sleeper(sleeper ? std::move(sleeper) : std::make_shared<TimerSleeper>())
{
    Q_ASSERT(m_session);
}

VORNBackend::~VORNBackend() = default;

std::unique_ptr<LiteratureQueryStream> VORNBackend::query(const LiteratureQuery& query)
{
    auto [stream, sink] = LiteratureQueryStream::create();
    auto exchange = std::make_shared<VORNExchange>(m_endpoint, m_session, m_apiKeyProvider, m_retryDelay,
                                                   m_sleeper, query, sink);
    // Stopping the stream cancels the exchange on the session's thread.
    sink.onCancel([weak = std::weak_ptr<VORNExchange>(exchange)] {
        if (auto e = weak.lock())
            QMetaObject::invokeMethod(
                e->session(), [e] { e->cancel(); }, Qt::QueuedConnection);
    });
    QMetaObject::invokeMethod(
        m_session.get(), [exchange] { exchange->start(); }, Qt::QueuedConnection);
    return std::move(stream);
}

std::optional<QString> VORNBackend::failureMessage(const LiteratureHTTPResponse& response)
{
    const int status = response.statusCode.value_or(0);
    if (status >= 500)
        return std::nullopt;
    const std::optional<QString> server = LiteratureNetworking::serverMessage(response.body);
    if (status == 429) {
        if (const std::optional<QByteArray> retryAfter = response.header("Retry-After")) {
            if (const std::optional<QString> sentence = retryAfterSentence(*retryAfter))
                return server ? *sentence + u' ' + *server : *sentence;
        }
    }
    return server;
}
