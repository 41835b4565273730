#pragma once

#include "literature/LiteratureRecords.h"

#include <QString>

// Identifies a query's answer: SHA-256 over the normalised sentence, the clamped
// reference count, the endpoint and the credential in use. Evidence display and cache
// lifetime are left out, so queries that differ only in them share answers.
struct LiteratureCacheKey
{
    // 64 lower-case hexadecimal digits.
    QString digest;

    static LiteratureCacheKey make(const LiteratureQuery& query, const QString& endpointScope,
                                   const QString& credentialScope);

    [[nodiscard]] const QString& description() const { return digest; }
    friend bool operator==(const LiteratureCacheKey&, const LiteratureCacheKey&) = default;
};
size_t qHash(const LiteratureCacheKey& key, size_t seed = 0);
