#include "PubMedCommands.h"

#include "pubmed/PubMedArticleParser.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

QString articlesJson(const QList<ArticleMetadata>& articles)
{
    QJsonArray array;
    for (const ArticleMetadata& a : articles)
        array.append(a.toJson());
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
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
