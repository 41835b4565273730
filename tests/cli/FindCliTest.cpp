#include "EfetchFixtures.h"
#include "FindCommand.h"
#include "TestHttpsServer.h"
#include "literature/UserSettingsFile.h"
#include "service/VORNBackend.h"
#include "support/FakeKeyStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QByteArray citePath = "/reorg-api/api/v1/api-key-agent/cite";

const QByteArray answer = R"({"status":"ok","answer":"Aspirin lowers fever.","references":[
  {"pmid":"123","title":"Aspirin in fever","journal":"Lancet","year":"2020","authors":["Smith JA"],
   "evidence":[{"quote":"Fever fell.","context_type":"abstract"}]}]})";

// find against a local HTTPS cite service, reached by trusting its throwaway authority.
class FindCliTest : public ::testing::Test
{
protected:
    TestHttpsServer server;
    QTemporaryDir dir;
    std::shared_ptr<FakeKeyStore> store = std::make_shared<FakeKeyStore>();
    QString caFile;

    void SetUp() override
    {
        ASSERT_TRUE(server.listen());
        caFile = dir.filePath(QStringLiteral("ca.pem"));
        QFile pem(caFile);
        ASSERT_TRUE(pem.open(QIODevice::WriteOnly));
        pem.write(TestCertificateAuthority::shared().caCertificate().toPem());
        pem.close();
        QSettings settings(UserSettingsFile::path(), QSettings::IniFormat);
        settings.setValue(UserSettingsFile::serviceURLKey, server.url().toString());
    }
    void TearDown() override { QFile::remove(UserSettingsFile::path()); }

    struct Result
    {
        int status;
        QString out;
        QString err;
    };
    Result find(QStringList arguments, const QByteArray& input)
    {
        FindCommand command([this] { return store; });
        CommandIO io([input] { return input; });
        arguments << QStringLiteral("--ca-certificates") << caFile;
        const int status = command.run(arguments, io);
        return {status, QString::fromUtf8(io.out), QString::fromUtf8(io.err)};
    }
};

} // namespace

TEST_F(FindCliTest, PrintsTheReportOfTheServicesAnswer)
{
    store->key = QStringLiteral("vorn_test");
    server.enqueue(TestHttpResponse::json(200, answer));
    const Result r = find({QStringLiteral("--evidence")}, "Aspirin reduces fever in adults.\n");
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Aspirin in fever"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Fever fell.")));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].target, citePath);
    EXPECT_EQ(server.requests()[0].header("Authorization"), QByteArray("Bearer vorn_test"));
    EXPECT_TRUE(server.requests()[0].body.contains("Aspirin reduces fever in adults."));

    server.enqueue(TestHttpResponse::json(200, answer));
    const Result json = find({QStringLiteral("--json"), QStringLiteral("Aspirin"), QStringLiteral("reduces"),
                              QStringLiteral("fever.")},
                             {});
    EXPECT_EQ(json.status, 0);
    EXPECT_TRUE(json.out.contains(QStringLiteral("\"pmid\": \"123\""))) << json.out.toStdString();
}

TEST_F(FindCliTest, FailuresPrintThePanelsSentence)
{
    struct Row
    {
        std::optional<QString> key;
        std::optional<TestHttpResponse> response;
        QByteArray input;
        QString err;
    };
    const QList<Row> rows = {
        {std::nullopt, std::nullopt, "Aspirin reduces fever in adults.",
         QStringLiteral("Enter a VORN API key in Settings before searching.\n")},
        {QStringLiteral("vorn_revoked"), TestHttpResponse::json(401, R"({"detail":"Invalid API key"})"),
         "Aspirin reduces fever in adults.",
         QStringLiteral("VORN rejected this API key. Replace it with an active vorn_ key in Settings.\n")},
        {QStringLiteral("vorn_test"), std::nullopt, "Too short",
         QStringLiteral("Select a complete scientific sentence (at least 10 characters).\n")},
    };
    for (const Row& row : rows) {
        store->key = row.key;
        if (row.response)
            server.enqueue(*row.response);
        const Result r = find({}, row.input);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err, row.err);
    }
    EXPECT_EQ(server.requests().size(), 1)
        << "only the request with a key and a valid sentence reaches the service";
}

