#include "LiteratureCacheKey.h"

#include "LiteratureNetworking.h"
#include "literature/LiteratureInputValidator.h"

#include <QCryptographicHash>

#include <algorithm>

LiteratureCacheKey LiteratureCacheKey::make(const LiteratureQuery& query, const QString& endpointScope,
                                            const QString& credentialScope)
{
    const auto normalized = LiteratureInputValidator::normalize(query.text);
    const QString sentence = normalized ? *normalized : LiteratureNetworking::clean(query.text);
    const QStringList parts = {QStringLiteral("vorn-cite-v2"),
                               sentence,
                               QString::number(std::clamp<qint64>(query.options.maxArticles, 1, 25)),
                               QStringLiteral("presentation-only"),
                               endpointScope,
                               credentialScope};
    const QByteArray hash =
        QCryptographicHash::hash(parts.join(QChar(0x1F)).toUtf8(), QCryptographicHash::Sha256);
    return LiteratureCacheKey{QString::fromLatin1(hash.toHex())};
}

size_t qHash(const LiteratureCacheKey& key, size_t seed)
{
    return qHash(key.digest, seed);
}
