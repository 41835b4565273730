#include "citation/CitationStyles.h"
#include "CitationFixtures.h"
#include "citation/AuthorName.h"
#include "support/QtPrinters.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;
using namespace CitationFixtures;
using CitationFormatter::Style;

namespace {

const Style mla = Style::mla;
const Style apa = Style::apa;
const Style chicago = Style::chicago;
const Style harvard = Style::harvard;
const Style vancouver = Style::vancouver;

LiteratureReference modified(LiteratureReference reference,
                             const std::function<void(ArticleMetadata&, LiteratureReference&)>& change)
{
    change(*reference.article, reference);
    return reference;
}

// Names S01 … Snn, each with the given name Ann.
QList<AuthorName> numberedNames(int count)
{
    QList<AuthorName> names;
    for (int i = 1; i <= count; ++i)
        names.append(AuthorName{u"S%1"_s.arg(i, 2, 10, QLatin1Char('0')), {u"Ann"_s}, {}, false, {}});
    return names;
}

// The rendering of names first … last (1-based), joined with separator.
QString numbered(int first, int last, const QString& form, const QString& separator)
{
    QStringList out;
    for (int i = first; i <= last; ++i)
        out.append(QString(form).replace(u"#"_s, u"S%1"_s.arg(i, 2, 10, QLatin1Char('0'))));
    return out.join(separator);
}

struct StyleRow
{
    const char* label;
    LiteratureReference reference;
    Style style;
    QString expected; // italic runs between asterisks
};

void expectCitations(const QList<StyleRow>& rows)
{
    for (const StyleRow& row : rows) {
        const FormattedCitation actual =
            CitationFormatter::formattedCitation(row.reference, row.style, accessDate);
        EXPECT_EQ(actual, marked(row.expected)) << row.label << " / " << rawValue(row.style).toStdString();
        EXPECT_EQ(CitationFormatter::citation(row.reference, row.style, accessDate), actual.plainText());
    }
}

} // namespace

TEST(CitationStyle, RawValuesLongNamesAndOrder)
{
    const QList<std::pair<QString, QString>> expected = {
        {u"MLA"_s, u"MLA 9"_s},
        {u"APA"_s, u"APA 7"_s},
        {u"Chicago"_s, u"Chicago 17 (notes-bibliography)"_s},
        {u"Harvard"_s, u"Harvard (Cite Them Right)"_s},
        {u"Vancouver"_s, u"Vancouver (NLM)"_s},
    };
    ASSERT_EQ(CitationFormatter::allStyles.size(), size_t(expected.size()));
    for (size_t i = 0; i < CitationFormatter::allStyles.size(); ++i) {
        const Style style = CitationFormatter::allStyles.at(i);
        EXPECT_EQ(rawValue(style), expected.at(qsizetype(i)).first);
        EXPECT_EQ(CitationFormatter::longName(style), expected.at(qsizetype(i)).second);
        EXPECT_EQ(CitationFormatter::styleFromRawValue(rawValue(style)), style);
    }
    for (const QString& other : {u"mla"_s, u"MLA 9"_s, u""_s, u"BibTeX"_s})
        EXPECT_FALSE(CitationFormatter::styleFromRawValue(other).has_value()) << other.toStdString();
}

