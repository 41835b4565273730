#include "NetworkSupport.h"

#include "service/LiteratureNetworking.h"

#include <QEventLoop>
#include <QFile>

namespace NetworkSupport {

namespace {
constexpr double fetchTimeoutSeconds = 20;
constexpr qint64 maximumCertificateFileBytes = 1 << 20;
} // namespace

std::expected<QList<QSslCertificate>, QString> readCertificates(const QString& file)
{
    QFile pem(file);
    if (!pem.open(QIODevice::ReadOnly))
        return std::unexpected(QStringLiteral("Cannot read the certificate file ") + file + u'.');
    const QList<QSslCertificate> read =
        QSslCertificate::fromData(pem.read(maximumCertificateFileBytes), QSsl::Pem);
    if (read.isEmpty())
        return std::unexpected(QStringLiteral("No PEM certificate in ") + file + u'.');
    return read;
}

PubMedArticlesResult fetchArticles(const QUrl& endpoint, const QList<QSslCertificate>& authorities,
                                   const QStringList& ids)
{
    const PubMedArticleService service(
        endpoint, LiteratureNetworking::ephemeralSession(fetchTimeoutSeconds, authorities));
    std::optional<PubMedArticlesResult> result;
    QEventLoop loop;
    const auto fetch = service.articles(ids, [&](PubMedArticlesResult r) {
        result = std::move(r);
        loop.quit();
    });
    if (!result)
        loop.exec();
    return result.value_or(std::unexpected(LiteratureError::cancelled()));
}

} // namespace NetworkSupport
