#include "BlockingPubMedFetch.h"

#include "service/LiteratureNetworking.h"

#include <QEventLoop>

#include <chrono>

namespace BlockingPubMedFetch {

namespace {
constexpr std::chrono::seconds fetchTimeout{20};
} // namespace

PubMedArticlesResult articles(const QUrl& endpoint, const QList<QSslCertificate>& authorities,
                              const QStringList& ids)
{
    const PubMedArticleService service(endpoint,
                                       LiteratureNetworking::ephemeralSession(fetchTimeout, authorities));
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

} // namespace BlockingPubMedFetch