TEST(CitationStyle, WorkedExamplesOfAJournalArticleAndABookChapter)
{
    const QString b = bookshelfLink;
    expectCitations({
        {"J", journalArticle(), mla,
         u"Smith, John A., and Beth Jones. \u201cEffects of exercise on sleep.\u201d *Journal of Sleep "
         u"Research*, "
         u"vol. 29, no. 2, 2020, pp. 123\u201329, "_s +
             doiLink + u"."_s},
        {"B", bookChapter(), mla,
         u"Doe, Jane. \u201cCystic fibrosis.\u201d *Genetic Disorders Handbook*, edited by Margaret P. Adam "
         u"and "
         u"Jerry Feldman, University Press, 2001. *NCBI Bookshelf*, "_s +
             b + u"."_s},
        {"J", journalArticle(), apa,
         u"Smith, J. A., & Jones, B. (2020). Effects of exercise on sleep. *Journal of Sleep Research*, "
         u"*29*(2), "
         u"123\u2013129. "_s +
             doiLink},
        {"B", bookChapter(), apa,
         u"Doe, J. (2001). Cystic fibrosis. In M. P. Adam & J. Feldman (Eds.), *Genetic Disorders Handbook*. "
         u"University Press. "_s +
             b},
        {"J", journalArticle(), chicago,
         u"Smith, John A., and Beth Jones. \u201cEffects of exercise on sleep.\u201d *Journal of Sleep "
         u"Research* 29, "
         u"no. 2 (2020): 123\u201329. "_s +
             doiLink + u"."_s},
        {"B", bookChapter(), chicago,
         u"Doe, Jane. \u201cCystic fibrosis.\u201d In *Genetic Disorders Handbook*, edited by Margaret P. "
         u"Adam and "
         u"Jerry Feldman. Seattle (WA): University Press, 2001. "_s +
             b + u"."_s},
        {"J", journalArticle(), harvard,
         u"Smith, J. A. and Jones, B. (2020) \u2018Effects of exercise on sleep\u2019, *Journal of Sleep "
         u"Research*, "
         u"29(2), pp. 123\u2013129. Available at: "_s +
             doiLink + u" (Accessed: 5 March 2024)."_s},
        {"B", bookChapter(), harvard,
         u"Doe, J. (2001) \u2018Cystic fibrosis\u2019, in Adam, M. P. and Feldman, J. (eds) *Genetic "
         u"Disorders "
         u"Handbook*. Seattle (WA): University Press. Available at: "_s +
             b + u" (Accessed: 5 March 2024)."_s},
        {"J", journalArticle(), vancouver,
         u"Smith JA, Jones B. Effects of exercise on sleep. J Sleep Res. 2020 Mar 5;29(2):123-9. doi: "
         u"10.1000/182. "
         u"PMID: 31234567."_s},
        {"B", bookChapter(), vancouver,
         u"Doe J. Cystic fibrosis. 2020 Mar 7. In: Adam MP, Feldman J, editors. Genetic Disorders Handbook "
         u"[Internet]. Seattle (WA): University Press; 2001\u2013. Available from: "_s +
             b + u" PMID: 20301428."_s},
    });
}

TEST(CitationStyle, AuthorCountThresholds)
{
    struct Row
    {
        Style style;
        int count;
        QString expected;
    };
    const QString apaName = u"#, A."_s;
    const QString natural = u"Ann #"_s;
    const QString harvardName = u"#, A."_s;
    const QString compact = u"# A"_s;
    const QList<Row> rows = {
        {apa, 1, u"S01, A."_s},
        {apa, 2, u"S01, A., & S02, A."_s},
        {apa, 20, numbered(1, 19, apaName, u", "_s) + u", & S20, A."_s},
        {apa, 21, numbered(1, 19, apaName, u", "_s) + u", . . . S21, A."_s},
        {mla, 1, u"S01, Ann."_s},
        {mla, 2, u"S01, Ann, and Ann S02."_s},
        {mla, 3, u"S01, Ann, et al."_s},
        {chicago, 1, u"S01, Ann."_s},
        {chicago, 2, u"S01, Ann, and Ann S02."_s},
        {chicago, 10, u"S01, Ann, "_s + numbered(2, 9, natural, u", "_s) + u", and Ann S10."_s},
        {chicago, 11, u"S01, Ann, "_s + numbered(2, 7, natural, u", "_s) + u", et al."_s},
        {harvard, 1, u"S01, A."_s},
        {harvard, 2, u"S01, A. and S02, A."_s},
        {harvard, 3, u"S01, A., S02, A. and S03, A."_s},
        {harvard, 4, u"S01, A. et al."_s},
        {vancouver, 1, u"S01 A."_s},
        {vancouver, 6, numbered(1, 6, compact, u", "_s) + u"."_s},
        {vancouver, 7, numbered(1, 6, compact, u", "_s) + u", et al."_s},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CitationFormatter::authorBlock(numberedNames(row.count), row.style), row.expected)
            << rawValue(row.style).toStdString() << " " << row.count;
    }
    for (const Style style : CitationFormatter::allStyles)
        EXPECT_FALSE(CitationFormatter::authorBlock({}, style).has_value());
}

