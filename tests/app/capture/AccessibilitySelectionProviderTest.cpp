#include "AccessibilitySelectionProvider.h"
#include "ScriptedAccessibilityTree.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using NodeId = ScriptedAccessibilityTree::NodeId;

namespace {

class FakePermission final : public AccessibilityPermissionManaging
{
public:
    bool trusted = true;
    bool isTrusted() const override { return trusted; }
    bool checkTrust(bool) override { return trusted; }
    void openAccessibilitySettings() override {}
};

class FakeApplications final : public RunningApplicationsProviding
{
public:
    std::optional<SelectionSource> frontmost =
        SelectionSource{4242, QStringLiteral("Editor"), QStringLiteral("org.example.Editor")};
    std::optional<SelectionSource> frontmostApplication() override { return frontmost; }
    SelectionSource application(qint32 pid) override
    {
        if (pid == 4242)
            return SelectionSource{pid, QStringLiteral("Editor"), QStringLiteral("org.example.Editor")};
        return SelectionSource{pid, std::nullopt, std::nullopt};
    }
};

class ProviderTest : public ::testing::Test
{
protected:
    std::shared_ptr<ScriptedAccessibilityTree> tree = std::make_shared<ScriptedAccessibilityTree>();
    std::shared_ptr<FakePermission> permission = std::make_shared<FakePermission>();
    std::shared_ptr<FakeApplications> applications = std::make_shared<FakeApplications>();
    std::chrono::steady_clock::time_point now{};
    std::optional<QRectF> screen = QRectF(0, 0, 1440, 900);
    const QDateTime capturedAt = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC);

    // application > window > scroll area > text area (focused)
    NodeId app = tree->add(QStringLiteral("AXApplication"));
    NodeId window = tree->add(QStringLiteral("AXWindow"), app);
    NodeId scroll = tree->add(QStringLiteral("AXScrollArea"), window);
    NodeId area = tree->add(QStringLiteral("AXTextArea"), scroll);

    void SetUp() override { tree->focused = area; }

    AccessibilitySelectionProvider provider()
    {
        AccessibilitySelectionProvider::Environment env;
        env.accessibility = tree;
        env.applications = applications;
        env.monotonicClock = [this] { return now; };
        env.wallClock = [this] { return capturedAt; };
        env.primaryScreen = [this] { return screen; };
        return AccessibilitySelectionProvider(permission, env);
    }

    SelectionCaptureResult capture(DescendantSearch level = DescendantSearch::thorough)
    {
        return provider().captureSelection(level);
    }
};

SelectionSource editor()
{
    return SelectionSource{4242, QStringLiteral("Editor"), QStringLiteral("org.example.Editor")};
}

} // namespace

TEST_F(ProviderTest, FocusedSelectionBecomesTheCompleteRecord)
{
    tree->select(area, QStringLiteral("  Aspirin reduces fever.\n"));
    tree->node(area).rangeBounds = QRectF(100, 50, 200, 20);
    const SelectionCaptureResult result = capture();
    ASSERT_TRUE(result) << result.error().diagnosticCode().toStdString();
    EXPECT_EQ(result->sourceProcessIdentifier, 4242);
    const SelectionContext& context = result->context;
    EXPECT_EQ(context.selectedText, QStringLiteral("  Aspirin reduces fever.\n")) << "text is kept as read";
    EXPECT_EQ(context.sourceApplicationName, QStringLiteral("Editor"));
    EXPECT_EQ(context.sourceBundleIdentifier, QStringLiteral("org.example.Editor"));
    EXPECT_EQ(context.bounds, (ScreenRect{100, 830, 200, 20}));
    EXPECT_FALSE(context.isEditable);
    EXPECT_EQ(context.captureMethod, SelectionCaptureMethod::accessibility);
    EXPECT_EQ(context.capturedAt, capturedAt);
    EXPECT_EQ(tree->messagingTimeout, 0.5);
}

