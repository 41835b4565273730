#include "PubMedElements.h"

#include <algorithm>
#include <array>

namespace PubMedElements {

namespace {

struct Name
{
    std::string_view name;
    Element element;
};

// Sorted by name for binary search.
constexpr auto names = std::to_array<Name>({
    {"Article", Element::Article},
    {"ArticleId", Element::ArticleId},
    {"ArticleIdList", Element::ArticleIdList},
    {"ArticleTitle", Element::ArticleTitle},
    {"Author", Element::Author},
    {"AuthorList", Element::AuthorList},
    {"Book", Element::Book},
    {"BookDocument", Element::BookDocument},
    {"BookTitle", Element::BookTitle},
    {"CollectiveName", Element::CollectiveName},
    {"ContributionDate", Element::ContributionDate},
    {"Day", Element::Day},
    {"ELocationID", Element::ELocationID},
    {"ForeName", Element::ForeName},
    {"ISOAbbreviation", Element::ISOAbbreviation},
    {"Initials", Element::Initials},
    {"Issue", Element::Issue},
    {"Journal", Element::Journal},
    {"JournalIssue", Element::JournalIssue},
    {"LastName", Element::LastName},
    {"MedlineCitation", Element::MedlineCitation},
    {"MedlineDate", Element::MedlineDate},
    {"MedlinePgn", Element::MedlinePgn},
    {"Month", Element::Month},
    {"PMID", Element::PMID},
    {"Pagination", Element::Pagination},
    {"PubDate", Element::PubDate},
    {"PublicationType", Element::PublicationType},
    {"Publisher", Element::Publisher},
    {"PublisherLocation", Element::PublisherLocation},
    {"PublisherName", Element::PublisherName},
    {"PubmedArticle", Element::PubmedArticle},
    {"PubmedArticleSet", Element::PubmedArticleSet},
    {"PubmedBookArticle", Element::PubmedBookArticle},
    {"PubmedData", Element::PubmedData},
    {"Season", Element::Season},
    {"Suffix", Element::Suffix},
    {"Title", Element::Title},
    {"Volume", Element::Volume},
    {"Year", Element::Year},
});
static_assert(std::ranges::is_sorted(names, {}, &Name::name));

} // namespace

Element element(std::string_view name)
{
    const auto it = std::ranges::lower_bound(names, name, {}, &Name::name);
    return it != names.end() && it->name == name ? it->element : Element::other;
}

bool carriesText(Element element)
{
    switch (element) {
    case Element::CollectiveName:
    case Element::Day:
    case Element::ELocationID:
    case Element::ForeName:
    case Element::ISOAbbreviation:
    case Element::Initials:
    case Element::Issue:
    case Element::LastName:
    case Element::MedlineDate:
    case Element::MedlinePgn:
    case Element::Month:
    case Element::PMID:
    case Element::PublicationType:
    case Element::PublisherLocation:
    case Element::PublisherName:
    case Element::Season:
    case Element::Suffix:
    case Element::Title:
    case Element::Volume:
    case Element::Year:
    case Element::ArticleId:
        return true;
    default:
        return false;
    }
}

} // namespace PubMedElements
