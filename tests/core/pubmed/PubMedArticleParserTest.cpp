// Small hand-written documents, each showing one rule of the efetch reader.

#include "ParserTestSupport.h"

#include <QJsonObject>

#include <gtest/gtest.h>

using ParserTestSupport::json;
using ParserTestSupport::parsed;

namespace {

// One journal record with PMID 1: the Article element's content, then what follows
// MedlineCitation inside PubmedArticle (PubmedData).
QByteArray journal(const QByteArray& article, const QByteArray& after = {})
{
    return "<?xml version=\"1.0\"?>\n<PubmedArticleSet><PubmedArticle><MedlineCitation><PMID>1</PMID><Article>" +
           article + "</Article></MedlineCitation>" + after + "</PubmedArticle></PubmedArticleSet>";
}

QByteArray pubDate(const QByteArray& content)
{
    return "<Journal><JournalIssue><PubDate>" + content + "</PubDate></JournalIssue></Journal>";
}

QByteArray set(const QByteArray& records)
{
    return "<PubmedArticleSet>" + records + "</PubmedArticleSet>";
}

// The expected record: PMID 1, a journal article, empty lists, overlaid with the given
// JSON members (the serialized keys of ArticleMetadata).
QJsonObject record(const char* overlay)
{
    QJsonObject o{{QStringLiteral("pmid"), QStringLiteral("1")},
                  {QStringLiteral("kind"), QStringLiteral("journalArticle")},
                  {QStringLiteral("authors"), QJsonArray()},
                  {QStringLiteral("publicationTypes"), QJsonArray()},
                  {QStringLiteral("editors"), QJsonArray()}};
    const QJsonObject extra = QJsonDocument::fromJson(QByteArray("{") + overlay + "}").object();
    EXPECT_TRUE(!QByteArrayView(overlay).size() || !extra.isEmpty()) << "bad overlay " << overlay;
    for (auto it = extra.begin(); it != extra.end(); ++it)
        o.insert(it.key(), it.value());
    return o;
}

std::string records(std::initializer_list<QJsonObject> objects)
{
    QList<ArticleMetadata> list;
    for (const QJsonObject& o : objects)
        list.append(ArticleMetadata::fromJson(o).value());
    return json(list);
}

struct Row
{
    const char* rule;
    QByteArray document;
    std::string expected;
};

void check(const QList<Row>& rows)
{
    for (const Row& row : rows)
        EXPECT_EQ(parsed(row.document), row.expected) << row.rule;
}

} // namespace