TEST_F(ProviderTest, BoundsConvertToDesktopSpaceOfThePrimaryScreen)
{
    EXPECT_EQ(AccessibilitySelectionProvider::desktopRect(QRectF(100, 50, 200, 20), QRectF(0, 0, 1440, 900)),
              (ScreenRect{100, 830, 200, 20}));
    // A primary screen that does not start at the origin.
    EXPECT_EQ(
        AccessibilitySelectionProvider::desktopRect(QRectF(100, 50, 200, 20), QRectF(10, 20, 1440, 900)),
        (ScreenRect{90, 850, 200, 20}));
    EXPECT_EQ(AccessibilitySelectionProvider::desktopRect(QRectF(100, 50, 200, 20), std::nullopt),
              (ScreenRect{100, 50, 200, 20}));
}

TEST_F(ProviderTest, MissingTrustFailsBeforeAnyRead)
{
    permission->trusted = false;
    tree->select(area, QStringLiteral("Aspirin reduces fever."));
    EXPECT_EQ(capture().error(), SelectionCaptureError::accessibilityPermissionRequired());
    EXPECT_TRUE(tree->touched.isEmpty());
}

TEST_F(ProviderTest, FocusedElementReadFailuresMapToCaptureErrors)
{
    const SelectionCaptureError unavailable = SelectionCaptureError::selectionUnavailable(editor());
    const std::pair<std::optional<AXError>, SelectionCaptureError> rows[] = {
        {std::nullopt, unavailable}, // success without a value
        {AXError::noValue, unavailable},
        {AXError::notImplemented, unavailable},
        {AXError::attributeUnsupported, unavailable},
        {AXError::cannotComplete, unavailable},
        {AXError::failure, unavailable},
        {AXError::apiDisabled, SelectionCaptureError::accessibilityPermissionRequired()},
        {AXError::invalidUIElement,
         SelectionCaptureError::accessibilityFailure(QStringLiteral("read the focused element"),
                                                     AXError::invalidUIElement)},
    };
    for (const auto& [code, expected] : rows) {
        tree->focused.reset();
        tree->focusedError = code;
        EXPECT_EQ(capture().error(), expected) << (code ? int(*code) : 0);
    }
    applications->frontmost.reset();
    tree->focusedError = AXError::noValue;
    EXPECT_EQ(capture().error(), SelectionCaptureError::focusedElementUnavailable());
}

TEST_F(ProviderTest, SourceProcessThatCannotBeIdentifiedFails)
{
    tree->select(area, QStringLiteral("Aspirin reduces fever."));
    tree->pidError = AXError::invalidUIElement;
    EXPECT_EQ(capture().error(),
              SelectionCaptureError::accessibilityFailure(QStringLiteral("identify the source application"),
                                                          AXError::invalidUIElement));
    tree->pidError.reset();
    tree->node(area).pid = 0;
    EXPECT_EQ(capture().error(), SelectionCaptureError::accessibilityFailure(
                                     QStringLiteral("identify the source application"), AXError::success));
    EXPECT_EQ(capture().error().diagnosticCode(), QStringLiteral("ax-failure-0"));
}

TEST_F(ProviderTest, SecureSubroleWithinEightElementsRefusesTheCapture)
{
    // A text field whose parent two levels up is a password field: refused although
    // it exposes a selection.
    const NodeId secure = tree->add(QStringLiteral("AXTextField"), window);
    tree->node(secure).subrole = QStringLiteral("AXSecureTextField");
    const NodeId group = tree->add(QStringLiteral("AXGroup"), secure);
    const NodeId field = tree->add(QStringLiteral("AXTextField"), group);
    tree->select(field, QStringLiteral("hunter2 is the password"));
    tree->focused = field;
    EXPECT_EQ(capture().error(), SelectionCaptureError::secureField());

    // The eighth element checked (seventh ancestor) still counts; the ninth does not.
    for (const auto& [depthBelowSecure, refused] : {std::pair(7, true), std::pair(8, false)}) {
        const NodeId deep = tree->addChain(QStringLiteral("AXGroup"), secure, depthBelowSecure);
        tree->select(deep, QStringLiteral("Aspirin reduces fever."));
        tree->focused = deep;
        EXPECT_EQ(capture().has_value(), !refused) << depthBelowSecure;
    }
}

