// Hostile efetch bodies: entity bombs, external entities, deep nesting, invalid UTF-8.

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

TEST(PubMedHostileXml, EntityExpansionIsBounded)
{
    QByteArray laughs = "<!DOCTYPE PubmedArticleSet [<!ENTITY l0 \"laughing \">";
    for (int i = 1; i <= 12; ++i)
        laughs += "<!ENTITY l" + QByteArray::number(i) + " \"" +
                  QByteArray("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    laughs += "]>";
    const std::string bomb = parsed(titled(laughs, "&l12;"));
    EXPECT_TRUE(bomb.starts_with(unreadable)) << bomb;
    EXPECT_NE(bomb.find("amplification"), std::string::npos) << bomb;

    // A few small internal entities are ordinary XML and still read.
    EXPECT_EQ(titleOf(titled("<!DOCTYPE PubmedArticleSet [<!ENTITY g \"gene\"><!ENTITY gg \"&g;-&g;\">]>",
                             "The &gg; pair")),
              QStringLiteral("The gene-gene pair"));
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

    // Each title would contain SECRET or INJECTED if the reader fetched what the document names.
    EXPECT_EQ(titleOf(titled("<!DOCTYPE PubmedArticleSet [<!ENTITY ext SYSTEM \"" + secretUrl + "\">]>",
                             "A&ext;B")),
              QStringLiteral("AB"));
    EXPECT_EQ(titleOf(titled("<!DOCTYPE PubmedArticleSet SYSTEM \"" + dtdUrl + "\">", "A&injected;B")),
              QStringLiteral("AB"));
    EXPECT_EQ(titleOf(titled("<!DOCTYPE PubmedArticleSet [<!ENTITY % p SYSTEM \"" + dtdUrl + "\"> %p;]>",
                             "A&injected;B")),
              QStringLiteral("AB"));
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
