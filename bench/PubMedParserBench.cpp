// Throughput of the efetch reader on one large document (MB = 10^6 bytes per second):
//   bench_pubmed_parser FILE [benchmark options]
// bench/pubmed_vs_biopython.py writes the document (bench/make_large_pubmed.py) and runs
// Biopython on it too.

#include "pubmed/PubMedArticleParser.h"

#include <QFile>

#include <benchmark/benchmark.h>
#include <expat.h>
#include <sys/resource.h>

#include <cstdio>

namespace {

QByteArray g_document;

void setCounters(benchmark::State& state)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * g_document.size());
    state.counters["MB/s"] =
        benchmark::Counter(double(g_document.size()) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// The whole reader: expat events, field rules, records.
void PubMedArticleParserParse(benchmark::State& state)
{
    qsizetype records = 0;
    for (auto _ : state) {
        const auto result = PubMedArticleParser::parse(g_document);
        if (!result) {
            state.SkipWithError(result.error().errorDescription().toStdString().c_str());
            return;
        }
        records = result->size();
        benchmark::DoNotOptimize(result);
    }
    setCounters(state);
    state.counters["records"] = double(records);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    // Peak resident memory of the whole process, the document itself (held once) included.
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
}

// expat alone with no handlers: the ceiling for any reader built on it.
void ExpatBarePass(benchmark::State& state)
{
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        const XML_Status status = XML_Parse(parser, g_document.constData(), int(g_document.size()), XML_TRUE);
        XML_ParserFree(parser);
        if (status != XML_STATUS_OK) {
            state.SkipWithError("expat rejected the document");
            return;
        }
    }
    setCounters(state);
}

// A 7 MB document whose declared entity expands to an Author element, spaced so that
// the expansion stays within expat's amplification factor. Read as XML it gave a
// million authors (vorn-cite-cli parse-pubmed, debug build: 14 s, 512 MB peak); the
// reader refuses it at the declaration (the same command: 27 MB peak, input included).
void PubMedArticleParserRefusesEntityDocument(benchmark::State& state)
{
    QByteArray document = "<?xml version=\"1.0\"?>\n<!DOCTYPE PubmedArticleSet [<!ENTITY a "
                          "\"<Author><LastName>X</LastName></Author>\">]>\n<PubmedArticleSet><PubmedArticle>"
                          "<MedlineCitation><PMID>1</PMID><Article><AuthorList>";
    document += QByteArray("&a;    &a;    &a;    &a;    &a;   \n").repeated(200'000);
    document += "</AuthorList></Article></MedlineCitation></PubmedArticle></PubmedArticleSet>";
    for (auto _ : state) {
        const auto result = PubMedArticleParser::parse(document);
        if (result) {
            state.SkipWithError("the entity document was read");
            return;
        }
        benchmark::DoNotOptimize(result);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
}

} // namespace

BENCHMARK(PubMedArticleParserParse)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(PubMedArticleParserRefusesEntityDocument)->Unit(benchmark::kMicrosecond);
BENCHMARK(ExpatBarePass)->Unit(benchmark::kMillisecond)->MinTime(3.0);

int main(int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: bench_pubmed_parser FILE [benchmark options]\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    g_document = file.readAll();
    argv[1] = argv[0];
    --argc;
    ++argv;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
