#include "PubMedCommands.h"

#include "NetworkSupport.h"

#include "pubmed/PubMed.h"
#include "pubmed/PubMedArticleParser.h"
#include "pubmed/PubMedArticleService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSslCertificate>

#include <algorithm>

namespace {

// The same whole-exchange limit as the application's.

QString articlesJson(const QList<ArticleMetadata>& articles)
{
    QJsonArray array;
    for (const ArticleMetadata& a : articles)
        array.append(a.toJson());
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

// The requested records first, in the order asked, then any others by PMID.
QList<ArticleMetadata> inRequestOrder(PubMedArticles articles, const QStringList& requested)
{
    QList<ArticleMetadata> ordered;
    for (const QString& id : requested) {
        if (auto it = articles.find(id); it != articles.end()) {
            ordered.append(*it);
            articles.erase(it);
        }
    }
    QStringList rest = articles.keys();
    std::ranges::sort(rest, [](const QString& a, const QString& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const QString& id : rest)
        ordered.append(articles.value(id));
    return ordered;
}

} // namespace

int ParsePubMedCommand::run(const QStringList& arguments, CommandIO& io)
{
    if (!arguments.isEmpty())
        return usage(io, QStringLiteral("Unexpected argument \"") + arguments.first() + u'"');
    // The bytes go to the XML reader as they are: it honours the document's encoding
    // declaration and reports invalid UTF-8 itself.
    const auto articles = PubMedArticleParser::parse(io.inputBytes());
    if (!articles)
        return fail(io, articles.error().errorDescription());
    io.printResult(articlesJson(*articles));
    return success;
}

int PubMedCommand::run(const QStringList& arguments, CommandIO& io)
{
    QUrl endpoint = PubMedArticleService::defaultEndpoint();
    QList<QSslCertificate> authorities;
    QStringList identifiers;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == u"--endpoint" || argument == u"--ca-certificates") {
            if (i + 1 == arguments.size())
                return usage(io, argument + QStringLiteral(" needs a value"));
            const QString value = arguments.at(++i);
            if (argument == u"--endpoint") {
                endpoint = QUrl(value, QUrl::StrictMode);
                continue;
            }
            const auto read = NetworkSupport::readCertificates(value);
            if (!read)
                return fail(io, read.error());
            authorities += *read;
        } else if (argument.startsWith(u"--")) {
            return usage(io, QStringLiteral("Unknown option \"") + argument + u'"');
        } else if (!PubMed::canonicalPMID(argument)) {
            return usage(io, QStringLiteral("Not a PubMed identifier: \"") + argument + u'"');
        } else {
            identifiers.append(argument);
        }
    }
    if (identifiers.isEmpty())
        return usage(io, QStringLiteral("No PubMed identifier given"));

    PubMedArticlesResult result = NetworkSupport::fetchArticles(endpoint, authorities, identifiers);
    if (!result)
        return fail(io, result.error().errorDescription());
    io.printResult(articlesJson(
        inRequestOrder(std::move(*result), PubMedArticleService::canonicalIdentifiers(identifiers))));
    return success;
}
