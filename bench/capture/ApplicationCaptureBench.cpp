// Warm accessibility captures in real applications from Debian, each started once
// with a document holding one sentence, everything selected: 30 captures in this
// one running process (median and worst), next to the first capture after the
// application started ("first_ms"). Applications that are not installed are
// skipped. Run it through run-application-bench.sh (a private headless desktop).

#include "AccessibilityPermissionManager.h"
#include "AccessibilitySelectionProvider.h"
#include "AtspiAccessibilityTree.h"
#include "X11Workspace.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>

namespace {

const QString sentence = QStringLiteral("Aspirin reduces fever in adults within one hour of the first dose.");

struct Application
{
    const char* name;
    QString program;
    QStringList arguments; // "%f" stands for the document
    QString document; // "txt" or "pdf"
};

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

QString documentFile(const QString& kind)
{
    const QString path = folder().filePath(QStringLiteral("sentence.") + kind);
    if (QFile::exists(path))
        return path;
    if (kind == u"pdf") {
        QPdfWriter pdf(path);
        pdf.setPageSize(QPageSize(QPageSize::A5));
        QPainter painter(&pdf);
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
        painter.drawText(QRectF(0, 0, pdf.width(), pdf.height()), Qt::TextWordWrap, sentence);
    } else {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(sentence.toUtf8() + '\n');
    }
    return path;
}

std::optional<QString> run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

std::shared_ptr<X11Desktop> x11()
{
    static auto desktop = std::make_shared<X11Desktop>();
    return desktop;
}

AccessibilitySelectionProvider& provider()
{
    static auto bus = std::make_shared<AccessibilityBusStatus>();
    static AccessibilitySelectionProvider instance = [] {
        AccessibilitySelectionProvider::Environment env;
        env.accessibility = std::make_shared<AtspiAccessibilityTree>(x11(), bus);
        env.applications = std::make_shared<X11Workspace>(x11());
        return AccessibilitySelectionProvider(std::make_shared<AccessibilityPermissionManager>(bus), env);
    }();
    return instance;
}

// A started application whose whole document is selected, and its first capture.
struct Prepared
{
    std::unique_ptr<QProcess> process;
    double firstMs = 0;
    QString error;
};

std::map<QString, Prepared>& prepared()
{
    static std::map<QString, Prepared> applications;
    return applications;
}

// Starts the application, waits for its window, activates it, selects everything
// and captures once, retrying while it is still starting (up to 30 s).
Prepared prepare(const Application& application)
{
    Prepared result;
    QStringList arguments = application.arguments;
    arguments.replaceInStrings(QStringLiteral("%f"), documentFile(application.document));
    result.process = std::make_unique<QProcess>();
    result.process->start(application.program, arguments);
    QElapsedTimer waited;
    waited.start();
    QString window;
    while (window.isEmpty() && waited.elapsed() < 30000) {
        QCoreApplication::processEvents();
        QThread::msleep(200);
        window =
            run(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--pid"), QString::number(result.process->processId()), QStringLiteral(".")})
                .value_or(QString())
                .section(u'\n', 0, 0)
                .trimmed();
    }
    if (window.isEmpty()) {
        result.error = QStringLiteral("no window");
        return result;
    }
    QThread::msleep(1500); // let the document load
    run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
    run(QStringLiteral("xdotool"),
        {QStringLiteral("key"), QStringLiteral("ctrl+a")}); // XTest: GTK ignores sent events
    QThread::msleep(300);
    QElapsedTimer first;
    first.start();
    SelectionCaptureResult captured = provider().captureSelection();
    result.firstMs = double(first.nsecsElapsed()) / 1e6;
    while (!captured && waited.elapsed() < 30000) {
        QThread::msleep(500);
        run(QStringLiteral("xdotool"),
            {QStringLiteral("key"), QStringLiteral("ctrl+a")}); // XTest: GTK ignores sent events
        first.restart();
        captured = provider().captureSelection();
        result.firstMs = double(first.nsecsElapsed()) / 1e6;
    }
    if (!captured)
        result.error = captured.error().diagnosticCode();
    else if (!captured->context.selectedText.contains(QStringLiteral("Aspirin")))
        result.error = QStringLiteral("unexpected selection");
    return result;
}

void warmCapture(benchmark::State& state, const Application& application)
{
    if (QStandardPaths::findExecutable(application.program).isEmpty()) {
        state.SkipWithError("not installed");
        return;
    }
    const QString name = QString::fromLatin1(application.name);
    auto found = prepared().find(name);
    if (found == prepared().end())
        found = prepared().emplace(name, prepare(application)).first;
    if (!found->second.error.isEmpty()) {
        state.SkipWithError(found->second.error.toStdString().c_str());
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
    state.counters["first_ms"] = found->second.firstMs;
}

double worst(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    static const Application applications[] = {
        {"mousepad", QStringLiteral("mousepad"), {QStringLiteral("%f")}, QStringLiteral("txt")},
        {"featherpad_qt5", QStringLiteral("featherpad"), {QStringLiteral("%f")}, QStringLiteral("txt")},
        {"evince", QStringLiteral("evince"), {QStringLiteral("%f")}, QStringLiteral("pdf")},
        {"libreoffice_writer",
         QStringLiteral("soffice"),
         {QStringLiteral("--writer"), QStringLiteral("%f")},
         QStringLiteral("txt")},
        {"chromium",
         QStringLiteral("chromium"),
         {QStringLiteral("--force-renderer-accessibility"), QStringLiteral("--no-first-run"),
          QStringLiteral("%f")},
         QStringLiteral("txt")},
        {"firefox_esr", QStringLiteral("firefox-esr"), {QStringLiteral("%f")}, QStringLiteral("txt")},
    };
    for (const Application& application : applications) {
        benchmark::RegisterBenchmark(application.name, warmCapture, application)
            ->Iterations(1)
            ->Repetitions(30)
            ->ComputeStatistics("worst", worst)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (auto& [name, application] : prepared()) {
        if (application.process) {
            application.process->kill();
            application.process->waitForFinished(5000);
        }
    }
    return 0;
}
