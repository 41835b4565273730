#include "VORNBackendStack.h"

#include <QCryptographicHash>
#include <QThreadPool>

namespace VORNBackendStack {

QString serviceBaseURL(const QString& userSetting)
{
    const QString user = userSetting.trimmed();
    return user.isEmpty() ? VORNBackend::configuredServiceBaseURL() : user;
}

QString credentialScope(const std::optional<QString>& key)
{
    if (!key)
        return QStringLiteral("missing");
    return QString::fromLatin1(QCryptographicHash::hash(key->toUtf8(), QCryptographicHash::Sha256).toHex());
}

namespace {

std::expected<QString, LiteratureError> readKey(VORNAPIKeyStoring& store)
{
    const auto loaded = store.loadAPIKey();
    if (!loaded)
        return std::unexpected(LiteratureError::keyStoreFailure(loaded.error().errorDescription()));
    if (!*loaded)
        return std::unexpected(LiteratureError::missingCredential());
    return **loaded;
}

// Never destroyed: a read that waits for the user must not hold up the exit.
QThreadPool& keyStorePool()
{
    static QThreadPool* pool = [] {
        auto* created = new QThreadPool();
        created->setMaxThreadCount(1);
        return created;
    }();
    return *pool;
}

} // namespace

VORNAPIKeyProvider keyProvider(std::shared_ptr<VORNAPIKeyStoring> store)
{
    return
        [store = std::move(store)](const std::function<void(std::expected<QString, LiteratureError>)>& done) {
            done(readKey(*store));
        };
}

VORNAPIKeyProvider asynchronousKeyProvider(std::shared_ptr<VORNAPIKeyStoring> store)
{
    return
        [store = std::move(store)](const std::function<void(std::expected<QString, LiteratureError>)>& done) {
            keyStorePool().start([store, done] { done(readKey(*store)); });
        };
}

void runOnKeyStoreThread(std::function<void()> task)
{
    keyStorePool().start(std::move(task));
}

std::shared_ptr<LiteratureBackend> make(const QString& serviceBaseURL, VORNAPIKeyProvider apiKeyProvider,
                                        std::shared_ptr<InMemoryLiteratureCache> cache,
                                        std::shared_ptr<InFlightLiteratureRequests> inFlight,
                                        const QString& credentialScope,
                                        const QList<QSslCertificate>& extraCACertificates)
{
    const QUrl endpoint = VORNBackend::endpoint(serviceBaseURL);
    auto network = std::make_shared<VORNBackend>(
        endpoint, LiteratureNetworking::ephemeralSession(timeout, extraCACertificates),
        VORNBackend::defaultRetryDelay, std::move(apiKeyProvider));
    return std::make_shared<CachingLiteratureBackend>(std::move(network), std::move(cache),
                                                      std::move(inFlight),
                                                      endpoint.toString(QUrl::FullyEncoded), credentialScope);
}

} // namespace VORNBackendStack
