// Compatibility Capture on the real X clipboard of the headless desktop: XTest
// Copy into real applications (xterm, xfce4-terminal, the GTK fixture), the
// user's clipboard served by another process and put back byte for byte.

#include "AccessibilityPermissionManager.h"
#include "AccessibilitySelectionProvider.h"
#include "AtspiAccessibilityTree.h"
#include "CompositeSelectionProvider.h"
#include "DesktopFixtures.h"
#include "QtClipboardPasteboard.h"
#include "X11Workspace.h"
#include "XTestCopyCommandSender.h"

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace DesktopFixtures;

namespace {

constexpr int waitMs = 10000;
const QString sentence = QStringLiteral("Aspirin reduces fever in adults within one hour.");

// Counts the Copy commands that reach the real sender.
class CountingSender final : public CopyCommandSending
{
public:
    explicit CountingSender(std::shared_ptr<CopyCommandSending> sender) : m_sender(std::move(sender)) {}
    int sent = 0;
    [[nodiscard]] std::unique_ptr<QObject> sendCopy(qint32 processIdentifier, Completion completion) override
    {
        ++sent;
        return m_sender->sendCopy(processIdentifier, std::move(completion));
    }

private:
    std::shared_ptr<CopyCommandSending> m_sender;
};

std::optional<QByteArray> readWithXclip(const QString& selection, const QString& target)
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), selection,
                                          QStringLiteral("-t"), target});
    if (!QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, waitMs) ||
        xclip.exitStatus() != QProcess::NormalExit || xclip.exitCode() != 0)
        return std::nullopt;
    return xclip.readAllStandardOutput();
}

QByteArray pngBytes()
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A shell line in a terminal that prints the sentence and waits.
QStringList printAndWait()
{
    return {QStringLiteral("sh"), QStringLiteral("-c"),
            QStringLiteral("printf '%s\\n' '") + sentence + QStringLiteral("'; exec sleep 600")};
}

class CopyFallbackDesktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (pid(Toolkit::gtk) == 0 || qtFixtureProgram().isEmpty())
            GTEST_SKIP() << "needs the fixtures of tests/desktop/run-desktop.sh";
        ASSERT_TRUE(folder.isValid());
        auto bus = std::make_shared<AccessibilityBusStatus>();
        x11 = std::make_shared<X11Desktop>();
        workspace = std::make_shared<X11Workspace>(x11);
        AccessibilitySelectionProvider::Environment env;
        env.accessibility = std::make_shared<AtspiAccessibilityTree>(x11, bus);
        env.applications = workspace;
        auto reader = std::make_shared<AccessibilitySelectionProvider>(
            std::make_shared<AccessibilityPermissionManager>(bus), env);
        sender = std::make_shared<CountingSender>(std::make_shared<XTestCopyCommandSender>(x11));
        provider = CompositeSelectionProvider::make(
            reader, pasteboard, sender, [this] { return workspace->frontmostProcessIdentifier(); },
            [] { return true; });
    }

    // The user's clipboard, served by another process with these formats.
    void ownClipboard(const QList<std::pair<QString, QByteArray>>& formats)
    {
        QStringList arguments{QStringLiteral("--clipboard")};
        for (qsizetype i = 0; i < formats.size(); ++i) {
            QFile file(folder.filePath(QString::number(i)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(formats[i].second);
            arguments << formats[i].first << file.fileName();
        }
        const qint64 before = pasteboard->changeCount();
        owner = std::make_unique<StartedApplication>(qtFixtureProgram(), arguments);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return readWithXclip(QStringLiteral("clipboard"), formats.first().first) ==
                       formats.first().second;
            },
            waitMs));
        // This process has heard of the new owner, as it has long before a user's
        // next shortcut.
        ASSERT_TRUE(QTest::qWaitFor([&] { return pasteboard->changeCount() != before; }, waitMs));
        QTest::qWait(100);
    }

    // Selects the terminal's first line as a user does: a triple click on it (below
    // the menu bar, where the terminal has one).
    bool selectFirstLine(StartedApplication& terminal)
    {
        const std::optional<QRect> geometry = x11->windowGeometry(*terminal.window());
        if (!geometry)
            return false;
        for (const int y : {10, 35, 60}) {
            QProcess::execute(QStringLiteral("xdotool"),
                              {QStringLiteral("mousemove"), QString::number(geometry->x() + 30),
                               QString::number(geometry->y() + y), QStringLiteral("click"),
                               QStringLiteral("--repeat"), QStringLiteral("3"), QStringLiteral("--delay"),
                               QStringLiteral("60"), QStringLiteral("1")});
            if (QTest::qWaitFor(
                    [&] {
                        return QGuiApplication::clipboard()->text(QClipboard::Selection).trimmed() ==
                               sentence;
                    },
                    2000))
                return true;
        }
        return false;
    }

    AsyncSelectionCaptureResult wait(QFuture<AsyncSelectionCaptureResult> future)
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, waitMs));
        return future.result();
    }

    const QList<std::pair<QString, QByteArray>> userFormats = {
        {PasteboardType::string, QByteArray("The user's own clipboard \xe2\x80\x94 kept.")},
        {PasteboardType::html, QByteArray("<p>The user's <b>own</b> clipboard</p>")},
        {QStringLiteral("image/png"), pngBytes()},
    };

    QTemporaryDir folder;
    std::shared_ptr<QtClipboardPasteboard> pasteboard = std::make_shared<QtClipboardPasteboard>();
    std::shared_ptr<X11Desktop> x11;
    std::shared_ptr<X11Workspace> workspace;
    std::shared_ptr<CountingSender> sender;
    std::shared_ptr<CompositeSelectionProvider> provider;
    std::unique_ptr<StartedApplication> owner;
};

} // namespace

