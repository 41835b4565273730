#pragma once

#include "CachingLiteratureBackend.h"
#include "VORNBackend.h"
#include "literature/VORNAPIKeyStoring.h"

#include <QList>
#include <QSslCertificate>
#include <QString>

#include <chrono>
#include <memory>

// How the application builds its literature backend: the VORN network client behind the
// shared result cache and in-flight table.
namespace VORNBackendStack {

// Room in the application's one result cache.
inline constexpr qsizetype cacheEntries = 20;
// The whole-transfer limit of a cite request.
inline constexpr std::chrono::seconds timeout{90};

// The service's https base URL: the user's setting ("literature.serviceURL") when it is
// not blank, else the one this build was configured with (possibly empty).
QString serviceBaseURL(const QString& userSetting);

// What keeps cached answers of different keys apart: "missing" without a key, else the
// lowercase hexadecimal SHA-256 of the key's UTF-8 bytes.
QString credentialScope(const std::optional<QString>& key);

// A key source that reads store at every request: the stored key; missingCredential
// when none is stored; a failing store as keyStoreFailure carrying the store's
// description.
VORNAPIKeyProvider keyProvider(std::shared_ptr<VORNAPIKeyStoring> store);

// The same, but the store is read on a thread of its own (one read at a time), so that
// a store that waits (a locked keyring asking to be unlocked) never holds up the
// caller's thread; the completion runs on that thread.
VORNAPIKeyProvider asynchronousKeyProvider(std::shared_ptr<VORNAPIKeyStoring> store);

// Runs task on that thread, after the reads already waiting there.
void runOnKeyStoreThread(std::function<void()> task);

// CachingLiteratureBackend over a VORNBackend for the cite endpoint under serviceBaseURL.
// apiKeyProvider is asked at every request; credentialScope ("missing" or the key's
// SHA-256) and the endpoint's URL keep cached answers apart. An empty or non-https base
// URL gives a stack whose queries fail with invalidEndpoint. extraCACertificates are
// trusted beside the system's roots (for a local demo service).
std::shared_ptr<LiteratureBackend> make(const QString& serviceBaseURL, VORNAPIKeyProvider apiKeyProvider,
                                        std::shared_ptr<InMemoryLiteratureCache> cache,
                                        std::shared_ptr<InFlightLiteratureRequests> inFlight,
                                        const QString& credentialScope,
                                        const QList<QSslCertificate>& extraCACertificates = {});

} // namespace VORNBackendStack
