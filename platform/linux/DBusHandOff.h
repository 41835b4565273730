#pragma once

#include "SelectionCaptureError.h"
#include "ServicesProvider.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>

#include <expected>
#include <functional>
#include <memory>

// The hand-off on the session bus: the application owns the name app.vorn.cite and
// answers at /app/vorn/cite (interface app.vorn.cite, described in
// platform/linux/dbus/app.vorn.cite.xml):
//   FindCitations(s text)  the text as another program selected it;
//   FindSelection()        the text the user selected last (X11 PRIMARY), when the
//                          frontmost application owns it;
//   ShowSettings()         opens the settings window.
// Refusals are D-Bus errors whose message is the sentence shown to the user. Calls
// arrive on the main thread.
class DBusHandOffService final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.vorn.cite")
    Q_DISABLE_COPY_MOVE(DBusHandOffService)

public:
    static const QString serviceName; // "app.vorn.cite"
    static const QString objectPath; // "/app/vorn/cite"
    static const QString interfaceName; // "app.vorn.cite"
    static const QString noTextError; // "app.vorn.cite.Error.NoText"
    static const QString notStartedError; // "app.vorn.cite.Error.NotStarted"
    static const QString selectionError; // "app.vorn.cite.Error.Selection"
    // Received texts longer than this (UTF-16 units) are cut; the validator refuses them.
    static constexpr qsizetype maximumTextLength = 16384;

    using SelectionReader = std::function<std::expected<QString, SelectionCaptureError>()>;
    using FailureReporter = std::function<void(const SelectionCaptureError&)>;

    DBusHandOffService(std::shared_ptr<VORNCiteServicesProvider> provider, SelectionReader readSelection,
                       FailureReporter reportFailure, QObject* parent = nullptr);

    // Where ShowSettings goes; nothing happens without it.
    void setSettingsHandler(std::function<void()> handler) { m_showSettings = std::move(handler); }

    // Exports the object on bus (the name is claimed separately); false when that fails.
    bool exportOn(QDBusConnection bus);

public slots:
    Q_SCRIPTABLE void FindCitations(const QString& text);
    Q_SCRIPTABLE void FindSelection();
    Q_SCRIPTABLE void ShowSettings();

private:
    void refuse(const QString& name, const QString& message);

    std::shared_ptr<VORNCiteServicesProvider> m_provider;
    SelectionReader m_readSelection;
    FailureReporter m_reportFailure;
    std::function<void()> m_showSettings;
};

// What a start of the program asks for.
struct HandOffRequest
{
    enum class Kind
    {
        none,
        findText,
        findSelection,
        showSettings
    };
    Kind kind = Kind::none;
    QString text;
};

// Sends a request to the instance that owns app.vorn.cite. Returns the refusal's
// message, or a sentence about the bus, when it was not accepted.
std::optional<QString> sendHandOff(QDBusConnection bus, const HandOffRequest& request, int timeoutMs = 30000);
