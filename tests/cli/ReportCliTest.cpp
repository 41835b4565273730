#include "CliRun.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray workedExample = R"({
  "answer": "Exercise improves sleep quality.",
  "isCached": false,
  "references": [{
    "pmid": "31234567",
    "title": "Effects of exercise on sleep",
    "url": "https://pubmed.ncbi.nlm.nih.gov/31234567/",
    "authors": ["Smith JA", "Jones B"],
    "journal": "J Sleep Res",
    "date": "2020",
    "citation_count": 12,
    "evidence": [{"quote": "Regular exercise improved sleep.", "context_type": "abstract"}]
  }]
})";

const QString footer = u"Generated from VORN/PubMed evidence. Verify each source before citing."_s;

} // namespace

TEST(CliReport, PlainAndHtmlReports)
{
    const QString head =
        u"VORN citation recommendations (1)\n\nExercise improves sleep quality.\n\n"
        u"1. Effects of exercise on sleep\n   Smith JA, Jones B \u00b7 J Sleep Res \u00b7 2020\n"
        u"   PMID: 31234567 \u2014 https://pubmed.ncbi.nlm.nih.gov/31234567/\n"_s;

    CliRun r = runCli({u"report"_s}, workedExample);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, head + u"\n"_s + footer + u"\n"_s);
    EXPECT_TRUE(r.err.isEmpty());

    r = runCli({u"report"_s, u"--evidence"_s}, workedExample);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              head + u"   Evidence: \u201cRegular exercise improved sleep.\u201d\n\n"_s + footer + u"\n"_s);

    r = runCli({u"report"_s, u"--evidence"_s, u"--html"_s}, workedExample);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith(u"<div style="_s));
    EXPECT_TRUE(r.out.endsWith(u"</small></p></div>\n"_s));
    EXPECT_TRUE(r.out.contains(u"<blockquote>Regular exercise improved sleep.</blockquote>"_s));
    EXPECT_EQ(r.out.count(u'\n'), 1);
}

TEST(CliReport, Failures)
{
    struct Row
    {
        QStringList args;
        QByteArray input;
        int status;
        QString err;
    };
    const QList<Row> rows = {
        {{u"report"_s}, "{\"answer\": ", 1, u"Standard input is not valid JSON: "_s},
        {{u"report"_s}, "[]", 1, u"Standard input is not a JSON object.\n"_s},
        {{u"report"_s},
         "{\"references\": [], \"isCached\": false}",
         1,
         u"LiteratureResult: \"answer\" is missing\n"_s},
        {{u"report"_s}, "{\"answer\": \"\xff\"}", 1, u"Standard input is not valid UTF-8.\n"_s},
        {{u"report"_s, u"--pdf"_s},
         workedExample,
         2,
         u"Unknown option \"--pdf\". Usage: vorn-cite-cli report"_s},
    };
    for (const Row& row : rows) {
        const CliRun r = runCli(row.args, row.input);
        EXPECT_EQ(r.status, row.status) << row.input.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith(row.err)) << r.err.toStdString();
    }
}
