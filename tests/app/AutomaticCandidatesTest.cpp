// The selection badge's candidate in the coordinator: its 8-second life on the
// injected clock, what a click sends, and the monitor following the setting.
#include "AppCoordinator.h"
#include "FakeServices.h"
#include "capture/ClipboardFakes.h"
#include "capture/CompositeSelectionProvider.h"
#include "capture/SelectionTestDoubles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString sentence = QStringLiteral("Aspirin reduces fever in adults with influenza.");
const QString otherSentence = QStringLiteral("Ibuprofen lowers fever in children.");

class ScriptedMonitor final : public AutomaticSelectionMonitoring
{
public:
    int starts = 0;
    int stops = 0;
    bool isEnabled() const override { return bool(handler); }
    void start(Handler h, std::function<void()> invalidation) override
    {
        ++starts;
        handler = std::move(h);
        invalidationHandler = std::move(invalidation);
    }
    void stop() override
    {
        ++stops;
        handler = nullptr;
        invalidationHandler = nullptr;
    }
    Handler handler;
    std::function<void()> invalidationHandler;
};

class FakeBadge final : public SelectionBadgeControlling
{
public:
    QList<AutomaticSelectionEvent> shows;
    int dismissals = 0;
    bool shown = false;
    void show(const AutomaticSelectionEvent& event) override
    {
        shows.append(event);
        shown = true;
    }
    void dismiss() override
    {
        ++dismissals;
        shown = false;
    }
};

class FakeWindows final : public ApplicationWindowsPresenting
{
public:
    int onboardingShown = 0;
    void showSettings() override {}
    void showOnboarding() override { ++onboardingShown; }
    void closeOnboarding() override {}
    void showAbout() override {}
};

class CandidateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings->setHasCompletedOnboarding(true);
        settings->setAutomaticSelectionEnabled(true);
        AppCoordinator::Dependencies deps;
        deps.settings = settings;
        deps.resultPanelController = std::make_shared<FakeResultPanel>();
        deps.backendFactory = [this](const QString&) { return backend; };
        deps.selectionProvider = CompositeSelectionProvider::make(
            reader, std::make_shared<InMemoryPasteboard>(), std::make_shared<ScriptedCopySender>(),
            [this] { return frontmost; }, [] { return true; });
        deps.permissionManager = std::make_shared<FakePermission>();
        deps.hotKeyManager = std::make_shared<FakeHotKey>();
        deps.windows = windows;
        deps.sleeper = clock;
        deps.automaticSelectionMonitor = monitor;
        deps.frontmostProcessIdentifier = [this] { return frontmost; };
        coordinator = std::make_unique<AppCoordinator>(keyStore, deps);
        coordinator->setSelectionBadgeController(badge);
        coordinator->start();
    }

    AutomaticSelectionEvent capturedEvent(const QString& text, SystemPoint at = {300, 400})
    {
        reader->select(text, 42, QStringLiteral("org.example.Viewer"));
        return {AutomaticSelectionCandidate::captured(*reader->answer), at, QDateTime::currentDateTimeUtc()};
    }
    static AutomaticSelectionEvent provisionalEvent(qint32 pid)
    {
        return {AutomaticSelectionCandidate::provisional(SelectionSource{pid, std::nullopt, std::nullopt}),
                {300, 400},
                QDateTime::currentDateTimeUtc()};
    }
    // What the monitor's handler does with an event.
    void offer(const AutomaticSelectionEvent& event) { monitor->handler(event); }
    QStringList queriedTexts() const
    {
        QStringList texts;
        for (const auto& call : backend->calls)
            texts.append(call->query.text);
        return texts;
    }

    QTemporaryDir settingsDir;
    std::shared_ptr<AppSettings> settings = std::make_shared<AppSettings>(std::make_unique<QSettings>(
        settingsDir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
    std::shared_ptr<FakeKeyStore> keyStore = std::make_shared<FakeKeyStore>();
    std::shared_ptr<ScriptedBackend> backend = std::make_shared<ScriptedBackend>();
    std::shared_ptr<ScriptedReader> reader = std::make_shared<ScriptedReader>();
    std::shared_ptr<ScriptedMonitor> monitor = std::make_shared<ScriptedMonitor>();
    std::shared_ptr<FakeBadge> badge = std::make_shared<FakeBadge>();
    std::shared_ptr<FakeWindows> windows = std::make_shared<FakeWindows>();
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::optional<qint32> frontmost = 42;
    std::unique_ptr<AppCoordinator> coordinator;
};

} // namespace

TEST_F(CandidateTest, ACandidateLivesExactlyEightSeconds)
{
    ASSERT_TRUE(monitor->handler) << "start runs the monitor after onboarding";
    offer(capturedEvent(sentence));
    ASSERT_EQ(badge->shows.size(), 1);
    EXPECT_EQ(badge->shows[0].pointerLocation, (SystemPoint{300, 400}));
    clock->advance(7999ms);
    EXPECT_TRUE(coordinator->hasAutomaticCandidate());
    EXPECT_TRUE(badge->shown);
    clock->advance(1ms);
    EXPECT_FALSE(coordinator->hasAutomaticCandidate());
    EXPECT_FALSE(badge->shown);
}

