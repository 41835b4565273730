#include "Commands.h"

#include "EfetchFixtures.h"
#include "TestHttpsServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

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
    EXPECT_EQ(
        ok.out,
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
    EXPECT_EQ(notASet.err,
              QStringLiteral("The literature service returned an unexpected response: PubMed returned XML "
                             "without a PubmedArticleSet.\n"));

    const CliRun invalid =
        run({QStringLiteral("parse-pubmed")}, "<PubmedArticleSet>caf\xff</PubmedArticleSet>");
    EXPECT_EQ(invalid.status, 1);
    EXPECT_TRUE(invalid.err.startsWith(QStringLiteral(
        "The literature service returned an unexpected response: PubMed returned unreadable XML: ")))
        << invalid.err.toStdString();

    const CliRun usage = run({QStringLiteral("parse-pubmed"), QStringLiteral("file.xml")});
    EXPECT_EQ(usage.status, 2);
    EXPECT_TRUE(usage.err.contains(QStringLiteral("Usage: vorn-cite-cli parse-pubmed")));
}

namespace {

QByteArray expectedRecords(std::initializer_list<const char*> names)
{
    QJsonArray all;
    for (const char* name : names) {
        QFile f(QStringLiteral(PUBMED_EXPECTED_DIR "/") + QLatin1StringView(name) + QStringLiteral(".json"));
        if (!f.open(QIODevice::ReadOnly))
            return "missing " + QByteArray(name);
        for (const QJsonValue& v : QJsonDocument::fromJson(f.readAll()).array())
            all.append(v);
    }
    return QJsonDocument(all).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

// vorn-cite-cli pubmed against the efetch service of tools/, which answers from the real fixtures.
TEST(PubMedCli, PubMedFetchesFromTheGivenEfetchService)
{
    const auto efetch = EfetchFixtures::load(QStringLiteral(VORN_FIXTURES_DIR "/pubmed"));
    ASSERT_TRUE(efetch.has_value());
    TestHttpsServer server;
    server.setHandler([&efetch](const TestHttpRequest& r) { return efetch->answer(r); });
    ASSERT_TRUE(server.listen());
    QTemporaryDir dir;
    QFile ca(dir.filePath(QStringLiteral("ca.pem")));
    ASSERT_TRUE(ca.open(QIODevice::WriteOnly));
    ca.write(TestCertificateAuthority::shared().caCertificate().toPem());
    ca.close();
    const QString endpoint = server.url(EfetchFixtures::path()).toString();
    const QStringList options = {QStringLiteral("pubmed"), QStringLiteral("--endpoint"), endpoint,
                                 QStringLiteral("--ca-certificates"), ca.fileName()};

    const CliRun ok = run(options + QStringList{QStringLiteral("20301577"), QStringLiteral("0035358095"),
                                                QStringLiteral("20301577"), QStringLiteral("1")});
    EXPECT_EQ(ok.err, QString());
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out.toUtf8(), expectedRecords({"metapub_20301577", "metapub_35358095"}))
        << "the records in the order asked, duplicates and unknown PMIDs left out";
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(server.requests().first().target.contains("id=20301577,35358095,1&"));

    QStringList many = options;
    for (int i = 1; i <= 51; ++i)
        many.append(QString::number(i));
    const CliRun tooMany = run(many);
    EXPECT_EQ(tooMany.status, 1);
    EXPECT_EQ(tooMany.err, QStringLiteral("At most 50 PubMed identifiers can be fetched at once.\n"));

    const CliRun untrusted =
        run({QStringLiteral("pubmed"), QStringLiteral("--endpoint"), endpoint, QStringLiteral("1")});
    EXPECT_EQ(untrusted.status, 1) << "the throwaway authority is trusted only when given";
    EXPECT_TRUE(untrusted.err.startsWith(QStringLiteral("The literature request failed: ")))
        << untrusted.err.toStdString();
}

TEST(PubMedCli, PubMedUsage)
{
    for (const QStringList& args :
         {QStringList{QStringLiteral("pubmed")},
          QStringList{QStringLiteral("pubmed"), QStringLiteral("--bogus"), QStringLiteral("1")},
          QStringList{QStringLiteral("pubmed"), QStringLiteral("1"), QStringLiteral("--endpoint")}}) {
        const CliRun r = run(args);
        EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: vorn-cite-cli pubmed"))) << r.err.toStdString();
    }
    const CliRun http =
        run({QStringLiteral("pubmed"), QStringLiteral("--endpoint"),
             QStringLiteral("http://127.0.0.1:1/entrez/eutils/efetch.fcgi"), QStringLiteral("1")});
    EXPECT_EQ(http.status, 1);
    EXPECT_EQ(http.err, QStringLiteral("The literature service endpoint is invalid.\n"));
}

// An argument that is not a PubMed identifier is left out with a warning, as the efetch
// client leaves it out; the others are still fetched.
TEST(PubMedCli, PubMedLeavesOutWhatIsNoIdentifier)
{
    const auto efetch = EfetchFixtures::load(QStringLiteral(VORN_FIXTURES_DIR "/pubmed"));
    ASSERT_TRUE(efetch.has_value());
    TestHttpsServer server;
    server.setHandler([&efetch](const TestHttpRequest& r) { return efetch->answer(r); });
    ASSERT_TRUE(server.listen());
    QTemporaryDir dir;
    QFile ca(dir.filePath(QStringLiteral("ca.pem")));
    ASSERT_TRUE(ca.open(QIODevice::WriteOnly));
    ca.write(TestCertificateAuthority::shared().caCertificate().toPem());
    ca.close();
    const QStringList options = {QStringLiteral("pubmed"), QStringLiteral("--endpoint"),
                                 server.url(EfetchFixtures::path()).toString(),
                                 QStringLiteral("--ca-certificates"), ca.fileName()};

    const CliRun mixed = run(options + QStringList{QStringLiteral("abc"), QStringLiteral("35358095"),
                                                   QStringLiteral("PMID:1"), QStringLiteral("0")});
    EXPECT_EQ(mixed.status, 0);
    EXPECT_EQ(mixed.out.toUtf8(), expectedRecords({"metapub_35358095"}));
    EXPECT_EQ(mixed.err, QStringLiteral("Left out \"abc\": not a PubMed identifier.\n"
                                        "Left out \"PMID:1\": not a PubMed identifier.\n"
                                        "Left out \"0\": not a PubMed identifier.\n"));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(server.requests().first().target.contains("id=35358095&"));

    // Nothing left: [] without a request.
    const CliRun none = run(options + QStringList{QStringLiteral("abc")});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, QStringLiteral("[]\n"));
    EXPECT_EQ(none.err, QStringLiteral("Left out \"abc\": not a PubMed identifier.\n"));
    EXPECT_EQ(server.requests().size(), 1);
}
