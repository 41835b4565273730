// The result panel's cost for a result of 50 references with quotes: the time from the
// completed event to the painted panel, and the memory the panel's widgets take.
// Offscreen (QT_QPA_PLATFORM=offscreen is set unless the environment names a platform).

#include "DemoStates.h"
#include "Motion.h"
#include "ReferenceCard.h"
#include "ResultPanelController.h"
#include "ResultPanelParts.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

constexpr int referenceCount = 50;

// Resident memory of this process in KiB.
double residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4.0 : 0;
}

struct Panel
{
    std::shared_ptr<DemoStates::CannedBackend> backend = std::make_shared<DemoStates::CannedBackend>();
    std::unique_ptr<AppCoordinator> coordinator = DemoStates::makeCoordinator(backend);
    std::shared_ptr<ResultPanelController> controller = std::make_shared<ResultPanelController>(*coordinator);

    Panel()
    {
        coordinator->setResultPanelController(controller);
        backend->result = DemoStates::largeResult(referenceCount);
    }
    ~Panel() { coordinator->setResultPanelController(nullptr); }

    // From the query's completed event to the panel painted into image.
    void completeAndPaint(QImage& image, int round)
    {
        coordinator->run(LiteratureQuery{QStringLiteral("Sentence %1.").arg(round), {}}, std::nullopt);
        while (coordinator->phase() != ResultPanelPhase::completed)
            QApplication::processEvents();
        QApplication::processEvents(); // the layout requests of the new cards
        image.fill(Qt::transparent);
        QPainter painter(&image);
        controller->panel().render(&painter);
    }
};

void BM_CompletedResultToPaintedPanel(benchmark::State& state)
{
    Panel panel;
    QImage image(380, 560, QImage::Format_ARGB32_Premultiplied);
    int round = 0;
    for (auto _ : state) {
        panel.completeAndPaint(image, ++round);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["references"] = referenceCount;
    state.counters["cards"] = double(panel.controller->view().referenceList()->cards().size());
}
BENCHMARK(BM_CompletedResultToPaintedPanel)->Unit(benchmark::kMillisecond);

// Resident memory before and after the first result of 50 references is shown.
void BM_PanelMemory(benchmark::State& state)
{
    double added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Panel panel;
        panel.backend->result.reset(); // the panel shows, loading
        panel.coordinator->run(LiteratureQuery{QStringLiteral("Loading."), {}}, std::nullopt);
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        const double before = residentKiB();
        panel.backend->result = DemoStates::largeResult(referenceCount);
        QImage image(380, 560, QImage::Format_ARGB32_Premultiplied);
        state.ResumeTiming();
        panel.completeAndPaint(image, 1);
        state.PauseTiming();
        added = residentKiB() - before;
        state.ResumeTiming();
    }
    state.counters["panel_KiB"] = added;
}
BENCHMARK(BM_PanelMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Motion::setEnabled(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
