#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A GoogleTest main for widget tests: the tests run inside a QApplication, on the
// offscreen platform unless the environment names one (the headless desktop: xcb).
int main(int argc, char** argv)
{
    // No test may read or write the real user's settings.
    QTemporaryDir config;
    if (!config.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
