// The selection badge of the real vorn-cite in the headless desktop, in demo mode
// against the local demo service: xdotool selects by dragging in the GTK fixture, as
// a user's mouse would, and clicks or types as a user would.
#include "CiteApplication.h"
#include "DesktopFixtures.h"
#include "LocalCiteService.h"
#include "literature/LiteratureInputValidator.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>

using namespace DesktopFixtures;

namespace {

const QString badgeName = QStringLiteral("Find citations for selected text");
constexpr int waitMs = 20000;

LocalCiteService& service()
{
    return LocalCiteService::shared();
}

bool xdotool(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// The badge window while it is mapped, and its frame in native pixels.
std::optional<QRect> badgeFrame()
{
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                  QStringLiteral("^") + badgeName + u'$'});
    search.waitForFinished(5000);
    const QString window = QString::fromUtf8(search.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
    if (window.isEmpty())
        return std::nullopt;
    QProcess geometry;
    geometry.start(QStringLiteral("xdotool"),
                   {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    geometry.waitForFinished(5000);
    QHash<QString, int> values;
    for (const QString& line : QString::fromUtf8(geometry.readAllStandardOutput()).split(u'\n')) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1).toInt());
    }
    if (!values.contains(QStringLiteral("X")) || !values.contains(QStringLiteral("WIDTH")))
        return std::nullopt;
    return QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
                 values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
}

class BadgeDesktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (pid(Toolkit::gtk) == 0)
            GTEST_SKIP() << "needs the fixtures of tests/desktop/run-desktop.sh";
        ASSERT_TRUE(service().isRunning()) << "the demo service did not start";
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VORN_CITE_TESTING"), QStringLiteral("1"));
        app.setProcessEnvironment(environment);
        app.start(QStringLiteral(VORN_CITE_BINARY), service().demoArguments());
        ASSERT_TRUE(app.waitForStarted(waitMs));
        // Demo mode completes onboarding with the recommended choices: the badge is on.
        ASSERT_TRUE(QTest::qWaitFor(
            [] { return CiteProbe::property(QStringLiteral("SelectionMonitorEnabled")).toBool(); }, waitMs))
            << app.readAllStandardError().toStdString();
        ASSERT_TRUE(activate(Toolkit::gtk));
        ASSERT_TRUE(focus(Toolkit::gtk, textAreaName));
        ASSERT_TRUE(clearSelection(Toolkit::gtk, textAreaName));
        gtkWindow = activeWindow();
    }

    void TearDown() override
    {
        xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
        if (app.state() != QProcess::NotRunning) {
            ::kill(pid_t(app.processId()), SIGTERM);
            EXPECT_TRUE(app.waitForFinished(waitMs));
            EXPECT_EQ(app.exitCode(), 0) << app.readAllStandardError().toStdString();
        }
        EXPECT_TRUE(QTest::qWaitFor([] { return !CiteProbe::isNameOwned(); }, waitMs));
    }

    // Drags across the known sentence of the GTK text area, as a user's mouse would.
    static std::optional<QPoint> dragSelectKnownSentence()
    {
        const qsizetype first = textArea(Toolkit::gtk).indexOf(knownSelection(Toolkit::gtk));
        return dragSelect(Toolkit::gtk, textAreaName, first, first + knownSelection(Toolkit::gtk).size());
    }

    QProcess app;
    std::optional<quint32> gtkWindow;
};

} // namespace