TEST_F(ProviderTest, SecureHolderFoundBelowTheFocusIsRefused)
{
    tree->focused = window;
    const NodeId password = tree->add(QStringLiteral("AXTextField"), window);
    tree->node(password).subrole = QStringLiteral("AXSecureTextField");
    tree->select(password, QStringLiteral("hunter2-secret"));
    EXPECT_EQ(capture().error(), SelectionCaptureError::secureField());
}

TEST_F(ProviderTest, BlankSelectionIsPassedOverForTheAncestors)
{
    tree->select(area, QStringLiteral("   \n"));
    tree->select(scroll, QStringLiteral("Aspirin reduces fever."));
    const SelectionCaptureResult result = capture(DescendantSearch::none);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->context.selectedText, QStringLiteral("Aspirin reduces fever."));
}

TEST_F(ProviderTest, LengthLimitAcceptsFourThousandUnitsAndRefusesOneMore)
{
    tree->select(area, QString(4000, u'a'));
    ASSERT_TRUE(capture());
    EXPECT_EQ(capture()->context.selectedText.size(), 4000);

    tree->select(area, QString(4001, u'a'));
    EXPECT_EQ(capture().error(), SelectionCaptureError::selectionTooLong(4001));

    // Units, not characters: 2,001 emoji are 4,002 UTF-16 units.
    QString emoji;
    for (int i = 0; i < 2001; ++i)
        emoji += QStringLiteral("\U0001F600");
    tree->node(area).selectedText = emoji;
    tree->node(area).selectedRange.reset();
    EXPECT_EQ(capture().error(), SelectionCaptureError::selectionTooLong(4002));
}

TEST_F(ProviderTest, LongRangeIsRefusedBeforeTheTextIsRead)
{
    tree->node(area).selectedRange = AXTextRange{10, 4001};
    tree->node(area).selectedText = QStringLiteral("short");
    EXPECT_EQ(capture().error(), SelectionCaptureError::selectionTooLong(4001));
    EXPECT_FALSE(tree->wasRead(area, AXAttribute::selectedText));

    // A long selection found on an ancestor ends the capture too.
    tree->node(area).selectedRange.reset();
    tree->node(area).selectedText.reset();
    tree->node(scroll).selectedRange = AXTextRange{0, 5321};
    EXPECT_EQ(capture().error(), SelectionCaptureError::selectionTooLong(5321));
}

TEST_F(ProviderTest, WebAreaAncestorUsesTextMarkersAndTheirBounds)
{
    // text area > group > group > web area: the web area is the third ancestor.
    const NodeId web = tree->add(QStringLiteral("AXWebArea"), window);
    const NodeId outer = tree->add(QStringLiteral("AXGroup"), web);
    const NodeId inner = tree->add(QStringLiteral("AXGroup"), outer);
    const NodeId field = tree->add(QStringLiteral("AXTextArea"), inner);
    tree->focused = field;
    tree->node(web).hasMarkerRange = true;
    tree->node(web).markerLength = 22;
    tree->node(web).markerString = QStringLiteral("Aspirin reduces fever.");
    tree->node(web).markerBounds = QRectF(100, 50, 200, 20);
    const SelectionCaptureResult result = capture();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->context.selectedText, QStringLiteral("Aspirin reduces fever."));
    EXPECT_EQ(result->context.bounds, (ScreenRect{100, 830, 200, 20}));

    tree->node(web).markerLength = 4001;
    EXPECT_EQ(capture().error(), SelectionCaptureError::selectionTooLong(4001));
    EXPECT_EQ(tree->reads.count(std::pair(web, AXAttribute::stringForTextMarkerRange)), 1)
        << "a long marker range is refused before its text is read";

    tree->node(web).markerLength = 3;
    tree->node(web).markerString = QStringLiteral(" \n ");
    EXPECT_EQ(capture(DescendantSearch::none).error(), SelectionCaptureError::selectionUnavailable(editor()));
}

