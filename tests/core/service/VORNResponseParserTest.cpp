#include "service/VORNResponseParser.h"
#include "ErrorPrinting.h"
#include "service/VORNRequest.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString noResultsAnswer = u"VORN found no supporting references for this sentence."_s;

LiteratureQueryOptions options(qint64 maxArticles = 5)
{
    return LiteratureQueryOptions{maxArticles, true, 15};
}

QString pubmedLink(int id)
{
    return u"https://pubmed.ncbi.nlm.nih.gov/"_s + QString::number(id) + u'/';
}

QByteArray okBody(const QByteArray& references, const QByteArray& extra = {})
{
    return R"({"status":"ok","answer":"A.","references":)" + references + extra + "}";
}

std::string text(const QByteArray& body)
{
    return body.left(160).toStdString();
}

} // namespace

TEST(VORNRequestBuilder, NormalisesTheSentenceAndClampsTheCount)
{
    const auto request = VORNRequestBuilder::make(u"  Aspirin\n\n reduces   fever.  "_s, options(40));
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->text, u"Aspirin reduces fever."_s);
    EXPECT_EQ(request->maxReferences, 25);
    EXPECT_EQ(VORNRequestBuilder::make(u"Aspirin reduces fever."_s, options(0))->maxReferences, 1);

    const QJsonObject json = QJsonDocument::fromJson(request->toBody()).object();
    EXPECT_EQ(json.size(), 2);
    EXPECT_EQ(json.value("text"_L1).toString(), u"Aspirin reduces fever."_s);
    EXPECT_TRUE(json.value("max_references"_L1).isDouble());
    EXPECT_EQ(json.value("max_references"_L1).toInteger(), 25);
    EXPECT_EQ(VORNRequest::fromJson(json), *request);
    EXPECT_FALSE(VORNRequest::fromJson(QJsonObject{{"text"_L1, u"x"_s}}).has_value());

    const auto refused = VORNRequestBuilder::make(u"Too short"_s, options());
    ASSERT_FALSE(refused.has_value());
    EXPECT_EQ(refused.error(), LiteratureError::invalidInput(
                                   u"Select a complete scientific sentence (at least 10 characters)."_s));
}

TEST(VORNResponseParser, RefusesBodiesWithTheirDetail)
{
    struct Row
    {
        QByteArray body;
        QString detail;
    };
    const QList<Row> rows = {
        {"", u"The body is not valid JSON."_s},
        {R"("just a string")", u"The body is not valid JSON."_s},
        {"42", u"The body is not valid JSON."_s},
        {"null", u"The body is not valid JSON."_s},
        {R"({"status":"ok"} trailing)", u"The body is not valid JSON."_s},
        {"{\"status\":\"ok\",\"answer\":\"\xff\xfe\"}", u"The body is not valid JSON."_s},
        {R"({"status":"ok","x":1e400})", u"The body is not valid JSON."_s},
        {QByteArray(5000, '[') + QByteArray(5000, ']'), u"The body is not valid JSON."_s},
        {R"([{"status":"ok"}])", u"Expected a JSON object."_s},
        {R"({"answer":"x"})", u"Expected status to be ok or no_results."_s},
        {R"({"status":"OK","references":[]})", u"Expected status to be ok or no_results."_s},
        {R"({"status":1})", u"Expected status to be ok or no_results."_s},
        {R"({"status":" ok"})", u"Expected status to be ok or no_results."_s},
        {okBody("[]"), u"VORN returned status ok without usable references."_s},
        {okBody(
             R"([{"pmid":"1"},{"title":"No id"},{"pmid":"abc","title":"Bad id"},{"pmid":"000","title":"Zero"}])"),
         u"VORN returned status ok without usable references."_s},
        {R"({"status":"ok","answer":"A.","references":{"pmid":"1","title":"Not an array"}})",
         u"VORN returned status ok without usable references."_s},
        {R"({"status":"no_results","references":[{"pmid":"5","title":"T"}]})",
         u"VORN returned no_results with references."_s},
    };
    for (const Row& row : rows) {
        const auto result = VORNResponseParser::parse(row.body, options());
        ASSERT_FALSE(result.has_value()) << text(row.body);
        EXPECT_EQ(result.error(), LiteratureError::malformedResponse(row.detail)) << text(row.body);
    }
    EXPECT_EQ(LiteratureError::malformedResponse(u"Expected a JSON object."_s).errorDescription(),
              u"The literature service returned an unexpected response: Expected a JSON object."_s);
}