TEST(CitationStyle, EditorListThresholds)
{
    struct Row
    {
        Style style;
        int count;
        QString expected;
    };
    const QList<Row> rows = {
        {apa, 1, u"A. S01"_s},
        {apa, 2, u"A. S01 & A. S02"_s},
        {apa, 3, u"A. S01, A. S02, & A. S03"_s},
        {mla, 1, u"Ann S01"_s},
        {mla, 2, u"Ann S01 and Ann S02"_s},
        {mla, 3, u"Ann S01 et al."_s},
        {chicago, 2, u"Ann S01 and Ann S02"_s},
        {chicago, 3, u"Ann S01, Ann S02, and Ann S03"_s},
        {chicago, 10, numbered(1, 9, u"Ann #"_s, u", "_s) + u", and Ann S10"_s},
        {chicago, 11, numbered(1, 7, u"Ann #"_s, u", "_s) + u", et al."_s},
        {harvard, 1, u"S01, A."_s},
        {harvard, 2, u"S01, A. and S02, A."_s},
        {harvard, 3, u"S01, A., S02, A. and S03, A."_s},
        {harvard, 4, u"S01, A. et al."_s},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CitationFormatter::editorList(numberedNames(row.count), row.style), row.expected)
            << rawValue(row.style).toStdString() << " " << row.count;
    }
    EXPECT_FALSE(CitationFormatter::editorList(numberedNames(2), vancouver).has_value());
    EXPECT_FALSE(CitationFormatter::editorList({}, apa).has_value());
}

TEST(CitationStyle, NameFormsOfSuffixesInitialsAndGroups)
{
    const QList<AuthorName> people = {
        *AuthorName::parse(u"Smith, J. A., Jr."_s),
        *AuthorName::fromArticle(person(u"Doe"_s, u"Jean-Paul"_s, u"JP"_s)),
    };
    EXPECT_EQ(CitationFormatter::authorBlock(people, apa), u"Smith, J. A., Jr., & Doe, J. P."_s);
    EXPECT_EQ(CitationFormatter::authorBlock(people, mla), u"Smith, J. A., Jr., and Jean-Paul Doe."_s);
    EXPECT_EQ(CitationFormatter::authorBlock(people, harvard), u"Smith, J. A., Jr. and Doe, J. P."_s);
    EXPECT_EQ(CitationFormatter::authorBlock(people, vancouver), u"Smith JA Jr, Doe JP."_s);

    // A group author stands as stored in every style: no initials, no inversion.
    const QList<AuthorName> consortium = {
        *AuthorName::fromArticle(group(u"SARS-CoV-2 Genomics Consortium"_s))};
    for (const Style style : CitationFormatter::allStyles) {
        const QString block = *CitationFormatter::authorBlock(consortium, style);
        EXPECT_EQ(block, style == harvard ? u"SARS-CoV-2 Genomics Consortium"_s
                                          : u"SARS-CoV-2 Genomics Consortium."_s)
            << rawValue(style).toStdString();
    }
}