TEST_F(ProviderTest, AncestorWalkStopsAfterFourteenAncestors)
{
    // The focused element sits 15 levels below the one holding the selection.
    const NodeId top = tree->add(QStringLiteral("AXGroup"), window);
    tree->select(top, QStringLiteral("Aspirin reduces fever."));
    for (const auto& [levels, found] : {std::pair(14, true), std::pair(15, false)}) {
        tree->focused = tree->addChain(QStringLiteral("AXGroup"), top, levels);
        EXPECT_EQ(capture(DescendantSearch::none).has_value(), found) << levels;
    }
}

TEST_F(ProviderTest, DescendantSearchDepthDependsOnTheLevel)
{
    // A selection that only a descendant four levels below the focus exposes.
    tree->focused = window;
    const NodeId holder = tree->addChain(QStringLiteral("AXGroup"), window, 4);
    tree->select(holder, QStringLiteral("Aspirin reduces fever."));
    // The window's first child (the scroll area) is searched first and holds nothing.
    EXPECT_EQ(capture(DescendantSearch::none).error(), SelectionCaptureError::selectionUnavailable(editor()));
    EXPECT_EQ(capture(DescendantSearch::shallow).error(),
              SelectionCaptureError::selectionUnavailable(editor()));
    const SelectionCaptureResult thorough = capture(DescendantSearch::thorough);
    ASSERT_TRUE(thorough);
    EXPECT_EQ(thorough->context.selectedText, QStringLiteral("Aspirin reduces fever."));

    // Breadth first: a shallower holder wins over a deeper one found earlier in order.
    const NodeId shallow = tree->add(QStringLiteral("AXStaticText"), window);
    tree->select(shallow, QStringLiteral("Shallow selection wins."));
    EXPECT_EQ(capture(DescendantSearch::shallow)->context.selectedText,
              QStringLiteral("Shallow selection wins."));
}

TEST_F(ProviderTest, NodeLimitStopsBeforeTheSixtyFirstNode)
{
    // The focused element with 64 empty children; the selection holder is the
    // 61st node in breadth-first order (the root counts as the first).
    tree->focused = window;
    tree->node(window).children.clear();
    QList<NodeId> children;
    for (int i = 0; i < 64; ++i)
        children.append(tree->add(QStringLiteral("AXStaticText"), window));
    tree->select(children[59], QStringLiteral("Aspirin reduces fever."));
    EXPECT_EQ(capture(DescendantSearch::shallow).error(),
              SelectionCaptureError::selectionUnavailable(editor()));
    EXPECT_TRUE(tree->wasTouched(children[58]));
    EXPECT_FALSE(tree->wasTouched(children[59]));

    tree->select(children[58], QStringLiteral("The sixtieth node is examined."));
    EXPECT_TRUE(capture(DescendantSearch::shallow));
}

TEST_F(ProviderTest, OnlyTheFirstSixtyFourChildrenAreTaken)
{
    tree->focused = window;
    tree->node(window).children.clear();
    QList<NodeId> children;
    for (int i = 0; i < 65; ++i)
        children.append(tree->add(QStringLiteral("AXStaticText"), window));
    tree->select(children[64], QStringLiteral("Aspirin reduces fever."));
    EXPECT_FALSE(capture(DescendantSearch::thorough));
    EXPECT_FALSE(tree->wasTouched(children[64]));
}

TEST_F(ProviderTest, ThoroughSearchContinuesFromTheNearestContentContainer)
{
    // document > [group > text area (focused)], [group > group > paragraph with selection]
    const NodeId document = tree->add(QStringLiteral("AXDocument"), window);
    const NodeId left = tree->add(QStringLiteral("AXGroup"), document);
    const NodeId focus = tree->add(QStringLiteral("AXTextArea"), left);
    const NodeId right = tree->addChain(QStringLiteral("AXGroup"), document, 2);
    const NodeId paragraph = tree->add(QStringLiteral("AXStaticText"), right);
    tree->select(paragraph, QStringLiteral("Aspirin reduces fever."));
    tree->focused = focus;
    EXPECT_EQ(capture(DescendantSearch::shallow).error(),
              SelectionCaptureError::selectionUnavailable(editor()));
    const SelectionCaptureResult result = capture(DescendantSearch::thorough);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->context.selectedText, QStringLiteral("Aspirin reduces fever."));
}

