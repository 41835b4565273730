#include "ErrorPrinting.h"
#include "service/InFlightLiteratureRequests.h"
#include "service/InMemoryLiteratureCache.h"
#include "service/LiteratureCacheKey.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString endpoint = u"https://vorn.example.org/reorg-api/api/v1/api-key-agent/cite"_s;

LiteratureQuery query(const QString& text, qint64 maxArticles = 10, bool evidence = true, qint64 minutes = 15)
{
    return LiteratureQuery{text, {maxArticles, evidence, minutes}};
}

LiteratureCacheKey key(const QString& name)
{
    return LiteratureCacheKey::make(query(name + u" is a sentence."_s), endpoint, u"missing"_s);
}

LiteratureResult result(const QString& answer)
{
    return LiteratureResult{answer, {}, {}, false, {}, {}, {}};
}

// A clock the test moves by hand.
struct ManualClock
{
    QDateTime now = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    InMemoryLiteratureCache::Clock function()
    {
        return [this] { return now; };
    }
};

// Shared work the test finishes or observes being cancelled.
struct FakeWork
{
    int started = 0;
    int cancelled = 0;
    InFlightLiteratureRequests::Completion finish;

    InFlightLiteratureRequests::Operation operation()
    {
        return [this](InFlightLiteratureRequests::Completion done) -> std::unique_ptr<InFlightTask> {
            ++started;
            finish = std::move(done);
            struct Task final : InFlightTask
            {
                FakeWork* work;
                explicit Task(FakeWork* w) : work(w) {}
                void cancel() override { ++work->cancelled; }
            };
            return std::make_unique<Task>(this);
        };
    }
};

// Counts how each caller was answered.
struct Answers
{
    QList<InFlightLiteratureRequests::Outcome> received;
    InFlightLiteratureRequests::Completion completion()
    {
        return [this](const InFlightLiteratureRequests::Outcome& o) { received.append(o); };
    }
};

} // namespace

TEST(LiteratureCacheKey, DigestOverTheNormalisedQueryAndScopes)
{
    const LiteratureCacheKey k =
        LiteratureCacheKey::make(query(u"Aspirin reduces fever."_s), endpoint, u"missing"_s);
    EXPECT_EQ(k.digest, u"b2c9d8283ce43c8560c7f281a9a8763f76198ddb328ffcbc60b257f3c46efa76"_s);
    EXPECT_EQ(k.description(), k.digest);

    const auto same = [](const LiteratureQuery& a, const LiteratureQuery& b,
                         const QString& scopeB = u"missing"_s) {
        return LiteratureCacheKey::make(a, endpoint, u"missing"_s) ==
               LiteratureCacheKey::make(b, endpoint, scopeB);
    };
    const QString s = u"Aspirin reduces fever."_s;
    EXPECT_TRUE(same(query(s, 10, true), query(s, 10, false)));
    EXPECT_TRUE(same(query(s, 10, true, 0), query(s, 10, true, 60)));
    EXPECT_TRUE(same(query(s, 30), query(s, 25)));
    EXPECT_TRUE(same(query(s, 0), query(s, 1)));
    EXPECT_TRUE(same(query(s), query(u"  Aspirin\n reduces\t\tfever. "_s)));
    EXPECT_TRUE(
        same(query(u"p53; MDM2, and ATM: a review"_s), query(u"p53\\; MDM2\\, and ATM\\: a review"_s)));
    // A sentence the validator refuses is still keyed, by its cleaned text.
    EXPECT_TRUE(same(query(u"short"_s), query(u"  short "_s)));
    EXPECT_FALSE(same(query(s, 10), query(s, 11)));
    EXPECT_FALSE(same(query(s), query(s), u"0123abcd"_s));
    EXPECT_NE(LiteratureCacheKey::make(query(s), endpoint, u"missing"_s),
              LiteratureCacheKey::make(query(s), u"https://other.example.org/cite"_s, u"missing"_s));
}

