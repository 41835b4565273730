#include "citation/CitationRecord.h"
#include "citation/CitationFormatter.h"
#include "literature/LiteratureRecords.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

LiteratureReference serviceReference()
{
    LiteratureReference r;
    r.pmid = u"0031234567"_s;
    r.title = u"Effects of exercise\non sleep."_s;
    r.url = QUrl(u"http://example.org/paper"_s);
    r.authors = {u"Smith JA"_s, u"et al."_s, u"  "_s, u"Sleep Study Group"_s};
    r.journal = u"journal of sleep research (Oxford)"_s;
    r.date = u"Published 2020 Mar"_s;
    return r;
}

ArticleMetadata pubmedArticle()
{
    ArticleMetadata a;
    a.pmid = u"31234567"_s;
    a.title = u"Exercise  and sleep: a trial.."_s;
    a.authors = {{u"Jr"_s, u"John Smith"_s, u"JS"_s, {}, {}},
                 {{}, u"Nobody"_s, {}, {}, {}},
                 {{}, {}, {}, {}, u"The Sleep Consortium"_s}};
    a.journalTitle = u"Lancet (London, England)"_s;
    a.journalAbbreviation = u" Lancet "_s;
    a.year = u"2019"_s;
    a.month = u"Mar"_s;
    a.day = u"05"_s;
    a.volume = u"12"_s;
    a.issue = u"3"_s;
    a.pages = u"123-9"_s;
    a.doi = u"https://doi.org/10.1000/XYZ.1"_s;
    a.publicationTypes = {u"Journal Article"_s, u"Retracted Publication"_s, u"Preprint"_s};
    return a;
}

} // namespace

TEST(CitationRecord, FromServiceDataAlone)
{
    const CitationRecord record(serviceReference());
    ASSERT_EQ(record.authors.size(), 2);
    EXPECT_EQ(record.authors.at(0).natural(false), u"J. A. Smith"_s);
    EXPECT_TRUE(record.authors.at(1).isCorporate);
    EXPECT_EQ(record.title, u"Effects of exercise on sleep"_s);
    EXPECT_EQ(record.journal, u"Journal of Sleep Research"_s);
    EXPECT_EQ(record.year, u"2020"_s);
    EXPECT_TRUE(record.month.isEmpty());
    EXPECT_FALSE(record.pages.has_value());
    EXPECT_EQ(record.locator, CitationRecord::Locator::pages);
    EXPECT_FALSE(record.labelledPages(false).has_value());
    EXPECT_TRUE(record.doi.isEmpty());
    EXPECT_EQ(record.pmid, u"31234567"_s);
    EXPECT_EQ(record.pubmedURL, QUrl(u"https://pubmed.ncbi.nlm.nih.gov/31234567/"_s));
    EXPECT_EQ(record.fallbackURL, QUrl(u"http://example.org/paper"_s));
    EXPECT_EQ(record.locatorURL(), record.pubmedURL);
    EXPECT_EQ(record.kind, ArticleKind::journalArticle);
    EXPECT_FALSE(record.isRetracted);
    EXPECT_FALSE(record.isPreprint);
    EXPECT_TRUE(record.editors.isEmpty());
    EXPECT_FALSE(record.updated.has_value());
}

