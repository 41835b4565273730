// The X11 reader against real X servers: the headless desktop's, and a private
// Xvfb started without the X-Resource extension.

#include "X11Desktop.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>

#include <unistd.h>

namespace {

constexpr int waitMs = 10000;

// A plain top-level window without _NET_WM_PID, on a connection of its own.
class BareWindow final
{
public:
    explicit BareWindow(const QByteArray& display)
    {
        m_connection = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
        if (xcb_connection_has_error(m_connection))
            return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        sync();
    }
    ~BareWindow() { xcb_disconnect(m_connection); }
    BareWindow(const BareWindow&) = delete;
    BareWindow& operator=(const BareWindow&) = delete;

    [[nodiscard]] quint32 window() const { return m_window; }

private:
    void sync()
    {
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    xcb_connection_t* m_connection = nullptr;
    quint32 m_window = 0;
};

// An Xvfb of its own, with the extensions named disabled.
class PrivateServer final
{
public:
    explicit PrivateServer(const QStringList& disabledExtensions)
    {
        QStringList arguments{QStringLiteral("-displayfd"), QStringLiteral("1"),
                              QStringLiteral("-nolisten"),  QStringLiteral("tcp"),
                              QStringLiteral("-screen"),    QStringLiteral("0"),
                              QStringLiteral("320x200x24")};
        for (const QString& extension : disabledExtensions)
            arguments << QStringLiteral("-extension") << extension;
        m_process.start(QStringLiteral("Xvfb"), arguments);
        (void)QTest::qWaitFor(
            [&] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; }, waitMs);
        const QByteArray number = m_process.readLine().trimmed();
        if (!number.isEmpty())
            m_display = ':' + number;
    }
    ~PrivateServer()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(waitMs))
            m_process.kill();
    }
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    [[nodiscard]] const QByteArray& display() const { return m_display; }

private:
    QProcess m_process;
    QByteArray m_display;
};

} // namespace

TEST(X11Desktop, WindowWithoutPidIsTracedToItsClient)
{
    if (qEnvironmentVariable("DISPLAY").isEmpty())
        GTEST_SKIP() << "needs the headless desktop of tests/desktop/run-desktop.sh";
    X11Desktop desktop;
    ASSERT_TRUE(desktop.isConnected());
    const BareWindow bare({});
    EXPECT_EQ(desktop.windowPid(bare.window()), qint32(getpid()));
}

TEST(X11Desktop, ServerWithoutXResourceKeepsTheConnection)
{
    const PrivateServer server({QStringLiteral("X-Resource")});
    ASSERT_FALSE(server.display().isEmpty()) << "Xvfb did not start";
    X11Desktop desktop(server.display());
    ASSERT_TRUE(desktop.isConnected());
    const BareWindow bare(server.display());
    EXPECT_EQ(desktop.windowPid(bare.window()), std::nullopt);
    EXPECT_TRUE(desktop.isConnected()) << "an unsupported request closed the connection";
    EXPECT_EQ(desktop.windowGeometry(bare.window()), QRect(0, 0, 10, 10));
    EXPECT_EQ(desktop.windowPid(bare.window()), std::nullopt);
}