TEST(CitationStyle, MissingPartsAreSkippedWithTheirPunctuation)
{
    const auto noAuthors = modified(journalArticle(), [](ArticleMetadata& a, LiteratureReference& r) {
        a.authors.clear();
        r.authors.clear();
    });
    // One author, a journal and nothing else: no year, volume, issue, pages, DOI or link.
    const auto bare = modified(journalArticle(), [](ArticleMetadata& a, LiteratureReference& r) {
        a.authors = {person(u"Smith"_s, u"John A"_s, u"JA"_s)};
        a.year = a.month = a.day = a.volume = a.issue = a.pages = a.doi = a.journalAbbreviation =
            std::nullopt;
        r.date.reset();
        r.pmid.clear();
    });
    const auto question = modified(bare, [](ArticleMetadata& a, LiteratureReference& r) {
        a.title = u"Does exercise help sleep?"_s;
        a.journalTitle.reset();
        r.journal.reset();
    });
    // An issue without a volume, no DOI: the PubMed page is the link.
    const auto noVolume = modified(journalArticle(), [](ArticleMetadata& a, LiteratureReference&) {
        a.volume.reset();
        a.doi.reset();
    });
    const auto ownLink = modified(journalArticle(), [](ArticleMetadata& a, LiteratureReference& r) {
        a.doi.reset();
        r.pmid = u"n/a"_s;
        r.url = QUrl(u"https://example.org/paper"_s);
    });
    const QString pubmed = pubmedLinkJ;
    const QString accessed = u" (Accessed: 5 March 2024)."_s;

    expectCitations({
        {"no authors", noAuthors, mla,
         u"\u201cEffects of exercise on sleep.\u201d *Journal of Sleep Research*, vol. 29, no. 2, 2020, "
         u"pp. 123\u201329, "_s +
             doiLink + u"."_s},
        {"no authors", noAuthors, apa,
         u"Effects of exercise on sleep. (2020). *Journal of Sleep Research*, *29*(2), 123\u2013129. "_s +
             doiLink},
        {"no authors", noAuthors, chicago,
         u"\u201cEffects of exercise on sleep.\u201d *Journal of Sleep Research* 29, no. 2 (2020): 123\u201329. "_s +
             doiLink + u"."_s},
        {"no authors", noAuthors, harvard,
         u"\u2018Effects of exercise on sleep\u2019 (2020) *Journal of Sleep Research*, 29(2), pp. "
         u"123\u2013129. "
         u"Available at: "_s +
             doiLink + accessed},
        {"no authors", noAuthors, vancouver,
         u"Effects of exercise on sleep. J Sleep Res. 2020 Mar 5;29(2):123-9. doi: 10.1000/182. PMID: 31234567."_s},

        {"bare", bare, mla,
         u"Smith, John A. \u201cEffects of exercise on sleep.\u201d *Journal of Sleep Research*."_s},
        {"bare", bare, apa,
         u"Smith, J. A. (n.d.). Effects of exercise on sleep. *Journal of Sleep Research*."_s},
        {"bare", bare, chicago,
         u"Smith, John A. \u201cEffects of exercise on sleep.\u201d *Journal of Sleep Research*, n.d."_s},
        {"bare", bare, harvard,
         u"Smith, J. A. (no date) \u2018Effects of exercise on sleep\u2019, *Journal of Sleep Research*."_s},
        {"bare", bare, vancouver, u"Smith JA. Effects of exercise on sleep. Journal of Sleep Research."_s},

        {"question", question, mla, u"Smith, John A. \u201cDoes exercise help sleep?\u201d"_s},
        {"question", question, apa, u"Smith, J. A. (n.d.). Does exercise help sleep?"_s},
        {"question", question, chicago, u"Smith, John A. \u201cDoes exercise help sleep?\u201d"_s},
        {"question", question, harvard, u"Smith, J. A. (no date) \u2018Does exercise help sleep?\u2019"_s},
        {"question", question, vancouver, u"Smith JA. Does exercise help sleep?"_s},

        {"no volume", noVolume, mla,
         u"Smith, John A., and Beth Jones. \u201cEffects of exercise on sleep.\u201d *Journal of Sleep "
         u"Research*, "
         u"no. 2, 2020, pp. 123\u201329. *PubMed*, "_s +
             pubmed + u"."_s},
        {"no volume", noVolume, apa,
         u"Smith, J. A., & Jones, B. (2020). Effects of exercise on sleep. *Journal of Sleep Research*, "
         u"123\u2013129. "_s +
             pubmed},
        {"no volume", noVolume, chicago,
         u"Smith, John A., and Beth Jones. \u201cEffects of exercise on sleep.\u201d *Journal of Sleep "
         u"Research*, "
         u"2020. "_s +
             pubmed + u"."_s},
        {"no volume", noVolume, harvard,
         u"Smith, J. A. and Jones, B. (2020) \u2018Effects of exercise on sleep\u2019, *Journal of Sleep "
         u"Research*, "
         u"(2), pp. 123\u2013129. Available at: "_s +
             pubmed + accessed},
        {"no volume", noVolume, vancouver,
         u"Smith JA, Jones B. Effects of exercise on sleep. J Sleep Res. 2020 Mar 5:123-9. PMID: 31234567."_s},

        {"own link", ownLink, mla,
         u"Smith, John A., and Beth Jones. \u201cEffects of exercise on sleep.\u201d *Journal of Sleep "
         u"Research*, "
         u"vol. 29, no. 2, 2020, pp. 123\u201329. https://example.org/paper."_s},
        {"own link", ownLink, vancouver,
         u"Smith JA, Jones B. Effects of exercise on sleep. J Sleep Res. 2020 Mar 5;29(2):123-9."_s},
    });
}

