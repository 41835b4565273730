// Real efetch documents against the records they must yield. The expected records
// are data (tests/core/pubmed/expected/<fixture>.json, see README.md there).

#include "ParserTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using ParserTestSupport::json;
using ParserTestSupport::parsed;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString fixturesDir()
{
    return QStringLiteral(VORN_FIXTURES_DIR "/pubmed");
}

QString expectedDir()
{
    return QStringLiteral(PUBMED_EXPECTED_DIR);
}

std::string expectedRecords(const QString& path)
{
    const QJsonDocument doc = QJsonDocument::fromJson(readFile(path));
    if (!doc.isArray())
        return "unreadable expectation " + path.toStdString();
    QList<ArticleMetadata> records;
    for (const QJsonValue& v : doc.array()) {
        const auto record = ArticleMetadata::fromJson(v.toObject());
        if (!record)
            return "undecodable expectation " + path.toStdString() + ": " +
                   record.error().message.toStdString();
        records.append(*record);
    }
    return json(records);
}

} // namespace

TEST(PubMedFixtures, EveryRealDocumentYieldsItsExpectedRecords)
{
    const QStringList names =
        QDir(fixturesDir()).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), 40) << fixturesDir().toStdString();
    const QStringList negatives = {QStringLiteral("biopython_esearch1.xml"),
                                   QStringLiteral("retractobot_retracted_fragment.xml")};
    int compared = 0;
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray body = readFile(fixturesDir() + u'/' + name);
        ASSERT_FALSE(body.isEmpty());
        if (negatives.contains(name)) {
            EXPECT_EQ(parsed(body), "error: The literature service returned an unexpected response: "
                                    "PubMed returned XML without a PubmedArticleSet.");
            continue;
        }
        const QString expected =
            expectedDir() + u'/' + QFileInfo(name).completeBaseName() + QStringLiteral(".json");
        ASSERT_TRUE(QFile::exists(expected)) << "every positive fixture has its expected records";
        EXPECT_EQ(parsed(body), expectedRecords(expected));
        ++compared;
    }
    EXPECT_EQ(compared, names.size() - negatives.size());
}

// The properties the fixture README promises, spelled out where a regression would hurt most.
TEST(PubMedFixtures, NotableRecords)
{
    const auto read = [](const char* name) {
        const auto r = PubMedArticleParser::parse(readFile(fixturesDir() + u'/' + QLatin1StringView(name)));
        return r.value_or(QList<ArticleMetadata>{});
    };

    const QList<ArticleMetadata> chapter = read("metapub_20301577.xml");
    ASSERT_EQ(chapter.size(), 1);
    EXPECT_EQ(chapter[0].kind, ArticleKind::bookChapter);
    EXPECT_EQ(chapter[0].title, QStringLiteral("CACNA1C-Related Disorders"));
    EXPECT_EQ(chapter[0].bookTitle, QStringLiteral("GeneReviews\u00ae"));
    EXPECT_EQ(chapter[0].editors.size(), 6);
    EXPECT_EQ(chapter[0].authors.size(), 2);
    EXPECT_EQ(chapter[0].bookshelfID, QStringLiteral("NBK1403"));
    EXPECT_EQ(chapter[0].contributionDate,
              (ArticleDate{QStringLiteral("2006"), QStringLiteral("2"), QStringLiteral("15")}));

    const QList<ArticleMetadata> mixed = read("eutilsjson_efetch.pubmedexample.xml");
    ASSERT_EQ(mixed.size(), 2);
    EXPECT_EQ(mixed[1].kind, ArticleKind::bookChapter);
    EXPECT_FALSE(mixed[1].title.has_value()) << "a whole book has no chapter title";

    const QList<ArticleMetadata> collective = read("biopython_pubmed7.xml");
    ASSERT_EQ(collective.size(), 1);
    EXPECT_TRUE(std::ranges::any_of(collective[0].authors, [](const ArticleAuthor& a) {
        return a.collectiveName.has_value() && !a.lastName.has_value();
    }));

    const QList<ArticleMetadata> medline = read("zotero_pubmedxml_case3.xml");
    ASSERT_EQ(medline.size(), 1);
    EXPECT_EQ(medline[0].year, QStringLiteral("2010"));
    EXPECT_EQ(medline[0].month, QStringLiteral("Sep-Oct"));

    const QList<ArticleMetadata> markup = read("biopython_pubmed6.xml");
    ASSERT_EQ(markup.size(), 1);
    EXPECT_TRUE(
        markup[0].title->startsWith(QStringLiteral("A \"Blood Relationship\" Between the Overlooked")));

    EXPECT_TRUE(read("metapub_37909814.xml").isEmpty());
    EXPECT_EQ(read("metapub_36987902.xml").value(0).authors.value(0).foreName, QStringLiteral("\u00d8yvind"));
}