TEST_F(FindCliTest, CiteFetchesThePubMedRecordsAndPrintsEachCitation)
{
    store->key = QStringLiteral("vorn_test");
    const auto efetch = EfetchFixtures::load(QStringLiteral(VORN_FIXTURES_DIR "/pubmed"));
    ASSERT_TRUE(efetch.has_value()) << efetch.error().toStdString();
    bool pubmedDown = false;
    server.setHandler([&](const TestHttpRequest& request) {
        if (request.target.startsWith(EfetchFixtures::path().toUtf8()))
            return pubmedDown ? TestHttpResponse::json(503, "{}") : efetch->answer(request);
        return TestHttpResponse::json(200, R"({"status":"ok","answer":"a","references":[
          {"pmid":"35358095","title":"Neutrophil extracellular traps regulate ischemic stroke brain injury.",
           "journal":"J Clin Invest","year":"2022","authors":["Denorme F"]}]})");
    });
    const QStringList args = {QStringLiteral("--cite"), QStringLiteral("apa"),
                              QStringLiteral("--pubmed-endpoint"),
                              server.url(EfetchFixtures::path()).toString()};

    const Result r = find(args, "Neutrophil traps worsen stroke injury.");
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Citations (APA 7):"))) << r.out.toStdString();
    // Volume and DOI come only from the PubMed record.
    EXPECT_TRUE(r.out.contains(QStringLiteral("132(10)")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("https://doi.org/10.1172/JCI154225")));
    const qsizetype efetchRequests =
        std::count_if(server.requests().begin(), server.requests().end(),
                      [](const auto& q) { return q.target.startsWith(EfetchFixtures::path().toUtf8()); });
    EXPECT_EQ(efetchRequests, 1);

    // Without PubMed the citation still renders from the service's data, with a warning.
    pubmedDown = true;
    const Result degraded = find(args, "Neutrophil traps worsen stroke injury.");
    EXPECT_EQ(degraded.status, 0);
    EXPECT_TRUE(degraded.out.contains(QStringLiteral("Denorme, F. (2022).")));
    EXPECT_TRUE(degraded.err.startsWith(QStringLiteral("PubMed records could not be fetched")))
        << degraded.err.toStdString();

    const Result badStyle =
        find({QStringLiteral("--cite"), QStringLiteral("ieee")}, "Neutrophil traps worsen stroke.");
    EXPECT_EQ(badStyle.status, 2);
}

// With no service address anywhere, the panel's sentence is followed by how to set one.
TEST(FindCliWithoutAddress, SaysHowToSetTheServiceAddress)
{
    if (!VORNBackend::configuredServiceBaseURL().isEmpty())
        GTEST_SKIP() << "this build has a service address of its own";
    QFile::remove(UserSettingsFile::path());
    auto store = std::make_shared<FakeKeyStore>();
    store->key = QStringLiteral("vorn_test");
    const auto find = [&store](const QStringList& arguments) {
        FindCommand command([store] { return store; });
        CommandIO io([] { return QByteArray("Aspirin reduces fever in adults."); });
        const int status = command.run(arguments, io);
        return std::pair(status, QString::fromUtf8(io.err));
    };

    const auto [status, err] = find({});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, QStringLiteral(
                       "The literature service endpoint is invalid.\nNo service address is configured: set "
                       "literature.serviceURL in ") +
                       UserSettingsFile::path() + QStringLiteral(", or pass --endpoint BASE-URL.\n"));

    // An address that is there but unusable gets the sentence alone.
    const auto [httpStatus, httpErr] =
        find({QStringLiteral("--endpoint"), QStringLiteral("http://127.0.0.1:1")});
    EXPECT_EQ(httpStatus, 1);
    EXPECT_EQ(httpErr, QStringLiteral("The literature service endpoint is invalid.\n"));
}