TEST(CitationStyle, TitleEndingInAnExclamationMarkGetsNoFullStop)
{
    const auto exclaim = modified(
        journalArticle(), [](ArticleMetadata& a, LiteratureReference&) { a.title = u"Sleep more!"_s; });
    expectCitations({
        {"!", exclaim, mla,
         u"Smith, John A., and Beth Jones. \u201cSleep more!\u201d *Journal of Sleep Research*, vol. 29, no. "
         u"2, 2020, "
         u"pp. 123\u201329, "_s +
             doiLink + u"."_s},
        {"!", exclaim, apa,
         u"Smith, J. A., & Jones, B. (2020). Sleep more! *Journal of Sleep Research*, *29*(2), 123\u2013129. "_s +
             doiLink},
        {"!", exclaim, vancouver,
         u"Smith JA, Jones B. Sleep more! J Sleep Res. 2020 Mar 5;29(2):123-9. doi: 10.1000/182. PMID: 31234567."_s},
    });
}

TEST(CitationStyle, ArticleNumbersAndIdentifiersAsLocators)
{
    const auto number =
        modified(journalArticle(), [](ArticleMetadata& a, LiteratureReference&) { a.pages = u"e0123456"_s; });
    const auto arxiv = modified(journalArticle(), [](ArticleMetadata& a, LiteratureReference&) {
        a.pages.reset();
        a.articleNumber = u"arXiv:2101.00001"_s;
    });
    const QString authorsAPA = u"Smith, J. A., & Jones, B. (2020). Effects of exercise on sleep. "_s;
    const QString authorsMLA =
        u"Smith, John A., and Beth Jones. \u201cEffects of exercise on sleep.\u201d "_s;
    const QString authorsHarvard =
        u"Smith, J. A. and Jones, B. (2020) \u2018Effects of exercise on sleep\u2019, "_s;
    const QString available = u" Available at: "_s + doiLink + u" (Accessed: 5 March 2024)."_s;
    expectCitations({
        {"number", number, apa,
         authorsAPA + u"*Journal of Sleep Research*, *29*(2), Article e0123456. "_s + doiLink},
        {"number", number, mla,
         authorsMLA + u"*Journal of Sleep Research*, vol. 29, no. 2, 2020, p. e0123456, "_s + doiLink +
             u"."_s},
        {"number", number, chicago,
         authorsMLA + u"*Journal of Sleep Research* 29, no. 2 (2020): e0123456. "_s + doiLink + u"."_s},
        {"number", number, harvard,
         authorsHarvard + u"*Journal of Sleep Research*, 29(2), p. e0123456."_s + available},
        {"number", number, vancouver,
         u"Smith JA, Jones B. Effects of exercise on sleep. J Sleep Res. 2020 Mar 5;29(2):e0123456. doi: "
         u"10.1000/182. "
         u"PMID: 31234567."_s},

        {"arxiv", arxiv, apa, authorsAPA + u"*Journal of Sleep Research*, *29*(2). "_s + doiLink},
        {"arxiv", arxiv, mla,
         authorsMLA + u"*Journal of Sleep Research*, vol. 29, no. 2, 2020, arXiv:2101.00001, "_s + doiLink +
             u"."_s},
        {"arxiv", arxiv, chicago,
         authorsMLA + u"*Journal of Sleep Research* 29, no. 2 (2020): arXiv:2101.00001. "_s + doiLink +
             u"."_s},
        {"arxiv", arxiv, harvard,
         authorsHarvard + u"*Journal of Sleep Research*, 29(2), arXiv:2101.00001."_s + available},
        {"arxiv", arxiv, vancouver,
         u"Smith JA, Jones B. Effects of exercise on sleep. J Sleep Res. 2020 Mar 5;29(2):arXiv:2101.00001. "
         u"doi: 10.1000/182. PMID: 31234567."_s},
    });
}

