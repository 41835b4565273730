#include "AppCoordinator.h"
#include "FakeServices.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

LiteratureQuery query(const QString& text)
{
    return LiteratureQuery{text, LiteratureQueryOptions{5, true, 15}};
}

LiteratureResult resultWithAnswer(const QString& answer)
{
    LiteratureResult r;
    r.answer = answer;
    return r;
}

void drainEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

class CoordinatorTest : public ::testing::Test
{
protected:
    std::shared_ptr<FakeKeyStore> keyStore = std::make_shared<FakeKeyStore>();
    std::shared_ptr<FakeResultPanel> panel = std::make_shared<FakeResultPanel>();
    std::shared_ptr<ScriptedBackend> backend = std::make_shared<ScriptedBackend>();
    QList<QString> factoryScopes;
    std::unique_ptr<AppCoordinator> coordinator;

    void SetUp() override
    {
        AppCoordinator::Dependencies deps;
        deps.resultPanelController = panel;
        deps.backendFactory = [this](const QString& scope) {
            factoryScopes.append(scope);
            return backend;
        };
        coordinator = std::make_unique<AppCoordinator>(keyStore, deps);
    }

    ScriptedBackend::Call& lastCall() { return *backend->calls.last(); }
};

} // namespace

TEST_F(CoordinatorTest, RunLoadsThenCompletesWithProgressMirrored)
{
    const ScreenRect anchor{10, 20, 30, 40};
    coordinator->run(query(QStringLiteral("Aspirin reduces fever.")), anchor);
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::loading);
    EXPECT_EQ(coordinator->progressStep(), QStringLiteral("Searching VORN"));
    EXPECT_FALSE(coordinator->canRetryLastQuery());
    ASSERT_EQ(panel->shows.size(), 1);
    EXPECT_EQ(panel->shows[0], anchor);

    lastCall().sink.progress(QStringLiteral("Reading"), QStringLiteral("3 papers"));
    drainEvents();
    EXPECT_EQ(coordinator->progressStep(), QStringLiteral("Reading"));
    EXPECT_EQ(coordinator->progressContent(), QStringLiteral("3 papers"));

    lastCall().sink.complete(resultWithAnswer(QStringLiteral("yes")));
    drainEvents();
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::completed);
    EXPECT_EQ(coordinator->result()->answer, QStringLiteral("yes"));
    EXPECT_TRUE(coordinator->progressStep().isEmpty());
    EXPECT_FALSE(coordinator->progressContent().has_value());
    EXPECT_FALSE(coordinator->errorMessage().has_value());
    EXPECT_TRUE(coordinator->canRetryLastQuery());
}

TEST_F(CoordinatorTest, SameQueryWhileLoadingReshowsPanelWithoutRestarting)
{
    coordinator->run(query(QStringLiteral("Aspirin reduces fever.")), std::nullopt);
    coordinator->run(query(QStringLiteral("Aspirin reduces fever.")), ScreenRect{1, 1, 1, 1});
    EXPECT_EQ(backend->calls.size(), 1);
    EXPECT_FALSE(lastCall().cancelled);
    EXPECT_EQ(panel->shows.size(), 2);

    // Different options make a different query.
    LiteratureQuery other = query(QStringLiteral("Aspirin reduces fever."));
    other.options.cacheDurationMinutes = 0;
    coordinator->run(other, std::nullopt);
    EXPECT_EQ(backend->calls.size(), 2);
    EXPECT_TRUE(backend->calls[0]->cancelled);
}

TEST_F(CoordinatorTest, LateResultOfSupersededQueryNeverReachesState)
{
    coordinator->run(query(QStringLiteral("First sentence here.")), std::nullopt);
    auto first = backend->calls[0];
    // Already queued before the second run: must still be dropped.
    first->sink.complete(resultWithAnswer(QStringLiteral("stale")));
    coordinator->run(query(QStringLiteral("Second sentence here.")), std::nullopt);
    EXPECT_TRUE(first->cancelled || first->sink.isClosed());
    drainEvents();
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::loading);
    EXPECT_FALSE(coordinator->result().has_value());

    first->sink.fail(LiteratureError::transport(QStringLiteral("late")));
    backend->calls[1]->sink.complete(resultWithAnswer(QStringLiteral("fresh")));
    drainEvents();
    EXPECT_EQ(coordinator->result()->answer, QStringLiteral("fresh"));
    EXPECT_FALSE(coordinator->errorMessage().has_value());
}

