// Selection capture on real GTK 3 and Qt applications, through the accessibility
// bus of the headless desktop (tests/desktop/run-desktop.sh).

#include "AccessibilityPermissionManager.h"
#include "AccessibilitySelectionProvider.h"
#include "AtspiAccessibilityTree.h"
#include "DesktopFixtures.h"
#include "X11Workspace.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <signal.h>

using namespace DesktopFixtures;

namespace {

// The GTK fixture is known to the desktop through an entry that names its window
// class; the Qt fixture has none and is named after its window class.
void installGtkDesktopEntry()
{
    const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
    QDir().mkpath(folder);
    QFile entry(folder + QStringLiteral("/org.example.VornGtkFixture.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=VORN GTK Fixture\nExec=false\n"
                "StartupWMClass=VornGtkFixture\n");
}

struct Expected
{
    Toolkit toolkit;
    QString name;
    std::optional<QString> bundle;
};

const Expected fixtures[] = {
    {Toolkit::gtk, QStringLiteral("VORN GTK Fixture"), QStringLiteral("org.example.VornGtkFixture")},
    {Toolkit::qt, QStringLiteral("vorn-qt-fixture"), QStringLiteral("vorn-qt-fixture")},
};

class CaptureDesktop : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { installGtkDesktopEntry(); }

    void SetUp() override
    {
        if (pid(Toolkit::gtk) == 0 || pid(Toolkit::qt) == 0)
            GTEST_SKIP() << "needs the fixtures of tests/desktop/run-desktop.sh";
        auto bus = std::make_shared<AccessibilityBusStatus>();
        ASSERT_TRUE(bus->isTrusted()) << "accessibility is off on this desktop";
        auto x11 = std::make_shared<X11Desktop>();
        ASSERT_TRUE(x11->isConnected());
        workspace = std::make_shared<X11Workspace>(x11);
        tree = std::make_shared<AtspiAccessibilityTree>(x11, bus);
        AccessibilitySelectionProvider::Environment env;
        env.accessibility = tree;
        env.applications = workspace;
        provider = std::make_unique<AccessibilitySelectionProvider>(
            std::make_shared<AccessibilityPermissionManager>(bus), env);
    }

    // A native rectangle in desktop space (Xvfb runs at one native pixel per point).
    static ScreenRect desktopRect(const QRect& native)
    {
        return AccessibilitySelectionProvider::desktopRect(
            QRectF(native), QRectF(QGuiApplication::primaryScreen()->geometry()));
    }

    std::shared_ptr<X11Workspace> workspace;
    std::shared_ptr<AtspiAccessibilityTree> tree;
    std::unique_ptr<AccessibilitySelectionProvider> provider;
};

} // namespace

TEST_F(CaptureDesktop, TextAreaSelectionIsCapturedWithItsApplicationAndBounds)
{
    for (const Expected& fixture : fixtures) {
        SCOPED_TRACE(toolkitName(fixture.toolkit).toStdString());
        ASSERT_TRUE(prepareKnownSelection(fixture.toolkit));
        const SelectionCaptureResult result = provider->captureSelection();
        ASSERT_TRUE(result) << result.error().diagnosticCode().toStdString();
        EXPECT_EQ(result->context.selectedText, knownSelection(fixture.toolkit));
        EXPECT_EQ(result->sourceProcessIdentifier, pid(fixture.toolkit));
        EXPECT_EQ(result->context.sourceApplicationName, fixture.name);
        EXPECT_EQ(result->context.sourceBundleIdentifier, fixture.bundle);
        EXPECT_EQ(result->context.captureMethod, SelectionCaptureMethod::accessibility);

        ASSERT_TRUE(result->context.bounds.has_value());
        const ScreenRect bounds = *result->context.bounds;
        const ScreenRect window = desktopRect(*windowGeometry(fixture.toolkit));
        EXPECT_GT(bounds.width, 0);
        EXPECT_GT(bounds.height, 0);
        EXPECT_GE(bounds.x, window.x);
        EXPECT_GE(bounds.y, window.y);
        EXPECT_LE(bounds.x + bounds.width, window.x + window.width);
        EXPECT_LE(bounds.y + bounds.height, window.y + window.height);
    }
}

TEST_F(CaptureDesktop, FocusedPasswordFieldIsRefused)
{
    for (const Expected& fixture : fixtures) {
        SCOPED_TRACE(toolkitName(fixture.toolkit).toStdString());
        ASSERT_TRUE(activate(fixture.toolkit));
        ASSERT_TRUE(focus(fixture.toolkit, passwordName));
        select(fixture.toolkit, passwordName, 0, 7); // where the toolkit allows it
        EXPECT_EQ(provider->captureSelection().error(), SelectionCaptureError::secureField());
    }
}