TEST(PubMedArticleParser, TitlesGatherInlineMarkupAndCollapseWhitespace)
{
    check({
        {"markup inside the title keeps its text and does not empty what came before",
         journal(
             "<ArticleTitle>The <i>TERT</i>\n   locus<sup>2</sup> and <mml:math><mml:mi>&#x3b2;</mml:mi></mml:math>"
             " cells  </ArticleTitle>"),
         records({record(R"("title": "The TERT locus2 and β cells")")})},
        {"entities and CDATA are part of the title",
         journal(
             "<ArticleTitle>A &quot;<i>Blood Relationship&quot;</i> &amp; <![CDATA[<raw> & more]]></ArticleTitle>"),
         records({record(R"("title": "A \"Blood Relationship\" & <raw> & more")")})},
        {"an empty title is absent", journal("<ArticleTitle> \n </ArticleTitle>"), records({record("")})},
        {"a title outside Article or BookDocument is ignored",
         journal("<ArticleTitle>Own</ArticleTitle>",
                 "<PubmedData><ReferenceList><Reference><ArticleTitle>Cited</ArticleTitle></Reference>"
                 "</ReferenceList></PubmedData>"),
         records({record(R"("title": "Own")")})},
        {"a title element nested in the title ends the gathering",
         journal("<ArticleTitle>a<ArticleTitle>b</ArticleTitle>c</ArticleTitle>"),
         records({record(R"("title": "ab")")})},
        {"whitespace of every field collapses, line breaks and non-breaking spaces included",
         journal("<Journal><Title>\n  Journal\tof\u00a0 things </Title></Journal>"
                 "<AuthorList><Author><LastName> van \n der  Berg </LastName></Author></AuthorList>"),
         records(
             {record(R"("journalTitle": "Journal of things", "authors": [{"lastName": "van der Berg"}])")})},
    });
}

TEST(PubMedArticleParser, ControlCharactersAreDroppedAndBidiMarksKept)
{
    // XML forbids most C0 controls outright; DEL and the C1 controls (U+009B is the
    // terminal's CSI) are legal characters, written raw or as references.
    check({
        {"C1 controls and DEL in text fields are dropped, line separators still collapse",
         journal("<ArticleTitle>Red\xc2\x9b"
                 "31m &#x9B;0m title&#x7F;&#x85;end</ArticleTitle>"
                 "<Journal><Title>J&#x80;ournal</Title></Journal>"
                 "<AuthorList><Author><LastName>Ro&#x9D;e</LastName><ForeName>Ann&#x9C;</ForeName></Author>"
                 "</AuthorList>"),
         records({record(R"("title": "Red31m 0m title end", "journalTitle": "Journal",)"
                         R"( "authors": [{"lastName": "Roe", "foreName": "Ann"}])")})},
        {"right-to-left marks and embeddings stay",
         journal("<ArticleTitle>&#x200F;&#x5E9;&#x5DC;&#x5D5;&#x5DD; &#x202B;x&#x202C;</ArticleTitle>"),
         records({record(R"("title": "\u200f\u05e9\u05dc\u05d5\u05dd \u202bx\u202c")")})},
    });
}

TEST(PubMedArticleParser, PublicationDates)
{
    check({
        {"Month wins over Season",
         journal(pubDate("<Year>2001</Year><Month>Mar</Month><Season>Spring</Season>")),
         records({record(R"("year": "2001", "month": "Mar")")})},
        {"a Month after a Season replaces it", journal(pubDate("<Season>Spring</Season><Month>Mar</Month>")),
         records({record(R"("month": "Mar")")})},
        {"Season alone is the month",
         journal(pubDate("<Year>2001</Year><Season>Spring</Season><Day>3</Day>")),
         records({record(R"("year": "2001", "month": "Spring", "day": "3")")})},
        {"MedlineDate range", journal(pubDate("<MedlineDate>1998 Dec-1999 Jan</MedlineDate>")),
         records({record(R"("year": "1998", "month": "Dec-1999 Jan")")})},
        {"MedlineDate year after the season", journal(pubDate("<MedlineDate> Spring\n 2001 </MedlineDate>")),
         records({record(R"("year": "2001", "month": "Spring")")})},
        {"MedlineDate without a year", journal(pubDate("<MedlineDate>Winter</MedlineDate>")),
         records({record(R"("month": "Winter")")})},
        {"MedlineDate digits glued to a word are no year",
         journal(pubDate("<MedlineDate>Fall2001</MedlineDate>")),
         records({record(R"("month": "Fall2001")")})},
        {"MedlineDate fills only what Year and Month left absent",
         journal(pubDate("<Year>2001</Year><MedlineDate>2002 Jan</MedlineDate>")),
         records({record(R"("year": "2001", "month": "Jan")")})},
        {"dates outside PubDate are ignored",
         journal(
             "<ArticleDate><Year>2020</Year><Month>01</Month></ArticleDate>",
             "<PubmedData><History><PubMedPubDate><Year>2019</Year></PubMedPubDate></History></PubmedData>"),
         records({record("")})},
    });
}

TEST(PubMedArticleParser, JournalFieldsAndIdentifiers)
{
    check({
        {"journal, issue and pagination",
         journal(
             "<Journal><JournalIssue><Volume>12</Volume><Issue>3 Pt 1</Issue></JournalIssue><Title>Nature</Title>"
             "<ISOAbbreviation>Nature</ISOAbbreviation></Journal><Pagination><MedlinePgn>123-9</MedlinePgn>"
             "</Pagination><PublicationTypeList><PublicationType UI=\"D1\">Journal Article</PublicationType>"
             "<PublicationType></PublicationType><PublicationType>Retracted Publication</PublicationType>"
             "</PublicationTypeList>"),
         records({record(R"("journalTitle": "Nature", "journalAbbreviation": "Nature", "volume": "12",
                            "issue": "3 Pt 1", "pages": "123-9",
                            "publicationTypes": ["Journal Article", "Retracted Publication"])")})},
        {"the first non-empty ELocationID DOI wins, any case of the type",
         journal(
             "<ELocationID EIdType=\"doi\"> </ELocationID><ELocationID EIdType=\"DOI\">10.1/a</ELocationID>"
             "<ELocationID EIdType=\"doi\">10.1/b</ELocationID>"),
         records({record(R"("doi": "10.1/a")")})},
        {"the PubmedData DOI replaces it, a reference's DOI does not",
         journal("<ELocationID EIdType=\"doi\">10.1/a</ELocationID>",
                 "<PubmedData><ArticleIdList><ArticleId IdType=\"doi\">10.1/c</ArticleId>"
                 "<ArticleId IdType=\"pubmed\">1</ArticleId></ArticleIdList><ReferenceList><Reference>"
                 "<ArticleIdList><ArticleId IdType=\"doi\">10.1/ref</ArticleId></ArticleIdList></Reference>"
                 "</ReferenceList></PubmedData>"),
         records({record(R"("doi": "10.1/c")")})},
        {"an empty PubmedData DOI keeps the ELocationID one",
         journal("<ELocationID EIdType=\"doi\">10.1/a</ELocationID>",
                 "<PubmedData><ArticleIdList><ArticleId IdType=\"doi\"/></ArticleIdList></PubmedData>"),
         records({record(R"("doi": "10.1/a")")})},
        {"PMIDs of comments and corrections are ignored",
         journal("", "").replace("</MedlineCitation>",
                                 "<CommentsCorrectionsList><CommentsCorrections><PMID>99</PMID>"
                                 "</CommentsCorrections></CommentsCorrectionsList></MedlineCitation>"),
         records({record("")})},
    });
}

TEST(PubMedArticleParser, PublisherItemIdentifiersBecomeArticleNumbersOnlyWhenTheyLookLikeOne)
{
    struct Case
    {
        const char* pii;
        const char* articleNumber;
    };
    const QList<Case> cases = {
        {"e12345", "e12345"},
        {"E0123", "E0123"},
        {" arXiv:2304.02112v2 ", "arXiv:2304.02112v2"},
        {"ARXIV:1", "ARXIV:1"},
        {"10046", "10046"},
        {"0001", "0001"},
        {"239", nullptr},
        {"e", nullptr},
        {"e12a", nullptr},
        {"S0092-8674(20)30001-1", nullptr},
        {"e00024-24", nullptr},
        {"2023.02.07.527548", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const QByteArray doc =
            journal(QByteArray("<ELocationID EIdType=\"pii\">") + c.pii + "</ELocationID>");
        const std::string overlay =
            c.articleNumber ? std::string(R"("articleNumber": ")") + c.articleNumber + '"' : "";
        EXPECT_EQ(parsed(doc), records({record(overlay.c_str())})) << c.pii;
    }
    EXPECT_EQ(parsed(journal("<ELocationID EIdType=\"pii\">S0-1</ELocationID><ELocationID EIdType=\"pii\">e7"
                             "</ELocationID><ELocationID EIdType=\"pii\">e8</ELocationID>")),
              records({record(R"("articleNumber": "e7")")}))
        << "the first article number wins";
}

TEST(PubMedArticleParser, Authors)
{
    check({
        {"invalid and nameless authors are dropped; group names count",
         journal(
             "<AuthorList CompleteYN=\"Y\"><Author ValidYN=\"Y\"><LastName>Smith</LastName><ForeName>Jane A</ForeName>"
             "<Initials>JA</Initials><Suffix>Jr</Suffix></Author><Author ValidYN=\"N\"><LastName>Wrong</LastName>"
             "</Author><Author><ForeName>Only</ForeName><Initials>O</Initials></Author><Author>"
             "<CollectiveName>The  Study Group</CollectiveName></Author><Author ValidYN=\"n\">"
             "<LastName>Lower</LastName><Initials></Initials></Author></AuthorList>"),
         records({record(R"("authors": [
             {"lastName": "Smith", "foreName": "Jane A", "initials": "JA", "suffix": "Jr"},
             {"collectiveName": "The Study Group"}, {"lastName": "Lower"}])")})},
        {"name parts outside an Author are ignored",
         journal(
             "<AuthorList><Author><LastName>A</LastName><AffiliationInfo><LastName>X</LastName></AffiliationInfo>"
             "</Author></AuthorList><Investigator><LastName>I</LastName></Investigator>"),
         records({record(R"("authors": [{"lastName": "A"}])")})},
    });
}

TEST(PubMedArticleParser, BookRecords)
{
    const QByteArray book =
        "<PubmedBookArticle><BookDocument><PMID>0020301295</PMID><ArticleIdList>"
        "<ArticleId IdType=\"bookaccession\">NBK1116</ArticleId></ArticleIdList><Book>"
        "<Publisher><PublisherName>Univ</PublisherName><PublisherLocation>Seattle (WA)</PublisherLocation></Publisher>"
        "<BookTitle book=\"gene\">GeneReviews<sup>&#xae;</sup></BookTitle><PubDate><Year>1993</Year></PubDate>"
        "<AuthorList Type=\"Editors\"><Author><LastName>Adam</LastName></Author></AuthorList>"
        "<AuthorList Type=\"authors\"><Author><LastName>Bookauthor</LastName></Author></AuthorList></Book>";
    const QByteArray journalAfter =
        "<PubmedArticle><MedlineCitation><PMID>2</PMID><Article><AuthorList/></Article></MedlineCitation>"
        "</PubmedArticle>";
    check({
        {"a whole book takes the book's authors; editors, publisher and accession are read",
         set(book +
             "<ContributionDate><Month>2</Month><Day>15</Day></ContributionDate></BookDocument>"
             "</PubmedBookArticle>" +
             journalAfter),
         records(
             {record(
                  R"j("pmid": "20301295", "kind": "bookChapter", "bookTitle": "GeneReviews®", "year": "1993",
                            "bookshelfID": "NBK1116", "publisher": "Univ", "publisherLocation": "Seattle (WA)",
                            "editors": [{"lastName": "Adam"}], "authors": [{"lastName": "Bookauthor"}])j"),
              record(R"("pmid": "2")")})},
        {"a chapter keeps its own authors and gets the contribution date; nothing carries over",
         set(book +
             "<ArticleTitle>Chapter <i>X</i></ArticleTitle><AuthorList Type=\"authors\"><Author>"
             "<LastName>Own</LastName></Author></AuthorList><ContributionDate><Year>2006</Year>"
             "<Month>2</Month></ContributionDate></BookDocument></PubmedBookArticle>" +
             journalAfter),
         records({record(R"j("pmid": "20301295", "kind": "bookChapter", "title": "Chapter X", "year": "1993",
                            "bookTitle": "GeneReviews®", "bookshelfID": "NBK1116", "publisher": "Univ",
                            "publisherLocation": "Seattle (WA)", "editors": [{"lastName": "Adam"}],
                            "authors": [{"lastName": "Own"}], "contributionDate": {"year": "2006", "month": "2"})j"),
                  record(R"("pmid": "2")")})},
        {"a BookTitle outside Book and an accession outside BookDocument are ignored",
         set("<PubmedBookArticle><BookDocument><PMID>3</PMID><BookTitle>Loose</BookTitle></BookDocument>"
             "<PubmedBookData><ArticleIdList><ArticleId IdType=\"bookaccession\">NBK9</ArticleId></ArticleIdList>"
             "</PubmedBookData></PubmedBookArticle>"),
         records({record(R"("pmid": "3", "kind": "bookChapter")")})},
    });
}

TEST(PubMedArticleParser, RecordIdentity)
{
    const auto withPmid = [](const QByteArray& pmid) -> QByteArray {
        return "<PubmedArticle><MedlineCitation>" + pmid + "<Article/></MedlineCitation></PubmedArticle>";
    };
    check({
        {"missing and empty PMIDs drop the record; leading zeros go; other text stays as collapsed",
         set(withPmid("") + withPmid("<PMID> </PMID>") + withPmid("<PMID Version=\"1\">000123</PMID>") +
             withPmid("<PMID>12 a\n4</PMID>") + withPmid("<PMID>000</PMID>")),
         records({record(R"("pmid": "123")"), record(R"("pmid": "12 a 4")"), record(R"("pmid": "000")")})},
        {"an empty set yields no records", set(""), records({})},
        {"elements around the set and unknown elements are skipped",
         "<?xml version=\"1.0\"?><!DOCTYPE PubmedArticleSet PUBLIC \"-//NLM//DTD PubMedArticle, 1st January 2025//EN\" "
         "\"https://dtd.nlm.nih.gov/ncbi/pubmed/out/pubmed_250101.dtd\"><Wrapper><?pi data?><!-- note -->" +
             set("<Other><PMID>9</PMID></Other>" + withPmid("<PMID>5</PMID>")) + "</Wrapper>",
         records({record(R"("pmid": "5")")})},
        {"a document in a declared encoding other than UTF-8",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" +
             set("<PubmedArticle><MedlineCitation><PMID>1</PMID><Article><ArticleTitle>Caf\xe9</ArticleTitle>"
                 "</Article></MedlineCitation></PubmedArticle>"),
         records({record(R"("title": "Café")")})},
    });
}

TEST(PubMedArticleParser, Failures)
{
    const std::string prefix = "error: The literature service returned an unexpected response: ";
    const std::string noSet = prefix + "PubMed returned XML without a PubmedArticleSet.";
    check({
        {"an eSearchResult", "<eSearchResult><Count>1</Count><IdList><Id>1</Id></IdList></eSearchResult>",
         noSet},
        {"a bare record", "<PubmedArticle><MedlineCitation><PMID>1</PMID></MedlineCitation></PubmedArticle>",
         noSet},
        {"an HTML page that happens to be well-formed", "<html><body>Error</body></html>", noSet},
        {"the set name in another case", "<pubmedarticleset/>", noSet},
        {"an empty body", "", prefix + "PubMed returned unreadable XML: no element found (line 1, column 1)"},
        {"a truncated body", journal("").left(60),
         prefix + "PubMed returned unreadable XML: unclosed token (line 2, column 34)"},
        {"mismatched tags", "<PubmedArticleSet><a></b></PubmedArticleSet>",
         prefix + "PubMed returned unreadable XML: mismatched tag (line 1, column 24)"},
    });
}
