#include "citation/CitationExport.h"
#include "CitationFixtures.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace CitationFixtures;
using CitationFormatter::bibtex;
using CitationFormatter::ris;

namespace {

QString lines(const QStringList& list, const QString& separator)
{
    return list.join(separator);
}

} // namespace

TEST(CitationExport, WorkedExampleAsBibTeXAndRIS)
{
    EXPECT_EQ(bibtex(journalArticle()),
              lines({u"@article{pmid31234567,"_s, u"  author = {Smith, John A. and Jones, Beth},"_s,
                     u"  title = {{Effects of exercise on sleep}},"_s,
                     u"  journal = {Journal of Sleep Research},"_s, u"  year = {2020},"_s,
                     u"  month = mar,"_s, u"  volume = {29},"_s, u"  number = {2},"_s,
                     u"  pages = {123--129},"_s, u"  doi = {10.1000/182},"_s, u"  pmid = {31234567},"_s,
                     u"  url = {"_s + pubmedLinkJ + u"}"_s, u"}"_s},
                    u"\n"_s));
    EXPECT_EQ(ris(journalArticle()),
              lines({u"TY  - JOUR"_s, u"AU  - Smith, John A."_s, u"AU  - Jones, Beth"_s,
                     u"TI  - Effects of exercise on sleep"_s, u"T2  - Journal of Sleep Research"_s,
                     u"JO  - J Sleep Res"_s, u"VL  - 29"_s, u"IS  - 2"_s, u"SP  - 123"_s, u"EP  - 129"_s,
                     u"PY  - 2020"_s, u"DA  - 2020/03/05/"_s, u"DO  - 10.1000/182"_s, u"AN  - 31234567"_s,
                     u"DB  - PubMed"_s, u"UR  - "_s + pubmedLinkJ, u"ER  - "_s, u""_s},
                    u"\r\n"_s));
}

TEST(CitationExport, BookChapterAsBibTeXAndRIS)
{
    EXPECT_EQ(bibtex(bookChapter()),
              lines({u"@incollection{pmid20301428,"_s, u"  author = {Doe, Jane},"_s,
                     u"  title = {{Cystic fibrosis}},"_s, u"  booktitle = {Genetic Disorders Handbook},"_s,
                     u"  editor = {Adam, Margaret P. and Feldman, Jerry},"_s,
                     u"  publisher = {University Press},"_s, u"  address = {Seattle (WA)},"_s,
                     u"  year = {2001},"_s, u"  pmid = {20301428},"_s,
                     u"  url = {"_s + bookshelfLink + u"}"_s, u"}"_s},
                    u"\n"_s));
    EXPECT_EQ(ris(bookChapter()), lines({u"TY  - CHAP"_s, u"AU  - Doe, Jane"_s, u"TI  - Cystic fibrosis"_s,
                                         u"T2  - Genetic Disorders Handbook"_s, u"A2  - Adam, Margaret P."_s,
                                         u"A2  - Feldman, Jerry"_s, u"PB  - University Press"_s,
                                         u"CY  - Seattle (WA)"_s, u"PY  - 2001"_s, u"AN  - 20301428"_s,
                                         u"DB  - PubMed"_s, u"UR  - "_s + bookshelfLink, u"ER  - "_s, u""_s},
                                        u"\r\n"_s));
}

TEST(CitationExport, SpecialCharactersNamesAndMissingParts)
{
    EXPECT_EQ(bibtex(specialCharacters()),
              lines({u"@article{vorn-PMC12345,"_s,
                     u"  author = {M\u00fcller, J\u00fcrgen and {World Health Organization} and van der "
                     u"Berg, Anna and "
                     u"\u674e, \u5c0f\u9f8d and Smith, Jr., John},"_s,
                     u"  title = {{50\\% \\& more\\_data: \\{braces\\}, \\#1 for \\$5, \\textasciitilde{}x"
                     u"\\textasciicircum{}2 and C:\\textbackslash{}temp}},"_s,
                     u"  journal = {Science \\& Society},"_s, u"  year = {2020},"_s, u"  volume = {29},"_s,
                     u"  number = {2},"_s, u"  pages = {e0123456},"_s,
                     u"  doi = {10.1002/(SICI)1097-4636(199606)31:2<205::AID-JBM7>3.0.CO;2-O},"_s,
                     u"  url = {https://example.org/paper?id=1&x=%7Bq%7D}"_s, u"}"_s},
                    u"\n"_s));
    // No DA line for a season, no JO line for an abbreviation equal to the title, no
    // AN and DB lines without a PMID; no escaping.
    EXPECT_EQ(
        ris(specialCharacters()),
        lines({u"TY  - JOUR"_s, u"AU  - M\u00fcller, J\u00fcrgen"_s, u"AU  - World Health Organization"_s,
               u"AU  - van der Berg, Anna"_s, u"AU  - \u674e, \u5c0f\u9f8d"_s, u"AU  - Smith, John, Jr."_s,
               u"TI  - 50% & more_data: {braces}, #1 for $5, ~x^2 and C:\\temp"_s,
               u"T2  - Science & Society"_s, u"VL  - 29"_s, u"IS  - 2"_s, u"SP  - e0123456"_s,
               u"PY  - 2020"_s, u"DO  - 10.1002/(SICI)1097-4636(199606)31:2<205::AID-JBM7>3.0.CO;2-O"_s,
               u"UR  - https://example.org/paper?id=1&x=%7Bq%7D"_s, u"ER  - "_s, u""_s},
              u"\r\n"_s));

    EXPECT_EQ(bibtex(serviceOnly()),
              lines({u"@article{vorn,"_s, u"  author = {Smith, J. A. and Jones, B.},"_s,
                     u"  title = {{A study of sleep}},"_s, u"  journal = {J Sleep Res},"_s,
                     u"  year = {2019}"_s, u"}"_s},
                    u"\n"_s));
    EXPECT_EQ(ris(serviceOnly()), lines({u"TY  - JOUR"_s, u"AU  - Smith, J. A."_s, u"AU  - Jones, B."_s,
                                         u"TI  - A study of sleep"_s, u"T2  - J Sleep Res"_s, u"PY  - 2019"_s,
                                         u"ER  - "_s, u""_s},
                                        u"\r\n"_s));
}

