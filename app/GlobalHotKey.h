#pragma once

#include <QString>

#include <expected>
#include <functional>
#include <optional>

// Whether the global shortcut (Alt+Super+G) could be taken.
struct GlobalHotKeyAvailability
{
    enum class Kind
    {
        unavailable,
        registered
    };
    Kind kind = Kind::registered;
    qint32 status = 0; // unavailable only: the desktop's status code (an X error code here)

    static GlobalHotKeyAvailability unavailable(qint32 status) { return {Kind::unavailable, status}; }
    static GlobalHotKeyAvailability registered() { return {Kind::registered, 0}; }
    [[nodiscard]] bool isRegistered() const { return kind == Kind::registered; }
    friend bool operator==(const GlobalHotKeyAvailability&, const GlobalHotKeyAvailability&) = default;
};

// The outcome of the last registration; an absent availability means that none was
// attempted since the last reset.
struct GlobalHotKeyRegistrationReport
{
    std::optional<GlobalHotKeyAvailability> availability;
    friend bool operator==(const GlobalHotKeyRegistrationReport&,
                           const GlobalHotKeyRegistrationReport&) = default;
};

class GlobalHotKeyError final
{
public:
    enum class Kind
    {
        couldNotInstallHandler,
        shortcutUnavailable,
        desktopShortcutRequired
    };

    static GlobalHotKeyError couldNotInstallHandler(qint32 status)
    {
        return {Kind::couldNotInstallHandler, status};
    }
    static GlobalHotKeyError shortcutUnavailable(qint32 status)
    {
        return {Kind::shortcutUnavailable, status};
    }
    // The session offers no way for a program to take a global shortcut (Wayland without
    // the shortcuts portal): the user binds one to the hand-off command instead.
    static GlobalHotKeyError desktopShortcutRequired() { return {Kind::desktopShortcutRequired, 0}; }

    [[nodiscard]] Kind kind() const { return m_kind; }
    [[nodiscard]] qint32 status() const { return m_status; }
    [[nodiscard]] QString errorDescription() const;

    friend bool operator==(const GlobalHotKeyError&, const GlobalHotKeyError&) = default;

private:
    GlobalHotKeyError(Kind kind, qint32 status) : m_kind(kind), m_status(status) {}

    Kind m_kind;
    qint32 m_status;
};

// The one system-wide shortcut. Main thread only; presses reach the handler on the
// main thread, never from inside the desktop's event dispatch.
class GlobalHotKeyProviding
{
public:
    using Outcome = std::expected<GlobalHotKeyRegistrationReport, GlobalHotKeyError>;
    using OutcomeHandler = std::function<void(const Outcome&)>;

    virtual ~GlobalHotKeyProviding() = default;

    [[nodiscard]] virtual bool isRegistered() const = 0;
    [[nodiscard]] virtual GlobalHotKeyRegistrationReport registrationReport() const = 0;
    // Starts from a clean slate (unregisters first). A refused shortcut is not an error:
    // the report says unavailable with the desktop's status.
    virtual std::expected<GlobalHotKeyRegistrationReport, GlobalHotKeyError>
    registerHotKey(std::function<void()> handler) = 0;
    virtual void unregisterHotKey() = 0;
    // Some desktops answer a registration later (a shortcuts portal may ask the user
    // first): registerHotKey then returns a report without availability, and the
    // outcome reaches this handler on the main thread once known. Outcomes of a
    // registration that was undone meanwhile are dropped.
    virtual void setLateOutcomeHandler(OutcomeHandler handler) { static_cast<void>(handler); }
};
