#include "service/CachingLiteratureBackend.h"
#include "ErrorPrinting.h"
#include "service/VORNBackendStack.h"

#include "TestHttpsServer.h"
#include "support/StreamRecorder.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString sentence = u"Aspirin reduces fever in adults."_s;
const QByteArray okBody = R"({"status":"ok","answer":"Yes.","references":[{"pmid":"123","title":"T"}]})";

LiteratureQuery query(qint64 minutes = 15, bool evidence = true, const QString& text = sentence)
{
    return LiteratureQuery{text, {5, evidence, minutes}};
}

LiteratureResult result(const QString& answer)
{
    return LiteratureResult{answer, {}, {}, false, {}, {}, {}};
}

// The wrapped backend: the test drives each query's stream through its sink.
class ScriptedBackend final : public LiteratureBackend
{
public:
    std::unique_ptr<LiteratureQueryStream> query(const LiteratureQuery& q) override
    {
        auto [stream, sink] = LiteratureQueryStream::create();
        sink.onCancel([this] { ++cancels; });
        sinks.append(sink);
        queries.append(q);
        return std::move(stream);
    }
    QList<LiteratureQuerySink> sinks;
    QList<LiteratureQuery> queries;
    int cancels = 0;
};

bool isSearchingProgress(const LiteratureQueryEvent& event)
{
    return event.asProgress() && event.asProgress()->step == u"Searching VORN"_s &&
           !event.asProgress()->content;
}

class CachingTest : public ::testing::Test
{
protected:
    std::shared_ptr<CachingLiteratureBackend> caching(const QString& credentialScope = u"missing"_s)
    {
        return std::make_shared<CachingLiteratureBackend>(
            wrapped, cache, inFlight, u"https://vorn.example.org/cite"_s, credentialScope);
    }

    std::shared_ptr<ScriptedBackend> wrapped = std::make_shared<ScriptedBackend>();
    std::shared_ptr<InMemoryLiteratureCache> cache = std::make_shared<InMemoryLiteratureCache>(20);
    std::shared_ptr<InFlightLiteratureRequests> inFlight = std::make_shared<InFlightLiteratureRequests>();
};

} // namespace

TEST_F(CachingTest, IdenticalQueriesShareOneCallThenTheCacheAnswers)
{
    auto backend = caching();
    StreamRecorder first(backend->query(query(15, true)));
    StreamRecorder second(backend->query(query(5, false))); // differs only in presentation and lifetime
    ASSERT_EQ(wrapped->queries.size(), 1);
    wrapped->sinks[0].progress(u"wrapped progress is not passed on"_s);
    wrapped->sinks[0].complete(result(u"fresh"_s));
    ASSERT_TRUE(first.waitForEnd());
    ASSERT_TRUE(second.waitForEnd());
    for (const StreamRecorder* r : {&first, &second}) {
        ASSERT_EQ(r->events.size(), 2);
        EXPECT_TRUE(isSearchingProgress(r->events[0]));
        ASSERT_EQ(r->results().size(), 1);
        EXPECT_EQ(r->results()[0].answer, u"fresh"_s);
        EXPECT_FALSE(r->results()[0].isCached);
    }
    EXPECT_EQ(inFlight->count(), 0);

    StreamRecorder third(backend->query(query()));
    ASSERT_TRUE(third.waitForEnd());
    ASSERT_EQ(third.events.size(), 1) << "no progress on a cache hit";
    EXPECT_TRUE(third.results()[0].isCached);
    EXPECT_EQ(wrapped->queries.size(), 1);

    // Another credential never sees this answer.
    StreamRecorder otherKey(caching(u"0123abcd"_s)->query(query()));
    EXPECT_EQ(wrapped->queries.size(), 2);
}

TEST_F(CachingTest, ZeroMinutesSkipsTheCacheButStillCoalesces)
{
    cache->insert(result(u"cached"_s),
                  LiteratureCacheKey::make(query(), u"https://vorn.example.org/cite"_s, u"missing"_s), 10);
    auto backend = caching();
    StreamRecorder uncached(backend->query(query(0)));
    StreamRecorder joiner(backend->query(query(0)));
    ASSERT_EQ(wrapped->queries.size(), 1) << "the cached answer was not read";
    wrapped->sinks[0].complete(result(u"new"_s));
    ASSERT_TRUE(uncached.waitForEnd());
    ASSERT_TRUE(joiner.waitForEnd());
    EXPECT_EQ(uncached.results()[0].answer, u"new"_s);
    EXPECT_EQ(joiner.results()[0].answer, u"new"_s);
    EXPECT_EQ(
        cache->value(LiteratureCacheKey::make(query(), u"https://vorn.example.org/cite"_s, u"missing"_s))
            ->answer,
        u"cached"_s)
        << "nor written";
}

TEST_F(CachingTest, FailuresPassUnchangedAndAreNotCached)
{
    auto backend = caching();
    StreamRecorder failed(backend->query(query()));
    wrapped->sinks[0].fail(LiteratureError::requestFailed(429, u"Try again in 3 seconds."_s));
    ASSERT_TRUE(failed.waitForEnd());
    EXPECT_EQ(failed.error, LiteratureError::requestFailed(429, u"Try again in 3 seconds."_s));

    StreamRecorder empty(backend->query(query()));
    ASSERT_EQ(wrapped->queries.size(), 2) << "a failed run leaves nothing behind";
    wrapped->sinks[1].progress(u"only progress"_s);
    wrapped->sinks[1].finish();
    ASSERT_TRUE(empty.waitForEnd());
    ASSERT_TRUE(empty.error.has_value());
    EXPECT_EQ(
        empty.error->errorDescription(),
        u"The literature service returned an unexpected response: VORN finished without a completed result."_s);
    EXPECT_EQ(cache->count(), 0);
    EXPECT_EQ(inFlight->count(), 0);
}

