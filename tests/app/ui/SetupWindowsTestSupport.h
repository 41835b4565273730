#pragma once

// A coordinator over fakes at the desktop's interfaces, for the tests of the tray menu,
// the onboarding and the settings window.
#include "AppCoordinator.h"
#include "FakeServices.h"
#include "Motion.h"
#include "literature/VORNAPIKeyFormat.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A key store that checks the key's form as the real one does, and can fail to read.
class CheckingKeyStore final : public VORNAPIKeyStoring
{
public:
    std::optional<QString> key;
    std::optional<VORNAPIKeyStoreError> loadError;
    int saves = 0;
    int deletes = 0;

    std::expected<std::optional<QString>, VORNAPIKeyStoreError> loadAPIKey() override
    {
        if (loadError)
            return std::unexpected(*loadError);
        return key;
    }
    std::expected<void, VORNAPIKeyStoreError> saveAPIKey(const QString& k) override
    {
        ++saves;
        const std::optional<QString> normalized = VORNAPIKeyFormat::normalize(k);
        if (!normalized)
            return std::unexpected(VORNAPIKeyStoreError::invalidKey());
        key = *normalized;
        loadError.reset();
        return {};
    }
    std::expected<void, VORNAPIKeyStoreError> deleteAPIKey() override
    {
        ++deletes;
        key.reset();
        loadError.reset();
        return {};
    }
};

// Records what the permission manager was asked to do.
class RecordingPermission final : public AccessibilityPermissionManaging
{
public:
    bool trusted = false;
    int prompts = 0;
    int settingsOpened = 0;
    // What a prompt does (the real one shows a dialog whose button grants access).
    bool promptGrants = false;
    bool isTrusted() const override { return trusted; }
    bool checkTrust(bool promptIfNeeded) override
    {
        if (promptIfNeeded && !trusted) {
            ++prompts;
            trusted = promptGrants;
        }
        return trusted;
    }
    void openAccessibilitySettings() override { ++settingsOpened; }
};

class FailingLoginItem final : public LaunchAtLoginManaging
{
public:
    LaunchAtLoginStatus current = LaunchAtLoginStatus::disabled;
    std::optional<QString> failure;
    int approvals = 0;
    LaunchAtLoginStatus status() const override { return current; }
    std::expected<void, LaunchAtLoginError> setEnabled(bool enabled) override
    {
        if (failure)
            return std::unexpected(LaunchAtLoginError(*failure));
        current = enabled ? LaunchAtLoginStatus::enabled : LaunchAtLoginStatus::disabled;
        return {};
    }
    void openLoginItemsSettings() override { ++approvals; }
};

class RecordingWindows final : public ApplicationWindowsPresenting
{
public:
    int settingsShown = 0;
    int onboardingShown = 0;
    int onboardingClosed = 0;
    int aboutShown = 0;
    void showSettings() override { ++settingsShown; }
    void showOnboarding() override { ++onboardingShown; }
    void closeOnboarding() override { ++onboardingClosed; }
    void showAbout() override { ++aboutShown; }
};

class SetupWindowsTest : public ::testing::Test
{
protected:
    QTemporaryDir settingsDir;
    std::shared_ptr<AppSettings> settings = std::make_shared<AppSettings>(std::make_unique<QSettings>(
        settingsDir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
    std::shared_ptr<CheckingKeyStore> keyStore = std::make_shared<CheckingKeyStore>();
    std::shared_ptr<RecordingPermission> permission = std::make_shared<RecordingPermission>();
    std::shared_ptr<FakeHotKey> hotKey = std::make_shared<FakeHotKey>();
    std::shared_ptr<FailingLoginItem> loginItem = std::make_shared<FailingLoginItem>();
    std::shared_ptr<RecordingWindows> windows = std::make_shared<RecordingWindows>();
    std::shared_ptr<FakeSelectionProvider> provider = std::make_shared<FakeSelectionProvider>();
    std::shared_ptr<AutomaticSelectionMonitoring> selectionMonitor; // none by default
    std::unique_ptr<AppCoordinator> coordinator;

    void SetUp() override
    {
        Motion::setEnabled(false);
        makeCoordinator();
    }

    void makeCoordinator()
    {
        AppCoordinator::Dependencies deps;
        deps.settings = settings;
        deps.resultPanelController = std::make_shared<FakeResultPanel>();
        deps.selectionProvider = provider;
        deps.permissionManager = permission;
        deps.hotKeyManager = hotKey;
        deps.servicesProvider = std::make_shared<FakeServicesProvider>();
        deps.launchAtLoginManager = loginItem;
        deps.activationObserver = std::make_shared<FakeActivations>();
        deps.windows = windows;
        deps.automaticSelectionMonitor = selectionMonitor;
        coordinator = std::make_unique<AppCoordinator>(keyStore, deps);
    }

    static void drain()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
};

// The texts of buttons, in order.
template <typename Button>
QStringList textsOf(const QList<Button*>& buttons)
{
    QStringList texts;
    for (const QAbstractButton* button : buttons)
        texts.append(button->text());
    return texts;
}
