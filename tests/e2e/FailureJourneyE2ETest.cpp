// The failures a user meets on the way, each from the selection in the GTK fixture and
// Alt+Super+G to what the result panel says: no key in the keyring, a key the service
// rejects, a service that is down and comes back, and a password field.
#include "JourneySupport.h"
#include "literature/LiteratureInputValidator.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace DesktopFixtures;
using namespace Journey;

namespace {

QString sentence()
{
    return LiteratureInputValidator::normalize(DesktopFixtureTexts::journeyClaim()).value_or(QString());
}

class FailureJourney : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (pid(Toolkit::gtk) == 0)
            GTEST_SKIP() << "needs the fixtures of tests/desktop/run-desktop.sh";
    }
    void TearDown() override { EXPECT_TRUE(app.stop()) << app.standardError().toStdString(); }

    // Selects the claim in the GTK fixture and presses the shortcut.
    static void searchTheClaim()
    {
        ASSERT_TRUE(prepareJourneyClaim());
        ASSERT_TRUE(pressShortcut());
    }

    CiteApplication app;
};

} // namespace

TEST_F(FailureJourney, NoStoredKeyAsksForOneInSettingsAndSendsNothing)
{
    // A configured installation (not the demo) whose keyring holds no key.
    LocalCiteService& service = LocalCiteService::shared();
    ASSERT_TRUE(service.isRunning());
    QTemporaryDir config;
    {
        QSettings settings(config.filePath(QStringLiteral("app.vorn.cite/settings.ini")),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("literature.serviceURL"), service.url());
        settings.setValue(QStringLiteral("pubmed.efetchURL"),
                          QString(service.url() + QStringLiteral("/entrez/eutils/efetch.fcgi")));
        settings.setValue(QStringLiteral("onboarding.completed"), true);
    }
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    ASSERT_TRUE(app.start({QStringLiteral("--ca-certificates"), service.caFile()}, environment))
        << app.standardError().toStdString();
    const qsizetype before = service.requests().size();

    searchTheClaim();
    ASSERT_TRUE(waitForShown(app, QStringLiteral("Authorization required"))) << shownNames(app);
    const std::optional<AccessibleNode> open =
        waitForShown(app, QStringLiteral("Open Settings"), QStringLiteral("push button"));
    ASSERT_TRUE(open) << shownNames(app);
    EXPECT_EQ(service.requests().size(), before);

    // Its button opens the settings, where the key goes.
    EXPECT_FALSE(findAccessible(app.pid(), QStringLiteral("VORN Cite Settings")));
    ASSERT_TRUE(click(open->extents));
    EXPECT_TRUE(waitForShown(app, QStringLiteral("VORN Cite Settings"))) << shownNames(app);
}

TEST_F(FailureJourney, KeyTheServiceRejectsSaysSo)
{
    LocalCiteService service({QStringLiteral("--api-key"), QStringLiteral("vorn_the-only-accepted-key")});
    ASSERT_TRUE(service.isRunning());
    ASSERT_TRUE(app.start(service.demoArguments())) << app.standardError().toStdString();

    searchTheClaim();
    ASSERT_TRUE(service.waitForRequest(sentence()));
    ASSERT_TRUE(waitForShown(app, QStringLiteral("VORN rejected this API key"))) << shownNames(app);
    EXPECT_TRUE(findAccessible(app.pid(), QStringLiteral("Authorization required"))) << shownNames(app);
    EXPECT_TRUE(findAccessible(app.pid(), QStringLiteral("Open Settings"), QStringLiteral("push button")))
        << shownNames(app);
}

TEST_F(FailureJourney, ServiceDownShowsTheTransportFailureAndRetryFindsTheReferencesOnceItIsBack)
{
    LocalCiteService service;
    ASSERT_TRUE(service.isRunning());
    ASSERT_TRUE(app.start(service.demoArguments())) << app.standardError().toStdString();
    service.stop();

    searchTheClaim();
    ASSERT_TRUE(waitForShown(app, QStringLiteral("VORN Cite could not complete the request")))
        << shownNames(app);
    const QString message = CiteProbe::property(QStringLiteral("ErrorMessage")).toString();
    EXPECT_TRUE(message.startsWith(QStringLiteral("The literature request failed: ")))
        << message.toStdString();
    EXPECT_TRUE(findAccessible(app.pid(), message))
        << "the panel should show " << message.toStdString() << "; " << shownNames(app);
    const std::optional<AccessibleNode> retry =
        waitForShown(app, QStringLiteral("Retry"), QStringLiteral("push button"));
    ASSERT_TRUE(retry) << shownNames(app);

    ASSERT_TRUE(service.start());
    ASSERT_TRUE(click(retry->extents));
    const std::optional<LocalCiteService::Request> request = service.waitForRequest(sentence());
    ASSERT_TRUE(request);
    ASSERT_TRUE(waitForShown(app, QStringLiteral("Literature evidence for the text you select")))
        << shownNames(app);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownPMIDs(app).size() == request->pmids.size(); }, waitMs))
        << shownNames(app);
}

TEST_F(FailureJourney, PasswordFieldIsRefusedAndNothingIsSent)
{
    LocalCiteService& service = LocalCiteService::shared();
    ASSERT_TRUE(service.isRunning());
    ASSERT_TRUE(app.start(service.demoArguments())) << app.standardError().toStdString();
    const qsizetype before = service.requests().size();

    ASSERT_TRUE(activate(Toolkit::gtk));
    ASSERT_TRUE(focus(Toolkit::gtk, passwordName));
    ASSERT_TRUE(select(Toolkit::gtk, passwordName, 0, DesktopFixtureTexts::password().size()));
    ASSERT_TRUE(pressShortcut());
    ASSERT_TRUE(
        waitForShown(app, QStringLiteral("VORN Cite never reads text from password or secure fields.")))
        << shownNames(app);
    QTest::qWait(500);
    EXPECT_EQ(service.requests().size(), before);
}