TEST_F(ProviderTest, SpentTimeBudgetStopsTheWalk)
{
    // Every call takes 400 ms: the budget of 1.5 s allows only a few reads.
    const NodeId holder = tree->addChain(QStringLiteral("AXGroup"), area, 3);
    tree->select(holder, QStringLiteral("Aspirin reduces fever."));
    EXPECT_TRUE(capture(DescendantSearch::thorough)) << "found without a slow clock";

    tree->onCall = [this] { now += 400ms; };
    tree->clearObservations();
    EXPECT_EQ(capture(DescendantSearch::thorough).error(),
              SelectionCaptureError::selectionUnavailable(editor()));
    EXPECT_FALSE(tree->wasTouched(holder));

    // Nothing is examined once the budget is spent, not even the first ancestor.
    tree->onCall = [this] { now += 1500ms; };
    tree->clearObservations();
    tree->select(scroll, QStringLiteral("On the parent."));
    EXPECT_EQ(capture(DescendantSearch::thorough).error(),
              SelectionCaptureError::selectionUnavailable(editor()));
    EXPECT_FALSE(tree->wasRead(scroll, AXAttribute::selectedTextRange));
}

TEST_F(ProviderTest, ItemContainersAreRecognisedByRoleOrSelectionAttributes)
{
    const NodeId outline = tree->add(QStringLiteral("AXOutline"), window);
    tree->focused = outline;
    EXPECT_TRUE(provider().focusedElementIsItemContainer());

    tree->focused = area;
    EXPECT_FALSE(provider().focusedElementIsItemContainer());
    tree->node(area).extraAttributeNames = {QStringLiteral("AXSelectedCells")};
    EXPECT_TRUE(provider().focusedElementIsItemContainer());

    permission->trusted = false;
    EXPECT_FALSE(provider().focusedElementIsItemContainer());
    permission->trusted = true;
    tree->focusedError = AXError::cannotComplete;
    EXPECT_FALSE(provider().focusedElementIsItemContainer());
}

TEST_F(ProviderTest, GestureLandsInContentOnlyWithinOneContentArea)
{
    const NodeId otherScroll = tree->add(QStringLiteral("AXScrollArea"), window);
    const NodeId otherArea = tree->add(QStringLiteral("AXTextArea"), otherScroll);
    const NodeId button = tree->add(QStringLiteral("AXButton"), window);
    QList<std::pair<float, float>> hits;
    // Left half of the screen is the first text area, right half the second; the
    // top 100 pixels hold a button.
    tree->hitTest = [&](float x, float y) -> std::optional<NodeId> {
        hits.append({x, y});
        if (y < 100)
            return button;
        return x < 720 ? area : otherArea;
    };
    auto lands = [&](QPointF from, QPointF to) { return provider().gestureLandsInContent(from, to); };

    EXPECT_TRUE(lands(QPointF(100, 300), QPointF(600, 200)));
    ASSERT_EQ(hits.size(), 2);
    EXPECT_EQ(hits[0], std::pair(100.0F, 600.0F)) << "desktop y is flipped against the primary screen";
    EXPECT_FALSE(lands(QPointF(100, 300), QPointF(900, 300))) << "different content containers";
    EXPECT_FALSE(lands(QPointF(100, 850), QPointF(110, 850))) << "a button is no content";
    tree->hitTest = [](float, float) { return std::nullopt; };
    EXPECT_FALSE(lands(QPointF(100, 300), QPointF(600, 200)));
    permission->trusted = false;
    EXPECT_FALSE(lands(QPointF(100, 300), QPointF(600, 200)));
}