TEST_F(CoordinatorTest, SecondCompletedEventReplacesTheResult)
{
    coordinator->run(query(QStringLiteral("Aspirin reduces fever.")), std::nullopt);
    lastCall().sink.send(LiteratureQueryEvent::completed(resultWithAnswer(QStringLiteral("one"))));
    lastCall().sink.progress(QStringLiteral("Refining"));
    drainEvents();
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::completed);
    EXPECT_EQ(coordinator->progressStep(), QStringLiteral("Refining"));
    lastCall().sink.complete(resultWithAnswer(QStringLiteral("two")));
    drainEvents();
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::completed);
    EXPECT_EQ(coordinator->result()->answer, QStringLiteral("two"));
}

TEST_F(CoordinatorTest, StreamWithOnlyProgressFailsWithEmptyAnswerMessage)
{
    coordinator->run(query(QStringLiteral("Aspirin reduces fever.")), std::nullopt);
    lastCall().sink.progress(QStringLiteral("Working"));
    lastCall().sink.finish();
    drainEvents();
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::failed);
    EXPECT_EQ(coordinator->errorMessage(), QStringLiteral("VORN finished without usable citations."));
    EXPECT_EQ(coordinator->failureKind(), FailureKind::other);
    EXPECT_TRUE(coordinator->progressStep().isEmpty());
    EXPECT_EQ(panel->shows.size(), 2) << "the panel reappears with the error";
}

TEST_F(CoordinatorTest, FailuresBecomeMessageAndKind)
{
    coordinator->run(query(QStringLiteral("Aspirin reduces fever.")), std::nullopt);
    lastCall().sink.fail(LiteratureError::requestFailed(429, QStringLiteral("Quota used.")));
    drainEvents();
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::failed);
    EXPECT_EQ(
        coordinator->errorMessage(),
        QStringLiteral("VORN declined this request because usage or rate limits were reached. Quota used."));
    EXPECT_EQ(coordinator->failureKind(), FailureKind::rateLimited);

    // A backend-reported cancellation is shown as such, without re-showing the panel.
    coordinator->run(query(QStringLiteral("Another sentence here.")), std::nullopt);
    const qsizetype shows = panel->shows.size();
    lastCall().sink.fail(LiteratureError::cancelled());
    drainEvents();
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::failed);
    EXPECT_EQ(coordinator->errorMessage(), QStringLiteral("The literature request was cancelled."));
    EXPECT_EQ(coordinator->failureKind(), FailureKind::other);
    EXPECT_EQ(coordinator->progressStep(), QStringLiteral("Searching VORN"));
    EXPECT_EQ(panel->shows.size(), shows);
}

TEST_F(CoordinatorTest, CancelQueryOnlyActsWhileLoading)
{
    coordinator->cancelQuery();
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::idle);

    coordinator->run(query(QStringLiteral("Aspirin reduces fever.")), std::nullopt);
    auto call = backend->calls.last();
    coordinator->cancelQuery();
    EXPECT_TRUE(call->cancelled);
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::failed);
    EXPECT_EQ(coordinator->errorMessage(), QStringLiteral("The literature request was cancelled."));
    EXPECT_EQ(coordinator->failureKind(), FailureKind::other);

    coordinator->run(query(QStringLiteral("Aspirin reduces fever.")), std::nullopt);
    lastCall().sink.complete(resultWithAnswer(QStringLiteral("done")));
    drainEvents();
    QSignalSpy phaseSpy(coordinator.get(), &AppCoordinator::phaseChanged);
    coordinator->cancelQuery();
    EXPECT_EQ(phaseSpy.count(), 0);
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::completed);
    EXPECT_FALSE(coordinator->errorMessage().has_value());
}

