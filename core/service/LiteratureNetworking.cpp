#include "LiteratureNetworking.h"

#include "literature/LiteratureInputValidator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <limits>

namespace {

// Refuses to send or store any cookie.
class NoCookieJar final : public QNetworkCookieJar
{
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
};

// The number of UTF-16 units that hold the first `characters` user-perceived characters,
// or -1 when the text has no more than that many.
qsizetype prefixLength(const QString& text, qsizetype characters)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype seen = 0;
    qsizetype position = 0;
    while (seen < characters) {
        position = finder.toNextBoundary();
        if (position == -1 || position == text.size())
            return -1;
        ++seen;
    }
    return position;
}

// A timeout as Qt's int-millisecond timers take it: at least 1 ms, at most what an int holds.
std::chrono::milliseconds timerDuration(std::chrono::milliseconds timeout)
{
    return std::clamp(timeout, std::chrono::milliseconds(1),
                      std::chrono::milliseconds(std::numeric_limits<int>::max()));
}

// The error QNetworkReply reports for an HTTP status of 400 or above, whose body it
// still delivers whole.
QNetworkReply::NetworkError errorForStatus(int status)
{
    switch (status) {
    case 400:
    case 418:
        return QNetworkReply::ProtocolInvalidOperationError;
    case 401:
        return QNetworkReply::AuthenticationRequiredError;
    case 403:
        return QNetworkReply::ContentAccessDenied;
    case 404:
        return QNetworkReply::ContentNotFoundError;
    case 405:
        return QNetworkReply::ContentOperationNotPermittedError;
    case 407:
        return QNetworkReply::ProxyAuthenticationRequiredError;
    case 409:
        return QNetworkReply::ContentConflictError;
    case 410:
        return QNetworkReply::ContentGoneError;
    case 500:
        return QNetworkReply::InternalServerError;
    case 501:
        return QNetworkReply::OperationNotImplementedError;
    case 503:
        return QNetworkReply::ServiceUnavailableError;
    default:
        return status > 500 ? QNetworkReply::UnknownServerError : QNetworkReply::UnknownContentError;
    }
}

// Whether a finished reply carries an HTTP response whose body arrived whole, possibly
// with an error status, as opposed to a failed exchange. Qt reports statuses of 400 and
// above as errors; any other error, such as a body that failed to decompress after a
// status of 200, means the body is incomplete and must not reach a parser.
bool isHTTPResponse(QNetworkReply::NetworkError error, const QVariant& status)
{
    if (error == QNetworkReply::NoError)
        return true;
    return status.isValid() && status.toInt() >= 400 && error == errorForStatus(status.toInt());
}

} // namespace

namespace LiteratureNetworking {

QString clean(const QString& text)
{
    return LiteratureInputValidator::collapseWhitespaceDroppingControls(text);
}

QString sanitize(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control)
            out.append(c);
    }
    return out;
}

QString displayForm(const QString& text)
{
    const QString shown = clean(sanitize(text));
    const qsizetype cut = prefixLength(shown, maximumDisplayCharacters);
    if (cut == -1)
        return shown;
    // More than 200 characters: keep 199 and mark the cut.
    return shown.left(prefixLength(shown, maximumDisplayCharacters - 1)) + QChar(0x2026);
}

std::optional<QString> serverMessage(const QByteArray& body)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    for (const QLatin1StringView name :
         {QLatin1StringView("detail"), QLatin1StringView("message"), QLatin1StringView("error")}) {
        const QJsonValue value = object.value(name);
        if (value.isString()) {
            const QString message = displayForm(value.toString());
            if (!message.isEmpty())
                return message;
            continue;
        }
        if (!value.isArray())
            continue;
        const QJsonArray items = value.toArray();
        QStringList messages;
        bool allObjects = true;
        for (const QJsonValue& item : items) {
            if (!item.isObject()) {
                allObjects = false;
                break;
            }
            const QJsonValue msg = item.toObject().value(QLatin1StringView("msg"));
            if (!msg.isString())
                continue;
            const QString cleaned = clean(msg.toString());
            if (!cleaned.isEmpty())
                messages.append(cleaned);
        }
        if (!allObjects || messages.isEmpty())
            continue;
        const QString message = displayForm(messages.join(QStringLiteral("; ")));
        if (!message.isEmpty())
            return message;
    }
    return std::nullopt;
}

std::shared_ptr<LiteratureSession> ephemeralSession(std::chrono::milliseconds timeout,
                                                    const QList<QSslCertificate>& extraCACertificates)
{
    return ephemeralSessionWithAuthorities(timeout, [extraCACertificates] { return extraCACertificates; });
}

