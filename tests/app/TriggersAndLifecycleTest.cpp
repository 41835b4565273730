// The coordinator's triggers and its start and stop, with fakes at every desktop service.
#include "AppCoordinator.h"
#include "FakeServices.h"
#include "service/CachingLiteratureBackend.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString sentence = QStringLiteral("Aspirin reduces fever in adults.");
const QString otherSentence = QStringLiteral("Ibuprofen lowers fever in children.");

SelectionContext selected(const QString& text)
{
    SelectionContext context;
    context.selectedText = text;
    return context;
}

void drainEvents()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

class TriggersTest : public ::testing::Test
{
protected:
    QTemporaryDir settingsDir;
    std::shared_ptr<AppSettings> settings = std::make_shared<AppSettings>(std::make_unique<QSettings>(
        settingsDir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
    std::shared_ptr<FakeKeyStore> keyStore = std::make_shared<FakeKeyStore>();
    std::shared_ptr<FakeResultPanel> panel = std::make_shared<FakeResultPanel>();
    std::shared_ptr<ScriptedBackend> backend = std::make_shared<ScriptedBackend>();
    std::shared_ptr<FakeSelectionProvider> provider = std::make_shared<FakeSelectionProvider>();
    std::shared_ptr<FakePermission> permission = std::make_shared<FakePermission>();
    std::shared_ptr<FakeHotKey> hotKey = std::make_shared<FakeHotKey>();
    std::shared_ptr<FakeServicesProvider> services = std::make_shared<FakeServicesProvider>();
    std::shared_ptr<FakeLoginItem> loginItem = std::make_shared<FakeLoginItem>();
    std::shared_ptr<FakeActivations> activations = std::make_shared<FakeActivations>();
    std::unique_ptr<AppCoordinator> coordinator;

    void SetUp() override { makeCoordinator(); }

    void makeCoordinator()
    {
        AppCoordinator::Dependencies deps;
        deps.settings = settings;
        deps.resultPanelController = panel;
        deps.backendFactory = [this](const QString&) { return backend; };
        deps.selectionProvider = provider;
        deps.permissionManager = permission;
        deps.hotKeyManager = hotKey;
        deps.servicesProvider = services;
        deps.launchAtLoginManager = loginItem;
        deps.activationObserver = activations;
        coordinator = std::make_unique<AppCoordinator>(keyStore, deps);
    }

    FakeSelectionProvider::Capture& lastCapture() { return *provider->captures.last(); }
};

} // namespace

TEST_F(TriggersTest, CaptureDispatchesTheNormalisedSelection)
{
    settings->setIncludeEvidence(false);
    settings->setCacheDurationMinutes(60);
    coordinator->captureCitations();
    ASSERT_EQ(provider->captures.size(), 1);
    EXPECT_EQ(lastCapture().options,
              (SelectionCaptureOptions{true, std::nullopt, DescendantSearch::thorough}));
    EXPECT_TRUE(coordinator->isCapturingSelection());
    EXPECT_TRUE(backend->calls.isEmpty()) << "nothing is queried before the capture returns";

    lastCapture().succeed(QStringLiteral("  Aspirin   reduces fever\nin adults.  "));
    drainEvents();
    ASSERT_EQ(backend->calls.size(), 1);
    EXPECT_EQ(backend->calls[0]->query, (LiteratureQuery{sentence, LiteratureQueryOptions{5, false, 60}}));
    ASSERT_TRUE(coordinator->selection().has_value());
    EXPECT_EQ(coordinator->selection()->selectedText, sentence);
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::loading);
    EXPECT_EQ(panel->shows.last(), (ScreenRect{1, 2, 3, 4})) << "anchored at the selection";
    EXPECT_FALSE(coordinator->isCapturingSelection());
}