TEST_F(CoordinatorTest, RetryRunsTheLastQueryAgain)
{
    coordinator->retryLastQuery();
    EXPECT_TRUE(backend->calls.isEmpty());

    coordinator->run(query(QStringLiteral("Aspirin reduces fever.")), std::nullopt);
    lastCall().sink.fail(LiteratureError::requestFailed(503));
    drainEvents();
    EXPECT_TRUE(coordinator->canRetryLastQuery());
    coordinator->retryLastQuery();
    ASSERT_EQ(backend->calls.size(), 2);
    EXPECT_EQ(lastCall().query.text, QStringLiteral("Aspirin reduces fever."));
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::loading);
}

TEST_F(CoordinatorTest, EveryAssignmentNotifiesAlsoWhenUnchanged)
{
    QSignalSpy step(coordinator.get(), &AppCoordinator::progressStepChanged);
    QSignalSpy error(coordinator.get(), &AppCoordinator::errorMessageChanged);
    coordinator->showError(QStringLiteral("x"), FailureKind::other);
    coordinator->showError(QStringLiteral("x"), FailureKind::other);
    EXPECT_EQ(step.count(), 2);
    EXPECT_EQ(error.count(), 2);
}

TEST_F(CoordinatorTest, LimitResultPanelHeight)
{
    QSignalSpy spy(coordinator.get(), &AppCoordinator::resultPanelMaxHeightChanged);
    struct Row
    {
        double available;
        double want;
    };
    for (const Row& row : {Row{100, 180}, Row{1000, 560}, Row{400, 400}}) {
        coordinator->limitResultPanelHeight(row.available);
        EXPECT_EQ(coordinator->resultPanelMaxHeight(), row.want);
    }
    EXPECT_EQ(spy.count(), 3);
    coordinator->limitResultPanelHeight(400);
    EXPECT_EQ(spy.count(), 3) << "repeating the same value notifies nobody";
}

TEST_F(CoordinatorTest, BackendIsRebuiltOnlyWhenTheCredentialScopeChanges)
{
    coordinator->run(query(QStringLiteral("First sentence here.")), std::nullopt);
    coordinator->run(query(QStringLiteral("Second sentence here.")), std::nullopt);
    EXPECT_EQ(factoryScopes, QList<QString>{QStringLiteral("missing")});

    keyStore->key = QStringLiteral("vorn_abc");
    coordinator->refreshCredentialStatus();
    coordinator->refreshCredentialStatus();
    coordinator->run(query(QStringLiteral("Third sentence here.")), std::nullopt);
    coordinator->run(query(QStringLiteral("Fourth sentence here.")), std::nullopt);
    ASSERT_EQ(factoryScopes.size(), 2);
    EXPECT_EQ(factoryScopes[1], AppCoordinator::credentialScope(QStringLiteral("vorn_abc")));
}