TEST(CitationStyle, PreprintMarkerAndNoRetractionNotice)
{
    const auto preprint = modified(journalArticle(), [](ArticleMetadata& a, LiteratureReference&) {
        a.publicationTypes = {u"Preprint"_s};
    });
    const auto nameless = modified(preprint, [](ArticleMetadata& a, LiteratureReference& r) {
        a.journalTitle.reset();
        a.journalAbbreviation.reset();
        r.journal.reset();
    });
    expectCitations({
        {"preprint", preprint, vancouver,
         u"Smith JA, Jones B. Effects of exercise on sleep. J Sleep Res [Preprint]. 2020 Mar 5;29(2):123-9. "
         u"doi: 10.1000/182. PMID: 31234567."_s},
        {"preprint without a journal", nameless, vancouver,
         u"Smith JA, Jones B. Effects of exercise on sleep. 2020 Mar 5;29(2):123-9. doi: 10.1000/182. "
         u"PMID: 31234567."_s},
    });

    const auto retracted = modified(journalArticle(), [](ArticleMetadata& a, LiteratureReference&) {
        a.publicationTypes = {u"Journal Article"_s, u"Retracted Publication"_s};
    });
    for (const Style style : CitationFormatter::allStyles) {
        EXPECT_EQ(CitationFormatter::formattedCitation(retracted, style, accessDate),
                  CitationFormatter::formattedCitation(journalArticle(), style, accessDate));
    }
}