TEST_F(CandidateTest, ANewGestureReplacesTheCandidateAndRestartsItsTimer)
{
    offer(capturedEvent(sentence));
    clock->advance(5s);
    offer(capturedEvent(otherSentence, {10, 20}));
    clock->advance(7999ms);
    ASSERT_TRUE(coordinator->hasAutomaticCandidate());
    EXPECT_EQ(coordinator->automaticCandidate()->capturedSelection()->context.selectedText, otherSentence);
    EXPECT_TRUE(badge->shown);
    clock->advance(1ms);
    EXPECT_FALSE(coordinator->hasAutomaticCandidate());
}

TEST_F(CandidateTest, TheMonitorsInvalidationWithdrawsTheCandidate)
{
    offer(capturedEvent(sentence));
    monitor->invalidationHandler();
    EXPECT_FALSE(coordinator->hasAutomaticCandidate());
    EXPECT_FALSE(badge->shown);
}

TEST_F(CandidateTest, AClickSendsACapturedSelectionThatStillHolds)
{
    offer(capturedEvent(sentence));
    reader->requests.clear();
    coordinator->handleAutomaticAction();
    EXPECT_FALSE(badge->shown);
    EXPECT_FALSE(coordinator->hasAutomaticCandidate());
    ScriptedInput::drain();
    EXPECT_EQ(reader->requests, QList<DescendantSearch>{DescendantSearch::thorough}) << "read again first";
    EXPECT_EQ(queriedTexts(), QStringList{sentence});
    // The candidate is spent: a second click does nothing, and its timer never fires.
    coordinator->handleAutomaticAction();
    clock->advance(8s);
    ScriptedInput::drain();
    EXPECT_EQ(backend->calls.size(), 1);
}

TEST_F(CandidateTest, AClickAfterTheTextChangedSendsNothingStale)
{
    offer(capturedEvent(sentence));
    reader->select(otherSentence, 42, QStringLiteral("org.example.Viewer"));
    coordinator->handleAutomaticAction();
    ScriptedInput::drain();
    EXPECT_TRUE(backend->calls.isEmpty());
    EXPECT_EQ(coordinator->errorMessage(), SelectionCaptureError::staleSelection().errorDescription());
    EXPECT_EQ(coordinator->failureKind(), FailureKind::invalidSelection);
}

TEST_F(CandidateTest, AProvisionalCandidateIsCapturedOnlyWhileItsApplicationIsInFront)
{
    offer(provisionalEvent(42));
    frontmost = 43;
    reader->requests.clear();
    coordinator->handleAutomaticAction();
    ScriptedInput::drain();
    EXPECT_TRUE(reader->requests.isEmpty()) << "no capture attempt for another application";
    EXPECT_EQ(coordinator->errorMessage(), SelectionCaptureError::staleSelection().errorDescription());

    frontmost = 42;
    offer(provisionalEvent(42));
    reader->select(sentence, 42, std::nullopt);
    coordinator->handleAutomaticAction();
    ScriptedInput::drain();
    EXPECT_EQ(reader->requests, QList<DescendantSearch>{DescendantSearch::thorough});
    EXPECT_EQ(queriedTexts(), QStringList{sentence});
}

TEST_F(CandidateTest, TheShortcutWithdrawsTheCandidate)
{
    offer(capturedEvent(sentence));
    coordinator->captureCitations();
    EXPECT_FALSE(coordinator->hasAutomaticCandidate());
    EXPECT_FALSE(badge->shown);
}

TEST_F(CandidateTest, TurningTheBadgeOffStopsTheMonitorAndRemovesTheBadgeAtOnce)
{
    offer(capturedEvent(sentence));
    coordinator->setAutomaticSelectionEnabled(false);
    EXPECT_FALSE(settings->automaticSelectionEnabled());
    EXPECT_FALSE(monitor->handler);
    EXPECT_FALSE(badge->shown);
    EXPECT_FALSE(coordinator->hasAutomaticCandidate());
    coordinator->setAutomaticSelectionEnabled(true);
    EXPECT_TRUE(monitor->handler);
}

TEST_F(CandidateTest, BeforeOnboardingTheSwitchOpensOnboardingAndTheMonitorStaysOff)
{
    coordinator->stop();
    EXPECT_FALSE(monitor->handler) << "stop stops the monitor";
    settings->setHasCompletedOnboarding(false);
    settings->setAutomaticSelectionEnabled(false);
    coordinator->start();
    const int shown = windows->onboardingShown;
    coordinator->setAutomaticSelectionEnabled(true);
    EXPECT_EQ(windows->onboardingShown, shown + 1);
    EXPECT_FALSE(settings->automaticSelectionEnabled());
    EXPECT_FALSE(monitor->handler);

    // Completing onboarding with the badge chosen starts the monitor.
    settings->setAutomaticSelectionEnabled(true);
    ASSERT_TRUE(keyStore->saveAPIKey(QStringLiteral("vorn_0123456789abcdef0123456789abcdef")).has_value());
    ASSERT_TRUE(coordinator->completeOnboarding());
    EXPECT_TRUE(monitor->handler);
}