TEST_F(TriggersTest, ASupersededCaptureIsCancelledAndSilent)
{
    coordinator->captureCitations();
    auto first = provider->captures.last();
    coordinator->captureCitations();
    auto second = provider->captures.last();
    EXPECT_TRUE(first->isCancelled());

    // The first capture's outcome, whatever it is, never shows.
    first->fail(SelectionCaptureError::secureField());
    second->succeed(otherSentence);
    drainEvents();
    ASSERT_EQ(backend->calls.size(), 1);
    EXPECT_EQ(backend->calls[0]->query.text, otherSentence);
    EXPECT_FALSE(coordinator->errorMessage().has_value());
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::loading);

    // A cancelled capture that reports nothing at all is just as silent.
    coordinator->captureCitations();
    coordinator->captureCitations();
    provider->captures[2]->promise.finish();
    drainEvents();
    EXPECT_FALSE(coordinator->errorMessage().has_value());
}

TEST_F(TriggersTest, CaptureFailureEndsTheRunningQueryAndClearsTheSelection)
{
    coordinator->dispatch(selected(sentence));
    auto running = backend->calls.last();
    coordinator->captureCitations();
    EXPECT_FALSE(running->cancelled) << "the trigger itself leaves the running query alone";

    lastCapture().fail(SelectionCaptureError::accessibilityPermissionRequired());
    drainEvents();
    EXPECT_TRUE(running->cancelled);
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::failed);
    EXPECT_EQ(coordinator->errorMessage(),
              SelectionCaptureError::accessibilityPermissionRequired().errorDescription());
    EXPECT_EQ(coordinator->failureKind(), FailureKind::accessibility);
    EXPECT_FALSE(coordinator->selection().has_value());
    EXPECT_FALSE(coordinator->canRetryLastQuery());

    // Text that the clipboard fallback copied can fail the validator's way.
    coordinator->captureCitations();
    lastCapture().fail(LiteratureError::invalidInput(QStringLiteral("Select at least 10 characters.")));
    drainEvents();
    EXPECT_EQ(coordinator->errorMessage(), QStringLiteral("Select at least 10 characters."));
    EXPECT_EQ(coordinator->failureKind(), FailureKind::other);
}

TEST_F(TriggersTest, RejectedSelectionWhileLoadingIsReplacedByTheEarlierResult)
{
    coordinator->dispatch(selected(sentence));
    auto running = backend->calls.last();
    coordinator->dispatch(selected(QStringLiteral("short")));
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::failed);
    EXPECT_EQ(coordinator->failureKind(), FailureKind::invalidSelection);
    ASSERT_TRUE(coordinator->errorMessage().has_value());
    EXPECT_FALSE(coordinator->selection().has_value());
    EXPECT_FALSE(running->cancelled);
    coordinator->retryLastQuery();
    EXPECT_EQ(backend->calls.size(), 1) << "the rejected selection cleared the last query";

    LiteratureResult result;
    result.answer = QStringLiteral("fresh");
    running->sink.complete(result);
    drainEvents();
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::completed);
    EXPECT_EQ(coordinator->result()->answer, QStringLiteral("fresh"));
}

TEST_F(TriggersTest, CompatibilitySwitchIsStoredAtOnce)
{
    coordinator->setCompatibilityCaptureEnabled(true);
    EXPECT_TRUE(settings->compatibilityCaptureEnabled());
    EXPECT_TRUE(settings->hasExplicitCompatibilityCaptureChoice());
    settings->store().sync();
    EXPECT_TRUE(AppSettings::readBool(settings->store(), AppSettings::compatibilityCaptureKey, false));
}

TEST_F(TriggersTest, StartRegistersOnceAndWiresTheEntryPoints)
{
    settings->setHasCompletedOnboarding(true);
    coordinator->start();
    coordinator->start();
    EXPECT_EQ(hotKey->registrations, 1);
    EXPECT_EQ(services->installs, 1);
    EXPECT_EQ(activations->observations, 1);
    EXPECT_EQ(coordinator->shortcutRegistrationReport().availability, GlobalHotKeyAvailability::registered());
    EXPECT_FALSE(coordinator->shortcutStatusMessage().has_value());
    EXPECT_EQ(coordinator->launchAtLoginStatus(), LaunchAtLoginStatus::disabled);

    // The shortcut captures; a hand-off goes straight to dispatch without touching a capture.
    hotKey->handler();
    EXPECT_EQ(provider->captures.size(), 1);
    SelectionContext handed;
    handed.selectedText = QStringLiteral("  ") + otherSentence;
    handed.captureMethod = SelectionCaptureMethod::service;
    services->handler(ServiceSelectionEvent{handed});
    EXPECT_FALSE(lastCapture().isCancelled());
    ASSERT_EQ(backend->calls.size(), 1);
    EXPECT_EQ(backend->calls[0]->query.text, otherSentence);
    EXPECT_EQ(coordinator->selection()->captureMethod, SelectionCaptureMethod::service);
}