TEST_F(CopyFallbackDesktop, XtermSelectionIsCapturedAndTheClipboardComesBackByteForByte)
{
    // xterm exposes nothing to the accessibility bus: the hot key falls back to Copy.
    StartedApplication xterm(
        QStringLiteral("xterm"),
        QStringList{QStringLiteral("-geometry"), QStringLiteral("80x6+80+80"), QStringLiteral("-e")} +
            printAndWait());
    ASSERT_TRUE(xterm.waitForWindow());
    ASSERT_TRUE(xterm.activate());
    ASSERT_TRUE(selectFirstLine(xterm));
    ownClipboard(userFormats);

    const AsyncSelectionCaptureResult result = wait(provider->captureSelection(true));
    ASSERT_TRUE(result) << std::visit([](const auto& e) { return e.errorDescription().toStdString(); },
                                      result.error());
    EXPECT_EQ(result->context.selectedText, sentence);
    EXPECT_EQ(result->context.captureMethod, SelectionCaptureMethod::clipboardCompatibility);
    EXPECT_EQ(result->sourceProcessIdentifier, xterm.pid());
    EXPECT_EQ(result->context.sourceApplicationName, QStringLiteral("XTerm"));
    EXPECT_EQ(sender->sent, 1);
    for (const auto& [type, bytes] : userFormats)
        EXPECT_EQ(readWithXclip(QStringLiteral("clipboard"), type), bytes) << type.toStdString();
}