TEST(CitationRecord, PubMedWinsAndTheServiceFillsGaps)
{
    LiteratureReference reference = serviceReference();
    reference.article = pubmedArticle();
    const CitationRecord record(reference);

    ASSERT_EQ(record.authors.size(), 2);
    EXPECT_EQ(record.authors.at(0).natural(true), u"John Smith Jr."_s);
    EXPECT_EQ(record.authors.at(1).natural(true), u"The Sleep Consortium"_s);
    EXPECT_EQ(record.title, u"Exercise and sleep: a trial"_s);
    EXPECT_EQ(record.journal, u"Lancet"_s);
    EXPECT_EQ(record.journalAbbreviation, u"Lancet"_s);
    EXPECT_EQ(record.year, u"2019"_s);
    EXPECT_EQ(record.month, u"Mar"_s);
    EXPECT_EQ(record.dayNumber(), u"5"_s);
    EXPECT_EQ(record.volumeWithIssue(), u"12(3)"_s);
    EXPECT_EQ(record.pages, (PageRange{u"123"_s, u"129"_s, u"123-9"_s}));
    EXPECT_EQ(record.labelledPages(false), u"pp. 123\u2013129"_s);
    EXPECT_EQ(record.labelledPages(true), u"pp. 123\u201329"_s);
    EXPECT_EQ(record.doi, u"10.1000/XYZ.1"_s);
    EXPECT_EQ(record.locatorURL(), QUrl(u"https://doi.org/10.1000/XYZ.1"_s));
    EXPECT_TRUE(record.isRetracted);
    EXPECT_TRUE(record.isPreprint);

    // The service's year and journal fill in where PubMed has none.
    reference.article->year = u"in press"_s;
    reference.article->journalTitle.reset();
    const CitationRecord filled(reference);
    EXPECT_EQ(filled.year, u"2020"_s);
    EXPECT_EQ(filled.journal, u"Journal of Sleep Research"_s);

    // PubMed authors without a usable name fall back to the service's strings.
    reference.article->authors = {{{}, u"A"_s, u"A"_s, {}, {}}, {{}, {}, {}, {}, u" "_s}};
    const CitationRecord fallback(reference);
    ASSERT_EQ(fallback.authors.size(), 2);
    EXPECT_EQ(fallback.authors.at(0).surname, u"Smith"_s);

    reference.article->title = u" \n "_s;
    EXPECT_EQ(CitationRecord(reference).title, CitationFormatter::untitledPlaceholder);
}

TEST(CitationRecord, BookChapters)
{
    LiteratureReference reference = serviceReference();
    ArticleMetadata a;
    a.pmid = u"20301577"_s;
    a.kind = ArticleKind::bookChapter;
    a.title = u"CACNA1C-Related Disorders"_s;
    a.bookTitle = u"GeneReviews\u00ae"_s;
    a.editors = {{u"Adam"_s, u"Margaret P"_s, u"MP"_s, {}, {}}, {{}, {}, {}, {}, {}}};
    a.publisher = u"University of Washington,  Seattle"_s;
    a.publisherLocation = u"Seattle (WA)"_s;
    a.bookshelfID = u"NBK92946"_s;
    a.contributionDate = ArticleDate{u"2020"_s, u"3"_s, u"07"_s};
    reference.article = a;
    const CitationRecord record(reference);

    EXPECT_EQ(record.kind, ArticleKind::bookChapter);
    EXPECT_EQ(record.bookTitle, u"GeneReviews\u00ae"_s);
    ASSERT_EQ(record.editors.size(), 1);
    EXPECT_EQ(record.editors.at(0).inverted(false), u"Adam, M. P."_s);
    EXPECT_EQ(record.publisher, u"University of Washington, Seattle"_s);
    EXPECT_EQ(record.publisherLocation, u"Seattle (WA)"_s);
    EXPECT_EQ(record.bookshelfURL, QUrl(u"https://www.ncbi.nlm.nih.gov/books/NBK92946/"_s));
    EXPECT_EQ(record.locatorURL(), record.bookshelfURL);
    EXPECT_EQ(record.updatedText(), u"2020 Mar 7"_s);
}

TEST(CitationRecord, Locators)
{
    using L = CitationRecord::Locator;
    struct Row
    {
        std::optional<QString> pages;
        std::optional<QString> articleNumber;
        L locator;
        std::optional<QString> labelled;
    };
    const QList<Row> rows = {
        {u"123-9"_s, {}, L::pages, u"pp. 123\u2013129"_s},
        {u"5"_s, u"e77"_s, L::pages, u"p. 5"_s},
        {u"e0123456"_s, {}, L::articleNumber, u"p. e0123456"_s},
        {u"E12"_s, {}, L::articleNumber, u"p. E12"_s},
        {{}, u"e0123456"_s, L::articleNumber, u"p. e0123456"_s},
        {{}, u"CD012345"_s, L::articleNumber, u"p. CD012345"_s},
        {u"arXiv:2101.00001"_s, {}, L::identifier, u"arXiv:2101.00001"_s},
        {{}, u"ARXIV:2101.00001"_s, L::identifier, u"ARXIV:2101.00001"_s},
        {u"E5-E9"_s, {}, L::pages, u"pp. E5\u2013E9"_s},
        {u"-"_s, u"e12"_s, L::articleNumber, u"p. e12"_s},
        {u" "_s, {}, L::pages, std::nullopt},
        {{}, {}, L::pages, std::nullopt},
    };
    for (const Row& row : rows) {
        LiteratureReference reference = serviceReference();
        reference.article = ArticleMetadata{};
        reference.article->pages = row.pages;
        reference.article->articleNumber = row.articleNumber;
        const CitationRecord record(reference);
        const std::string context = row.pages.value_or(u"-"_s).toStdString() + " / " +
                                    row.articleNumber.value_or(u"-"_s).toStdString();
        EXPECT_EQ(record.locator, row.locator) << context;
        EXPECT_EQ(record.labelledPages(false), row.labelled) << context;
    }
}

