#include "service/VORNBackend.h"
#include "ErrorPrinting.h"

#include "literature/VORNAPIKeyFormat.h"

#include "TestHttpsServer.h"
#include "support/StreamRecorder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

const QString citePath = u"/reorg-api/api/v1/api-key-agent/cite"_s;
const QString sentence = u"Aspirin reduces fever in adults."_s;
const QString redirectMessage =
    u"The literature service tried to redirect the request, which VORN Cite does not follow."_s;

QByteArray okBody(const QByteArray& padding = {})
{
    return R"({"status":"ok","answer":"Yes.","references":[{"pmid":"123","title":"T"}]})" + padding;
}

// Records each requested pause and resumes at once, or never when holding.
class RecordingSleeper final : public Sleeping
{
public:
    std::unique_ptr<QObject> sleep(std::chrono::nanoseconds duration, std::function<void()> resume) override
    {
        requested.append(duration);
        auto handle = std::make_unique<QObject>();
        if (!hold)
            QTimer::singleShot(0, handle.get(), std::move(resume));
        return handle;
    }

    QList<std::chrono::nanoseconds> requested;
    bool hold = false;
};

class VORNBackendTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.listen()); }

    std::unique_ptr<VORNBackend> backend(const QUrl& endpoint, std::chrono::milliseconds timeout = 10s)
    {
        auto session = LiteratureNetworking::ephemeralSession(
            timeout, {TestCertificateAuthority::shared().caCertificate()});
        return std::make_unique<VORNBackend>(
            endpoint, session, 600ms,
            [this](auto completion) {
                ++keyRequests;
                completion(key);
            },
            sleeper);
    }
    std::unique_ptr<VORNBackend> backend() { return backend(server.url(citePath)); }

    // Runs one query to its end.
    StreamRecorder run(VORNBackend& b, const QString& text = sentence, qint64 maxArticles = 5)
    {
        StreamRecorder recorder(b.query(LiteratureQuery{text, {maxArticles, true, 15}}));
        EXPECT_TRUE(recorder.waitForEnd(10000));
        return recorder;
    }

    TestHttpsServer server;
    std::shared_ptr<RecordingSleeper> sleeper = std::make_shared<RecordingSleeper>();
    std::expected<QString, LiteratureError> key = u"vorn_Test-key_1"_s;
    int keyRequests = 0;
};

} // namespace

TEST_F(VORNBackendTest, PostsTheSentenceWithTheKeyAndParsesTheAnswer)
{
    server.enqueue(TestHttpResponse::json(200, okBody()));
    key = u"  vorn_Test-key_1\n"_s;
    auto b = backend();
    const StreamRecorder r = run(*b, u"  Aspirin reduces\n fever in adults.  "_s, 40);

    ASSERT_TRUE(r.finished) << r.error->errorDescription().toStdString();
    ASSERT_EQ(r.events.size(), 2);
    ASSERT_NE(r.events[0].asProgress(), nullptr);
    EXPECT_EQ(r.events[0].asProgress()->step, u"Searching VORN"_s);
    EXPECT_FALSE(r.events[0].asProgress()->content.has_value());
    ASSERT_EQ(r.results().size(), 1);
    EXPECT_EQ(r.results()[0].references[0].pmid, u"123"_s);
    EXPECT_FALSE(r.results()[0].isCached);

    ASSERT_EQ(server.requests().size(), 1);
    const TestHttpRequest& request = server.requests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, citePath.toUtf8());
    EXPECT_EQ(request.header("Content-Type"), QByteArray("application/json"));
    EXPECT_EQ(request.header("Accept"), QByteArray("application/json"));
    EXPECT_EQ(request.header("Authorization"), QByteArray("Bearer vorn_Test-key_1"));
    EXPECT_FALSE(request.header("Cookie").has_value());
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    EXPECT_EQ(body, (QJsonObject{{"text"_L1, sentence}, {"max_references"_L1, 25}}));
}