TEST(VORNResponseParser, ReadsObjectEntries)
{
    const QByteArray body = R"({"status":"ok","answer":"  Yes.\n","references":[
        {"pmid":"00123","title":"T","url":"https://elsewhere.example/9","authors":["A  B",""," ",7,true,null],
         "journal":"  Nature ","year":2020,"n_citation":"12","why":"Because\tit does.",
         "evidence":["  quoted  text ",{"quote":"q2","context_type":"abstract"},{"context_type":"x"},5,
                     {"quote":"q3","contextType":"results"},{"quote":"q4","context_type":"","contextType":"body"}]},
        {"pubmedid":77,"title":42,"date":"","year":"1999","journal":"","citation_count":3},
        {"pmid":"abc","url":"see HTTPS://PubMed.NCBI.nlm.nih.gov/0987?x=1","title":"From link","n_citation":"x",
         "citation_count":5},
        {"url":"pubmed.ncbi.nlm.nih.gov/abc and pubmed.ncbi.nlm.nih.gov/654","title":"Second link"}
    ],"diagnostics":{"elapsed_ms":1530}})";
    const auto result = VORNResponseParser::parse(body, options(10));
    ASSERT_TRUE(result.has_value()) << result.error().errorDescription().toStdString();
    EXPECT_EQ(result->answer, u"Yes."_s);
    EXPECT_FALSE(result->isCached);
    EXPECT_FALSE(result->usage.has_value());
    EXPECT_FALSE(result->sessionID.has_value());
    EXPECT_FALSE(result->invocationID.has_value());
    EXPECT_EQ(result->executionTime, 1.53);
    ASSERT_EQ(result->references.size(), 4);

    const LiteratureReference& first = result->references[0];
    EXPECT_EQ(first.pmid, u"123"_s);
    EXPECT_EQ(first.url, QUrl(pubmedLink(123))) << "the service's own link is never stored";
    EXPECT_EQ(first.authors, (QList<QString>{u"A B"_s, u"7"_s}));
    EXPECT_EQ(first.journal, u"Nature"_s);
    EXPECT_EQ(first.date, u"2020"_s);
    EXPECT_EQ(first.citationCount, 12);
    EXPECT_EQ(first.relevanceReason, u"Because it does."_s);
    EXPECT_EQ(first.evidence, (QList<LiteratureEvidence>{{u"quoted text"_s, std::nullopt},
                                                         {u"q2"_s, u"abstract"_s},
                                                         {u"q3"_s, u"results"_s},
                                                         {u"q4"_s, u"body"_s}}));
    EXPECT_FALSE(first.article.has_value());

    const LiteratureReference& second = result->references[1];
    EXPECT_EQ(second.pmid, u"77"_s);
    EXPECT_EQ(second.title, u"42"_s);
    EXPECT_EQ(second.date, u"1999"_s);
    EXPECT_FALSE(second.journal.has_value());
    EXPECT_EQ(second.citationCount, 3);
    EXPECT_TRUE(second.authors.isEmpty());
    EXPECT_TRUE(second.evidence.isEmpty());
    EXPECT_FALSE(second.relevanceReason.has_value());

    EXPECT_EQ(result->references[2].pmid, u"987"_s);
    EXPECT_EQ(result->references[2].citationCount, 5);
    EXPECT_EQ(result->references[3].pmid, u"654"_s) << "a host without digits after it is not a match";
}

TEST(VORNResponseParser, ControlCharactersNeverReachTheRecords)
{
    // A terminal title sequence, a CSI colour code (C0 and C1 forms), BEL, NUL, DEL and
    // backspaces in every text member; right-to-left marks survive, line breaks still collapse.
    const QByteArray body = R"({"status":"ok","answer":"Yes\u0007.\u001b[2J","references":[
        {"pmid":"1","title":"\u001b]0;owned\u0007Title \u009b31mred\u001b[0m\u0000","journal":"J\u007f",
         "date":"2020\u0085","authors":["\u001b[1mSmith JA","\u200f\u05e9\u05dc\u05d5\u05dd\u0000"],
         "why":"because\u0008\u0008\u0008","evidence":["q\u001b\u0000uote",{"quote":"q2","context_type":"abs\u009btract"}]},
        ["Positional \u009b1mtitle","https://pubmed.ncbi.nlm.nih.gov/2/",null,"2021\u0007","Nat\u0000ure",["A\u001bB"]]
    ]})";
    const auto result = VORNResponseParser::parse(body, options(10));
    ASSERT_TRUE(result.has_value()) << result.error().errorDescription().toStdString();
    EXPECT_EQ(result->answer, u"Yes.[2J"_s);
    ASSERT_EQ(result->references.size(), 2);
    const LiteratureReference& object = result->references[0];
    EXPECT_EQ(object.title, u"]0;ownedTitle 31mred[0m"_s);
    EXPECT_EQ(object.journal, u"J"_s);
    EXPECT_EQ(object.date, u"2020"_s);
    EXPECT_EQ(object.authors, (QList<QString>{u"[1mSmith JA"_s, u"\u200f\u05e9\u05dc\u05d5\u05dd"_s}));
    EXPECT_EQ(object.relevanceReason, u"because"_s);
    EXPECT_EQ(object.evidence,
              (QList<LiteratureEvidence>{{u"quote"_s, std::nullopt}, {u"q2"_s, u"abstract"_s}}));
    const LiteratureReference& positional = result->references[1];
    EXPECT_EQ(positional.title, u"Positional 1mtitle"_s);
    EXPECT_EQ(positional.date, u"2021"_s);
    EXPECT_EQ(positional.journal, u"Nature"_s);
    EXPECT_EQ(positional.authors, (QList<QString>{u"AB"_s}));
}

