#pragma once

#include <QtGlobal>

#include <string_view>

// The efetch element names that the article reader acts on, as small tokens, so that
// the stack of open elements holds bytes instead of strings.
namespace PubMedElements {

enum class Element : quint8
{
    none, // no element (outside the document, or above the root)
    other, // any name the reader does not act on
    Article,
    ArticleId,
    ArticleIdList,
    ArticleTitle,
    Author,
    AuthorList,
    Book,
    BookDocument,
    BookTitle,
    CollectiveName,
    ContributionDate,
    Day,
    ELocationID,
    ForeName,
    ISOAbbreviation,
    Initials,
    Issue,
    Journal,
    JournalIssue,
    LastName,
    MedlineCitation,
    MedlineDate,
    MedlinePgn,
    Month,
    PMID,
    Pagination,
    PubDate,
    PublicationType,
    Publisher,
    PublisherLocation,
    PublisherName,
    PubmedArticle,
    PubmedArticleSet,
    PubmedBookArticle,
    PubmedData,
    Season,
    Suffix,
    Title,
    Volume,
    Year,
};

// The token of an element name, compared exactly (case-sensitive); other for unknown names.
Element element(std::string_view name);

// Whether the character data directly inside such an element can become a field value.
bool carriesText(Element element);

} // namespace PubMedElements
