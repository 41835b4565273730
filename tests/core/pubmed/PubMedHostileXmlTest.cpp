// Hostile efetch bodies: entity declarations, external entities, deep nesting, invalid UTF-8.

#include "ParserTestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using ParserTestSupport::parsed;

namespace {

const std::string unreadable = "error: The literature service returned an unexpected response: "
                               "PubMed returned unreadable XML: ";

QByteArray titled(const QByteArray& doctype, const QByteArray& title)
{
    return "<?xml version=\"1.0\"?>\n" + doctype +
           "\n<PubmedArticleSet><PubmedArticle><MedlineCitation><PMID>1</PMID><Article><ArticleTitle>" +
           title + "</ArticleTitle></Article></MedlineCitation></PubmedArticle></PubmedArticleSet>";
}

std::optional<QString> titleOf(const QByteArray& body)
{
    const auto r = PubMedArticleParser::parse(body);
    if (!r || r->size() != 1)
        return QStringLiteral("<no single record>");
    return r->first().title;
}

} // namespace

TEST(PubMedHostileXml, DocumentsThatDeclareEntitiesAreRefused)
{
    // efetch documents declare no entities. A declared entity that expands to element
    // markup once turned a 7 MB body into 1.6 million authors; the reader now stops at
    // the first declaration, before anything is expanded.
    const QByteArray declaration =
        "<!DOCTYPE PubmedArticleSet [<!ENTITY a \"<Author><LastName>X</LastName></Author>\">]>";
    QByteArray authors =
        "<?xml version=\"1.0\"?>\n" + declaration +
        "\n<PubmedArticleSet><PubmedArticle><MedlineCitation><PMID>1</PMID><Article><AuthorList>";
    authors += QByteArray("&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\n").repeated(200'000);
    authors += "</AuthorList></Article></MedlineCitation></PubmedArticle></PubmedArticleSet>";
    ASSERT_GT(authors.size(), 6'000'000);
    const std::string refused = parsed(authors);
    EXPECT_TRUE(refused.starts_with(unreadable + "the document declares an entity (line 2, ")) << refused;

    QByteArray laughs = "<!DOCTYPE PubmedArticleSet [<!ENTITY l0 \"laughing \">";
    for (int i = 1; i <= 12; ++i)
        laughs += "<!ENTITY l" + QByteArray::number(i) + " \"" +
                  QByteArray("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    laughs += "]>";
    const std::string bomb = parsed(titled(laughs, "&l12;"));
    EXPECT_TRUE(bomb.starts_with(unreadable + "the document declares an entity (line 2, ")) << bomb;

    // Small entities, parameter entities and unparsed entities alike.
    const QList<QByteArray> doctypes = {
        "<!DOCTYPE PubmedArticleSet [<!ENTITY g \"gene\">]>",
        "<!DOCTYPE PubmedArticleSet [<!ENTITY % p \"<!ENTITY g 'gene'>\">]>",
        "<!DOCTYPE PubmedArticleSet [<!NOTATION n SYSTEM \"n\"><!ENTITY u SYSTEM \"u.bin\" NDATA n>]>",
    };
    for (const QByteArray& doctype : doctypes) {
        const std::string result = parsed(titled(doctype, "A"));
        EXPECT_TRUE(result.starts_with(unreadable + "the document declares an entity")) << result;
    }

    // The predefined entities and character references are not declarations.
    EXPECT_EQ(titleOf(titled("", "&lt;b&gt; &amp; &#x3b2;")), QStringLiteral("<b> & \u03b2"));
}

TEST(PubMedHostileXml, ExternalEntitiesAndDtdsAreNeverRead)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile secret(dir.filePath(QStringLiteral("secret.txt")));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("SECRET");
    secret.close();
    QFile dtd(dir.filePath(QStringLiteral("evil.dtd")));
    ASSERT_TRUE(dtd.open(QIODevice::WriteOnly));
    dtd.write("<!ENTITY injected \"INJECTED\">");
    dtd.close();
    const QByteArray secretUrl = "file://" + secret.fileName().toUtf8();
    const QByteArray dtdUrl = "file://" + dtd.fileName().toUtf8();

    // The title would contain INJECTED if the reader fetched the DTD the document names.
    EXPECT_EQ(titleOf(titled("<!DOCTYPE PubmedArticleSet SYSTEM \"" + dtdUrl + "\">", "A&injected;B")),
              QStringLiteral("AB"));
    // Documents that declare external entities are refused without reading them.
    const QList<QByteArray> external = {
        "<!DOCTYPE PubmedArticleSet [<!ENTITY ext SYSTEM \"" + secretUrl + "\">]>",
        "<!DOCTYPE PubmedArticleSet [<!ENTITY % p SYSTEM \"" + dtdUrl + "\"> %p;]>",
    };
    for (const QByteArray& doctype : external) {
        const std::string result = parsed(titled(doctype, "A&ext;&injected;B"));
        EXPECT_TRUE(result.starts_with(unreadable)) << result;
        EXPECT_EQ(result.find("SECRET"), std::string::npos);
        EXPECT_EQ(result.find("INJECTED"), std::string::npos);
    }
}

