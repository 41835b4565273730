// Citations per second over the real efetch records of tests/fixtures/pubmed: each of
// the five styles (as the HTML the clipboard gets), BibTeX and RIS, each call building
// the record from the reference as the cite panel does.
//   bench_citations PUBMED_FIXTURES_DIR [benchmark options]
// bench/citations_vs_citeproc.py runs it beside citeproc-js on the same records.

#include "citation/CitationExport.h"
#include "citation/CitationRecord.h"
#include "citation/CitationStyles.h"
#include "literature/LiteratureRecords.h"
#include "pubmed/PubMedArticleParser.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>

namespace {

QList<LiteratureReference> g_references;
const QDate accessDate(2024, 3, 5);

// Every record of every efetch document in dir, once per PMID, as the references the
// citation service would have returned with their PubMed records attached.
QList<LiteratureReference> loadReferences(const QString& dir)
{
    QList<LiteratureReference> out;
    QSet<QString> seen;
    const QDir folder(dir);
    for (const QString& name : folder.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const auto records = PubMedArticleParser::parse(file.readAll());
        if (!records)
            continue; // not an efetch document (for example an esearch answer)
        for (const ArticleMetadata& article : *records) {
            if (seen.contains(article.pmid))
                continue;
            seen.insert(article.pmid);
            LiteratureReference reference;
            reference.pmid = article.pmid;
            reference.title = article.title.value_or(QString());
            reference.article = article;
            out.append(reference);
        }
    }
    return out;
}

// Renders every reference once per iteration; items are citations.
void renderAll(benchmark::State& state, const std::function<qsizetype(const LiteratureReference&)>& render)
{
    qsizetype characters = 0;
    for (auto _ : state) {
        for (const LiteratureReference& reference : g_references)
            characters += render(reference);
    }
    benchmark::DoNotOptimize(characters);
    state.SetItemsProcessed(int64_t(state.iterations()) * g_references.size());
    state.counters["records"] = double(g_references.size());
}

void registerBenchmarks()
{
    for (const CitationFormatter::Style style : CitationFormatter::allStyles) {
        benchmark::RegisterBenchmark(
            ("Style/" + rawValue(style).toStdString()).c_str(),
            [style](benchmark::State& state) {
                renderAll(state, [style](const LiteratureReference& r) {
                    return CitationFormatter::formattedCitation(r, style, accessDate).html().size();
                });
            })
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("Export/BibTeX", [](benchmark::State& state) {
        renderAll(state, [](const LiteratureReference& r) { return CitationFormatter::bibtex(r).size(); });
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("Export/RIS", [](benchmark::State& state) {
        renderAll(state, [](const LiteratureReference& r) { return CitationFormatter::ris(r).size(); });
    })->Unit(benchmark::kMicrosecond);
    // The shared first step of every style and export: merging and normalising the record.
    benchmark::RegisterBenchmark("CitationRecord", [](benchmark::State& state) {
        renderAll(state, [](const LiteratureReference& r) { return CitationRecord(r).title.size(); });
    })->Unit(benchmark::kMicrosecond);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: bench_citations PUBMED_FIXTURES_DIR [benchmark options]\n");
        return 2;
    }
    g_references = loadReferences(QString::fromLocal8Bit(argv[1]));
    if (g_references.isEmpty()) {
        std::fprintf(stderr, "no efetch records in %s\n", argv[1]);
        return 1;
    }
    argv[1] = argv[0];
    --argc;
    ++argv;
    benchmark::Initialize(&argc, argv);
    registerBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
