#include "Commands.h"
#include "literature/LiteratureRecords.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

using namespace Qt::Literals::StringLiterals;

struct CliRun
{
    int status;
    QByteArray out;
    QString err;
};

CliRun run(const QStringList& arguments, const QByteArray& input = {})
{
    CommandIO io([input] { return input; });
    const int status = runCommandLine(arguments, io);
    return {status, io.out, QString::fromUtf8(io.err)};
}

const QByteArray body = R"({"status":"ok","answer":" Yes. ","references":[
    {"pmid":"0042","title":"First","n_citation":"7","evidence":["  a  quote "]},
    {"pmid":42,"title":"Duplicate"},
    ["Second","https://pubmed.ncbi.nlm.nih.gov/43/"],
    {"pmid":"44","title":"Third"}],"diagnostics":{"elapsed_ms":250}})";

} // namespace

TEST(ParseResponseCli, PrintsTheResultJson)
{
    const CliRun r = run({u"parse-response"_s, u"--max-articles"_s, u"2"_s}, body);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    ASSERT_TRUE(r.out.endsWith('\n'));
    EXPECT_EQ(r.out.count('\n'), 1);
    const QJsonObject json = QJsonDocument::fromJson(r.out).object();
    const auto result = LiteratureResult::fromJson(json);
    ASSERT_TRUE(result.has_value()) << result.error().message.toStdString();
    EXPECT_EQ(result->answer, u"Yes."_s);
    ASSERT_EQ(result->references.size(), 2);
    EXPECT_EQ(result->references[0].pmid, u"42"_s);
    EXPECT_EQ(result->references[0].citationCount, 7);
    EXPECT_EQ(result->references[0].evidence[0].quote, u"a quote"_s);
    EXPECT_EQ(result->references[1].pmid, u"43"_s);
    EXPECT_EQ(result->executionTime, 0.25);
    EXPECT_FALSE(result->isCached);
    EXPECT_FALSE(json.contains("usage"_L1)) << "absent optional fields are left out";
    EXPECT_FALSE(json.contains("sessionID"_L1));
}

TEST(ParseResponseCli, FailuresAndUsage)
{
    struct Row
    {
        QStringList args;
        QByteArray input;
        int status;
        QString err;
    };
    const QStringList ok = {u"parse-response"_s, u"--max-articles"_s, u"5"_s};
    const QList<Row> rows = {
        {ok, "[]", 1, u"The literature service returned an unexpected response: Expected a JSON object.\n"_s},
        {ok, "", 1,
         u"The literature service returned an unexpected response: The body is not valid JSON.\n"_s},
        {ok, R"({"status":"ok","references":[]})", 1,
         u"The literature service returned an unexpected response: VORN returned status ok without usable references.\n"_s},
        {ok, "{\"status\":\"\xff\"}", 1, u"Standard input is not valid UTF-8.\n"_s},
        {{u"parse-response"_s}, body, 2, {}},
        {{u"parse-response"_s, u"--max-articles"_s}, body, 2, {}},
        {{u"parse-response"_s, u"--max-articles"_s, u"two"_s}, body, 2, {}},
        {{u"parse-response"_s, u"--max-articles"_s, u"5"_s, u"--json"_s}, body, 2, {}},
    };
    for (const Row& row : rows) {
        const CliRun r = run(row.args, row.input);
        EXPECT_EQ(r.status, row.status) << row.args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        if (row.status == 2)
            EXPECT_TRUE(r.err.contains(u"Usage: vorn-cite-cli parse-response --max-articles N"_s))
                << r.err.toStdString();
        else
            EXPECT_EQ(r.err, row.err);
    }
    // Out-of-range counts are clamped like the application's own options.
    EXPECT_EQ(run({u"parse-response"_s, u"--max-articles"_s, u"0"_s}, body).status, 0);
    EXPECT_EQ(run({u"parse-response"_s, u"--max-articles"_s, u"-3"_s}, body).status, 0);
}