TEST(PubMedHostileXml, DeepNestingEndsAsUnreadable)
{
    const auto nested = [](int depth) -> QByteArray {
        // The set and its record take two levels.
        return "<PubmedArticleSet><PubmedArticle><MedlineCitation><PMID>1</PMID></MedlineCitation>" +
               QByteArray("<a>").repeated(depth - 2) + QByteArray("</a>").repeated(depth - 2) +
               "</PubmedArticle></PubmedArticleSet>";
    };
    EXPECT_EQ(PubMedArticleParser::parse(nested(PubMedArticleParser::maximumDepth))
                  .value_or(QList<ArticleMetadata>{})
                  .size(),
              1);
    EXPECT_EQ(parsed(nested(PubMedArticleParser::maximumDepth + 1)),
              unreadable + "elements nested more than 256 levels deep (line 1, column 845)");
    const std::string deep = parsed(nested(1'000'000));
    EXPECT_TRUE(deep.starts_with(unreadable + "elements nested more than 256 levels deep")) << deep;
}

TEST(PubMedHostileXml, InvalidUtf8EndsAsUnreadable)
{
    const QList<QByteArray> titles = {
        "caf\xff", // never valid
        "\xc0\xaf", // overlong encoding of "/"
        "\xed\xa0\x80", // a UTF-16 surrogate
        "\xf4\x90\x80\x80", // beyond U+10FFFF
        "\xe2\x82", // truncated sequence
        QByteArray("a\0b", 3), // NUL
        "\x01", // a control character XML forbids
    };
    for (const QByteArray& title : titles) {
        const std::string result = parsed(titled("", title));
        EXPECT_TRUE(result.starts_with(unreadable)) << result << " for " << title.toHex().toStdString();
    }
    const std::string attribute = parsed(
        "<PubmedArticleSet><PubmedArticle><MedlineCitation><PMID>1</PMID><Article><ELocationID EIdType=\"\xff\">"
        "x</ELocationID></Article></MedlineCitation></PubmedArticle></PubmedArticleSet>");
    EXPECT_TRUE(attribute.starts_with(unreadable)) << attribute;
}

TEST(PubMedHostileXml, ManyRecordsAreReadInOrder)
{
    constexpr int count = 20000;
    QByteArray body = "<PubmedArticleSet>";
    for (int i = 1; i <= count; ++i)
        body += "<PubmedArticle><MedlineCitation><PMID>" + QByteArray::number(i) +
                "</PMID><Article><Abstract><AbstractText>" + QByteArray("text ").repeated(40) +
                "</AbstractText></Abstract></Article></MedlineCitation></PubmedArticle>\n";
    body += "</PubmedArticleSet>";
    const auto records = PubMedArticleParser::parse(body);
    ASSERT_TRUE(records.has_value());
    ASSERT_EQ(records->size(), count);
    EXPECT_EQ(records->first().pmid, QStringLiteral("1"));
    EXPECT_EQ(records->last().pmid, QString::number(count));
}
