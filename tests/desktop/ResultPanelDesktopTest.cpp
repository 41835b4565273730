// The result panel and the report copies on the headless desktop: a real X server,
// window manager and GTK application, and the X11 clipboard read back by xclip.

#include "AppCoordinator.h"
#include "DesktopFixtures.h"
#include "FloatingPanel.h"
#include "Motion.h"
#include "QtClipboardPasteboard.h"
#include "ResultPanelController.h"
#include "X11Compositing.h"
#include "X11Desktop.h"

#include "citation/LiteratureReportFormatter.h"
#include "support/FakeKeyStore.h"

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>

#include <gtest/gtest.h>

using namespace DesktopFixtures;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int waitMs = 10000;

// Finishes every query at once with the result it holds.
class CannedBackend final : public LiteratureBackend
{
public:
    LiteratureResult result;
    std::unique_ptr<LiteratureQueryStream> query(const LiteratureQuery&) override
    {
        auto [stream, sink] = LiteratureQueryStream::create();
        sink.complete(result);
        sink.finish();
        return std::move(stream);
    }
};

LiteratureResult sampleResult()
{
    LiteratureResult result;
    result.answer = u"Short sleep is linked to higher blood pressure \u2014 in several cohorts."_s;
    for (int i = 1; i <= 3; ++i) {
        LiteratureReference r;
        r.pmid = QString::number(26568895 + i);
        r.title = u"Sleep & blood pressure <study> "_s + QString::number(i);
        r.authors = {u"M\u00FCller A"_s, u"Smith J"_s};
        r.journal = u"Sleep Med"_s;
        r.date = u"2015"_s;
        r.evidence = {LiteratureEvidence{u"Short sleep raised the risk of hypertension."_s, std::nullopt}};
        result.references.append(r);
    }
    return result;
}

// One target of the clipboard as another X11 client reads it; the event loop runs
// meanwhile, so this process can answer as the clipboard's owner.
std::optional<QByteArray> readWithXclip(const QString& target)
{
    QProcess xclip;
    xclip.start(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"clipboard"_s, u"-t"_s, target});
    if (!QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, waitMs) ||
        xclip.exitStatus() != QProcess::NormalExit || xclip.exitCode() != 0)
        return std::nullopt;
    return xclip.readAllStandardOutput();
}

class ResultPanelDesktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (pid(Toolkit::gtk) == 0 || qEnvironmentVariable("DISPLAY").isEmpty())
            GTEST_SKIP() << "needs the headless desktop of tests/desktop/run-desktop.sh";
        Motion::setEnabled(false);
        backend->result = sampleResult();
        AppCoordinator::Dependencies deps;
        deps.backendFactory = [this](const QString&) { return backend; };
        deps.pasteboard = pasteboard;
        deps.articleService = std::make_shared<PubMedArticleService>(
            QUrl(u"https://127.0.0.1:9/efetch.fcgi"_s), std::chrono::seconds(1));
        coordinator = std::make_unique<AppCoordinator>(std::make_shared<FakeKeyStore>(), deps);
        controller = std::make_shared<ResultPanelController>(*coordinator);
        coordinator->setResultPanelController(controller);
    }

    void TearDown() override
    {
        if (controller)
            controller->hide();
        if (coordinator)
            coordinator->setResultPanelController(nullptr);
    }

    void completeQuery(const std::optional<ScreenRect>& anchor)
    {
        coordinator->run(LiteratureQuery{u"Short sleep raises blood pressure."_s, {}}, anchor);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return coordinator->phase() == ResultPanelPhase::completed; }, waitMs));
    }

    std::shared_ptr<CannedBackend> backend = std::make_shared<CannedBackend>();
    std::shared_ptr<QtClipboardPasteboard> pasteboard = std::make_shared<QtClipboardPasteboard>();
    std::unique_ptr<AppCoordinator> coordinator;
    std::shared_ptr<ResultPanelController> controller;
    X11Desktop x11;
};

} // namespace

TEST_F(ResultPanelDesktop, ShowingThePanelLeavesTheUsersWindowActive)
{
    ASSERT_TRUE(activate(Toolkit::gtk));
    const std::optional<X11Desktop::Window> before = x11.activeWindow();
    ASSERT_TRUE(before.has_value());

    // The anchor: the fixture's window, in desktop space (one screen, scale 1).
    const std::optional<QRect> fixture = windowGeometry(Toolkit::gtk);
    ASSERT_TRUE(fixture.has_value());
    QScreen* primary = QGuiApplication::primaryScreen();
    const ScreenRect anchor = ResultPanelController::toDesktop(*fixture, primary->geometry());
    completeQuery(anchor);

    FloatingKeyablePanel& panel = controller->panel();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel, waitMs));
    QTest::qWait(300); // room for the window manager to (wrongly) hand over the focus
    EXPECT_EQ(x11.activeWindow(), before) << "_NET_ACTIVE_WINDOW moved to the panel";
    EXPECT_FALSE(panel.isActiveWindow());

    // On the anchor's screen, in its top-right corner.
    QScreen* anchorScreen = QGuiApplication::screenAt(fixture->center());
    ASSERT_NE(anchorScreen, nullptr);
    EXPECT_EQ(panel.screen(), anchorScreen);
    const QRect visible = anchorScreen->availableGeometry();
    const QPoint corner(visible.right() + 1 - 16 - 380, visible.top() + 16);
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.frameGeometry().topLeft() == corner; }, waitMs))
        << "panel at " << panel.frameGeometry().x() << "," << panel.frameGeometry().y();
    const std::optional<QRect> mapped = x11.windowGeometry(X11Desktop::Window(panel.winId()));
    ASSERT_TRUE(mapped.has_value());
    EXPECT_EQ(mapped->topLeft(), corner) << "where the X server has the window";
}

