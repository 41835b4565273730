#include "PubMedCommands.h"

#include "BlockingPubMedFetch.h"
#include "CertificateFile.h"

#include "pubmed/PubMed.h"
#include "pubmed/PubMedArticleParser.h"
#include "pubmed/PubMedArticleService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSslCertificate>

#include <algorithm>

namespace {

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

QString ParsePubMedCommand::summary() const
{
    return QStringLiteral("Reads an efetch XML document on standard input and prints its records as JSON.");
}

int ParsePubMedCommand::run(const QStringList& arguments, CommandIO& io)
{
    QCommandLineParser parser;
    if (const auto done = parse(parser, arguments, io))
        return *done;
    if (!parser.positionalArguments().isEmpty())
        return usage(io,
                     QStringLiteral("Unexpected argument ") + quoted(parser.positionalArguments().first()));
    // The bytes go to the XML reader as they are: it honours the document's encoding
    // declaration and reports invalid UTF-8 itself.
    const auto articles = PubMedArticleParser::parse(io.inputBytes());
    if (!articles)
        return fail(io, articles.error().errorDescription());
    io.printResult(articlesJson(*articles));
    return success;
}

QString PubMedCommand::summary() const
{
    return QStringLiteral("Fetches PubMed records by PMID from the efetch service and prints them as JSON.");
}

QList<QCommandLineOption> PubMedCommand::options() const
{
    return {
        {QStringLiteral("endpoint"), QStringLiteral("Another efetch service (default: PubMed's)."),
         QStringLiteral("URL")},
        {QStringLiteral("ca-certificates"),
         QStringLiteral("Also trusts the certificate authorities in this PEM file (for a local service)."),
         QStringLiteral("FILE")},
    };
}

QList<Command::Argument> PubMedCommand::positionalArguments() const
{
    return {{QStringLiteral("PMID..."),
             QStringLiteral("PubMed identifiers, at most 50; other arguments are left out with a warning.")}};
}

int PubMedCommand::run(const QStringList& arguments, CommandIO& io)
{
    QCommandLineParser parser;
    if (const auto done = parse(parser, arguments, io))
        return *done;
    const QStringList candidates = parser.positionalArguments();
    if (candidates.isEmpty())
        return usage(io, QStringLiteral("No PubMed identifier given"));
    const QUrl endpoint = parser.isSet(QStringLiteral("endpoint"))
                              ? QUrl(parser.value(QStringLiteral("endpoint")), QUrl::StrictMode)
                              : PubMedArticleService::defaultEndpoint();
    QList<QSslCertificate> authorities;
    for (const QString& file : parser.values(QStringLiteral("ca-certificates"))) {
        const auto read = CertificateFile::read(file);
        if (!read)
            return fail(io, read.error());
        authorities += *read;
    }
    QStringList identifiers;
    for (const QString& candidate : candidates) {
        if (PubMed::canonicalPMID(candidate))
            identifiers.append(candidate);
        else
            io.printError(QStringLiteral("Left out ") + quoted(candidate) +
                          QStringLiteral(": not a PubMed identifier."));
    }

    PubMedArticlesResult result = BlockingPubMedFetch::articles(endpoint, authorities, identifiers);
    if (!result)
        return fail(io, result.error().errorDescription());
    io.printResult(articlesJson(
        inRequestOrder(std::move(*result), PubMedArticleService::canonicalIdentifiers(identifiers))));
    return success;
}