TEST(CitationExport, NamePartsHoldingAndOrACommaAreBraced)
{
    // Unbraced, a reader would take "Doe", "Evil, John, Jr", "Roe, Jane", "Max", ... as authors.
    EXPECT_TRUE(
        bibtex(namesWithSeparators())
            .contains(
                u"  author = {{Doe and Evil}, {John, Jr} and Roe, {Jane and Max} and {Poe AND Co}, Ann},\n"_s))
        << bibtex(namesWithSeparators()).toStdString();
    // "and" inside a word, and a suffix, stay as they were.
    LiteratureReference r = journalArticle();
    ArticleAuthor junior = person(u"Anderson"_s, u"Band"_s, u"B"_s);
    junior.suffix = u"Jr"_s;
    r.article->authors = {junior};
    EXPECT_TRUE(bibtex(r).contains(u"  author = {Anderson, Jr., Band},\n"_s)) << bibtex(r).toStdString();
}

TEST(CitationExport, UnpairedBracesAndABackslashInTheDOIKeepTheEntryBalanced)
{
    const QString entry = bibtex(unbalancedBraces());
    EXPECT_TRUE(entry.contains(
        u"  title = {{Effects of \\{x on y\\} z\\textbraceright{} and \\textbraceleft{}w}},\n"_s))
        << entry.toStdString();
    EXPECT_TRUE(entry.contains(u"  journal = {Brace \\textbraceright{} Journal},\n"_s));
    EXPECT_TRUE(entry.contains(u"  doi = {10.1000/182},\n"_s));
    EXPECT_TRUE(ris(unbalancedBraces()).contains(u"\r\nDO  - 10.1000/182\\\r\n"_s));
}

TEST(CitationExport, NotesForRetractionsAndPreprints)
{
    const QString retracted = bibtex(retractedPreprint());
    EXPECT_TRUE(retracted.contains(u"  pages = {5},\n"_s));
    EXPECT_TRUE(retracted.endsWith(u",\n  note = {Retracted publication}\n}"_s)) << retracted.toStdString();
    const QString retractedRis = ris(retractedPreprint());
    EXPECT_TRUE(retractedRis.contains(u"SP  - 5\r\nPY  - 2020\r\n"_s));
    EXPECT_TRUE(retractedRis.endsWith(u"N1  - Retracted publication\r\nER  - \r\n"_s));

    LiteratureReference preprint = journalArticle();
    preprint.article->publicationTypes = {u"Preprint"_s};
    EXPECT_TRUE(bibtex(preprint).endsWith(u",\n  note = {Preprint}\n}"_s));
    EXPECT_FALSE(ris(preprint).contains(u"N1  -"_s));
}

TEST(CitationExport, EscapingAndKeys)
{
    const QList<std::pair<QString, QString>> escapes = {
        {u"50% & more_data"_s, u"50\\% \\& more\\_data"_s},
        {u"a\\b"_s, u"a\\textbackslash{}b"_s},
        {u"{x} #1 $2"_s, u"\\{x\\} \\#1 \\$2"_s},
        // A brace without a partner must not unbalance the entry.
        {u"a { b"_s, u"a \\textbraceleft{} b"_s},
        {u"}{x}{"_s, u"\\textbraceright{}\\{x\\}\\textbraceleft{}"_s},
        {u"~^"_s, u"\\textasciitilde{}\\textasciicircum{}"_s},
        {u"M\u00fcller \U0001F600"_s, u"M\u00fcller \U0001F600"_s},
    };
    for (const auto& [text, escaped] : escapes)
        EXPECT_EQ(CitationFormatter::escapeBibTeX(text), escaped);

    const QList<std::pair<QString, QString>> keys = {
        {u"0031234567"_s, u"pmid31234567"_s},
        {u"PMC12345"_s, u"vorn-PMC12345"_s},
        {u"pm-id {1}"_s, u"vorn-pmid1"_s},
        {u"--"_s, u"vorn"_s},
        {u""_s, u"vorn"_s},
        {u"\u0661\u0662"_s, u"vorn"_s},
    };
    for (const auto& [pmid, key] : keys) {
        LiteratureReference r;
        r.pmid = pmid;
        EXPECT_EQ(CitationFormatter::bibtexKey(r), key) << pmid.toStdString();
    }
}
