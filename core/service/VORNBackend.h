#pragma once

#include "LiteratureNetworking.h"
#include "Sleeping.h"
#include "literature/LiteratureBackend.h"

#include <QUrl>

#include <array>
#include <chrono>
#include <expected>
#include <functional>
#include <memory>

// Yields the raw API key for one request. It calls its completion once, on any thread,
// at once or later, with the key or a failure; a failure of the key store itself is
// passed as LiteratureError::keyStoreFailure carrying the store's description.
using VORNAPIKeyProvider =
    std::function<void(std::function<void(std::expected<QString, LiteratureError>)> completion)>;

// The network client of the VORN citation service: one HTTPS POST per query to the cite
// endpoint, with the API key as a bearer token, checked strictly (https only, the
// configured host, no redirects, JSON of at most 2 MiB) and retried once after a short
// random pause when a gateway answers 502, 503 or 504. Immutable; exchanges run on the
// session's thread, the response is parsed on the global thread pool.
class VORNBackend final : public LiteratureBackend
{
    Q_DISABLE_COPY_MOVE(VORNBackend)

public:
    static constexpr qint64 maximumResponseBytes = 2'097'152;
    static constexpr std::array<int, 3> retryableStatuses{502, 503, 504};
    static constexpr std::chrono::milliseconds defaultRetryDelay{600};
    // The idle limit of one cite request.
    static constexpr std::chrono::milliseconds requestTimeout{60'000};
    // The cite path under the service's base URL.
    static QString endpointPath();
    // The base URL this build was configured with (the VORN_SERVICE_BASE_URL CMake
    // option); empty when the packager left it unset.
    static QString configuredServiceBaseURL();
    // The cite endpoint under an https base URL ("https://host" or "https://host/prefix").
    // An empty base gives an empty URL, which every query refuses as invalidEndpoint.
    static QUrl endpoint(const QString& serviceBaseURL);
    // endpoint(configuredServiceBaseURL()).
    static QUrl defaultEndpoint();

    // A fresh ephemeral session with timeout and the default 600 ms retry delay.
    VORNBackend(QUrl endpoint, std::chrono::milliseconds timeout, VORNAPIKeyProvider apiKeyProvider);
    // The given session and retry delay; sleeper defaults to a timer on the session's thread.
    VORNBackend(QUrl endpoint, std::shared_ptr<LiteratureSession> session,
                std::chrono::milliseconds retryDelay, VORNAPIKeyProvider apiKeyProvider,
                std::shared_ptr<Sleeping> sleeper = nullptr);
    ~VORNBackend() override;

    [[nodiscard]] std::unique_ptr<LiteratureQueryStream> query(const LiteratureQuery& query) override;

    [[nodiscard]] const QUrl& endpointURL() const { return m_endpoint; }
    [[nodiscard]] std::chrono::milliseconds retryDelay() const { return m_retryDelay; }

    // The message attached to a failed status: none for 5xx, else the server's message,
    // preceded for a 429 by "Try again in N seconds." from a positive Retry-After.
    static std::optional<QString> failureMessage(const LiteratureHTTPResponse& response);

private:
    QUrl m_endpoint;
    std::shared_ptr<LiteratureSession> m_session;
    VORNAPIKeyProvider m_apiKeyProvider;
    std::chrono::milliseconds m_retryDelay;
    std::shared_ptr<Sleeping> m_sleeper;
};
