#include "literature/LiteratureRecords.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

LiteratureReference sampleReference()
{
    LiteratureReference r;
    r.pmid = QStringLiteral("123");
    r.title = QStringLiteral("Aspirin and fever");
    r.url = QUrl(QStringLiteral("https://pubmed.ncbi.nlm.nih.gov/123/"));
    r.authors = {QStringLiteral("Smith JA"), QStringLiteral("Doe J")};
    r.journal = QStringLiteral("Lancet");
    r.date = QStringLiteral("2020");
    r.citationCount = 42;
    r.relevanceReason = QStringLiteral("Direct trial");
    r.evidence = {LiteratureEvidence{QStringLiteral("Fever fell."), std::nullopt},
                  LiteratureEvidence{QStringLiteral("Quote two"), QStringLiteral("abstract")}};
    return r;
}

SelectionContext sampleSelection()
{
    return SelectionContext{QStringLiteral("Aspirin reduces fever."),
                            QStringLiteral("Editor"),
                            QStringLiteral("org.example.editor"),
                            ScreenRect{1, 2, 30, 40},
                            true,
                            SelectionCaptureMethod::accessibility,
                            QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 678), Qt::UTC)};
}

} // namespace

TEST(LiteratureQueryOptions, NormalizedClampsBothRanges)
{
    struct Row
    {
        qint64 max;
        qint64 minutes;
        qint64 wantMax;
        qint64 wantMinutes;
    };
    for (const Row& row : {Row{0, -5, 1, 0}, Row{40, 90, 25, 60}, Row{25, 60, 25, 60}, Row{1, 0, 1, 0}}) {
        const LiteratureQueryOptions n = LiteratureQueryOptions{row.max, true, row.minutes}.normalized();
        EXPECT_EQ(n.maxArticles, row.wantMax);
        EXPECT_TRUE(n.includeEvidence);
        EXPECT_EQ(n.cacheDurationMinutes, row.wantMinutes);
    }
}

TEST(LiteratureRecords, EqualityAndHashCoverEveryField)
{
    SelectionContext a = sampleSelection();
    SelectionContext b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));
    b.capturedAt = b.capturedAt.addMSecs(1);
    EXPECT_NE(a, b);
    EXPECT_NE(qHash(a), qHash(b));

    LiteratureResult r1{QStringLiteral("answer"), {sampleReference()}, std::nullopt, false, {}, {}, 1.5};
    LiteratureResult r2 = r1;
    r2.isCached = true;
    EXPECT_NE(r1, r2);
    EXPECT_NE(qHash(r1), qHash(r2));

    // Absent and present-but-empty differ.
    LiteratureEvidence e1{QStringLiteral("q"), std::nullopt};
    LiteratureEvidence e2{QStringLiteral("q"), QString()};
    EXPECT_NE(e1, e2);
    EXPECT_NE(qHash(e1), qHash(e2));
}

TEST(LiteratureReference, IdIsPmid)
{
    EXPECT_EQ(sampleReference().id(), QStringLiteral("123"));
}

TEST(LiteratureRecords, JsonWritesDeclaredKeysAndOmitsAbsentOptionals)
{
    const QJsonObject ref = sampleReference().toJson();
    EXPECT_EQ(ref.value(QStringLiteral("why")).toString(), QStringLiteral("Direct trial"));
    EXPECT_EQ(ref.value(QStringLiteral("citation_count")).toInteger(), 42);
    EXPECT_FALSE(ref.contains(QStringLiteral("article")));

    const QJsonObject evidence = LiteratureEvidence{QStringLiteral("q"), std::nullopt}.toJson();
    EXPECT_EQ(evidence.keys(), QStringList{QStringLiteral("quote")});

    const QJsonObject usage = LiteratureUsage{1, std::nullopt, 3}.toJson();
    EXPECT_EQ(usage.keys(), (QStringList{QStringLiteral("prompt_tokens"), QStringLiteral("total_tokens")}));

    const QJsonObject selection = sampleSelection().toJson();
    EXPECT_EQ(selection.value(QStringLiteral("captureMethod")).toString(), QStringLiteral("accessibility"));
}

TEST(LiteratureRecords, JsonRoundTrips)
{
    LiteratureReference withArticle = sampleReference();
    ArticleMetadata article;
    article.pmid = QStringLiteral("123");
    article.kind = ArticleKind::bookChapter;
    article.authors = {
        ArticleAuthor{QStringLiteral("Smith"), QStringLiteral("John"), QStringLiteral("J"), {}, {}}};
    article.contributionDate = ArticleDate{QStringLiteral("2006"), QStringLiteral("2"), std::nullopt};
    withArticle.article = article;

    const LiteratureResult result{QStringLiteral("answer"),
                                  {sampleReference(), withArticle},
                                  LiteratureUsage{10, 20, 30},
                                  true,
                                  QStringLiteral("s"),
                                  std::nullopt,
                                  0.25};
    // Through text, as a file or a pipe would carry it.
    const QByteArray bytes = QJsonDocument(result.toJson()).toJson();
    const auto decoded = LiteratureResult::fromJson(QJsonDocument::fromJson(bytes).object());
    ASSERT_TRUE(decoded.has_value()) << decoded.error().message.toStdString();
    EXPECT_EQ(*decoded, result);

    const SelectionContext selection = sampleSelection();
    EXPECT_EQ(SelectionContext::fromJson(selection.toJson()), selection);

    const LiteratureQuery query{QStringLiteral("text"), LiteratureQueryOptions{7, false, 0}};
    EXPECT_EQ(LiteratureQuery::fromJson(query.toJson()), query);
}

TEST(LiteratureRecords, JsonReadingFailsOnMissingKeysAndUnknownValues)
{
    QJsonObject selection = sampleSelection().toJson();
    selection.insert(QStringLiteral("captureMethod"), QStringLiteral("clipboard"));
    EXPECT_FALSE(SelectionContext::fromJson(selection).has_value());

    for (const QString& key : {QStringLiteral("pmid"), QStringLiteral("title"), QStringLiteral("authors"),
                               QStringLiteral("evidence")}) {
        QJsonObject ref = sampleReference().toJson();
        ref.remove(key);
        const auto decoded = LiteratureReference::fromJson(ref);
        ASSERT_FALSE(decoded.has_value()) << key.toStdString();
        EXPECT_TRUE(decoded.error().message.contains(key));
    }

    QJsonObject noOptionals = sampleReference().toJson();
    noOptionals.remove(QStringLiteral("why"));
    noOptionals.remove(QStringLiteral("url"));
    const auto decoded = LiteratureReference::fromJson(noOptionals);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_FALSE(decoded->relevanceReason.has_value());
    EXPECT_FALSE(decoded->url.has_value());

    QJsonObject wrongType = sampleReference().toJson();
    wrongType.insert(QStringLiteral("citation_count"), 1.5);
    EXPECT_FALSE(LiteratureReference::fromJson(wrongType).has_value());

    QJsonObject result = LiteratureResult{}.toJson();
    result.remove(QStringLiteral("isCached"));
    EXPECT_FALSE(LiteratureResult::fromJson(result).has_value());
}