TEST(VORNResponseParser, ReadsPositionalEntries)
{
    const QByteArray body =
        okBody(R"([["Title",")" + pubmedLink(555).toUtf8() + R"(","12","2020","Nature",["A B",""," ",7]],
            ["Short",")" +
               pubmedLink(556).toUtf8() + R"("],
            ["", ")" +
               pubmedLink(557).toUtf8() + R"("],
            ["No link"],
            ["Bad link","https://example.org/558"],
            [],
            ["Extra",")" +
               pubmedLink(559).toUtf8() + R"(",1,"","",{"not":"an array"},"ignored"]])");
    const auto result = VORNResponseParser::parse(body, options(10));
    ASSERT_TRUE(result.has_value()) << result.error().errorDescription().toStdString();
    ASSERT_EQ(result->references.size(), 3);
    const LiteratureReference& full = result->references[0];
    EXPECT_EQ(full.pmid, u"555"_s);
    EXPECT_EQ(full.title, u"Title"_s);
    EXPECT_EQ(full.citationCount, 12);
    EXPECT_EQ(full.date, u"2020"_s);
    EXPECT_EQ(full.journal, u"Nature"_s);
    EXPECT_EQ(full.authors, (QList<QString>{u"A B"_s, u"7"_s}));
    EXPECT_TRUE(full.evidence.isEmpty());
    EXPECT_FALSE(full.relevanceReason.has_value());
    EXPECT_EQ(result->references[1].pmid, u"556"_s);
    EXPECT_FALSE(result->references[1].citationCount.has_value());
    EXPECT_FALSE(result->references[1].date.has_value());
    EXPECT_EQ(result->references[2].pmid, u"559"_s);
    EXPECT_FALSE(result->references[2].date.has_value());
    EXPECT_TRUE(result->references[2].authors.isEmpty());
}

