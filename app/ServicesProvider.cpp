#include "ServicesProvider.h"

const QString VORNCiteServicesProvider::noTextMessage =
    QStringLiteral("VORN Cite did not receive selected text from this application.");
const QString VORNCiteServicesProvider::stillStartingMessage =
    QStringLiteral("VORN Cite is still starting. Please try the Service again.");

size_t qHash(const ServiceSelectionEvent& value, size_t seed)
{
    return qHash(value.selection, seed);
}

VORNCiteServicesProvider::VORNCiteServicesProvider(std::shared_ptr<RunningApplicationsProviding> applications,
                                                   std::function<QDateTime()> now)
    : m_applications(std::move(applications)), m_now(std::move(now))
{
}

void VORNCiteServicesProvider::install(ServiceSelectionHandler handler)
{
    m_handler = std::move(handler);
}

void VORNCiteServicesProvider::uninstall()
{
    m_handler = nullptr;
}

std::optional<QString> VORNCiteServicesProvider::findCitations(const QString& text)
{
    if (text.trimmed().isEmpty())
        return noTextMessage;
    if (!m_handler)
        return stillStartingMessage;

    SelectionContext context;
    context.selectedText = text;
    if (m_applications) {
        if (const std::optional<SelectionSource> front = m_applications->frontmostApplication()) {
            context.sourceApplicationName = front->applicationName;
            context.sourceBundleIdentifier = front->bundleIdentifier;
        }
    }
    context.isEditable = false;
    context.captureMethod = SelectionCaptureMethod::service;
    context.capturedAt = m_now();
    // The handler may uninstall this provider (stop); keep it alive for the call.
    const ServiceSelectionHandler handler = m_handler;
    handler(ServiceSelectionEvent{context});
    return std::nullopt;
}