TEST_F(BadgeDesktop, ADragSelectionOffersTheBadgeBesideThePointerAndItsClickSearchesTheSentence)
{
    const std::optional<QPoint> release = dragSelectKnownSentence();
    ASSERT_TRUE(release);
    QElapsedTimer sinceRelease;
    sinceRelease.start();
    std::optional<QRect> badge;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (badge = badgeFrame()).has_value(); }, waitMs))
        << "no badge after the drag; error: "
        << CiteProbe::property(QStringLiteral("ErrorMessage")).toString().toStdString();
    std::cout << "badge seen " << sinceRelease.elapsed() << " ms after the release\n";
    EXPECT_TRUE(CiteProbe::property(QStringLiteral("BadgeOffered")).toBool());
    // Up-right of the pointer: the 40-point badge 12 right of it and 10 above, in an
    // 80-point window (Xvfb's 1280 by 800 screen, scale 1).
    EXPECT_EQ(badge->size(), QSize(80, 80));
    EXPECT_EQ(badge->left() + 20, release->x() + 12);
    EXPECT_EQ(badge->top() + 20 + 40, release->y() - 10);
    EXPECT_EQ(activeWindow(), gtkWindow) << "showing the badge leaves the fixture active";

    const QPoint centre = badge->center();
    ASSERT_TRUE(xdotool({QStringLiteral("mousemove"), QString::number(centre.x()),
                         QString::number(centre.y()), QStringLiteral("click"), QStringLiteral("1")}));
    const std::expected<QString, LiteratureError> expected =
        LiteratureInputValidator::normalize(knownSelection(Toolkit::gtk));
    ASSERT_TRUE(expected.has_value());
    EXPECT_TRUE(QTest::qWaitFor([&] { return service().texts().contains(*expected); }, waitMs))
        << CiteProbe::property(QStringLiteral("ErrorMessage")).toString().toStdString();
    // The panel shows the service's answer. The demo library holds no record on aspirin
    // and fever, so for this sentence the answer is "no usable references".
    EXPECT_TRUE(QTest::qWaitFor(
        [] {
            const QString phase = CiteProbe::property(QStringLiteral("Phase")).toString();
            return phase == u"completed" || phase == u"failed";
        },
        waitMs));
    const QString error = CiteProbe::property(QStringLiteral("ErrorMessage")).toString();
    EXPECT_TRUE(error.isEmpty() || error.contains(QStringLiteral("without usable references")))
        << error.toStdString();
    EXPECT_TRUE(CiteProbe::property(QStringLiteral("ResultPanelVisible")).toBool());
    EXPECT_TRUE(QTest::qWaitFor([] { return !badgeFrame(); }, waitMs)) << "the click withdrew the badge";
    EXPECT_EQ(activeWindow(), gtkWindow) << "clicking the badge does not activate VORN Cite";
}

TEST_F(BadgeDesktop, ABadgeLeftAloneIsGoneAfterEightSeconds)
{
    const qsizetype requests = service().texts().size();
    ASSERT_TRUE(dragSelectKnownSentence());
    ASSERT_TRUE(QTest::qWaitFor([] { return badgeFrame().has_value(); }, waitMs));
    QElapsedTimer shown;
    shown.start();
    QTest::qWait(4000);
    EXPECT_TRUE(badgeFrame()) << "still offered after 4 seconds";
    ASSERT_TRUE(QTest::qWaitFor([] { return !badgeFrame(); }, waitMs));
    std::cout << "badge gone " << shown.elapsed() << " ms after it was seen\n";
    EXPECT_FALSE(CiteProbe::property(QStringLiteral("BadgeOffered")).toBool());
    EXPECT_EQ(service().texts().size(), requests) << "nothing is sent without a click";
}

TEST_F(BadgeDesktop, TypingAKeyRemovesTheBadge)
{
    ASSERT_TRUE(dragSelectKnownSentence());
    ASSERT_TRUE(QTest::qWaitFor([] { return badgeFrame().has_value(); }, waitMs));
    const qsizetype requests = service().texts().size();
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("shift")}));
    EXPECT_TRUE(QTest::qWaitFor([] { return !badgeFrame(); }, 3000)) << "the key press withdraws the badge";
    EXPECT_FALSE(CiteProbe::property(QStringLiteral("BadgeOffered")).toBool());
    EXPECT_EQ(service().texts().size(), requests) << "nothing is sent without a click";
}
