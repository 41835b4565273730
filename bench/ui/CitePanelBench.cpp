// The cite panel's cost: from presentCite of a reference whose PubMed record is
// cached to the painted panel with all five styles drawn. The record comes once from
// the bundled efetch documents over local HTTPS; every round after that is cached.
// Offscreen (QT_QPA_PLATFORM=offscreen is set unless the environment names a platform).

#include "AppCoordinator.h"
#include "CitePanelController.h"
#include "CitePanelParts.h"
#include "CitePanelView.h"
#include "EfetchFixtures.h"
#include "FloatingPanel.h"
#include "Motion.h"
#include "TestCertificateAuthority.h"
#include "TestHttpsServer.h"
#include "service/LiteratureNetworking.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <benchmark/benchmark.h>

namespace {

class NoKeyStore final : public VORNAPIKeyStoring
{
public:
    std::expected<std::optional<QString>, VORNAPIKeyStoreError> loadAPIKey() override { return std::nullopt; }
    std::expected<void, VORNAPIKeyStoreError> saveAPIKey(const QString&) override { return {}; }
    std::expected<void, VORNAPIKeyStoreError> deleteAPIKey() override { return {}; }
};

LiteratureReference serviceReference()
{
    LiteratureReference r;
    r.pmid = QStringLiteral("26568896");
    r.title =
        QStringLiteral("Titanium Dioxide Nanoparticles are not Cytotoxic or Clastogenic in Human Skin Cells");
    r.authors = {QStringLiteral("Browning CL"), QStringLiteral("The T"), QStringLiteral("Mason MD"),
                 QStringLiteral("Wise JP Sr")};
    r.journal = QStringLiteral("J Environ Anal Toxicol");
    r.date = QStringLiteral("2014");
    return r;
}

void BM_PresentCachedReferenceToPaintedPanel(benchmark::State& state)
{
    auto fixtures = EfetchFixtures::load(QStringLiteral(VORN_DEMO_RECORDS_DIR));
    if (!fixtures) {
        state.SkipWithError(fixtures.error().toStdString().c_str());
        return;
    }
    TestHttpsServer server;
    server.setHandler([&](const TestHttpRequest& request) { return fixtures->answer(request); });
    if (!server.listen()) {
        state.SkipWithError("cannot start the local efetch service");
        return;
    }
    AppCoordinator::Dependencies deps;
    deps.articleService = std::make_shared<PubMedArticleService>(
        server.url(EfetchFixtures::path()),
        LiteratureNetworking::ephemeralSession(std::chrono::seconds(10),
                                               {TestCertificateAuthority::shared().caCertificate()}));
    AppCoordinator coordinator(std::make_shared<NoKeyStore>(), std::move(deps));
    auto controller = std::make_shared<CitePanelController>(coordinator);
    coordinator.setCitePanelController(controller);

    // Fill the cache once.
    coordinator.presentCite(serviceReference());
    if (!QTest::qWaitFor(
            [&] { return coordinator.citeDetailStatus().kind != CiteDetailStatus::Kind::loading; }, 15000) ||
        coordinator.citeDetailStatus().kind != CiteDetailStatus::Kind::fromPubMed) {
        state.SkipWithError("the details did not arrive");
        return;
    }
    coordinator.dismissCite();
    QApplication::processEvents();

    QImage image(CitePanelView::panelWidth, 700, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        coordinator.presentCite(serviceReference());
        QApplication::processEvents(); // the layout requests of the new boxes
        image.fill(Qt::transparent);
        QPainter painter(&image);
        controller->panel().render(&painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
        state.PauseTiming();
        coordinator.dismissCite();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["styles"] = double(controller->view().formatBoxes().size());
    coordinator.setCitePanelController(nullptr);
}
BENCHMARK(BM_PresentCachedReferenceToPaintedPanel)->Unit(benchmark::kMillisecond);

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
