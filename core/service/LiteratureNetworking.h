#pragma once

#include "literature/LiteratureError.h"

#include <QByteArray>
#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QNetworkAccessManager;
class QNetworkReply;
class LiteratureSession;

// Text clean-up and the HTTP session shared by the cite client and the PubMed client.
namespace LiteratureNetworking {

// The longest display form of untrusted text, in user-perceived characters.
inline constexpr qsizetype maximumDisplayCharacters = 200;

// Drops every control character that is not white space (escape sequences, BEL, NUL,
// C1 controls), then splits at every White_Space character, drops empty pieces and joins
// with one space. Every text of the cite service goes through it once, as it enters the
// records.
QString clean(const QString& text);
// Drops every control character (general category Cc: tab, line feed, NUL, DEL, ...).
QString sanitize(const QString& text);
// How untrusted text (a content type, a server message) is shown: sanitized, cleaned,
// and cut to 199 characters plus "…" when longer than 200 characters.
QString displayForm(const QString& text);
// The human-readable message of a JSON error body ("detail", "message" or "error"), if any.
std::optional<QString> serverMessage(const QByteArray& body);

// A new session that persists nothing: no cookies sent or stored, no HTTP cache, TLS 1.2
// or newer, redirects never followed, timeout both per transfer and as the idle
// limit. extraCACertificates are trusted beside the system's roots (tests and demos use
// a throwaway authority this way; verification is never switched off).
std::shared_ptr<LiteratureSession> ephemeralSession(std::chrono::milliseconds timeout,
                                                    const QList<QSslCertificate>& extraCACertificates = {});
// The same with the extra authorities asked for at the first request.
std::shared_ptr<LiteratureSession>
ephemeralSessionWithAuthorities(std::chrono::milliseconds timeout,
                                std::function<QList<QSslCertificate>()> extraCACertificates);

} // namespace LiteratureNetworking

// Refuses redirects: the redirect response itself becomes the final response.
class RedirectRefusingDelegate final
{
public:
    static void apply(QNetworkRequest& request);
};

// One HTTP response as the session received it.
struct LiteratureHTTPResponse
{
    // The status line's code; absent when the reply was not an HTTP response.
    std::optional<int> statusCode;
    QUrl url;
    // Header fields in arrival order, names as sent.
    QList<std::pair<QByteArray, QByteArray>> headers;
    // The body, at most the transfer's byte limit long.
    QByteArray body;
    // The full length of the body as received, including bytes beyond the limit.
    qint64 bodyBytes = 0;

    // The value of the first field named name, compared case-insensitively.
    [[nodiscard]] std::optional<QByteArray> header(QByteArrayView name) const;
};

using LiteratureHTTPResult = std::expected<LiteratureHTTPResponse, LiteratureError>;

// One request in flight. Destroying it aborts the request; its completion is then never
// called. Lives on the session's thread.
class LiteratureTransfer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiteratureTransfer)

public:
    ~LiteratureTransfer() override;

private:
    friend class LiteratureSession;
    LiteratureTransfer(QNetworkReply* reply, qint64 maximumBodyBytes, std::chrono::milliseconds totalTimeout,
                       std::function<void(LiteratureHTTPResult)> completion);
    void readAvailable();
    void complete();

    QPointer<QNetworkReply> m_reply;
    qint64 m_maximumBodyBytes;
    QByteArray m_body;
    qint64 m_bodyBytes = 0;
    bool m_timedOut = false;
    QTimer m_deadline;
    std::function<void(LiteratureHTTPResult)> m_completion;
};

// An HTTP session (see LiteratureNetworking::ephemeralSession). It lives on the thread
// that created it: send() must be called there, and completions run there; use the
// session as the context of QMetaObject::invokeMethod to reach it from elsewhere.
class LiteratureSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiteratureSession)

public:
    ~LiteratureSession() override;

    // Sends one request with the session's TLS, cookie, cache and redirect rules. The
    // completion runs once with the response, or with cancelled or transport (carrying
    // the network failure's description). Bytes of the body beyond maximumBodyBytes are
    // counted but not kept, so a hostile server cannot make the body grow without bound.
    [[nodiscard]] std::unique_ptr<LiteratureTransfer>
    send(QNetworkRequest request, const QByteArray& verb, const QByteArray& body, qint64 maximumBodyBytes,
         std::function<void(LiteratureHTTPResult)> completion);

    [[nodiscard]] std::chrono::milliseconds timeout() const { return m_timeout; }
    // Built at the first use: loading the TLS library and reading the system's roots
    // waits until something is sent, not at the program's start.
    [[nodiscard]] const QSslConfiguration& sslConfiguration() const;

private:
    friend std::shared_ptr<LiteratureSession>
        LiteratureNetworking::ephemeralSessionWithAuthorities(std::chrono::milliseconds,
                                                              std::function<QList<QSslCertificate>()>);
    LiteratureSession(std::chrono::milliseconds timeout, std::function<QSslConfiguration()> makeSsl);
    QNetworkAccessManager& manager();

    std::chrono::milliseconds m_timeout;
    std::function<QSslConfiguration()> m_makeSsl;
    mutable std::optional<QSslConfiguration> m_ssl;
    QNetworkAccessManager* m_manager = nullptr;
};
