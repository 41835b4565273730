// The real vorn-cite in the headless desktop, in demo mode against the local demo
// service, which records the text of every cite request it receives.
#include "AccessibilityBusStatus.h"
#include "CiteApplication.h"
#include "DesktopFixtures.h"
#include "LocalCiteService.h"
#include "OtherShortcutClient.h"
#include "literature/LiteratureInputValidator.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

using namespace DesktopFixtures;

namespace {

using CiteProbe::objectPath;
using CiteProbe::serviceName;
const QString sentence = QStringLiteral("Aspirin reduces fever in adults with influenza.");
constexpr int waitMs = 20000;

LocalCiteService& service()
{
    return LocalCiteService::shared();
}

QDBusMessage findCitations(const QDBusConnection& bus, const QString& text)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(serviceName, objectPath, serviceName, QStringLiteral("FindCitations"));
    call << text;
    return bus.call(call, QDBus::Block, waitMs);
}

class ApplicationDesktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (pid(Toolkit::gtk) == 0)
            GTEST_SKIP() << "needs the fixtures of tests/desktop/run-desktop.sh";
        ASSERT_TRUE(service().isRunning()) << "the demo service did not start";
    }

    void TearDown() override
    {
        if (app.state() != QProcess::NotRunning) {
            ::kill(pid_t(app.processId()), SIGTERM);
            EXPECT_TRUE(app.waitForFinished(waitMs));
            EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(app.exitCode(), 0) << app.readAllStandardError().toStdString();
        }
        // The name is free again for the next test.
        EXPECT_TRUE(QTest::qWaitFor([] { return !CiteProbe::isNameOwned(); }, waitMs));
    }

    // Starts the application and waits until it has started.
    void startApplication(QProcessEnvironment environment = QProcessEnvironment::systemEnvironment())
    {
        environment.insert(QStringLiteral("VORN_CITE_TESTING"), QStringLiteral("1"));
        app.setProcessEnvironment(environment);
        app.start(QStringLiteral(VORN_CITE_BINARY), service().demoArguments());
        ASSERT_TRUE(app.waitForStarted(waitMs));
        ASSERT_TRUE(
            QTest::qWaitFor([] { return CiteProbe::property(QStringLiteral("Started")).toBool(); }, waitMs))
            << app.readAllStandardError().toStdString();
    }

    // Runs a second vorn-cite to its end; its exit code.
    static int runSecond(const QStringList& arguments, QByteArray* error = nullptr)
    {
        QProcess second;
        second.start(QStringLiteral(VORN_CITE_BINARY), arguments);
        if (!second.waitForFinished(waitMs))
            return -1;
        if (error)
            *error = second.readAllStandardError();
        return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
    }

    QProcess app;
};

} // namespace

TEST_F(ApplicationDesktop, ShortcutInTheGtkFixtureQueriesExactlyTheSelectedSentence)
{
    startApplication();
    EXPECT_EQ(CiteProbe::property(QStringLiteral("ShortcutReport")).toString(), QStringLiteral("registered"));
    ASSERT_TRUE(activate(Toolkit::gtk));
    ASSERT_TRUE(prepareKnownSelection(Toolkit::gtk));

    QProcess key;
    key.start(QStringLiteral("xdotool"),
              {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("super+alt+g")});
    ASSERT_TRUE(key.waitForFinished(waitMs));
    const std::expected<QString, LiteratureError> expected =
        LiteratureInputValidator::normalize(knownSelection(Toolkit::gtk));
    ASSERT_TRUE(expected.has_value());
    EXPECT_TRUE(service().waitForRequest(*expected))
        << CiteProbe::property(QStringLiteral("ErrorMessage")).toString().toStdString();
}

TEST_F(ApplicationDesktop, ShortcutHeldByAnotherClientIsUnavailableAndStartCarriesOn)
{
    OtherShortcutClient other;
    ASSERT_TRUE(other.grab());
    startApplication();
    EXPECT_EQ(CiteProbe::property(QStringLiteral("ShortcutReport")).toString(),
              QStringLiteral("unavailable 10"));
    const QDBusMessage reply = findCitations(QDBusConnection::sessionBus(), sentence);
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_TRUE(service().waitForRequest(sentence));
    other.release();
}

