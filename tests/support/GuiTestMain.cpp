#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A GoogleTest main for tests that need the desktop (clipboard, screens): the tests
// run inside a QGuiApplication on the display the environment names.
int main(int argc, char** argv)
{
    // No test may read or write the real user's settings.
    QTemporaryDir config;
    if (!config.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());

    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