TEST_F(VORNBackendTest, FailedStatusesCarryTheServerMessage)
{
    struct Row
    {
        int status;
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        std::optional<QString> message;
    };
    const QByteArray json = "application/json";
    const QList<Row> rows = {
        {401, {{"Content-Type", "text/plain"}}, "Unauthorized", std::nullopt},
        {401, {{"Content-Type", json}}, R"({"detail":"Invalid API key"})", u"Invalid API key"_s},
        {422,
         {{"Content-Type", json}},
         R"({"detail":[{"msg":"field required"},{"msg":"  too\nlong "}]})",
         u"field required; too long"_s},
        {429, {{"Retry-After", "1"}}, R"({"detail":"Rate limit"})", u"Try again in 1 second. Rate limit"_s},
        {429, {{"Retry-After", " 30\t"}}, "busy", u"Try again in 30 seconds."_s},
        {429, {{"retry-after", "+2"}}, "", u"Try again in 2 seconds."_s},
        {429, {{"Retry-After", "0"}}, R"({"detail":"Rate limit"})", u"Rate limit"_s},
        {429, {{"Retry-After", "-5"}}, "", std::nullopt},
        {429, {{"Retry-After", "Wed, 21 Oct 2037 07:28:00 GMT"}}, R"({"error":"Slow down"})", u"Slow down"_s},
        {429, {{"Retry-After", "99999999999999999999"}}, "", std::nullopt},
        {404, {}, R"({"message":"Not found"})", u"Not found"_s},
        {400, {}, R"({"detail":"Bad request"})", u"Bad request"_s},
        {403, {}, R"({"detail":"Forbidden"})", u"Forbidden"_s},
        {407, {}, R"({"detail":"Who are you"})", u"Who are you"_s},
        {418, {}, "", std::nullopt},
        {500, {{"Content-Type", json}}, R"({"detail":"secret stack trace"})", std::nullopt},
        {501, {}, R"({"detail":"nope"})", std::nullopt},
    };
    auto b = backend();
    for (const Row& row : rows) {
        TestHttpResponse response;
        response.status = row.status;
        response.headers = row.headers;
        response.body = row.body;
        server.enqueue(response);
        const qsizetype before = server.requestCount();
        const StreamRecorder r = run(*b);
        ASSERT_TRUE(r.error.has_value()) << row.status;
        EXPECT_EQ(*r.error, LiteratureError::requestFailed(row.status, row.message))
            << row.body.toStdString();
        EXPECT_EQ(server.requestCount(), before + 1) << "no retry for " << row.status;
    }
    EXPECT_TRUE(sleeper->requested.isEmpty());
}

TEST_F(VORNBackendTest, GatewayErrorsAreRetriedOnceAfterARandomPause)
{
    auto b = backend();
    EXPECT_EQ(b->retryDelay(), 600ms);

    server.enqueue(TestHttpResponse::json(503, R"({"detail":"warming up"})"));
    server.enqueue(TestHttpResponse::json(200, okBody()));
    const StreamRecorder recovered = run(*b);
    ASSERT_TRUE(recovered.finished);
    EXPECT_EQ(recovered.results().size(), 1);
    EXPECT_EQ(server.requests().size(), 2);
    ASSERT_EQ(sleeper->requested.size(), 1);
    EXPECT_GE(sleeper->requested[0], 600ms);
    EXPECT_LE(sleeper->requested[0], 900ms);
    EXPECT_EQ(server.requests()[0].body, server.requests()[1].body);

    server.enqueue(TestHttpResponse::json(503, R"({"detail":"down"})"));
    server.enqueue(TestHttpResponse::json(503, R"({"detail":"down"})"));
    const StreamRecorder twice = run(*b);
    ASSERT_TRUE(twice.error.has_value());
    EXPECT_EQ(*twice.error, LiteratureError::requestFailed(503));
    EXPECT_EQ(twice.error->errorDescription(), u"The literature service returned HTTP 503."_s);
    EXPECT_EQ(server.requests().size(), 4) << "never a third attempt";

    server.enqueue(TestHttpResponse::json(502, "{}"));
    server.enqueue(TestHttpResponse::json(504, "{}"));
    EXPECT_EQ(*run(*b).error, LiteratureError::requestFailed(504));
    EXPECT_EQ(sleeper->requested.size(), 3);
}