TEST_F(TriggersTest, StopUndoesStartAndStartRegistersAgain)
{
    settings->setHasCompletedOnboarding(true);
    coordinator->start();
    coordinator->dispatch(selected(sentence));
    auto running = backend->calls.last();
    coordinator->captureCitations();
    auto capture = provider->captures.last();

    coordinator->stop();
    EXPECT_TRUE(running->cancelled);
    EXPECT_TRUE(capture->isCancelled());
    EXPECT_EQ(hotKey->unregistrations, 1);
    EXPECT_FALSE(services->handler);
    EXPECT_FALSE(activations->handler);
    EXPECT_EQ(provider->restores, 1);
    EXPECT_FALSE(coordinator->hasStarted());

    coordinator->start();
    EXPECT_EQ(hotKey->registrations, 2);
    EXPECT_EQ(services->installs, 2);
    EXPECT_EQ(activations->observations, 2);
}

TEST_F(TriggersTest, StopEmptiesTheResultCache)
{
    // The real caching stack over a scripted network: a second identical query after
    // stop must reach the network again.
    auto network = std::make_shared<ScriptedBackend>();
    AppCoordinator::Dependencies deps;
    deps.settings = settings;
    deps.resultPanelController = panel;
    deps.selectionProvider = provider;
    std::shared_ptr<InMemoryLiteratureCache> cache;
    deps.backendFactory = [&](const QString& scope) -> std::shared_ptr<LiteratureBackend> {
        return std::make_shared<CachingLiteratureBackend>(network, cache,
                                                          std::make_shared<InFlightLiteratureRequests>(),
                                                          QStringLiteral("https://example.test/cite"), scope);
    };
    AppCoordinator c(keyStore, deps);
    cache = c.resultCache();
    c.start();
    c.dispatch(selected(sentence));
    network->calls.last()->sink.complete(LiteratureResult{});
    network->calls.last()->sink.finish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.phase() == ResultPanelPhase::completed; }));
    c.dispatch(selected(sentence));
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.phase() == ResultPanelPhase::completed; }));
    EXPECT_EQ(network->calls.size(), 1) << "answered from the cache";

    c.stop();
    c.dispatch(selected(sentence));
    EXPECT_EQ(network->calls.size(), 2);
}

TEST_F(TriggersTest, ShortcutReportBecomesTheStatusMessage)
{
    hotKey->outcome = GlobalHotKeyRegistrationReport{GlobalHotKeyAvailability::unavailable(10)};
    coordinator->start();
    EXPECT_EQ(coordinator->shortcutRegistrationReport().availability,
              GlobalHotKeyAvailability::unavailable(10));
    EXPECT_EQ(coordinator->shortcutStatusMessage(),
              QStringLiteral(
                  "Alt+Super+G is already in use or unavailable (error 10). Quit VORN Lens or change its "
                  "shortcut."));
    EXPECT_EQ(activations->observations, 1) << "start carries on";

    coordinator->stop();
    hotKey->outcome = std::unexpected(GlobalHotKeyError::couldNotInstallHandler(-1));
    coordinator->start();
    EXPECT_EQ(coordinator->shortcutRegistrationReport(), GlobalHotKeyRegistrationReport{});
    EXPECT_EQ(coordinator->shortcutStatusMessage(),
              QStringLiteral("VORN Cite could not install its shortcut handler (error -1)."));
}

