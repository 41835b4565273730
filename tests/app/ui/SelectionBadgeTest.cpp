// The selection badge: its placement beside the pointer, its 8-second life on the
// injected clock and its click, on the offscreen platform.
#include "AppCoordinator.h"
#include "SelectionBadgePanelController.h"
#include "SelectionBadgeView.h"
#include "capture/SelectionTestDoubles.h"
#include "support/FakeKeyStore.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

using Controller = SelectionBadgePanelController;

TEST(SelectionBadgePlacementTest, BesideThePointerInsideTheVisibleFrame)
{
    // A 1280 by 800 screen whose visible frame leaves 24 points for a top bar and 50 for
    // a dock at the bottom.
    const QList<Controller::Screen> one{{{0, 0, 1280, 800}, {0, 50, 1280, 726}}};
    const QList<Controller::Screen> two{{{0, 0, 1000, 800}, {0, 0, 1000, 800}},
                                        {{1100, 0, 1000, 800}, {1100, 0, 1000, 800}}};
    struct Row
    {
        const char* what;
        QList<Controller::Screen> screens;
        SystemPoint pointer;
        QString placement;
        double badgeLeft; // the 40-point badge's left and bottom edges
        double badgeBottom;
    };
    const Row rows[] = {
        {"middle of the screen", one, {640, 400}, QStringLiteral("up-right"), 652, 410},
        {"40 points from the right edge", one, {1240, 400}, QStringLiteral("up-left"), 1188, 410},
        {"just below the top bar", one, {640, 770}, QStringLiteral("down-right"), 652, 704},
        {"top-right corner", one, {1275, 770}, QStringLiteral("down-left"), 1223, 704},
        {"above the dock in the bottom-left corner: clamped 6 points inside",
         one,
         {2, 20},
         QStringLiteral("up-right"),
         14,
         56},
        {"in the gap between two screens: the nearer one",
         two,
         {1090, 400},
         QStringLiteral("up-right"),
         1106,
         410},
    };
    for (const Row& row : rows) {
        const Controller::Placement placement = Controller::place(row.pointer, row.screens, 0);
        EXPECT_EQ(placement.name, row.placement) << row.what;
        EXPECT_EQ(placement.panelFrame.x + 20, row.badgeLeft) << row.what;
        EXPECT_EQ(placement.panelFrame.y + 20, row.badgeBottom) << row.what;
        EXPECT_EQ(placement.panelFrame.width, 80) << row.what;
    }
    EXPECT_EQ(Controller::place({5, 5}, {}, -1).name, QStringLiteral("up-right")) << "no screen at all";
}

TEST(SelectionBadgePlacementTest, ScreenForAPoint)
{
    const QList<Controller::Screen> screens{{{0, 0, 100, 100}, {0, 0, 100, 100}},
                                            {{100, 0, 100, 100}, {100, 0, 100, 100}},
                                            {{300, 0, 100, 100}, {300, 0, 100, 100}}};
    EXPECT_EQ(Controller::screenFor({100, 50}, screens, 0), 1) << "left edge inside, right edge outside";
    EXPECT_EQ(Controller::screenFor({250, 50}, screens, 0), 1) << "equal distances: the earlier screen";
    EXPECT_EQ(Controller::screenFor({290, 50}, screens, 0), 2);
    EXPECT_EQ(Controller::screenFor({10, 10}, {}, -1), -1);
}

class SelectionBadgeTest : public ::testing::Test
{
protected:
    AutomaticSelectionEvent event() const
    {
        return {AutomaticSelectionCandidate::provisional(SelectionSource{42, std::nullopt, std::nullopt}),
                {200, 200},
                QDateTime::currentDateTimeUtc()};
    }

    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    AppCoordinator coordinator{std::make_shared<FakeKeyStore>()};
    Controller controller{coordinator, clock};
};

} // namespace

TEST_F(SelectionBadgeTest, ASecondShowReplacesTheBadgeAndRestartsItsEightSeconds)
{
    controller.show(event());
    QPointer<QWidget> first = controller.panel();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(first->windowFlags().testFlag(Qt::ToolTip));
    EXPECT_TRUE(first->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(first->windowTitle(), SelectionBadgeView::accessibilityLabel);
    clock->advance(5s);
    controller.show(event());
    ASSERT_TRUE(controller.panel());
    EXPECT_NE(controller.panel(), first.data());
    clock->advance(7999ms);
    EXPECT_TRUE(controller.panel());
    clock->advance(1ms);
    EXPECT_FALSE(controller.panel());
}

TEST_F(SelectionBadgeTest, TheViewCarriesItsTextsAndOnlyTheRoundedSquareClicks)
{
    controller.show(event());
    SelectionBadgeView* view = controller.view();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->toolTip(), QStringLiteral("Find citations with VORN Cite"));
    EXPECT_EQ(view->accessibleName(), QStringLiteral("Find citations for selected text"));
    int clicks = 0;
    view->onFindCitations = [&] { ++clicks; };
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 0) << "the transparent margin takes no clicks";
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(controller.panel()) << "the badge never dismisses itself on a click";
}
