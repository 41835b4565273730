#pragma once

#include "pubmed/ArticleMetadata.h"
#include "pubmed/PubMedArticleParser.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QList>

#include <string>

namespace ParserTestSupport {

// Records as indented JSON, so that a failed comparison shows a readable difference.
inline std::string json(const QList<ArticleMetadata>& records)
{
    QJsonArray array;
    for (const ArticleMetadata& r : records)
        array.append(r.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Indented).toStdString();
}

// The records, or the error's description prefixed with "error: ".
inline std::string parsed(const QByteArray& body)
{
    const auto result = PubMedArticleParser::parse(body);
    if (!result)
        return "error: " + result.error().errorDescription().toStdString();
    return json(*result);
}

} // namespace ParserTestSupport
