#pragma once

// The desktop services that the application's start and stop (ApplicationLifecycle)
// reach through the coordinator: the login item, application switches and updates.

#include <QObject>
#include <QString>

#include <expected>
#include <functional>
#include <optional>

enum class LaunchAtLoginStatus
{
    disabled,
    enabled,
    requiresApproval,
    unavailable
};

// A failed change of the login item, with the desktop's own sentence.
class LaunchAtLoginError final
{
public:
    explicit LaunchAtLoginError(QString message) : m_message(std::move(message)) {}
    [[nodiscard]] QString errorDescription() const { return m_message; }
    friend bool operator==(const LaunchAtLoginError&, const LaunchAtLoginError&) = default;

private:
    QString m_message;
};

// Whether the application starts when the user logs in. Main thread only.
class LaunchAtLoginManaging
{
public:
    virtual ~LaunchAtLoginManaging() = default;
    [[nodiscard]] virtual LaunchAtLoginStatus status() const = 0;
    virtual std::expected<void, LaunchAtLoginError> setEnabled(bool enabled) = 0;
    virtual void openLoginItemsSettings() = 0;
};

// Tells when another application (or window) became the active one. Main thread only;
// the handler runs on the main thread, outside the desktop's event dispatch.
class ApplicationActivationObserving
{
public:
    virtual ~ApplicationActivationObserving() = default;
    virtual void observe(std::function<void()> handler) = 0;
    virtual void stopObserving() = 0;
};

// Software updates. On this desktop the package manager updates the program, so no
// updater is configured: nothing is ever checked or offered.
class UpdateController final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UpdateController)

public:
    explicit UpdateController(QObject* parent = nullptr);

    [[nodiscard]] bool isConfigured() const { return false; }
    [[nodiscard]] bool canCheckForUpdates() const { return false; }
    void checkForUpdates() {}
    [[nodiscard]] const std::optional<QString>& pendingUpdateVersion() const
    {
        return m_pendingUpdateVersion;
    }

signals:
    void pendingUpdateVersionChanged();

private:
    std::optional<QString> m_pendingUpdateVersion;
};

// The application's own windows that the coordinator opens on request.
class ApplicationWindowsPresenting
{
public:
    virtual ~ApplicationWindowsPresenting() = default;
    virtual void showSettings() = 0;
    virtual void showOnboarding() = 0;
    virtual void closeOnboarding() = 0;
    virtual void showAbout() = 0;
};
