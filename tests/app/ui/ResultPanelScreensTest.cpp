// The result panel on a desktop of two screens (the offscreen platform configured by
// two-screens.json): it opens on the screen of the selection, else of the pointer.

#include "ResultPanelTestSupport.h"

#include "FloatingPanel.h"

#include <QCursor>
#include <QScreen>

class ResultPanelScreens : public ResultPanelFixture
{
protected:
    void SetUp() override
    {
        if (QGuiApplication::screens().size() != 2)
            GTEST_SKIP() << "needs the two screens of two-screens.json";
        ResultPanelFixture::SetUp();
    }

    static QRect screen(int index) { return QGuiApplication::screens()[index]->availableGeometry(); }
    static QPoint corner(const QRect& visible)
    {
        return {visible.right() + 1 - 16 - 380, visible.top() + 16};
    }
};

TEST_F(ResultPanelScreens, OpensOnTheScreenOfTheSelection)
{
    const QRect primary = QGuiApplication::primaryScreen()->geometry();
    // A selection on the right screen, given in desktop space.
    const ScreenRect onRight = ResultPanelController::toDesktop(QRect(1500, 200, 120, 18), primary);
    QCursor::setPos(QPoint(100, 100)); // the pointer elsewhere does not decide
    coordinator->run(query(), onRight);
    settle();
    FloatingKeyablePanel& panel = controller->panel();
    EXPECT_EQ(panel.pos(), corner(screen(1)));
    EXPECT_EQ(coordinator->resultPanelMaxHeight(), screen(1).height() - 32.0)
        << "the right screen is 500 high";
    EXPECT_LE(panel.height(), screen(1).height() - 32);
    controller->hide();

    // Without a selection's bounds, the pointer's screen.
    QCursor::setPos(QPoint(1400, 300));
    coordinator->run(LiteratureQuery{QStringLiteral("Another sentence."), {}}, std::nullopt);
    settle();
    EXPECT_EQ(panel.pos(), corner(screen(1)));
    controller->hide();

    QCursor::setPos(QPoint(200, 300));
    coordinator->run(LiteratureQuery{QStringLiteral("A third sentence."), {}}, std::nullopt);
    settle();
    EXPECT_EQ(panel.pos(), corner(screen(0)));
    EXPECT_EQ(coordinator->resultPanelMaxHeight(), 560.0);
}