TEST_F(ResultPanelDesktop, AClickActivatesThePanelAndEscapeHidesIt)
{
    ASSERT_TRUE(activate(Toolkit::gtk));
    completeQuery(std::nullopt);
    FloatingKeyablePanel& panel = controller->panel();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel, waitMs));
    QTest::qWait(200);

    // A click on the header, as the user's pointer would do it.
    const QPoint header = panel.mapToGlobal(QPoint(120, 20));
    QProcess::execute(u"xdotool"_s, {u"mousemove"_s, u"--sync"_s, QString::number(header.x()),
                                     QString::number(header.y()), u"click"_s, u"1"_s});
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel.isActiveWindow(); }, waitMs))
        << "the click did not activate it";
    QProcess::execute(u"xdotool"_s, {u"key"_s, u"Escape"_s});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel.isVisible(); }, waitMs));
    EXPECT_FALSE(coordinator->isResultPanelVisible());
}

TEST_F(ResultPanelDesktop, RichReportIsOneChangeWithHtmlThenPlainText)
{
    completeQuery(std::nullopt);
    const LiteratureResult& result = *coordinator->result();
    const bool evidence = coordinator->settings().includeEvidence();
    const QByteArray html = LiteratureReportFormatter::html(result, evidence).toUtf8();
    const QByteArray plain = LiteratureReportFormatter::plainText(result, evidence).toUtf8();

    const qint64 before = pasteboard->changeCount();
    coordinator->copyRichReport();
    QTest::qWait(300);
    EXPECT_EQ(pasteboard->changeCount(), before + 1) << "one copy, one ownership change";

    // The targets other clients see: HTML, then the plain text (X11's generic text
    // targets are names of that same plain text; the rest is the protocol's own).
    const std::optional<QByteArray> targets = readWithXclip(u"TARGETS"_s);
    ASSERT_TRUE(targets.has_value());
    const QStringList plainAliases = {u"text/plain"_s, u"UTF8_STRING"_s, u"STRING"_s, u"TEXT"_s,
                                      u"COMPOUND_TEXT"_s};
    QStringList content;
    for (const QByteArray& line : targets->split('\n')) {
        const QString target = QString::fromUtf8(line.trimmed());
        if (target.isEmpty() || QtClipboardPasteboard::isPseudoTarget(target) ||
            plainAliases.contains(target))
            continue;
        content.append(target);
    }
    EXPECT_EQ(content, (QStringList{PasteboardType::html, PasteboardType::string}))
        << "targets: " << targets->toStdString();

    EXPECT_EQ(readWithXclip(PasteboardType::html), html);
    EXPECT_EQ(readWithXclip(PasteboardType::string), plain);
    EXPECT_EQ(readWithXclip(u"UTF8_STRING"_s), plain);

    // The plain copy leaves the plain text alone.
    coordinator->copyPlainReport();
    QTest::qWait(200);
    EXPECT_EQ(readWithXclip(PasteboardType::string), plain);
    const std::optional<QByteArray> plainTargets = readWithXclip(u"TARGETS"_s);
    ASSERT_TRUE(plainTargets.has_value());
    EXPECT_FALSE(plainTargets->contains("text/html")) << plainTargets->toStdString();
}

TEST_F(ResultPanelDesktop, RoundedCornersAreMaskedUnlessACompositorRuns)
{
    FloatingKeyablePanel::setCompositingProbe(&X11Compositing::isActive);
    ASSERT_FALSE(X11Compositing::isActive()) << "the headless desktop runs no compositor";
    completeQuery(std::nullopt);
    FloatingKeyablePanel& panel = controller->panel();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel, waitMs));
    EXPECT_FALSE(panel.mask().contains(QPoint(0, 0))) << "the corner is cut";
    EXPECT_TRUE(panel.mask().contains(panel.rect().center()));

    // A compositing manager announces itself by owning _NET_WM_CM_S0.
    auto* x11App = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11App, nullptr);
    xcb_connection_t* connection = x11App->connection();
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 13, "_NET_WM_CM_S0"), nullptr);
    ASSERT_NE(atom, nullptr);
    const xcb_atom_t selection = atom->atom;
    std::free(atom);
    QWidget owner;
    xcb_set_selection_owner(connection, xcb_window_t(owner.winId()), selection, XCB_CURRENT_TIME);
    xcb_flush(connection);
    EXPECT_TRUE(X11Compositing::isActive());
    controller->hide();
    completeQuery(std::nullopt);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel, waitMs));
    EXPECT_TRUE(panel.mask().isEmpty()) << "composited: the corners are transparent, no mask";

    xcb_set_selection_owner(connection, XCB_NONE, selection, XCB_CURRENT_TIME);
    xcb_flush(connection);
    EXPECT_FALSE(X11Compositing::isActive());
    FloatingKeyablePanel::setCompositingProbe({});
}