TEST_F(CaptureDesktop, ApplicationWithNothingSelectedIsNamed)
{
    for (const Expected& fixture : fixtures) {
        SCOPED_TRACE(toolkitName(fixture.toolkit).toStdString());
        ASSERT_TRUE(activate(fixture.toolkit));
        ASSERT_TRUE(focus(fixture.toolkit, textAreaName));
        ASSERT_TRUE(clearSelection(fixture.toolkit, textAreaName));
        const SelectionCaptureResult result = provider->captureSelection();
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), SelectionCaptureError::selectionUnavailable(
                                      SelectionSource{pid(fixture.toolkit), fixture.name, fixture.bundle}));
    }
}

TEST_F(CaptureDesktop, FrontmostApplicationIsTheActiveWindowsOwner)
{
    for (const Expected& fixture : fixtures) {
        ASSERT_TRUE(activate(fixture.toolkit));
        EXPECT_EQ(workspace->frontmostApplication(),
                  (SelectionSource{pid(fixture.toolkit), fixture.name, fixture.bundle}));
    }
}

TEST_F(CaptureDesktop, StoppedApplicationEndsTheCaptureWithinOneTimeoutOfTheBudget)
{
    for (const Expected& fixture : fixtures) {
        SCOPED_TRACE(toolkitName(fixture.toolkit).toStdString());
        ASSERT_TRUE(prepareKnownSelection(fixture.toolkit));
        ASSERT_EQ(::kill(pid(fixture.toolkit), SIGSTOP), 0);
        const auto resume = qScopeGuard([&] { ::kill(pid(fixture.toolkit), SIGCONT); });
        QElapsedTimer elapsed;
        elapsed.start();
        const SelectionCaptureResult result = provider->captureSelection();
        EXPECT_LT(elapsed.elapsed(), 2000) << "1.5 s budget plus one 0.5 s call timeout";
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().kind(), SelectionCaptureError::Kind::selectionUnavailable);
    }
}

TEST_F(CaptureDesktop, RolesAndGesturesOnRealWidgets)
{
    ASSERT_TRUE(activate(Toolkit::gtk));
    ASSERT_TRUE(focus(Toolkit::gtk, textAreaName));
    EXPECT_FALSE(provider->focusedElementIsItemContainer());

    const AXResult<AXValue> focused =
        tree->copyAttributeValue(tree->systemWideElement(), AXAttribute::focusedUIElement);
    ASSERT_TRUE(focused);
    const auto element = std::get<AccessibilityElement>(*focused);
    const AXResult<AXValue> role = tree->copyAttributeValue(element, AXAttribute::role);
    ASSERT_TRUE(role);
    EXPECT_EQ(std::get<QString>(*role), QStringLiteral("AXTextArea"));
    EXPECT_EQ(tree->pid(element), pid(Toolkit::gtk));

    // A drag inside the text area lands in content; one from it into the field does not.
    const QRect area = *extents(Toolkit::gtk, textAreaName);
    const QRect field = *extents(Toolkit::gtk, fieldName);
    const auto desktopPoint = [&](QPoint native) {
        const ScreenRect r = desktopRect(QRect(native, QSize(0, 0)));
        return QPointF(r.x, r.y);
    };
    EXPECT_TRUE(provider->gestureLandsInContent(desktopPoint(area.topLeft() + QPoint(10, 10)),
                                                desktopPoint(area.center())));
    EXPECT_FALSE(provider->gestureLandsInContent(desktopPoint(area.center()), desktopPoint(field.center())));
}

TEST_F(CaptureDesktop, WindowWithoutFocusedElementOffersNoSelection)
{
    // The window's only text area holds a selection but cannot take the focus: what
    // it holds is not what the user points at now, so nothing is read from it.
    StartedApplication unfocused(qtFixtureProgram(), {QStringLiteral("--unfocused")});
    ASSERT_TRUE(unfocused.waitForWindow());
    ASSERT_TRUE(unfocused.activate());
    const SelectionCaptureResult result = provider->captureSelection();
    ASSERT_FALSE(result) << result->context.selectedText.toStdString();
    EXPECT_EQ(result.error().kind(), SelectionCaptureError::Kind::selectionUnavailable);
    EXPECT_EQ(result.error().source()->processIdentifier, unfocused.pid());
}

TEST_F(CaptureDesktop, EmbeddedObjectNeverReachesTheCapturedText)
{
    StartedApplication embedded(qtFixtureProgram(), {QStringLiteral("--embedded")});
    ASSERT_TRUE(embedded.waitForWindow());
    ASSERT_TRUE(embedded.activate());
    const SelectionCaptureResult result = provider->captureSelection();
    ASSERT_TRUE(result) << result.error().diagnosticCode().toStdString();
    EXPECT_FALSE(result->context.selectedText.contains(QChar(0xFFFC)));
    EXPECT_EQ(result->context.selectedText, DesktopFixtureTexts::embeddedParts().join(QString()));
    EXPECT_EQ(result->sourceProcessIdentifier, embedded.pid());
}
