#pragma once

#include "pubmed/PubMedArticleService.h"

#include <QList>
#include <QSslCertificate>
#include <QStringList>
#include <QUrl>

namespace BlockingPubMedFetch {

// Fetches the PubMed records of ids in one efetch request, running the event loop
// until the answer arrives (20-second limit). authorities are trusted beside the
// system's roots.
[[nodiscard]] PubMedArticlesResult articles(const QUrl& endpoint, const QList<QSslCertificate>& authorities,
                                            const QStringList& ids);

} // namespace BlockingPubMedFetch
