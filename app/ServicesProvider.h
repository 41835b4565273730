#pragma once

#include "capture/RunningApplicationsProviding.h"
#include "literature/LiteratureRecords.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// A selection that another program handed over (the D-Bus hand-off here).
struct ServiceSelectionEvent
{
    SelectionContext selection;
    friend bool operator==(const ServiceSelectionEvent&, const ServiceSelectionEvent&) = default;
};
size_t qHash(const ServiceSelectionEvent& value, size_t seed = 0);

using ServiceSelectionHandler = std::function<void(const ServiceSelectionEvent&)>;

// Receives text that other programs send for a search. Main thread only.
class VORNCiteServicesProviding
{
public:
    virtual ~VORNCiteServicesProviding() = default;
    virtual void install(ServiceSelectionHandler handler) = 0;
    virtual void uninstall() = 0;
};

// The rules of a hand-off, whatever carries it: blank text and calls before start are
// refused with fixed sentences; otherwise the text (as received) becomes a selection
// of the frontmost application, captured by the service route, and goes to the handler.
class VORNCiteServicesProvider final : public VORNCiteServicesProviding
{
public:
    static const QString noTextMessage; // "VORN Cite did not receive selected text from this application."
    static const QString stillStartingMessage; // "VORN Cite is still starting. Please try the Service again."

    explicit VORNCiteServicesProvider(std::shared_ptr<RunningApplicationsProviding> applications,
                                      std::function<QDateTime()> now = &QDateTime::currentDateTimeUtc);

    void install(ServiceSelectionHandler handler) override;
    void uninstall() override;
    [[nodiscard]] bool isInstalled() const { return static_cast<bool>(m_handler); }

    // One call: absent when the text was handed over, else the message to answer with.
    std::optional<QString> findCitations(const QString& text);

private:
    std::shared_ptr<RunningApplicationsProviding> m_applications;
    std::function<QDateTime()> m_now;
    ServiceSelectionHandler m_handler;
};