TEST(CoordinatorStatic, CredentialScope)
{
    EXPECT_EQ(AppCoordinator::credentialScope(std::nullopt), QStringLiteral("missing"));
    // SHA-256 of "abc".
    EXPECT_EQ(AppCoordinator::credentialScope(QStringLiteral("abc")),
              QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
}

TEST_F(CoordinatorTest, CredentialStatusFollowsTheStore)
{
    EXPECT_EQ(coordinator->credentialStatus(), CredentialStatus::missing());
    EXPECT_FALSE(coordinator->maskedStoredAPIKey().has_value());

    ASSERT_TRUE(coordinator->saveAPIKey(QStringLiteral("vorn_secretKey1")).has_value());
    EXPECT_EQ(coordinator->credentialStatus(), CredentialStatus::stored());
    EXPECT_TRUE(coordinator->hasStoredAPIKey());
    EXPECT_EQ(coordinator->maskedStoredAPIKey(),
              QStringLiteral(
                  "vorn_\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022"
                  "\u2022\u2022 (saved)"));
    EXPECT_FALSE(coordinator->maskedStoredAPIKey()->contains(QStringLiteral("secret")));

    keyStore->loadError = VORNAPIKeyStoreError::invalidStoredValue();
    coordinator->refreshCredentialStatus();
    EXPECT_EQ(
        coordinator->credentialStatus(),
        CredentialStatus::unreadable(QStringLiteral(
            "The saved VORN API key could not be read. Save a new vorn_ key in Settings to replace it.")));
    EXPECT_FALSE(coordinator->hasStoredAPIKey());
    EXPECT_EQ(coordinator->currentCredentialScope(), QStringLiteral("missing"));
}

TEST(CoordinatorStatic, ClassifyAndFriendlyMessage)
{
    struct Row
    {
        LiteratureError error;
        FailureKind kind;
        QString message;
    };
    const QString declined =
        QStringLiteral("VORN declined this request because usage or rate limits were reached.");
    const QList<Row> rows = {
        {LiteratureError::requestFailed(401), FailureKind::invalidKey,
         QStringLiteral("VORN rejected this API key. Replace it with an active vorn_ key in Settings.")},
        {LiteratureError::requestFailed(403, QStringLiteral("no")), FailureKind::invalidKey,
         QStringLiteral("VORN rejected this API key. Replace it with an active vorn_ key in Settings.")},
        {LiteratureError::requestFailed(422, QStringLiteral("Too vague")), FailureKind::invalidSelection,
         QStringLiteral("VORN rejected the selected sentence: Too vague")},
        {LiteratureError::requestFailed(422), FailureKind::invalidSelection,
         QStringLiteral("VORN rejected the selected sentence.")},
        {LiteratureError::requestFailed(429, QStringLiteral("Quota.")), FailureKind::rateLimited,
         declined + QStringLiteral(" Quota.")},
        {LiteratureError::requestFailed(429, QString()), FailureKind::rateLimited, declined + u' '},
        {LiteratureError::requestFailed(429), FailureKind::rateLimited,
         declined + QStringLiteral(" Check the account before retrying.")},
        {LiteratureError::requestFailed(502), FailureKind::other,
         QStringLiteral("The VORN citation service is temporarily unavailable. Try once more in a moment.")},
        {LiteratureError::requestFailed(503, QStringLiteral("busy")), FailureKind::other,
         QStringLiteral("The VORN citation service is temporarily unavailable. Try once more in a moment.")},
        {LiteratureError::requestFailed(504), FailureKind::other,
         QStringLiteral("The VORN citation search exceeded its server timeout. Try once more.")},
        {LiteratureError::requestFailed(500), FailureKind::other,
         QStringLiteral("The literature service returned HTTP 500.")},
        {LiteratureError::missingCredential(), FailureKind::missingKey,
         QStringLiteral("Enter a VORN API key in Settings before searching.")},
        {LiteratureError::transport(QStringLiteral("offline")), FailureKind::other,
         QStringLiteral("The literature request failed: offline")},
        {LiteratureError::invalidEndpoint(), FailureKind::other,
         QStringLiteral("The literature service endpoint is invalid.")},
        {LiteratureError::invalidInput(QStringLiteral("Too short.")), FailureKind::other,
         QStringLiteral("Too short.")},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(AppCoordinator::classify(row.error), row.kind)
            << row.error.errorDescription().toStdString();
        EXPECT_EQ(AppCoordinator::friendlyMessage(row.error), row.message);
    }
}

TEST(CoordinatorStatic, CaptureErrorsClassifyByTheirEffectOnTheUser)
{
    const SelectionSource source{42, QStringLiteral("Editor"), std::nullopt};
    const std::pair<SelectionCaptureError, FailureKind> rows[] = {
        {SelectionCaptureError::selectionUnavailable(source), FailureKind::other},
        {SelectionCaptureError::selectionTooLong(4001), FailureKind::invalidSelection},
        {SelectionCaptureError::accessibilityFailure(QStringLiteral("read the focused element"),
                                                     AXError::invalidUIElement),
         FailureKind::accessibility},
        {SelectionCaptureError::accessibilityPermissionRequired(), FailureKind::accessibility},
        {SelectionCaptureError::focusedElementUnavailable(), FailureKind::other},
        {SelectionCaptureError::secureField(), FailureKind::invalidSelection},
        {SelectionCaptureError::emptySelection(), FailureKind::invalidSelection},
        {SelectionCaptureError::staleSelection(), FailureKind::invalidSelection},
    };
    for (const auto& [error, kind] : rows) {
        EXPECT_EQ(AppCoordinator::classify(error), kind) << error.diagnosticCode().toStdString();
        EXPECT_EQ(AppCoordinator::classify(SelectionCaptureFailure(error)), kind);
        EXPECT_EQ(AppCoordinator::friendlyMessage(SelectionCaptureFailure(error)), error.errorDescription());
    }
}

TEST(CoordinatorStatic, ClipboardCaptureErrorsReachTheUserUnchangedAsOther)
{
    for (const ClipboardCaptureError error :
         {ClipboardCaptureError::Kind::busy, ClipboardCaptureError::Kind::copyTimedOut,
          ClipboardCaptureError::Kind::clipboardRestoreFailed,
          ClipboardCaptureError::Kind::copyEventFailed}) {
        const SelectionCaptureFailure failure(error);
        EXPECT_EQ(AppCoordinator::classify(failure), FailureKind::other);
        EXPECT_EQ(AppCoordinator::friendlyMessage(failure), error.errorDescription());
    }
    // The validator's rejection of copied text keeps its own sentence.
    const SelectionCaptureFailure tooShort(LiteratureError::invalidInput(QStringLiteral("Too short.")));
    EXPECT_EQ(AppCoordinator::classify(tooShort), FailureKind::other);
    EXPECT_EQ(AppCoordinator::friendlyMessage(tooShort), QStringLiteral("Too short."));
}

TEST(CoordinatorBackend, UnconfiguredServiceFailsWithEndpointError)
{
    // The real backend stack, with a service address that is not https: queries fail
    // before any key is read or any request is made, whatever this build was
    // configured with.
    auto settings = std::make_shared<AppSettings>();
    settings->store().setValue(AppSettings::serviceURLKey, QStringLiteral("http://127.0.0.1:9"));
    auto keyStore = std::make_shared<FakeKeyStore>();
    keyStore->key = QStringLiteral("vorn_abc");
    AppCoordinator::Dependencies deps;
    deps.settings = settings;
    AppCoordinator coordinator(keyStore, deps);
    coordinator.run(query(QStringLiteral("Aspirin reduces fever.")), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return coordinator.phase() != ResultPanelPhase::loading; }));
    EXPECT_EQ(coordinator.phase(), ResultPanelPhase::failed);
    EXPECT_EQ(coordinator.errorMessage(), QStringLiteral("The literature service endpoint is invalid."));
    EXPECT_EQ(keyStore->loads, 1) << "only the credential refresh at construction read the store";
    settings->store().remove(AppSettings::serviceURLKey);
}

TEST(CoordinatorSelection, OneSelectionProviderAndADefaultThatFindsNoText)
{
    class Provider final : public AsyncSystemSelectionCapturing
    {
    public:
        QFuture<AsyncSelectionCaptureResult> captureSelection(const SelectionCaptureOptions&) override
        {
            return QtFuture::makeReadyFuture(AsyncSelectionCaptureResult(
                std::unexpected(SelectionCaptureFailure(SelectionCaptureError::staleSelection()))));
        }
        QFuture<bool> isStillValid(const SystemSelection&) override
        {
            return QtFuture::makeReadyFuture(true);
        }
    };
    auto provider = std::make_shared<Provider>();
    AppCoordinator::Dependencies deps;
    deps.selectionProvider = provider;
    AppCoordinator given(std::make_shared<FakeKeyStore>(), deps);
    EXPECT_EQ(&given.selectionProvider(), provider.get());

    AppCoordinator defaulted(std::make_shared<FakeKeyStore>());
    const AsyncSelectionCaptureResult result = defaulted.selectionProvider().captureSelection(true).result();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), SelectionCaptureFailure(SelectionCaptureError::focusedElementUnavailable()));
}
