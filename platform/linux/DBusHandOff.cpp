#include "DBusHandOff.h"

#include <QDBusMessage>

const QString DBusHandOffService::serviceName = QStringLiteral("app.vorn.cite");
const QString DBusHandOffService::objectPath = QStringLiteral("/app/vorn/cite");
const QString DBusHandOffService::interfaceName = QStringLiteral("app.vorn.cite");
const QString DBusHandOffService::noTextError = QStringLiteral("app.vorn.cite.Error.NoText");
const QString DBusHandOffService::notStartedError = QStringLiteral("app.vorn.cite.Error.NotStarted");
const QString DBusHandOffService::selectionError = QStringLiteral("app.vorn.cite.Error.Selection");

DBusHandOffService::DBusHandOffService(std::shared_ptr<VORNCiteServicesProvider> provider,
                                       SelectionReader readSelection, FailureReporter reportFailure,
                                       QObject* parent)
    : QObject(parent), m_provider(std::move(provider)), m_readSelection(std::move(readSelection)),
      m_reportFailure(std::move(reportFailure))
{
}

bool DBusHandOffService::exportOn(QDBusConnection bus)
{
    return bus.registerObject(objectPath, interfaceName, this, QDBusConnection::ExportScriptableSlots);
}

void DBusHandOffService::refuse(const QString& name, const QString& message)
{
    if (calledFromDBus())
        sendErrorReply(name, message);
}

void DBusHandOffService::FindCitations(const QString& text)
{
    const std::optional<QString> refused = m_provider->findCitations(text.left(maximumTextLength));
    if (!refused)
        return;
    refuse(*refused == VORNCiteServicesProvider::stillStartingMessage ? notStartedError : noTextError,
           *refused);
}

void DBusHandOffService::FindSelection()
{
    if (!m_provider->isInstalled())
        return refuse(notStartedError, VORNCiteServicesProvider::stillStartingMessage);
    const std::expected<QString, SelectionCaptureError> text = m_readSelection();
    if (!text) {
        // Shown where the user looks (the result panel), and answered to the caller.
        m_reportFailure(text.error());
        return refuse(selectionError, text.error().errorDescription());
    }
    FindCitations(*text);
}

void DBusHandOffService::ShowSettings()
{
    if (m_showSettings)
        m_showSettings();
}

std::optional<QString> sendHandOff(QDBusConnection bus, const HandOffRequest& request, int timeoutMs)
{
    if (request.kind == HandOffRequest::Kind::none)
        return std::nullopt;
    const QString method = request.kind == HandOffRequest::Kind::findText ? QStringLiteral("FindCitations")
                           : request.kind == HandOffRequest::Kind::findSelection
                               ? QStringLiteral("FindSelection")
                               : QStringLiteral("ShowSettings");
    QDBusMessage call =
        QDBusMessage::createMethodCall(DBusHandOffService::serviceName, DBusHandOffService::objectPath,
                                       DBusHandOffService::interfaceName, method);
    if (request.kind == HandOffRequest::Kind::findText)
        call << request.text;
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return std::nullopt;
    const QString message = reply.errorMessage().left(500);
    return message.isEmpty() ? QStringLiteral("VORN Cite did not answer on the session bus.") : message;
}
