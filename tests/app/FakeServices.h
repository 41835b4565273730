#pragma once

#include "AppServices.h"
#include "literature/LiteratureBackend.h"
#include "support/FakeKeyStore.h"

#include <QList>

#include <memory>

class FakeResultPanel final : public ResultPanelControlling
{
public:
    QList<std::optional<ScreenRect>> shows;
    int hides = 0;
    void show(const std::optional<ScreenRect>& anchor) override { shows.append(anchor); }
    void hide() override { ++hides; }
};

// Hands out streams whose producer side the test drives.
class ScriptedBackend final : public LiteratureBackend
{
public:
    struct Call
    {
        LiteratureQuery query;
        LiteratureQuerySink sink;
        bool cancelled = false;
    };
    QList<std::shared_ptr<Call>> calls;

    std::unique_ptr<LiteratureQueryStream> query(const LiteratureQuery& q) override
    {
        auto [stream, sink] = LiteratureQueryStream::create();
        auto call = std::make_shared<Call>(Call{q, sink, false});
        sink.onCancel([weak = std::weak_ptr<Call>(call)] {
            if (auto c = weak.lock())
                c->cancelled = true;
        });
        calls.append(call);
        return std::move(stream);
    }
};

#include "ApplicationLifecycle.h"
#include "capture/SelectionCapturing.h"

#include <QPromise>

// Captures that the test finishes, fails or watches being cancelled.
class FakeSelectionProvider final : public AsyncSystemSelectionCapturing
{
public:
    struct Capture
    {
        SelectionCaptureOptions options;
        QPromise<AsyncSelectionCaptureResult> promise;
        QFuture<AsyncSelectionCaptureResult> future;

        void succeed(const QString& text)
        {
            SelectionContext context;
            context.selectedText = text;
            context.bounds = ScreenRect{1, 2, 3, 4};
            promise.addResult(AsyncSelectionCaptureResult(SystemSelection{context, 42}));
            promise.finish();
        }
        void fail(SelectionCaptureFailure failure)
        {
            promise.addResult(AsyncSelectionCaptureResult(std::unexpected(std::move(failure))));
            promise.finish();
        }
        [[nodiscard]] bool isCancelled() const { return future.isCanceled(); }
    };
    QList<std::shared_ptr<Capture>> captures;
    int restores = 0;

    using AsyncSystemSelectionCapturing::captureSelection;
    QFuture<AsyncSelectionCaptureResult> captureSelection(const SelectionCaptureOptions& options) override
    {
        auto capture = std::make_shared<Capture>();
        capture->options = options;
        capture->promise.start();
        capture->future = capture->promise.future();
        captures.append(capture);
        return capture->future;
    }
    QFuture<bool> isStillValid(const SystemSelection&) override { return QtFuture::makeReadyFuture(true); }
    void restorePendingClipboardIfNeeded() override { ++restores; }
};

class FakePermission final : public AccessibilityPermissionManaging
{
public:
    bool trusted = true;
    int prompts = 0;
    bool isTrusted() const override { return trusted; }
    bool checkTrust(bool promptIfNeeded) override
    {
        if (promptIfNeeded && !trusted)
            ++prompts;
        return trusted;
    }
    void openAccessibilitySettings() override {}
};

class FakeHotKey final : public GlobalHotKeyProviding
{
public:
    std::function<void()> handler;
    int registrations = 0;
    int unregistrations = 0;
    // What the next registration yields.
    std::expected<GlobalHotKeyRegistrationReport, GlobalHotKeyError> outcome =
        GlobalHotKeyRegistrationReport{GlobalHotKeyAvailability::registered()};
    GlobalHotKeyRegistrationReport report;
    OutcomeHandler lateOutcome;

    bool isRegistered() const override
    {
        return static_cast<bool>(handler) && report.availability == GlobalHotKeyAvailability::registered();
    }
    void setLateOutcomeHandler(OutcomeHandler h) override { lateOutcome = std::move(h); }
    GlobalHotKeyRegistrationReport registrationReport() const override { return report; }
    std::expected<GlobalHotKeyRegistrationReport, GlobalHotKeyError>
    registerHotKey(std::function<void()> h) override
    {
        ++registrations;
        if (!outcome)
            return outcome;
        handler = std::move(h);
        report = *outcome;
        return outcome;
    }
    void unregisterHotKey() override
    {
        ++unregistrations;
        handler = nullptr;
        report = {};
    }
};

class FakeServicesProvider final : public VORNCiteServicesProviding
{
public:
    ServiceSelectionHandler handler;
    int installs = 0;
    void install(ServiceSelectionHandler h) override
    {
        ++installs;
        handler = std::move(h);
    }
    void uninstall() override { handler = nullptr; }
};

class FakeLoginItem final : public LaunchAtLoginManaging
{
public:
    LaunchAtLoginStatus current = LaunchAtLoginStatus::disabled;
    LaunchAtLoginStatus status() const override { return current; }
    std::expected<void, LaunchAtLoginError> setEnabled(bool enabled) override
    {
        current = enabled ? LaunchAtLoginStatus::enabled : LaunchAtLoginStatus::disabled;
        return {};
    }
    void openLoginItemsSettings() override {}
};

class FakeActivations final : public ApplicationActivationObserving
{
public:
    std::function<void()> handler;
    int observations = 0;
    void observe(std::function<void()> h) override
    {
        ++observations;
        handler = std::move(h);
    }
    void stopObserving() override { handler = nullptr; }
};