TEST_F(VORNBackendTest, CancellingDuringTheRetryPauseSendsNoSecondRequest)
{
    sleeper->hold = true;
    server.enqueue(TestHttpResponse::json(502, "{}"));
    auto b = backend();
    StreamRecorder r(b->query(LiteratureQuery{sentence, {}}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sleeper->requested.isEmpty(); }, 10000));
    r.stream()->cancel();
    QTest::qWait(50);
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(r.results().isEmpty());
}

TEST_F(VORNBackendTest, RedirectIsAnsweredNotFollowed)
{
    for (const int status : {301, 302, 307}) {
        TestHttpsServer redirecting;
        ASSERT_TRUE(redirecting.listen());
        TestHttpResponse redirect = TestHttpResponse::json(status, "{}");
        redirect.headers.emplaceBack("Location", redirecting.url(u"/elsewhere"_s).toEncoded());
        redirecting.enqueue(redirect);
        redirecting.enqueue(TestHttpResponse::json(200, okBody()));
        auto b = backend(redirecting.url(citePath));
        const StreamRecorder r = run(*b);
        ASSERT_TRUE(r.error.has_value());
        EXPECT_EQ(*r.error, LiteratureError::requestFailed(status, redirectMessage));
        QTest::qWait(20);
        ASSERT_EQ(redirecting.requests().size(), 1);
        EXPECT_EQ(redirecting.requests()[0].target, citePath.toUtf8());
    }
}

TEST_F(VORNBackendTest, ContentTypeMustNameJSON)
{
    struct Row
    {
        std::optional<QByteArray> contentType;
        std::optional<QString> detail;
    };
    const QList<Row> rows = {
        {QByteArray("text/html; charset=utf-8"), u"Expected JSON but received text/html; charset=utf-8."_s},
        {QByteArray("text/plain;\tx=1"), u"Expected JSON but received text/plain;x=1."_s},
        {QByteArray("application/problem+json"), std::nullopt},
        {QByteArray("Application/JSON"), std::nullopt},
        {std::nullopt, std::nullopt},
    };
    auto b = backend();
    for (const Row& row : rows) {
        TestHttpResponse response;
        response.body = okBody();
        if (row.contentType)
            response.headers.emplaceBack("Content-Type", *row.contentType);
        server.enqueue(response);
        const StreamRecorder r = run(*b);
        if (row.detail) {
            ASSERT_TRUE(r.error.has_value());
            EXPECT_EQ(*r.error, LiteratureError::malformedResponse(*row.detail));
        } else {
            EXPECT_TRUE(r.finished) << row.contentType.value_or("none").toStdString();
        }
    }
}

TEST_F(VORNBackendTest, BodyOfTwoMebibytesIsTheLimit)
{
    const QByteArray exact = okBody(QByteArray(VORNBackend::maximumResponseBytes - okBody().size(), ' '));
    ASSERT_EQ(exact.size(), 2'097'152);
    server.enqueue(TestHttpResponse::json(200, exact));
    server.enqueue(TestHttpResponse::json(200, exact + ' '));
    auto b = backend();
    const StreamRecorder accepted = run(*b);
    EXPECT_TRUE(accepted.finished);
    const StreamRecorder refused = run(*b);
    ASSERT_TRUE(refused.error.has_value());
    EXPECT_EQ(*refused.error,
              LiteratureError::malformedResponse(u"The response was unexpectedly large (2097153 bytes)."_s));
}

