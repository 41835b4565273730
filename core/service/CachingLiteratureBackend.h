#pragma once

#include "InFlightLiteratureRequests.h"
#include "InMemoryLiteratureCache.h"
#include "literature/LiteratureBackend.h"

#include <memory>

// Wraps a backend with the shared result cache and the coalescing of identical queries
// in flight. The cache and the in-flight table outlive the decorators built over them;
// the endpoint and credential scopes keep the answers of different services and keys
// apart. Immutable; queries may come from any thread.
class CachingLiteratureBackend final : public LiteratureBackend
{
    Q_DISABLE_COPY_MOVE(CachingLiteratureBackend)

public:
    CachingLiteratureBackend(std::shared_ptr<LiteratureBackend> backend,
                             std::shared_ptr<InMemoryLiteratureCache> cache,
                             std::shared_ptr<InFlightLiteratureRequests> inFlight, QString endpointScope,
                             QString credentialScope);
    ~CachingLiteratureBackend() override;

    [[nodiscard]] std::unique_ptr<LiteratureQueryStream> query(const LiteratureQuery& query) override;

private:
    const std::shared_ptr<LiteratureBackend> m_backend;
    const std::shared_ptr<InMemoryLiteratureCache> m_cache;
    const std::shared_ptr<InFlightLiteratureRequests> m_inFlight;
    const QString m_endpointScope;
    const QString m_credentialScope;
};