TEST(CitationRecord, DerivedTexts)
{
    struct VolumeRow
    {
        QString volume;
        QString issue;
        QString want;
    };
    for (const VolumeRow& row : QList<VolumeRow>{
             {u"12"_s, u"3"_s, u"12(3)"_s}, {u""_s, u"3"_s, u"(3)"_s}, {u"12"_s, u""_s, u"12"_s}}) {
        CitationRecord record;
        record.volume = row.volume;
        record.issue = row.issue;
        EXPECT_EQ(record.volumeWithIssue(), row.want);
    }

    for (const auto& row : QList<std::pair<QString, QString>>{{u"05"_s, u"5"_s},
                                                              {u"+3"_s, u"3"_s},
                                                              {u"-07"_s, u"-7"_s},
                                                              {u""_s, u""_s},
                                                              {u"x"_s, u"x"_s},
                                                              {u"1st"_s, u"1st"_s}}) {
        CitationRecord record;
        record.day = row.first;
        EXPECT_EQ(record.dayNumber(), row.second) << row.first.toStdString();
    }

    struct UpdatedRow
    {
        std::optional<ArticleDate> date;
        std::optional<QString> want;
    };
    const QList<UpdatedRow> updates = {
        {ArticleDate{u"2020"_s, u"3"_s, u"07"_s}, u"2020 Mar 7"_s},
        {ArticleDate{u"2020"_s, u"Sept"_s, u"1"_s}, u"2020 Sep 1"_s},
        {ArticleDate{u"2020"_s, u"Spring"_s, {}}, u"2020 Spring"_s},
        {ArticleDate{u"2020"_s, u"3"_s, u"x"_s}, u"2020 Mar"_s},
        {ArticleDate{u"2020"_s, {}, u"9"_s}, u"2020 9"_s},
        {ArticleDate{{}, u"Mar"_s, u"1"_s}, std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const UpdatedRow& row : updates) {
        CitationRecord record;
        record.updated = row.date;
        EXPECT_EQ(record.updatedText(), row.want);
    }
}

TEST(CitationRecord, Links)
{
    LiteratureReference reference = serviceReference();
    reference.article = ArticleMetadata{};
    reference.article->doi = u"doi:10.1000/a b<c>#?%\u00e9"_s;
    reference.article->bookshelfID = u"NBK1"_s;
    const CitationRecord record(reference);
    ASSERT_TRUE(record.doiURL().has_value());
    EXPECT_EQ(record.doiURL()->toString(QUrl::FullyEncoded),
              u"https://doi.org/10.1000/a%20b%3Cc%3E%23%3F%25%C3%A9"_s);
    EXPECT_EQ(record.doiURL()->path(QUrl::FullyDecoded), u"/10.1000/a b<c>#?%\u00e9"_s);

    // DOI, then bookshelf page, then PubMed page, then the service's own link.
    EXPECT_EQ(record.locatorURL(), record.doiURL());
    reference.article->doi.reset();
    EXPECT_EQ(CitationRecord(reference).locatorURL(), QUrl(u"https://www.ncbi.nlm.nih.gov/books/NBK1/"_s));
    reference.article.reset();
    EXPECT_EQ(CitationRecord(reference).locatorURL(), QUrl(u"https://pubmed.ncbi.nlm.nih.gov/31234567/"_s));
    reference.pmid = u"none"_s;
    EXPECT_EQ(CitationRecord(reference).locatorURL(), QUrl(u"http://example.org/paper"_s));
    reference.url = QUrl(u"ftp://example.org/paper"_s);
    const CitationRecord noLink(reference);
    EXPECT_TRUE(noLink.pmid.isEmpty());
    EXPECT_FALSE(noLink.fallbackURL.has_value());
    EXPECT_FALSE(noLink.locatorURL().has_value());
}
