#pragma once

#include "pubmed/PubMedArticleService.h"

#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <expected>

// Network pieces shared by the commands that reach a service.
namespace NetworkSupport {

// The PEM certificates of file, trusted beside the system's roots to reach a local
// service (the demo, a test); never a way to switch verification off.
std::expected<QList<QSslCertificate>, QString> readCertificates(const QString& file);

// Fetches the PubMed records of ids in one efetch request, running the event loop
// until the answer arrives (20-second limit).
PubMedArticlesResult fetchArticles(const QUrl& endpoint, const QList<QSslCertificate>& authorities,
                                   const QStringList& ids);

} // namespace NetworkSupport
