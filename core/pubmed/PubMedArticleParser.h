#pragma once

#include "literature/LiteratureError.h"
#include "pubmed/ArticleMetadata.h"

#include <QByteArrayView>
#include <QList>

#include <expected>

// Reads the PubmedArticleSet document of an efetch response into article records:
// one streaming pass over the XML events, no document tree. Journal articles
// (PubmedArticle) and book chapters or whole books (PubmedBookArticle) become
// records; everything else is skipped.
namespace PubMedArticleParser {

// Elements nested deeper than this end the parse as unreadable XML; efetch
// documents, MathML in abstracts included, stay far below it.
inline constexpr int maximumDepth = 256;

// The records in document order (records without a PMID are dropped), or a
// malformedResponse error when the body is not well-formed XML (unreadable-XML
// message) or holds no PubmedArticleSet. Pure and reentrant: it may run on any thread.
[[nodiscard]] std::expected<QList<ArticleMetadata>, LiteratureError> parse(QByteArrayView body);

} // namespace PubMedArticleParser