std::shared_ptr<LiteratureSession>
ephemeralSessionWithAuthorities(std::chrono::milliseconds timeout,
                                std::function<QList<QSslCertificate>()> extraCACertificates)
{
    auto makeSsl = [extraCACertificates = std::move(extraCACertificates)] {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.setProtocol(QSsl::TlsV1_2OrLater);
        const QList<QSslCertificate> extra =
            extraCACertificates ? extraCACertificates() : QList<QSslCertificate>();
        if (!extra.isEmpty()) {
            // Reading the system's roots takes a while; once per process is enough.
            static const QList<QSslCertificate> systemRoots = QSslConfiguration::systemCaCertificates();
            ssl.setCaCertificates(systemRoots + extra);
        }
        return ssl;
    };
    return std::shared_ptr<LiteratureSession>(new LiteratureSession(timeout, std::move(makeSsl)));
}

} // namespace LiteratureNetworking

void RedirectRefusingDelegate::apply(QNetworkRequest& request)
{
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
}

std::optional<QByteArray> LiteratureHTTPResponse::header(QByteArrayView name) const
{
    for (const auto& [field, value] : headers) {
        if (field.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

LiteratureSession::LiteratureSession(std::chrono::milliseconds timeout,
                                     std::function<QSslConfiguration()> makeSsl)
    : m_timeout(timerDuration(timeout)), m_makeSsl(std::move(makeSsl))
{
}

LiteratureSession::~LiteratureSession() = default;

const QSslConfiguration& LiteratureSession::sslConfiguration() const
{
    if (!m_ssl)
        m_ssl = m_makeSsl();
    return *m_ssl;
}

QNetworkAccessManager& LiteratureSession::manager()
{
    if (!m_manager) {
        m_manager = new QNetworkAccessManager(this);
        m_manager->setCookieJar(new NoCookieJar(m_manager));
        m_manager->setCache(nullptr);
        m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
        m_manager->setStrictTransportSecurityEnabled(false);
    }
    return *m_manager;
}

std::unique_ptr<LiteratureTransfer>
LiteratureSession::send(QNetworkRequest request, const QByteArray& verb, const QByteArray& body,
                        qint64 maximumBodyBytes, std::function<void(LiteratureHTTPResult)> completion)
{
    Q_ASSERT(thread() == QThread::currentThread());
    RedirectRefusingDelegate::apply(request);
    request.setSslConfiguration(sslConfiguration());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    // The request's own idle limit wins over the session's, as the whole-transfer limit
    // is always the session's.
    if (request.transferTimeout() <= 0)
        request.setTransferTimeout(int(m_timeout.count()));
    QNetworkReply* reply = verb == "GET" && body.isEmpty() ? manager().get(request)
                                                           : manager().sendCustomRequest(request, verb, body);
    return std::unique_ptr<LiteratureTransfer>(
        new LiteratureTransfer(reply, maximumBodyBytes, m_timeout, std::move(completion)));
}

LiteratureTransfer::LiteratureTransfer(QNetworkReply* reply, qint64 maximumBodyBytes,
                                       std::chrono::milliseconds totalTimeout,
                                       std::function<void(LiteratureHTTPResult)> completion)
    : m_reply(reply), m_maximumBodyBytes(maximumBodyBytes), m_completion(std::move(completion))
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        if (m_reply)
            m_reply->abort();
    });
    m_deadline.start(totalTimeout);
    connect(reply, &QNetworkReply::readyRead, this, &LiteratureTransfer::readAvailable);
    connect(reply, &QNetworkReply::finished, this, &LiteratureTransfer::complete);
}

LiteratureTransfer::~LiteratureTransfer()
{
    if (!m_reply)
        return;
    m_reply->disconnect(this);
    if (m_reply->isRunning())
        m_reply->abort();
    m_reply->deleteLater();
}

void LiteratureTransfer::readAvailable()
{
    if (!m_reply)
        return;
    while (m_reply->bytesAvailable() > 0) {
        const QByteArray chunk = m_reply->read(64 * 1024);
        if (chunk.isEmpty())
            break;
        m_bodyBytes += chunk.size();
        const qint64 room = m_maximumBodyBytes - m_body.size();
        if (room > 0)
            m_body.append(chunk.left(room));
    }
}

void LiteratureTransfer::complete()
{
    if (!m_reply || !m_completion)
        return;
    m_deadline.stop();
    readAvailable();
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();

    LiteratureHTTPResult result;
    const QNetworkReply::NetworkError error = reply->error();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (m_timedOut || error == QNetworkReply::TimeoutError ||
        (error == QNetworkReply::OperationCanceledError)) {
        // Only the idle and whole-transfer limits abort a reply that is still owned;
        // a cancelled transfer is destroyed and never completes.
        result = std::unexpected(LiteratureError::transport(QStringLiteral("The request timed out.")));
    } else if (!isHTTPResponse(error, status)) {
        result = std::unexpected(LiteratureError::transport(reply->errorString()));
    } else {
        LiteratureHTTPResponse response;
        if (status.isValid())
            response.statusCode = status.toInt();
        response.url = reply->url();
        for (const auto& pair : reply->rawHeaderPairs())
            response.headers.emplaceBack(pair.first, pair.second);
        response.body = std::move(m_body);
        response.bodyBytes = m_bodyBytes;
        result = std::move(response);
    }
    // The completion may destroy this transfer: touch no member after the call.
    auto completion = std::move(m_completion);
    m_completion = nullptr;
    completion(std::move(result));
}
