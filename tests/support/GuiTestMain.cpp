#include <QGuiApplication>

#include <gtest/gtest.h>

// A GoogleTest main for tests that need the desktop (clipboard, screens): the tests
// run inside a QGuiApplication on the display the environment names.
int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