TEST(CitationStyle, ChapterEditorsContainersAndDates)
{
    const auto bare = modified(bookChapter(), [](ArticleMetadata& a, LiteratureReference&) {
        a.editors.clear();
        a.bookTitle.reset();
    });
    const auto oneEditor =
        modified(bookChapter(), [](ArticleMetadata& a, LiteratureReference&) { a.editors.resize(1); });
    const auto sevenEditors = modified(bookChapter(), [](ArticleMetadata& a, LiteratureReference&) {
        a.editors.clear();
        for (int i = 1; i <= 7; ++i)
            a.editors.append(person(u"E%1"_s.arg(i), u"Ann"_s, u"A"_s));
    });
    // No bookshelf page and no publisher (a location alone is not printed); a month.
    const auto onPubMed = modified(bookChapter(), [](ArticleMetadata& a, LiteratureReference&) {
        a.bookshelfID.reset();
        a.publisher.reset();
        a.month = u"June"_s;
    });
    const QString b = bookshelfLink;
    const QString pubmed = u"https://pubmed.ncbi.nlm.nih.gov/20301428/"_s;
    const QString accessed = u" (Accessed: 5 March 2024)."_s;

    expectCitations({
        {"bare chapter", bare, mla,
         u"Doe, Jane. \u201cCystic fibrosis.\u201d University Press, 2001. *NCBI Bookshelf*, "_s + b +
             u"."_s},
        {"bare chapter", bare, apa, u"Doe, J. (2001). Cystic fibrosis. University Press. "_s + b},
        {"bare chapter", bare, chicago,
         u"Doe, Jane. \u201cCystic fibrosis.\u201d Seattle (WA): University Press, 2001. "_s + b + u"."_s},
        {"bare chapter", bare, harvard,
         u"Doe, J. (2001) \u2018Cystic fibrosis\u2019. Seattle (WA): University Press. Available at: "_s + b +
             accessed},
        {"bare chapter", bare, vancouver,
         u"Doe J. Cystic fibrosis. 2020 Mar 7. In: [Internet]. Seattle (WA): University Press; 2001\u2013. "
         u"Available from: "_s +
             b + u" PMID: 20301428."_s},

        {"one editor", oneEditor, mla,
         u"Doe, Jane. \u201cCystic fibrosis.\u201d *Genetic Disorders Handbook*, edited by Margaret P. Adam, "
         u"University Press, 2001. *NCBI Bookshelf*, "_s +
             b + u"."_s},
        {"one editor", oneEditor, apa,
         u"Doe, J. (2001). Cystic fibrosis. In M. P. Adam (Ed.), *Genetic Disorders Handbook*. University Press. "_s +
             b},
        {"one editor", oneEditor, chicago,
         u"Doe, Jane. \u201cCystic fibrosis.\u201d In *Genetic Disorders Handbook*, edited by Margaret P. "
         u"Adam. "
         u"Seattle (WA): University Press, 2001. "_s +
             b + u"."_s},
        {"one editor", oneEditor, harvard,
         u"Doe, J. (2001) \u2018Cystic fibrosis\u2019, in Adam, M. P. (ed.) *Genetic Disorders Handbook*. "
         u"Seattle (WA): University Press. Available at: "_s +
             b + accessed},
        {"one editor", oneEditor, vancouver,
         u"Doe J. Cystic fibrosis. 2020 Mar 7. In: Adam MP, editor. Genetic Disorders Handbook [Internet]. "
         u"Seattle (WA): University Press; 2001\u2013. Available from: "_s +
             b + u" PMID: 20301428."_s},

        {"seven editors", sevenEditors, vancouver,
         u"Doe J. Cystic fibrosis. 2020 Mar 7. In: E1 A, E2 A, E3 A, E4 A, E5 A, E6 A, et al., editors. "
         u"Genetic Disorders Handbook [Internet]. Seattle (WA): University Press; 2001\u2013. Available from: "_s +
             b + u" PMID: 20301428."_s},

        {"on PubMed", onPubMed, mla,
         u"Doe, Jane. \u201cCystic fibrosis.\u201d *Genetic Disorders Handbook*, edited by Margaret P. Adam "
         u"and "
         u"Jerry Feldman, 2001. *PubMed*, "_s +
             pubmed + u"."_s},
        {"on PubMed", onPubMed, apa,
         u"Doe, J. (2001). Cystic fibrosis. In M. P. Adam & J. Feldman (Eds.), *Genetic Disorders Handbook*. "_s +
             pubmed},
        {"on PubMed", onPubMed, chicago,
         u"Doe, Jane. \u201cCystic fibrosis.\u201d In *Genetic Disorders Handbook*, edited by Margaret P. "
         u"Adam and "
         u"Jerry Feldman. 2001. "_s +
             pubmed + u"."_s},
        {"on PubMed", onPubMed, harvard,
         u"Doe, J. (2001) \u2018Cystic fibrosis\u2019, in Adam, M. P. and Feldman, J. (eds) *Genetic "
         u"Disorders "
         u"Handbook*. Available at: "_s +
             pubmed + accessed},
        {"on PubMed", onPubMed, vancouver,
         u"Doe J. Cystic fibrosis. 2020 Mar 7. In: Adam MP, Feldman J, editors. Genetic Disorders Handbook "
         u"[Internet]. 2001 Jun\u2013. PMID: 20301428."_s},
    });
}

TEST(CitationStyle, HarvardAccessDateIsBritishEnglishWhateverTheLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(CitationFormatter::harvardDate(QDate(2024, 3, 5)), u"5 March 2024"_s);
    EXPECT_EQ(CitationFormatter::harvardDate(QDate(1999, 12, 31)), u"31 December 1999"_s);
    const QString harvard = CitationFormatter::citation(journalArticle(), Style::harvard, QDate(2025, 1, 1));
    QLocale::setDefault(previous);
    EXPECT_TRUE(harvard.endsWith(u"(Accessed: 1 January 2025)."_s)) << harvard.toStdString();
}
