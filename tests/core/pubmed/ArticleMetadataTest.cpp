#include "pubmed/ArticleMetadata.h"
#include "literature/LiteratureRecords.h"
#include "pubmed/PubMed.h"

#include <gtest/gtest.h>

namespace {

LiteratureReference ref(const QString& pmid)
{
    LiteratureReference r;
    r.pmid = pmid;
    r.title = QStringLiteral("t");
    return r;
}

} // namespace

TEST(PubMed, CanonicalPMID)
{
    struct Row
    {
        QString input;
        std::optional<QString> want;
    };
    const QList<Row> rows = {
        {QStringLiteral(" 0012345\n"), QStringLiteral("12345")},
        {QStringLiteral("000"), std::nullopt},
        {QStringLiteral("12a4"), std::nullopt},
        {QString(), std::nullopt},
        {QStringLiteral(" \t "), std::nullopt},
        {QStringLiteral("\uff11\uff12\uff13"), std::nullopt},
        {QStringLiteral("+123"), std::nullopt},
        {QStringLiteral("1 2"), std::nullopt},
        {QStringLiteral("\u00a0"
                        "7\u2028"),
         QStringLiteral("7")},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PubMed::canonicalPMID(row.input), row.want) << row.input.toStdString();
}

TEST(PubMed, Urls)
{
    EXPECT_EQ(PubMed::url(QStringLiteral("007")), QUrl(QStringLiteral("https://pubmed.ncbi.nlm.nih.gov/7/")));
    EXPECT_FALSE(PubMed::url(QStringLiteral("x")).has_value());

    const QList<LiteratureReference> refs = {ref(QStringLiteral("123")), ref(QStringLiteral("0123")),
                                             ref(QStringLiteral("abc")), ref(QStringLiteral("456"))};
    EXPECT_EQ(PubMed::urls(refs),
              (QList<QUrl>{QUrl(QStringLiteral("https://pubmed.ncbi.nlm.nih.gov/123/")),
                           QUrl(QStringLiteral("https://pubmed.ncbi.nlm.nih.gov/456/"))}));
    EXPECT_TRUE(PubMed::urls({}).isEmpty());

    const std::optional<QUrl> search = PubMed::searchURL(refs);
    ASSERT_TRUE(search.has_value());
    EXPECT_EQ(search->toString(QUrl::FullyEncoded),
              QStringLiteral("https://pubmed.ncbi.nlm.nih.gov/?term=123%20456"));
    EXPECT_FALSE(PubMed::searchURL({ref(QStringLiteral("abc")), ref(QStringLiteral("0"))}).has_value());
}

TEST(ArticleMetadata, DerivedProperties)
{
    ArticleMetadata m;
    m.bookshelfID = QStringLiteral("NBK1116");
    EXPECT_EQ(m.bookshelfURL(), QUrl(QStringLiteral("https://www.ncbi.nlm.nih.gov/books/NBK1116/")));
    m.bookshelfID = QStringLiteral("NBK-1116");
    EXPECT_FALSE(m.bookshelfURL().has_value());
    m.bookshelfID = QString();
    EXPECT_FALSE(m.bookshelfURL().has_value());
    m.bookshelfID = QStringLiteral("NBK/../x");
    EXPECT_FALSE(m.bookshelfURL().has_value());

    m.publicationTypes = {QStringLiteral("Journal Article"), QStringLiteral("retracted publication")};
    EXPECT_FALSE(m.isRetracted());
    m.publicationTypes.append(QStringLiteral("Retracted Publication"));
    EXPECT_TRUE(m.isRetracted());
    EXPECT_FALSE(m.isPreprint());
    m.publicationTypes = {QStringLiteral("Preprint")};
    EXPECT_TRUE(m.isPreprint());
}

TEST(ArticleMetadata, JsonRoundTripAndRequiredKeys)
{
    ArticleMetadata m;
    m.pmid = QStringLiteral("20301577");
    m.kind = ArticleKind::bookChapter;
    m.title = QStringLiteral("CACNA1C-Related Disorders");
    m.authors = {
        ArticleAuthor{QStringLiteral("Napolitano"), QStringLiteral("Carlo"), QStringLiteral("C"), {}, {}},
        ArticleAuthor{{}, {}, {}, {}, QStringLiteral("Group")}};
    m.editors = {
        ArticleAuthor{QStringLiteral("Adam"), QStringLiteral("Margaret P"), QStringLiteral("MP"), {}, {}}};
    m.publicationTypes = {QStringLiteral("Review")};
    m.bookTitle = QStringLiteral("GeneReviews");
    m.contributionDate = ArticleDate{QStringLiteral("2006"), QStringLiteral("2"), QStringLiteral("15")};
    m.doi = QStringLiteral("10.1/x");

    const QJsonObject json = m.toJson();
    EXPECT_EQ(json.value(QStringLiteral("kind")).toString(), QStringLiteral("bookChapter"));
    EXPECT_FALSE(json.contains(QStringLiteral("volume")));
    EXPECT_EQ(ArticleMetadata::fromJson(json), m);
    EXPECT_EQ(qHash(*ArticleMetadata::fromJson(json)), qHash(m));

    for (const QString& key : {QStringLiteral("pmid"), QStringLiteral("kind"), QStringLiteral("authors"),
                               QStringLiteral("publicationTypes"), QStringLiteral("editors")}) {
        QJsonObject missing = json;
        missing.remove(key);
        EXPECT_FALSE(ArticleMetadata::fromJson(missing).has_value()) << key.toStdString();
    }
    QJsonObject noDoi = json;
    noDoi.remove(QStringLiteral("doi"));
    ASSERT_TRUE(ArticleMetadata::fromJson(noDoi).has_value());
    EXPECT_FALSE(ArticleMetadata::fromJson(noDoi)->doi.has_value());

    QJsonObject badKind = json;
    badKind.insert(QStringLiteral("kind"), QStringLiteral("book"));
    EXPECT_FALSE(ArticleMetadata::fromJson(badKind).has_value());
    EXPECT_FALSE(articleKindFromRawValue(QStringLiteral("book")).has_value());
}