TEST(VORNResponseParser, KeepsDistinctReferencesUpToTheLimit)
{
    QByteArray five = "[";
    for (int i = 1; i <= 5; ++i)
        five += (i > 1 ? "," : "") + QByteArray(R"({"pmid":")") + QByteArray::number(i) + R"(","title":"T"})";
    five += "]";
    struct Row
    {
        qint64 maxArticles;
        qsizetype kept;
    };
    for (const Row row : {Row{3, 3}, Row{0, 1}, Row{-4, 1}, Row{5, 5}, Row{40, 5}}) {
        const auto result = VORNResponseParser::parse(okBody(five), options(row.maxArticles));
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->references.size(), row.kept) << row.maxArticles;
        EXPECT_EQ(result->references.first().pmid, u"1"_s);
    }

    // 42 and "0042" are one article: the first occurrence wins.
    const auto duplicates = VORNResponseParser::parse(
        okBody(
            R"([{"pmid":42,"title":"First"},{"pmid":"0042","title":"Second"},{"pmid":"43","title":"Third"}])"),
        options());
    ASSERT_TRUE(duplicates.has_value());
    ASSERT_EQ(duplicates->references.size(), 2);
    EXPECT_EQ(duplicates->references[0].title, u"First"_s);
    EXPECT_EQ(duplicates->references[1].pmid, u"43"_s);

    // At most 25 are kept, and only the first 500 entries are looked at.
    QByteArray many = "[";
    for (int i = 1; i <= 600; ++i)
        many += (i > 1 ? "," : "") + QByteArray(R"({"pmid":")") + QByteArray::number(i) + R"(","title":"T"})";
    many += "]";
    EXPECT_EQ(VORNResponseParser::parse(okBody(many), options(25))->references.size(), 25);
    QByteArray late = "[";
    for (int i = 0; i < 500; ++i)
        late += R"({"title":"unusable"},)";
    late += R"({"pmid":"1","title":"Entry 501"}])";
    EXPECT_EQ(VORNResponseParser::parse(okBody(late), options()).error(),
              LiteratureError::malformedResponse(u"VORN returned status ok without usable references."_s));
}

TEST(VORNResponseParser, AnswerStatusAndDiagnostics)
{
    struct Row
    {
        QByteArray body;
        QString answer;
        std::optional<double> executionTime;
    };
    const QByteArray ref = R"("references":[{"pmid":"1","title":"T"}])";
    const QList<Row> rows = {
        {R"({"status":"no_results"})", noResultsAnswer, std::nullopt},
        {R"({"status":"no_results","answer":"ignored","references":[{"title":"no id"},["x"]]})",
         noResultsAnswer, std::nullopt},
        {R"({"status":"ok","answer":" ","response":"","content":"Third",)" + ref + "}", u"Third"_s,
         std::nullopt},
        {R"({"status":"ok","answer":12345678,)" + ref + "}", u"12345678"_s, std::nullopt},
        {R"({"status":"ok","answer":0.5,)" + ref + "}", u"0.5"_s, std::nullopt},
        {R"({"status":"ok","answer":true,)" + ref + "}", QString(), std::nullopt},
        {R"({"status":"ok",)" + ref + R"(,"diagnostics":{"elapsed_ms":"1530"}})", QString(), 1.53},
        {R"({"status":"ok",)" + ref + R"(,"diagnostics":{"elapsed_ms":true}})", QString(), std::nullopt},
        {R"({"status":"ok",)" + ref + R"(,"diagnostics":{"elapsed_ms":" 1530"}})", QString(), std::nullopt},
        {R"({"status":"ok",)" + ref + R"(,"diagnostics":{"elapsed_ms":"nan"}})", QString(), std::nullopt},
        {R"({"status":"ok",)" + ref + R"(,"diagnostics":{"elapsed_ms":"1e999"}})", QString(), std::nullopt},
        {R"({"status":"ok",)" + ref + R"(,"diagnostics":[1530]})", QString(), std::nullopt},
    };
    for (const Row& row : rows) {
        const auto result = VORNResponseParser::parse(row.body, options());
        ASSERT_TRUE(result.has_value()) << text(row.body);
        EXPECT_EQ(result->answer, row.answer) << text(row.body);
        EXPECT_EQ(result->executionTime, row.executionTime) << text(row.body);
    }
}

TEST(VORNResponseParser, IntegerReading)
{
    struct Row
    {
        QJsonValue value;
        std::optional<qint64> expected;
    };
    const QList<Row> rows = {
        {42, 42},
        {42.0, 42},
        {u"42"_s, 42},
        {u" \t42\t "_s, 42},
        {u"42.0"_s, 42},
        {0, 0},
        {10000000, 10000000},
        {u"1e3"_s, 1000},
        {42.5, std::nullopt},
        {-1, std::nullopt},
        {10000001, std::nullopt},
        {true, std::nullopt},
        {u"42\n"_s, std::nullopt},
        {u"x"_s, std::nullopt},
        {u""_s, std::nullopt},
        {u"inf"_s, std::nullopt},
        {u"nan"_s, std::nullopt},
        {QJsonValue(), std::nullopt},
        {QJsonArray{1}, std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(VORNResponseParser::integer(row.value), row.expected)
            << row.value.toVariant().toString().toStdString();
}

TEST(VORNResponseParser, HostileBodiesEndInADetailOrASkippedEntry)
{
    // 2 MiB of one string as the title: accepted, cleaned, never a crash.
    const QByteArray huge(2 * 1024 * 1024 - 64, 'a');
    const auto longTitle =
        VORNResponseParser::parse(okBody(R"([{"pmid":"1","title":")" + huge + R"("}])"), options());
    ASSERT_TRUE(longTitle.has_value());
    EXPECT_EQ(longTitle->references[0].title.size(), huge.size());

    // Deep nesting inside an entry is skipped like any other unusable value.
    const QByteArray nested = QByteArray(500, '[') + QByteArray(500, ']');
    const auto deep =
        VORNResponseParser::parse(okBody("[" + nested + R"(,{"pmid":"2","title":"T","authors":)" + nested +
                                         R"(,"evidence":)" + nested + "}]"),
                                  options());
    ASSERT_TRUE(deep.has_value());
    EXPECT_EQ(deep->references[0].pmid, u"2"_s);

    // Out-of-range numbers: no count, a plain-digit title, a non-canonical huge PMID kept as digits.
    const auto numbers = VORNResponseParser::parse(
        okBody(R"([{"pmid":1e300,"title":1e20,"n_citation":1e300,"citation_count":-0.0}])"), options());
    ASSERT_TRUE(numbers.has_value());
    EXPECT_EQ(numbers->references[0].title, u"100000000000000000000"_s);
    EXPECT_EQ(numbers->references[0].citationCount, 0);
    EXPECT_EQ(numbers->references[0].pmid.size(), 301);

    // Control characters and escaped NULs are cleaned out of the text, not refused.
    const auto controls = VORNResponseParser::parse(
        okBody(R"([{"pmid":"3","title":"a\u0000b\n\tc","authors":["\ud800"]}])"), options());
    ASSERT_TRUE(controls.has_value());
    EXPECT_EQ(controls->references[0].title, u"ab c"_s);
}