TEST_F(CachingTest, OneCallerLeavingKeepsTheRunForTheOther)
{
    auto backend = caching();
    StreamRecorder leaving(backend->query(query()));
    StreamRecorder staying(backend->query(query()));
    leaving.stream()->cancel();
    EXPECT_EQ(wrapped->cancels, 0);
    wrapped->sinks[0].complete(result(u"kept"_s));
    ASSERT_TRUE(staying.waitForEnd());
    EXPECT_EQ(staying.results()[0].answer, u"kept"_s);
    EXPECT_TRUE(leaving.results().isEmpty());

    StreamRecorder a(backend->query(query(15, true, u"Another sentence entirely."_s)));
    auto b = backend->query(query(15, true, u"Another sentence entirely."_s));
    a.stream()->cancel();
    b.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(wrapped->cancels, 1) << "the last caller to leave cancels the wrapped query";
    EXPECT_EQ(inFlight->count(), 0);
}

// The real stack against the local HTTPS service.
class StackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listen());
        backend = VORNBackendStack::make(
            server.url().toString(), [](auto completion) { completion(u"vorn_stack-key"_s); }, cache,
            inFlight, u"missing"_s, {TestCertificateAuthority::shared().caCertificate()});
    }

    TestHttpsServer server;
    std::shared_ptr<InMemoryLiteratureCache> cache =
        std::make_shared<InMemoryLiteratureCache>(VORNBackendStack::cacheEntries);
    std::shared_ptr<InFlightLiteratureRequests> inFlight = std::make_shared<InFlightLiteratureRequests>();
    std::shared_ptr<LiteratureBackend> backend;
};

TEST_F(StackTest, IdenticalConcurrentQueriesReachTheServerOnce)
{
    server.enqueue(TestHttpResponse::stalled());
    QList<std::shared_ptr<StreamRecorder>> callers;
    for (int i = 0; i < 10; ++i)
        callers.append(std::make_shared<StreamRecorder>(backend->query(query())));
    ASSERT_TRUE(server.waitForRequests(1));
    ASSERT_TRUE(server.answerStalled(TestHttpResponse::json(200, okBody)));
    for (const auto& caller : callers) {
        ASSERT_TRUE(caller->waitForEnd());
        ASSERT_EQ(caller->results().size(), 1);
        EXPECT_EQ(caller->results()[0].references[0].pmid, u"123"_s);
    }
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].target, "/reorg-api/api/v1/api-key-agent/cite");

    StreamRecorder cached(backend->query(query()));
    ASSERT_TRUE(cached.waitForEnd());
    EXPECT_TRUE(cached.results()[0].isCached);
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(StackTest, ACallerLeavingACoalescedRunLeavesTheRequestRunning)
{
    server.enqueue(TestHttpResponse::stalled());
    StreamRecorder leaving(backend->query(query()));
    StreamRecorder staying(backend->query(query()));
    ASSERT_TRUE(server.waitForRequests(1));
    leaving.stream()->cancel();
    QTest::qWait(20);
    EXPECT_EQ(server.abandonedCount(), 0);
    ASSERT_TRUE(server.answerStalled(TestHttpResponse::json(200, okBody)));
    ASSERT_TRUE(staying.waitForEnd());
    EXPECT_EQ(staying.results().size(), 1);
    EXPECT_TRUE(leaving.results().isEmpty());
}

TEST_F(StackTest, BothLeavingCancelsTheHTTPRequest)
{
    server.enqueue(TestHttpResponse::stalled());
    StreamRecorder first(backend->query(query()));
    StreamRecorder second(backend->query(query()));
    ASSERT_TRUE(server.waitForRequests(1));
    first.stream()->cancel();
    second.stream()->cancel();
    EXPECT_TRUE(server.waitForAbandoned(1));
    EXPECT_EQ(inFlight->count(), 0);
    EXPECT_EQ(cache->count(), 0);
}

TEST(VORNBackendStack, WithoutAServiceAddressQueriesFailAsInvalidEndpoint)
{
    int keyRequests = 0;
    for (const QString& base : {QString(), u"http://vorn.example.org"_s, u"not a url"_s}) {
        auto backend = VORNBackendStack::make(
            base, [&](auto completion) { ++keyRequests, completion(u"vorn_k"_s); },
            std::make_shared<InMemoryLiteratureCache>(20), std::make_shared<InFlightLiteratureRequests>(),
            u"missing"_s);
        StreamRecorder r(backend->query(query()));
        ASSERT_TRUE(r.waitForEnd());
        EXPECT_EQ(r.error, LiteratureError::invalidEndpoint()) << base.toStdString();
        EXPECT_EQ(r.error->errorDescription(), u"The literature service endpoint is invalid."_s);
    }
    EXPECT_EQ(keyRequests, 0);
    EXPECT_EQ(VORNBackendStack::serviceBaseURL(u" https://user.example.org "_s),
              u"https://user.example.org"_s);
    EXPECT_EQ(VORNBackendStack::serviceBaseURL(u"  "_s), VORNBackend::configuredServiceBaseURL());
}
