// Application switches as the window manager of the headless desktop reports them.
#include "DesktopFixtures.h"
#include "X11ActivationObserver.h"

#include <QProcess>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using namespace DesktopFixtures;

TEST(ActivationDesktop, SwitchesBetweenOtherApplicationsAreReportedOwnWindowsAreNot)
{
    if (pid(Toolkit::gtk) == 0 || pid(Toolkit::qt) == 0)
        GTEST_SKIP() << "needs the fixtures of tests/desktop/run-desktop.sh";
    X11ActivationObserver observer(std::make_shared<X11Desktop>());
    int switches = 0;
    observer.observe([&switches] { ++switches; });

    ASSERT_TRUE(activate(Toolkit::gtk));
    ASSERT_TRUE(activate(Toolkit::qt));
    ASSERT_TRUE(QTest::qWaitFor([&] { return switches >= 1; }, 5000));
    ASSERT_TRUE(activate(Toolkit::gtk));
    const int before = switches;
    ASSERT_TRUE(activate(Toolkit::qt));
    ASSERT_TRUE(QTest::qWaitFor([&] { return switches > before; }, 5000));

    // A window of this process becoming active is not an application switch.
    QTest::qWait(300);
    const int beforeOwn = switches;
    QWindow own;
    own.setTitle(QStringLiteral("own window"));
    own.resize(200, 100);
    own.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&own));
    QProcess activateOwn;
    activateOwn.start(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                                  QString::number(own.winId())});
    ASSERT_TRUE(activateOwn.waitForFinished(10000));
    QTest::qWait(500);
    EXPECT_EQ(switches, beforeOwn);

    observer.stopObserving();
    const int stopped = switches;
    ASSERT_TRUE(activate(Toolkit::gtk));
    QTest::qWait(300);
    EXPECT_EQ(switches, stopped) << "nothing is reported after stopObserving";
}