TEST_F(CopyFallbackDesktop, TerminalGetsCtrlShiftC)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xfce4-terminal")).isEmpty())
        GTEST_SKIP() << "xfce4-terminal is not installed (scripts/setup)";
    StartedApplication terminal(QStringLiteral("xfce4-terminal"),
                                QStringList{QStringLiteral("--disable-server"),
                                            QStringLiteral("--hide-menubar"), QStringLiteral("--geometry"),
                                            QStringLiteral("80x6+80+80"), QStringLiteral("-x")} +
                                    printAndWait());
    ASSERT_TRUE(terminal.waitForWindow());
    ASSERT_TRUE(terminal.activate());
    ASSERT_TRUE(selectFirstLine(terminal));
    ownClipboard(userFormats);

    // The terminal reads its selection to the accessibility bus too: ask the
    // clipboard path directly.
    const std::optional<SelectionSource> front = workspace->frontmostApplication();
    ASSERT_TRUE(front);
    ASSERT_EQ(front->processIdentifier, terminal.pid());
    const AsyncSelectionCaptureResult result = wait(provider->compatibility().capture(*front));
    ASSERT_TRUE(result) << std::visit([](const auto& e) { return e.errorDescription().toStdString(); },
                                      result.error());
    EXPECT_EQ(result->context.selectedText, sentence);
    // Ctrl+C would have interrupted the shell's sleep and closed the terminal.
    QTest::qWait(300);
    EXPECT_TRUE(terminal.isRunning());
    for (const auto& [type, bytes] : userFormats)
        EXPECT_EQ(readWithXclip(QStringLiteral("clipboard"), type), bytes) << type.toStdString();
}

TEST_F(CopyFallbackDesktop, GtkApplicationCopiesWithCtrlCOnceTheModifiersAreReleased)
{
    ASSERT_TRUE(prepareKnownSelection(Toolkit::gtk));
    auto direct = std::make_shared<XTestCopyCommandSender>(
        x11, XTestCopyCommandSender::Options{
                 {}, false, std::chrono::milliseconds(300), std::chrono::milliseconds(10)});
    const auto send = [&] {
        std::optional<std::expected<void, ClipboardCaptureError>> outcome;
        const std::unique_ptr<QObject> handle = direct->sendCopy(
            pid(Toolkit::gtk), [&](std::expected<void, ClipboardCaptureError> r) { outcome = r; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, waitMs));
        return outcome.value_or(std::unexpected(ClipboardCaptureError::Kind::busy));
    };
    // Alt still held from the shortcut: no key goes out.
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("keydown"), QStringLiteral("alt")});
    EXPECT_EQ(send(), std::unexpected(ClipboardCaptureError::Kind::copyEventFailed));
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("keyup"), QStringLiteral("alt")});

    const qint64 before = pasteboard->changeCount();
    EXPECT_TRUE(send());
    ASSERT_TRUE(QTest::qWaitFor([&] { return pasteboard->changeCount() != before; }, waitMs));
    EXPECT_EQ(pasteboard->string(PasteboardType::string), knownSelection(Toolkit::gtk));
}

TEST_F(CopyFallbackDesktop, ConcealedClipboardIsNeverTouchedAndNoKeyIsSent)
{
    ASSERT_TRUE(prepareKnownSelection(Toolkit::gtk));
    ownClipboard({{PasteboardType::string, QByteArray("hunter2")},
                  {PasteboardType::passwordManagerHint, QByteArray("secret")}});
    const std::optional<SelectionSource> front = workspace->frontmostApplication();
    ASSERT_TRUE(front);
    const AsyncSelectionCaptureResult result = wait(provider->compatibility().capture(*front));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), SelectionCaptureFailure(ClipboardCaptureError::Kind::clipboardConcealed));
    EXPECT_EQ(sender->sent, 0);
    EXPECT_EQ(readWithXclip(QStringLiteral("clipboard"), PasteboardType::passwordManagerHint),
              QByteArray("secret"));
    EXPECT_EQ(readWithXclip(QStringLiteral("clipboard"), PasteboardType::string), QByteArray("hunter2"));
}

