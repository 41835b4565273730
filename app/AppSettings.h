#pragma once

#include "literature/LiteratureRecords.h"

#include <QObject>
#include <QSettings>
#include <QUrl>

#include <memory>
#include <optional>

// The user's choices, kept in the per-user settings file and written through on every
// assignment. Unreadable or out-of-range stored values read as the defaults; reading
// never fails. Main thread only.
class AppSettings final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppSettings)

    Q_PROPERTY(
        bool includeEvidence READ includeEvidence WRITE setIncludeEvidence NOTIFY includeEvidenceChanged)
    Q_PROPERTY(int cacheDurationMinutes READ cacheDurationMinutes WRITE setCacheDurationMinutes NOTIFY
                   cacheDurationMinutesChanged)
    Q_PROPERTY(bool automaticSelectionEnabled READ automaticSelectionEnabled WRITE
                   setAutomaticSelectionEnabled NOTIFY automaticSelectionEnabledChanged)
    Q_PROPERTY(bool compatibilityCaptureEnabled READ compatibilityCaptureEnabled WRITE
                   setCompatibilityCaptureEnabled NOTIFY compatibilityCaptureEnabledChanged)
    Q_PROPERTY(bool hasCompletedOnboarding READ hasCompletedOnboarding WRITE setHasCompletedOnboarding NOTIFY
                   hasCompletedOnboardingChanged)

public:
    static const QString includeEvidenceKey; // "literature.includeEvidence"
    static const QString cacheDurationMinutesKey; // "literature.cacheDurationMinutes"
    static const QString automaticSelectionKey; // "selection.automaticEnabled"
    static const QString compatibilityCaptureKey; // "selection.compatibilityCaptureEnabled"
    static const QString onboardingCompletedKey; // "onboarding.completed"
    static const QString obsoleteMaxArticlesKey; // "literature.maxArticles"
    static const QString captureLoggingKey; // "diagnostics.captureLoggingEnabled"
    static const QString serviceURLKey; // "literature.serviceURL"
    static const QString efetchURLKey; // "pubmed.efetchURL"
    static constexpr int maxArticles = 5;

    // The settings file of this user: $XDG_CONFIG_HOME/app.vorn.cite/settings.ini.
    static std::unique_ptr<QSettings> standardStore();

    explicit AppSettings(std::unique_ptr<QSettings> store = standardStore(), QObject* parent = nullptr);

    [[nodiscard]] bool includeEvidence() const { return m_includeEvidence; }
    [[nodiscard]] int cacheDurationMinutes() const { return m_cacheDurationMinutes; }
    [[nodiscard]] bool automaticSelectionEnabled() const { return m_automaticSelectionEnabled; }
    [[nodiscard]] bool compatibilityCaptureEnabled() const { return m_compatibilityCaptureEnabled; }
    [[nodiscard]] bool hasCompletedOnboarding() const { return m_hasCompletedOnboarding; }
    [[nodiscard]] bool hasExplicitAutomaticSelectionChoice() const
    {
        return m_hasExplicitAutomaticSelectionChoice;
    }
    [[nodiscard]] bool hasExplicitCompatibilityCaptureChoice() const
    {
        return m_hasExplicitCompatibilityCaptureChoice;
    }
    [[nodiscard]] LiteratureQueryOptions queryOptions() const;
    // The per-user override of the citation service's base URL as written (trimmed;
    // empty when unset). The backend checks it: anything but an https URL with a host
    // makes queries fail with the endpoint error rather than reach another address.
    [[nodiscard]] QString serviceURL() const;
    // PubMed's efetch endpoint: the public one unless "pubmed.efetchURL" is set. A set
    // value that is not an https URL with a host gives an empty URL, which the PubMed
    // client refuses (invalidEndpoint) rather than reach another address.
    [[nodiscard]] QUrl efetchEndpoint() const;

    void setIncludeEvidence(bool value);
    void setCacheDurationMinutes(int value);
    void setAutomaticSelectionEnabled(bool value);
    void setCompatibilityCaptureEnabled(bool value);
    void setHasCompletedOnboarding(bool value);

    // Turns both selection features on, unless the user already chose (even "off").
    void applyRecommendedPrivacyDefaultsIfUnset();

    [[nodiscard]] QSettings& store() const { return *m_store; }

    // Shared reading rules, also for settings read outside this object: a boolean is
    // true/false/1/0 (anything else reads as fallback).
    static bool readBool(const QSettings& store, const QString& key, bool fallback);

signals:
    void includeEvidenceChanged();
    void cacheDurationMinutesChanged();
    void automaticSelectionEnabledChanged();
    void compatibilityCaptureEnabledChanged();
    void hasCompletedOnboardingChanged();

private:
    void write(const QString& key, const QVariant& value);

    std::unique_ptr<QSettings> m_store;
    bool m_includeEvidence = true;
    int m_cacheDurationMinutes = 15;
    bool m_automaticSelectionEnabled = false;
    bool m_compatibilityCaptureEnabled = false;
    bool m_hasCompletedOnboarding = false;
    bool m_hasExplicitAutomaticSelectionChoice = false;
    bool m_hasExplicitCompatibilityCaptureChoice = false;
};
