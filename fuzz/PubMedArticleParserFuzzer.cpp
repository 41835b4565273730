// efetch bodies come from the network: the reader must survive anything and every
// record it yields must keep the record invariants.
#include "pubmed/PubMedArticleParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// A filled field is never empty and never has doubled or surrounding whitespace.
void checkText(const std::optional<QString>& text)
{
    if (text && (text->isEmpty() || *text != text->simplified()))
        std::abort();
}

void checkAuthor(const ArticleAuthor& a)
{
    if (!a.lastName && !a.collectiveName)
        std::abort();
    for (const auto* field : {&a.lastName, &a.foreName, &a.initials, &a.suffix, &a.collectiveName})
        checkText(*field);
}

void check(const ArticleMetadata& m)
{
    checkText(m.pmid);
    for (const auto* field : {&m.title, &m.journalTitle, &m.journalAbbreviation, &m.year, &m.month, &m.day,
                              &m.volume, &m.issue, &m.pages, &m.articleNumber, &m.doi, &m.bookTitle,
                              &m.publisher, &m.publisherLocation, &m.bookshelfID})
        checkText(*field);
    for (const QString& type : m.publicationTypes)
        checkText(type);
    for (const ArticleAuthor& a : m.authors)
        checkAuthor(a);
    for (const ArticleAuthor& a : m.editors)
        checkAuthor(a);
    if (m.contributionDate && !m.contributionDate->year)
        std::abort();
    // What the command line and the coordinator's cache write must read back unchanged.
    const auto decoded = ArticleMetadata::fromJson(m.toJson());
    if (!decoded || *decoded != m)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto records =
        PubMedArticleParser::parse(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (records) {
        for (const ArticleMetadata& m : *records)
            check(m);
    }
    return 0;
}
