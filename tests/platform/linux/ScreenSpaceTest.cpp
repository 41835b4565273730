#include "ScreenSpace.h"

#include <gtest/gtest.h>

using namespace ScreenSpace;

// A 1280x800 primary screen at scale 1 and, to its right, a 2x screen of
// 1000x600 logical (2000x1200 native) pixels.
const QList<Screen> screens = {{QRect(0, 0, 1280, 800), 1}, {QRect(1280, 0, 1000, 600), 2}};

TEST(ScreenSpace, NativeAndLogicalPointsConvertWithTheScreenThatHoldsThem)
{
    EXPECT_EQ(toLogical(QPointF(100, 50), screens), QPointF(100, 50));
    EXPECT_EQ(toLogical(QPointF(1280 + 400, 300), screens), QPointF(1280 + 200, 150));
    EXPECT_EQ(toNative(QPointF(1280 + 200, 150), screens), QPointF(1280 + 400, 300));
    // Far right of the 2x screen: native x 3279 is still on it.
    EXPECT_EQ(toLogical(QPointF(3279, 0), screens), QPointF(1280 + 999.5, 0));
    EXPECT_EQ(toLogical(QPointF(-5, -5), screens), QPointF(-5, -5)) << "outside every screen";
    EXPECT_EQ(toLogical(QPointF(7, 9), {}), QPointF(7, 9));
}

TEST(ScreenSpace, RectanglesScaleWithTheirScreen)
{
    EXPECT_EQ(rectToLogical(QRectF(1280 + 400, 300, 200, 40), screens), QRectF(1280 + 200, 150, 100, 20));
    EXPECT_EQ(rectToLogical(QRectF(100, 50, 200, 20), screens), QRectF(100, 50, 200, 20));
}
