// The cite client's costs: parsing a 2 MiB response beside merely decoding the same
// bytes (the ratio is the figure), a cache hit, and 100 identical concurrent queries
// that cost one service call.
#include "service/VORNBackendStack.h"
#include "service/VORNResponseParser.h"

#include "TestHttpsServer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>

#include <benchmark/benchmark.h>

#include <map>

namespace {

using namespace Qt::Literals::StringLiterals;

// 25 references, each with a hundred evidence quotes, as a generous service might send
// them: about 2 MiB.
const QByteArray& citeResponse()
{
    static const QByteArray body = [] {
        const QByteArray quote =
            "In a randomised,  double-blind trial of 1,204 adults,\\n acetylsalicylic acid (ASA) lowered "
            "core "
            "temperature by 0.8 \\u00b0C within two hours compared with placebo (p < 0.001); the effect "
            "persisted "
            "at six hours and was independent of baseline fever,   age and sex. Adverse events were mild and "
            "comparable between groups, with gastrointestinal discomfort the most frequent complaint. ";
        QByteArray out = R"({"status":"ok","answer":"Aspirin reduces fever in adults.","references":[)";
        for (int r = 0; r < 25; ++r) {
            out += r ? "," : "";
            out += R"({"pmid":")" + QByteArray::number(31000000 + r) +
                   R"(","title":"Antipyretic efficacy of aspirin in adults: a randomised trial","authors":)"
                   R"(["Smith J","Müller K","García L","Chen W"],"journal":"The Lancet","year":2019,)"
                   R"("n_citation":)" +
                   QByteArray::number(100 + r) + R"(,"why":"Direct trial evidence.","evidence":[)";
            for (int e = 0; e < 100; ++e) {
                out += e ? "," : "";
                out += R"({"quote":")" + quote + quote + R"(","context_type":"abstract"})";
            }
            out += "]}";
        }
        out += R"(],"diagnostics":{"elapsed_ms":1530}})";
        return out;
    }();
    return body;
}

void BM_ParseCiteResponse(benchmark::State& state)
{
    const QByteArray& body = citeResponse();
    const LiteratureQueryOptions options{25, true, 15};
    for (auto _ : state) {
        auto result = VORNResponseParser::parse(body, options);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
    state.counters["bytes"] = double(body.size());
}
BENCHMARK(BM_ParseCiteResponse)->Unit(benchmark::kMillisecond);

void BM_DecodeJsonOnly(benchmark::State& state)
{
    const QByteArray& body = citeResponse();
    for (auto _ : state) {
        QJsonDocument document = QJsonDocument::fromJson(body);
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(BM_DecodeJsonOnly)->Unit(benchmark::kMillisecond);

const QString endpointScope = u"https://vorn.example.org/reorg-api/api/v1/api-key-agent/cite"_s;
const QString sentence = u"Aspirin reduces fever in adults."_s;

void BM_CacheHit(benchmark::State& state)
{
    InMemoryLiteratureCache cache(VORNBackendStack::cacheEntries);
    const LiteratureResult result = *VORNResponseParser::parse(citeResponse(), {25, true, 15});
    for (int i = 0; i < VORNBackendStack::cacheEntries; ++i) {
        const LiteratureQuery q{sentence + u' ' + QString::number(i), {5, true, 15}};
        cache.insert(result, LiteratureCacheKey::make(q, endpointScope, u"missing"_s), 15);
    }
    const LiteratureQuery query{sentence + u" 7"_s, {5, true, 15}};
    for (auto _ : state) {
        // What a cached query costs before its event is queued: the key and the lookup.
        auto hit = cache.value(LiteratureCacheKey::make(query, endpointScope, u"missing"_s));
        benchmark::DoNotOptimize(hit);
    }
}
BENCHMARK(BM_CacheHit);

void BM_HundredIdenticalQueries(benchmark::State& state)
{
    TestHttpsServer server;
    if (!server.listen()) {
        state.SkipWithError("cannot listen");
        return;
    }
    const QByteArray answer = R"({"status":"ok","answer":"Yes.","references":[{"pmid":"123","title":"T"}]})";
    server.setHandler([&](const TestHttpRequest&) { return TestHttpResponse::json(200, answer); });
    auto backend =
        VORNBackendStack::make(server.url().toString(), [](auto completion) { completion(u"vorn_bench"_s); },
                               std::make_shared<InMemoryLiteratureCache>(VORNBackendStack::cacheEntries),
                               std::make_shared<InFlightLiteratureRequests>(), u"missing"_s,
                               {TestCertificateAuthority::shared().caCertificate()});
    // A lifetime of 0 keeps the cache out: every round goes to the service.
    const LiteratureQuery query{sentence, {5, true, 0}};
    for (auto _ : state) {
        int ended = 0;
        QEventLoop loop;
        std::vector<std::unique_ptr<LiteratureQueryStream>> streams;
        for (int i = 0; i < 100; ++i) {
            streams.push_back(backend->query(query));
            const auto end = [&] {
                if (++ended == 100)
                    loop.quit();
            };
            QObject::connect(streams.back().get(), &LiteratureQueryStream::finished, &loop, end);
            QObject::connect(streams.back().get(), &LiteratureQueryStream::failed, &loop, end);
        }
        loop.exec();
    }
    state.counters["service_calls_per_100_queries"] =
        benchmark::Counter(double(server.requestCount()) / double(state.iterations()));
}
BENCHMARK(BM_HundredIdenticalQueries)->Unit(benchmark::kMillisecond);

// Prints the usual table, then the parse-to-decode ratio.
class RatioReporter final : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            m_realTime[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto parse = m_realTime.find("BM_ParseCiteResponse");
        const auto decode = m_realTime.find("BM_DecodeJsonOnly");
        if (parse != m_realTime.end() && decode != m_realTime.end() && decode->second > 0)
            std::printf("parse / bare QJsonDocument decode: %.2fx\n", parse->second / decode->second);
    }

private:
    std::map<std::string, double> m_realTime;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
