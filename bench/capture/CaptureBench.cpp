// Latency of one accessibility capture of the known selection in the GTK 3 and Qt
// fixture applications, through AT-SPI on the headless desktop: 50 single
// captures each, reported as mean, median and worst. Beside it, 30 Copy-and-restore
// captures from the GTK fixture (XTest Ctrl+C, the copy settled, the clipboard put
// back), a fast application's copy.

#include "AccessibilityPermissionManager.h"
#include "AccessibilitySelectionProvider.h"
#include "AtspiAccessibilityTree.h"
#include "ClipboardCompatibilityCapturer.h"
#include "QtClipboardPasteboard.h"
#include "X11Workspace.h"
#include "XTestCopyCommandSender.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// Makes the fixture with this process id (from the environment variable) active.
bool activate(const char* pidVariable)
{
    const QString pid = qEnvironmentVariable(pidVariable);
    if (pid.isEmpty())
        return false;
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                  QStringLiteral("--pid"), pid, QStringLiteral("--name"), QStringLiteral("VORN")});
    if (!search.waitForFinished(10000))
        return false;
    const QString window = QString::fromUtf8(search.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
    QProcess activate;
    activate.start(QStringLiteral("xdotool"),
                   {QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
    return !window.isEmpty() && activate.waitForFinished(10000) && activate.exitCode() == 0;
}

std::shared_ptr<X11Desktop> sharedDesktop()
{
    static auto x11 = std::make_shared<X11Desktop>();
    return x11;
}

AccessibilitySelectionProvider& provider()
{
    static auto bus = std::make_shared<AccessibilityBusStatus>();
    static auto x11 = sharedDesktop();
    static AccessibilitySelectionProvider instance = [] {
        AccessibilitySelectionProvider::Environment env;
        env.accessibility = std::make_shared<AtspiAccessibilityTree>(x11, bus);
        env.applications = std::make_shared<X11Workspace>(x11);
        return AccessibilitySelectionProvider(std::make_shared<AccessibilityPermissionManager>(bus), env);
    }();
    return instance;
}

void captureLatency(benchmark::State& state, const char* pidVariable)
{
    if (!activate(pidVariable)) {
        state.SkipWithError("fixture not running: start the bench through tests/desktop/run-desktop.sh");
        return;
    }
    for (auto _ : state) {
        const SelectionCaptureResult result = provider().captureSelection();
        if (!result) {
            state.SkipWithError(result.error().diagnosticCode().toStdString().c_str());
            return;
        }
        benchmark::DoNotOptimize(result->context.selectedText.size());
    }
}

void clipboardCaptureLatency(benchmark::State& state)
{
    if (!activate("VORN_GTK_FIXTURE_PID")) {
        state.SkipWithError("fixture not running: start the bench through tests/desktop/run-desktop.sh");
        return;
    }
    auto workspace = std::make_shared<X11Workspace>(sharedDesktop());
    auto pasteboard = std::make_shared<QtClipboardPasteboard>();
    ClipboardCompatibilityCapturer::Environment env;
    env.pasteboard = std::make_shared<GeneralPasteboardAdapter>(pasteboard);
    env.commandSender = std::make_shared<XTestCopyCommandSender>(sharedDesktop());
    env.frontmostProcessIdentifier = [workspace] { return workspace->frontmostProcessIdentifier(); };
    ClipboardCompatibilityCapturer capturer(env);
    PasteboardWriteItem users;
    users.setString(QStringLiteral("The user's clipboard."), PasteboardType::string);
    pasteboard->writeObjects({users});
    const std::optional<SelectionSource> source = workspace->frontmostApplication();
    if (!source) {
        state.SkipWithError("no frontmost application");
        return;
    }
    for (auto _ : state) {
        QFutureWatcher<AsyncSelectionCaptureResult> watcher;
        QEventLoop loop;
        QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
        watcher.setFuture(capturer.capture(*source));
        if (!watcher.isFinished())
            loop.exec();
        if (!watcher.result()) {
            state.SkipWithError("capture failed");
            return;
        }
    }
}

double worst(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

} // namespace

BENCHMARK_CAPTURE(captureLatency, gtk3, "VORN_GTK_FIXTURE_PID")
    ->Iterations(1)
    ->Repetitions(50)
    ->ComputeStatistics("worst", worst)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(captureLatency, qt6, "VORN_QT_FIXTURE_PID")
    ->Iterations(1)
    ->Repetitions(50)
    ->ComputeStatistics("worst", worst)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK(clipboardCaptureLatency)
    ->Iterations(1)
    ->Repetitions(30)
    ->ComputeStatistics("worst", worst)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