TEST_F(ApplicationDesktop, HandOffsReachTheRunningInstance)
{
    startApplication();
    const QDBusMessage blank = findCitations(QDBusConnection::sessionBus(), QStringLiteral("  \n "));
    EXPECT_EQ(blank.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(blank.errorName(), QStringLiteral("app.vorn.cite.Error.NoText"));
    EXPECT_EQ(blank.errorMessage(),
              QStringLiteral("VORN Cite did not receive selected text from this application."));

    // A second start hands its text over and ends; the first instance queries it.
    const QString handed = QStringLiteral("Ibuprofen lowers fever in children with otitis.");
    EXPECT_EQ(runSecond({QStringLiteral("--find"), handed}), 0);
    EXPECT_TRUE(service().waitForRequest(handed));
    EXPECT_EQ(app.state(), QProcess::Running);

    QByteArray error;
    EXPECT_EQ(runSecond({QStringLiteral("--find"), QStringLiteral(" ")}, &error), 1);
    EXPECT_TRUE(error.contains("VORN Cite did not receive selected text from this application."))
        << error.toStdString();
}

TEST_F(ApplicationDesktop, FindSelectionTakesPrimaryOnlyFromTheFrontmostApplication)
{
    startApplication();
    ASSERT_TRUE(activate(Toolkit::gtk));
    ASSERT_TRUE(prepareKnownSelection(Toolkit::gtk));
    const std::expected<QString, LiteratureError> expected =
        LiteratureInputValidator::normalize(knownSelection(Toolkit::gtk));
    ASSERT_TRUE(expected.has_value());
    const qsizetype before = service().texts().count(*expected);
    EXPECT_EQ(runSecond({QStringLiteral("--find-selection")}), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return service().texts().count(*expected) > before; }, waitMs));

    // The GTK fixture still owns PRIMARY, but another application is in front now:
    // the selection is stale and never sent.
    if (pid(Toolkit::qt) == 0)
        GTEST_SKIP() << "the stale case needs the Qt fixture";
    ASSERT_TRUE(activate(Toolkit::qt));
    const qsizetype count = service().texts().size();
    QByteArray error;
    EXPECT_EQ(runSecond({QStringLiteral("--find-selection")}, &error), 1);
    EXPECT_TRUE(error.contains("The original selection changed.")) << error.toStdString();
    QTest::qWait(300);
    EXPECT_EQ(service().texts().size(), count);
}

TEST_F(ApplicationDesktop, FindCitationsStartsTheApplicationThroughTheServiceFile)
{
    // A bus of its own whose service folder (XDG_DATA_DIRS) holds the service file.
    QTemporaryDir data;
    ASSERT_TRUE(QDir().mkpath(data.filePath(QStringLiteral("dbus-1/services"))));
    QFile file(data.filePath(QStringLiteral("dbus-1/services/app.vorn.cite.service")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[D-BUS Service]\nName=app.vorn.cite\nExec=" + QByteArray(VORN_CITE_BINARY) + ' ' +
               service().demoArguments().join(u' ').toUtf8() + '\n');
    file.close();

    QProcess daemon;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), data.path());
    daemon.setProcessEnvironment(environment);
    daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                 QStringLiteral("--print-address=1")});
    ASSERT_TRUE(daemon.waitForStarted(waitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.canReadLine(); }, waitMs));
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("activation-test"));
        ASSERT_TRUE(bus.isConnected());
        const QString text = QStringLiteral("Statins lower cardiovascular mortality in older adults.");
        const QDBusMessage reply = findCitations(bus, text);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        EXPECT_TRUE(service().waitForRequest(text));

        const QDBusReply<uint> activated = bus.interface()->servicePid(serviceName);
        ASSERT_TRUE(activated.isValid());
        ::kill(pid_t(activated.value()), SIGTERM);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !bus.interface()->isServiceRegistered(serviceName).value(); }, waitMs));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("activation-test"));
    daemon.terminate();
    daemon.waitForFinished(waitMs);
}