TEST(InMemoryLiteratureCache, LifetimesFollowTheClock)
{
    ManualClock clock;
    InMemoryLiteratureCache cache(20, clock.function());
    cache.insert(result(u"one"_s), key(u"a"_s), 1);
    clock.now = clock.now.addSecs(59);
    ASSERT_TRUE(cache.value(key(u"a"_s)).has_value());
    clock.now = clock.now.addSecs(1);
    EXPECT_FALSE(cache.value(key(u"a"_s)).has_value()) << "expired at exactly 60 seconds";
    EXPECT_EQ(cache.count(), 0) << "the expired entry was removed when looked up";

    cache.insert(result(u"zero"_s), key(u"b"_s), 0);
    cache.insert(result(u"negative"_s), key(u"c"_s), -1);
    EXPECT_EQ(cache.count(), 0);

    cache.insert(result(u"long"_s), key(u"d"_s), 90);
    clock.now = clock.now.addSecs(60 * 60 - 1);
    EXPECT_TRUE(cache.value(key(u"d"_s)).has_value());
    clock.now = clock.now.addSecs(1);
    EXPECT_FALSE(cache.value(key(u"d"_s)).has_value()) << "90 minutes are stored as 60";

    // A hit does not renew the entry.
    cache.insert(result(u"e"_s), key(u"e"_s), 1);
    clock.now = clock.now.addSecs(30);
    EXPECT_TRUE(cache.value(key(u"e"_s)).has_value());
    clock.now = clock.now.addSecs(30);
    EXPECT_FALSE(cache.value(key(u"e"_s)).has_value());
}

TEST(InMemoryLiteratureCache, StoresUncachedAndReadsCached)
{
    InMemoryLiteratureCache cache(20);
    LiteratureResult stored = result(u"x"_s);
    stored.isCached = true;
    cache.insert(stored, key(u"a"_s), 5);
    const std::optional<LiteratureResult> hit = cache.value(key(u"a"_s));
    ASSERT_TRUE(hit.has_value());
    EXPECT_TRUE(hit->isCached);
    LiteratureResult expected = stored;
    expected.isCached = true;
    EXPECT_EQ(*hit, expected);

    cache.removeValue(key(u"a"_s));
    EXPECT_EQ(cache.count(), 0);
    cache.insert(stored, key(u"b"_s), 5);
    cache.insert(stored, key(u"c"_s), 5);
    cache.removeAll();
    EXPECT_EQ(cache.count(), 0);
}

TEST(InMemoryLiteratureCache, EvictsTheOldestInsertion)
{
    const auto present = [](InMemoryLiteratureCache& cache, const QString& name) {
        return cache.value(key(name)).has_value();
    };
    {
        InMemoryLiteratureCache cache(2);
        cache.insert(result(u"A"_s), key(u"A"_s), 5);
        cache.insert(result(u"B"_s), key(u"B"_s), 5);
        EXPECT_TRUE(present(cache, u"A"_s)) << "a lookup does not protect A";
        cache.insert(result(u"C"_s), key(u"C"_s), 5);
        EXPECT_FALSE(present(cache, u"A"_s));
        EXPECT_TRUE(present(cache, u"B"_s));
        EXPECT_TRUE(present(cache, u"C"_s));
    }
    {
        InMemoryLiteratureCache cache(2);
        cache.insert(result(u"A"_s), key(u"A"_s), 5);
        cache.insert(result(u"B"_s), key(u"B"_s), 5);
        cache.insert(result(u"A2"_s), key(u"A"_s), 5); // replacing makes A the newest
        cache.insert(result(u"C"_s), key(u"C"_s), 5);
        EXPECT_FALSE(present(cache, u"B"_s));
        EXPECT_EQ(cache.value(key(u"A"_s))->answer, u"A2"_s);
        EXPECT_TRUE(present(cache, u"C"_s));
    }
    InMemoryLiteratureCache atLeastOne(0);
    atLeastOne.insert(result(u"A"_s), key(u"A"_s), 5);
    EXPECT_EQ(atLeastOne.count(), 1);
    atLeastOne.insert(result(u"B"_s), key(u"B"_s), 5);
    EXPECT_EQ(atLeastOne.count(), 1);
}