TEST_F(CopyFallbackDesktop, AnotherActiveWindowGetsNothing)
{
    ASSERT_TRUE(prepareKnownSelection(Toolkit::gtk));
    const std::optional<SelectionSource> gtk = workspace->frontmostApplication();
    ASSERT_TRUE(gtk);
    ownClipboard(userFormats);
    ASSERT_TRUE(activate(Toolkit::qt));

    const AsyncSelectionCaptureResult result = wait(provider->compatibility().capture(*gtk));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), SelectionCaptureFailure(ClipboardCaptureError::Kind::sourceApplicationChanged));
    EXPECT_EQ(sender->sent, 0);

    // The sender itself refuses too, whoever asks it.
    XTestCopyCommandSender direct(x11);
    std::optional<std::expected<void, ClipboardCaptureError>> outcome;
    const std::unique_ptr<QObject> handle = direct.sendCopy(
        gtk->processIdentifier, [&](std::expected<void, ClipboardCaptureError> r) { outcome = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, waitMs));
    EXPECT_EQ(*outcome, std::unexpected(ClipboardCaptureError::Kind::sourceApplicationChanged));
    for (const auto& [type, bytes] : userFormats)
        EXPECT_EQ(readWithXclip(QStringLiteral("clipboard"), type), bytes) << type.toStdString();
}

TEST(CopySender, WithoutXTestOrUnderWaylandCopyIsUnavailable)
{
    const auto outcomeOf = [](XTestCopyCommandSender& sender) {
        std::optional<std::expected<void, ClipboardCaptureError>> outcome;
        const std::unique_ptr<QObject> handle =
            sender.sendCopy(4242, [&](std::expected<void, ClipboardCaptureError> r) { outcome = r; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, waitMs));
        return outcome.value_or(std::expected<void, ClipboardCaptureError>());
    };
    const std::expected<void, ClipboardCaptureError> unavailable =
        std::unexpected(ClipboardCaptureError::Kind::copyEventFailed);

    XTestCopyCommandSender::Options wayland;
    wayland.waylandSession = true;
    XTestCopyCommandSender underWayland(std::make_shared<X11Desktop>(), wayland);
    EXPECT_EQ(outcomeOf(underWayland), unavailable);

    XTestCopyCommandSender::Options nowhere;
    nowhere.display = ":4711";
    nowhere.waylandSession = false;
    XTestCopyCommandSender noServer(std::make_shared<X11Desktop>(nowhere.display), nowhere);
    EXPECT_EQ(outcomeOf(noServer), unavailable);

    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp"), QStringLiteral("-extension"), QStringLiteral("XTEST")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return xvfb.canReadLine(); }, waitMs));
    XTestCopyCommandSender::Options withoutXTest;
    withoutXTest.display = ':' + xvfb.readLine().trimmed();
    withoutXTest.waylandSession = false;
    XTestCopyCommandSender noXTest(std::make_shared<X11Desktop>(withoutXTest.display), withoutXTest);
    EXPECT_EQ(outcomeOf(noXTest), unavailable);
    xvfb.terminate();
    xvfb.waitForFinished(waitMs);
}

TEST(CopySender, TerminalsByTheirWindowClass)
{
    using Kind = XTestCopyCommandSender::CopyKind;
    const std::tuple<const char*, const char*, Kind> rows[] = {
        {"xterm", "XTerm", Kind::primaryToClipboard},
        {"urxvt", "URxvt", Kind::primaryToClipboard},
        {"gnome-terminal-server", "Gnome-terminal", Kind::controlShiftC},
        {"xfce4-terminal", "Xfce4-terminal", Kind::controlShiftC},
        {"konsole", "konsole", Kind::controlShiftC},
        {"kitty", "kitty", Kind::controlShiftC},
        {"Alacritty", "Alacritty", Kind::controlShiftC},
        {"tilix", "Tilix", Kind::controlShiftC},
        {"mousepad", "Mousepad", Kind::controlC},
        {"evince", "Evince", Kind::controlC},
    };
    for (const auto& [instance, windowClass, kind] : rows)
        EXPECT_EQ(
            XTestCopyCommandSender::copyKind(QString::fromLatin1(instance), QString::fromLatin1(windowClass)),
            kind)
            << instance;
}