TEST_F(VORNBackendTest, EndpointAndKeyAreCheckedBeforeTheNetwork)
{
    for (const QUrl& endpoint :
         {QUrl(u"http://127.0.0.1:"_s + QString::number(server.port()) + citePath), QUrl(),
          QUrl(u"https://"_s), QUrl(u"ftp://example.org/cite"_s), VORNBackend::endpoint(QString())}) {
        auto b = backend(endpoint);
        const StreamRecorder r = run(*b);
        ASSERT_TRUE(r.error.has_value());
        EXPECT_EQ(*r.error, LiteratureError::invalidEndpoint()) << endpoint.toString().toStdString();
        ASSERT_EQ(r.events.size(), 1);
        EXPECT_EQ(r.events[0].asProgress()->step, u"Searching VORN"_s);
    }
    EXPECT_EQ(keyRequests, 0) << "the key is not asked for an unusable endpoint";

    struct KeyRow
    {
        std::expected<QString, LiteratureError> key;
        LiteratureError error;
    };
    const QList<KeyRow> rows = {
        {u"  \n"_s, LiteratureError::missingCredential()},
        {u""_s, LiteratureError::missingCredential()},
        {u"vorn_abc\ndef"_s, LiteratureError::invalidInput(VORNAPIKeyFormat::invalidKeyMessage())},
        {u"VORN_abc"_s, LiteratureError::invalidInput(VORNAPIKeyFormat::invalidKeyMessage())},
        {std::unexpected(LiteratureError::missingCredential()), LiteratureError::missingCredential()},
        {std::unexpected(LiteratureError::keyStoreFailure(u"Keyring error: locked"_s)),
         LiteratureError::keyStoreFailure(u"Keyring error: locked"_s)},
    };
    auto b = backend();
    for (const KeyRow& row : rows) {
        key = row.key;
        const StreamRecorder r = run(*b);
        ASSERT_TRUE(r.error.has_value());
        EXPECT_EQ(*r.error, row.error);
    }
    key = u"vorn_fine"_s;
    const StreamRecorder tooShort = run(*b, u"Too short"_s);
    EXPECT_EQ(*tooShort.error, LiteratureError::invalidInput(
                                   u"Select a complete scientific sentence (at least 10 characters)."_s));
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(VORNBackendTest, StoppingTheStreamCancelsTheRequestInFlight)
{
    server.enqueue(TestHttpResponse::stalled());
    auto b = backend();
    StreamRecorder r(b->query(LiteratureQuery{sentence, {}}));
    ASSERT_TRUE(server.waitForRequests(1));
    r.stream()->cancel();
    EXPECT_TRUE(r.stream()->isEnded());
    EXPECT_TRUE(server.waitForAbandoned(1)) << "the HTTP request was aborted";
    EXPECT_FALSE(server.answerStalled(TestHttpResponse::json(200, okBody())));
    QCoreApplication::processEvents();
    EXPECT_TRUE(r.results().isEmpty());
    EXPECT_EQ(r.endCount, 0);

    // Dropping the stream does the same.
    server.enqueue(TestHttpResponse::stalled());
    auto dropped = b->query(LiteratureQuery{sentence, {}});
    ASSERT_TRUE(server.waitForRequests(2));
    dropped.reset();
    EXPECT_TRUE(server.waitForAbandoned(2));
}

TEST_F(VORNBackendTest, AStalledServerTimesOut)
{
    server.enqueue(TestHttpResponse::stalled());
    auto b = backend(server.url(citePath), 300ms);
    const StreamRecorder r = run(*b);
    ASSERT_TRUE(r.error.has_value());
    EXPECT_EQ(*r.error, LiteratureError::transport(u"The request timed out."_s));
}

TEST(VORNBackendEndpoint, ComesFromConfigurationOnly)
{
    EXPECT_EQ(VORNBackend::endpoint(u"https://vorn.example.org"_s),
              QUrl(u"https://vorn.example.org/reorg-api/api/v1/api-key-agent/cite"_s));
    EXPECT_EQ(VORNBackend::endpoint(u" https://vorn.example.org/prefix/ "_s),
              QUrl(u"https://vorn.example.org/prefix/reorg-api/api/v1/api-key-agent/cite"_s));
    EXPECT_TRUE(VORNBackend::endpoint(u""_s).isEmpty());
    EXPECT_TRUE(VORNBackend::endpoint(u"https://vorn.example.org/?q=1"_s).isEmpty());
    EXPECT_EQ(VORNBackend::defaultEndpoint(), VORNBackend::endpoint(VORNBackend::configuredServiceBaseURL()));
}