TEST_F(TriggersTest, ShortcutOutcomesThatArriveLaterAndSessionsWithoutShortcuts)
{
    // A portal answers after start: no message until it does, then its outcome counts.
    hotKey->outcome = GlobalHotKeyRegistrationReport{};
    coordinator->start();
    EXPECT_EQ(coordinator->shortcutRegistrationReport(), GlobalHotKeyRegistrationReport{});
    EXPECT_FALSE(coordinator->shortcutStatusMessage().has_value());
    ASSERT_TRUE(hotKey->lateOutcome);
    hotKey->lateOutcome(GlobalHotKeyRegistrationReport{GlobalHotKeyAvailability::unavailable(1)});
    EXPECT_EQ(coordinator->shortcutRegistrationReport().availability,
              GlobalHotKeyAvailability::unavailable(1));
    EXPECT_EQ(coordinator->shortcutStatusMessage(),
              GlobalHotKeyError::shortcutUnavailable(1).errorDescription());
    hotKey->lateOutcome(GlobalHotKeyRegistrationReport{GlobalHotKeyAvailability::registered()});
    EXPECT_EQ(coordinator->shortcutRegistrationReport().availability, GlobalHotKeyAvailability::registered());
    EXPECT_FALSE(coordinator->shortcutStatusMessage().has_value());

    // No way to take a shortcut at all: unavailable, and the message names the command.
    coordinator->stop();
    hotKey->outcome = std::unexpected(GlobalHotKeyError::desktopShortcutRequired());
    coordinator->start();
    EXPECT_EQ(coordinator->shortcutRegistrationReport().availability,
              GlobalHotKeyAvailability::unavailable(0));
    ASSERT_TRUE(coordinator->shortcutStatusMessage().has_value());
    EXPECT_TRUE(coordinator->shortcutStatusMessage()->contains(QStringLiteral("vorn-cite --find-selection")));
}

TEST_F(TriggersTest, TrustLostAndRestoredWhileRunning)
{
    // Before onboarding nothing warns, whatever the trust.
    permission->trusted = false;
    coordinator->start();
    EXPECT_FALSE(coordinator->accessibilityWarning().has_value());
    EXPECT_EQ(permission->prompts, 0);
    coordinator->stop();

    settings->setHasCompletedOnboarding(true);
    coordinator->start();
    EXPECT_EQ(permission->prompts, 1) << "a start without trust prompts once";
    EXPECT_EQ(
        coordinator->accessibilityWarning(),
        QStringLiteral("VORN Cite lost Accessibility access. Re-enable desktop accessibility in your system "
                       "settings."));

    permission->trusted = true;
    activations->handler();
    drainEvents();
    EXPECT_FALSE(coordinator->accessibilityWarning().has_value());

    QSignalSpy spy(coordinator.get(), &AppCoordinator::accessibilityWarningChanged);
    permission->trusted = false;
    activations->handler();
    activations->handler();
    drainEvents();
    EXPECT_TRUE(coordinator->accessibilityWarning().has_value());
    EXPECT_EQ(spy.count(), 1) << "a warning already showing is left alone";
    EXPECT_EQ(permission->prompts, 1) << "application switches never prompt";
}

TEST_F(TriggersTest, OnboardingCompletesOnlyWithTrustAndKey)
{
    permission->trusted = false;
    keyStore->key = QStringLiteral("vorn_abc");
    EXPECT_FALSE(coordinator->completeOnboarding());
    EXPECT_FALSE(settings->hasCompletedOnboarding());

    permission->trusted = true;
    keyStore->key.reset();
    EXPECT_FALSE(coordinator->completeOnboarding());

    keyStore->key = QStringLiteral("vorn_abc");
    EXPECT_TRUE(coordinator->completeOnboarding());
    EXPECT_TRUE(settings->hasCompletedOnboarding());
}

TEST_F(TriggersTest, LoginItemAndUpdates)
{
    ASSERT_TRUE(coordinator->setLaunchAtLoginEnabled(true).has_value());
    EXPECT_EQ(coordinator->launchAtLoginStatus(), LaunchAtLoginStatus::enabled);
    loginItem->current = LaunchAtLoginStatus::unavailable;
    coordinator->refreshLaunchAtLoginStatus();
    EXPECT_EQ(coordinator->launchAtLoginStatus(), LaunchAtLoginStatus::unavailable);

    // The package manager updates the program: no updater, nothing pending.
    EXPECT_FALSE(coordinator->updateController().isConfigured());
    EXPECT_FALSE(coordinator->updateController().canCheckForUpdates());
    coordinator->checkForUpdates();
    EXPECT_FALSE(coordinator->pendingUpdateVersion().has_value());
}
