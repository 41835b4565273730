#include "Commands.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int status;
    QString out;
    QString err;
};

CliRun run(const QStringList& arguments, const QByteArray& input = {})
{
    CommandIO io([input] { return input; });
    const int status = runCommandLine(arguments, io);
    return {status, QString::fromUtf8(io.out), QString::fromUtf8(io.err)};
}

QByteArray fixture(const char* name)
{
    QFile f(QStringLiteral(VORN_FIXTURES_DIR "/pubmed/") + QLatin1StringView(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(PubMedCli, ParsePubMedPrintsTheRecordsAsOneJsonLine)
{
    const CliRun ok = run({QStringLiteral("parse-pubmed")}, fixture("zotero_pubmedxml_case3.xml"));
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.err, QString());
    EXPECT_EQ(ok.out,
              QStringLiteral(
                  R"([{"authors":[{"foreName":"Jaekea T","initials":"JT","lastName":"Coar"},{"foreName":"Jeanne P",)"
                  R"("initials":"JP","lastName":"Sewell"}],"doi":"10.1097/NNE.0b013e3181ed81e4","editors":[],"issue":"5",)"
                  R"("journalTitle":"Nurse educator","kind":"journalArticle","month":"Sep-Oct","pages":"205-7",)"
                  R"("pmid":"20729678","publicationTypes":["Journal Article"],"title":"Zotero: harnessing the power of )"
                  R"(a personal bibliographic manager.","volume":"35","year":"2010"})"
                  "]\n"));

    const CliRun empty = run({QStringLiteral("parse-pubmed")}, fixture("metapub_37909814.xml"));
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, QStringLiteral("[]\n"));
}

TEST(PubMedCli, ParsePubMedFailures)
{
    const CliRun notASet = run({QStringLiteral("parse-pubmed")}, fixture("biopython_esearch1.xml"));
    EXPECT_EQ(notASet.status, 1);
    EXPECT_EQ(notASet.out, QString());
    EXPECT_EQ(notASet.err, QStringLiteral("The literature service returned an unexpected response: PubMed returned XML "
                                          "without a PubmedArticleSet.\n"));

    const CliRun invalid = run({QStringLiteral("parse-pubmed")}, "<PubmedArticleSet>caf\xff</PubmedArticleSet>");
    EXPECT_EQ(invalid.status, 1);
    EXPECT_TRUE(invalid.err.startsWith(
        QStringLiteral("The literature service returned an unexpected response: PubMed returned unreadable XML: ")))
        << invalid.err.toStdString();

    const CliRun usage = run({QStringLiteral("parse-pubmed"), QStringLiteral("file.xml")});
    EXPECT_EQ(usage.status, 2);
    EXPECT_TRUE(usage.err.contains(QStringLiteral("Usage: vorn-cite-cli parse-pubmed")));
}