TEST(InFlightLiteratureRequests, JoinersShareOneRunAndEachIsAnsweredOnce)
{
    InFlightLiteratureRequests inFlight;
    FakeWork work;
    FakeWork unused;
    Answers first;
    Answers second;
    inFlight.result(key(u"a"_s), work.operation(), first.completion());
    inFlight.result(key(u"a"_s), unused.operation(), second.completion());
    EXPECT_EQ(work.started, 1);
    EXPECT_EQ(unused.started, 0) << "a joiner's operation is never called";
    EXPECT_EQ(inFlight.count(), 1);

    work.finish(result(u"shared"_s));
    ASSERT_EQ(first.received.size(), 1);
    ASSERT_EQ(second.received.size(), 1);
    EXPECT_EQ(first.received[0]->answer, u"shared"_s);
    EXPECT_EQ(second.received[0]->answer, u"shared"_s);
    EXPECT_EQ(inFlight.count(), 0);
    EXPECT_EQ(work.cancelled, 0);

    // A late second finish of the same run is dropped.
    work.finish(result(u"again"_s));
    EXPECT_EQ(first.received.size(), 1);

    // Failures are shared the same way, and the next query starts a new run.
    Answers third;
    inFlight.result(key(u"a"_s), work.operation(), third.completion());
    EXPECT_EQ(work.started, 2);
    work.finish(std::unexpected(LiteratureError::transport(u"offline"_s)));
    ASSERT_EQ(third.received.size(), 1);
    EXPECT_EQ(third.received[0].error(), LiteratureError::transport(u"offline"_s));
    EXPECT_EQ(inFlight.count(), 0);
}

TEST(InFlightLiteratureRequests, TheLastCallerToLeaveCancelsTheWork)
{
    InFlightLiteratureRequests inFlight;
    FakeWork work;
    Answers first;
    Answers second;
    const auto m1 = inFlight.result(key(u"a"_s), work.operation(), first.completion());
    const auto m2 = inFlight.result(key(u"a"_s), work.operation(), second.completion());

    inFlight.cancel(m1);
    ASSERT_EQ(first.received.size(), 1);
    EXPECT_EQ(first.received[0].error(), LiteratureError::cancelled());
    EXPECT_EQ(work.cancelled, 0) << "the other caller still waits";
    inFlight.cancel(m1);
    EXPECT_EQ(first.received.size(), 1) << "leaving twice answers once";

    work.finish(result(u"for the second"_s));
    ASSERT_EQ(second.received.size(), 1);
    EXPECT_EQ(second.received[0]->answer, u"for the second"_s);
    EXPECT_EQ(first.received.size(), 1);
    inFlight.cancel(m2);
    EXPECT_EQ(second.received.size(), 1) << "an answered caller cannot leave any more";

    // Both leave: the run is dropped and its work cancelled; its late outcome goes nowhere.
    Answers third;
    Answers fourth;
    const auto m3 = inFlight.result(key(u"b"_s), work.operation(), third.completion());
    const auto m4 = inFlight.result(key(u"b"_s), work.operation(), fourth.completion());
    inFlight.cancel(m3);
    inFlight.cancel(m4);
    EXPECT_EQ(work.cancelled, 1);
    EXPECT_EQ(inFlight.count(), 0);
    work.finish(result(u"late"_s));
    ASSERT_EQ(third.received.size(), 1);
    ASSERT_EQ(fourth.received.size(), 1);
    EXPECT_EQ(fourth.received[0].error(), LiteratureError::cancelled());

    // Different keys never share.
    Answers fifth;
    inFlight.result(key(u"c"_s), work.operation(), fifth.completion());
    inFlight.result(key(u"d"_s), work.operation(), fifth.completion());
    EXPECT_EQ(work.started, 4);
}