TEST_F(ApplicationDesktop, AccessibilityIsSwitchedOnOnlyByTheUsersClickInOurPrompt)
{
    AccessibilityBusStatus accessibility;
    ASSERT_TRUE(accessibility.setEnabled(false));
    struct Restore
    {
        AccessibilityBusStatus& status;
        ~Restore() { status.setEnabled(true); }
    } restore{accessibility};

    startApplication(); // onboarding is complete in demo mode: start checks trust with prompting
    QString window;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QProcess search;
            search.start(QStringLiteral("xdotool"),
                         {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                          QStringLiteral("VORN Cite needs desktop accessibility")});
            search.waitForFinished(5000);
            window = QString::fromUtf8(search.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
            return !window.isEmpty();
        },
        waitMs))
        << "the prompt did not appear";
    QTest::qWait(500);
    EXPECT_FALSE(accessibility.isEnabled()) << "prompting alone never switches accessibility on";

    // The prompt's default button: Turn On Accessibility.
    QProcess click;
    click.start(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                            window, QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(click.waitForFinished(waitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return accessibility.isEnabled(); }, waitMs));
}

TEST_F(ApplicationDesktop, TerminationDuringACopyCaptureLeavesTheClipboardAsItWas)
{
    // xterm exposes nothing to the accessibility bus, so the shortcut falls back to
    // Copy-and-restore (on in demo mode): the selected line goes onto the clipboard,
    // and the application is stopped while that copy is still there (the test holds
    // it there for seconds instead of the usual 60 ms).
    QProcess xterm;
    xterm.start(QStringLiteral("xterm"),
                {QStringLiteral("-geometry"), QStringLiteral("60x5+100+100"), QStringLiteral("-title"),
                 QStringLiteral("VORN xterm"), QStringLiteral("-e"), QStringLiteral("sh"),
                 QStringLiteral("-c"),
                 QStringLiteral("printf '%s\\n' '") + sentence + QStringLiteral("'; exec sleep 60")});
    ASSERT_TRUE(xterm.waitForStarted(waitMs));
    QString window;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QProcess search;
            search.start(QStringLiteral("xdotool"),
                         {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                          QStringLiteral("VORN xterm")});
            search.waitForFinished(5000);
            window = QString::fromUtf8(search.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
            return !window.isEmpty();
        },
        waitMs));
    const auto selection = [](const QString& which) {
        QProcess read;
        read.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), which});
        read.waitForFinished(5000);
        return read.readAllStandardOutput();
    };
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"),
                                {QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}),
              0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QProcess::execute(QStringLiteral("xdotool"),
                              {QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                               QStringLiteral("30"), QStringLiteral("8"), QStringLiteral("click"),
                               QStringLiteral("--repeat"), QStringLiteral("3"), QStringLiteral("--delay"),
                               QStringLiteral("60"), QStringLiteral("1")});
            return selection(QStringLiteral("primary")).trimmed() == sentence.toUtf8();
        },
        waitMs))
        << "the line in xterm is selected";

    const QByteArray userClipboard = "The user's own clipboard, kept.";
    QProcess owner; // xclip serves the clipboard until another client takes it
    owner.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-quiet")});
    ASSERT_TRUE(owner.waitForStarted(waitMs));
    owner.write(userClipboard);
    owner.closeWriteChannel();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return selection(QStringLiteral("clipboard")) == userClipboard; }, waitMs));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VORN_CITE_TESTING_COPY_SETTLE_MS"), QStringLiteral("5000"));
    startApplication(environment);
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"),
                                {QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}),
              0);
    ASSERT_EQ(QProcess::execute(
                  QStringLiteral("xdotool"),
                  {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("super+alt+g")}),
              0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return selection(QStringLiteral("clipboard")).trimmed() == sentence.toUtf8(); }, waitMs))
        << "the copy reached the clipboard";
    ::kill(pid_t(app.processId()), SIGTERM);
    EXPECT_TRUE(app.waitForFinished(waitMs));
    EXPECT_EQ(app.exitCode(), 0);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return selection(QStringLiteral("clipboard")) == userClipboard; }, waitMs))
        << "the clipboard holds " << selection(QStringLiteral("clipboard")).toStdString();
    owner.kill();
    owner.waitForFinished();
    // Whoever keeps the user's content now gives way to the next copy.
    QProcess next;
    next.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard")});
    ASSERT_TRUE(next.waitForStarted(waitMs));
    next.write("next");
    next.closeWriteChannel();
    EXPECT_TRUE(QTest::qWaitFor([&] { return selection(QStringLiteral("clipboard")) == "next"; }, waitMs));
    next.waitForFinished(waitMs);
    xterm.kill();
    xterm.waitForFinished();
}
