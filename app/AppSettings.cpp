#include "AppSettings.h"

#include "literature/UserSettingsFile.h"
#include "pubmed/PubMedArticleService.h"

const QString AppSettings::includeEvidenceKey = QStringLiteral("literature.includeEvidence");
const QString AppSettings::cacheDurationMinutesKey = QStringLiteral("literature.cacheDurationMinutes");
const QString AppSettings::automaticSelectionKey = QStringLiteral("selection.automaticEnabled");
const QString AppSettings::compatibilityCaptureKey = QStringLiteral("selection.compatibilityCaptureEnabled");
const QString AppSettings::onboardingCompletedKey = QStringLiteral("onboarding.completed");
const QString AppSettings::obsoleteMaxArticlesKey = QStringLiteral("literature.maxArticles");
const QString AppSettings::captureLoggingKey = QStringLiteral("diagnostics.captureLoggingEnabled");
const QString AppSettings::serviceURLKey = UserSettingsFile::serviceURLKey;
const QString AppSettings::efetchURLKey = QStringLiteral("pubmed.efetchURL");

namespace {

bool isAllowedCacheDuration(int minutes)
{
    return minutes == 0 || minutes == 5 || minutes == 15 || minutes == 60;
}

} // namespace

std::unique_ptr<QSettings> AppSettings::standardStore()
{
    return std::make_unique<QSettings>(UserSettingsFile::path(), QSettings::IniFormat);
}

bool AppSettings::readBool(const QSettings& store, const QString& key, bool fallback)
{
    const QVariant v = store.value(key);
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    const QString text = v.toString().trimmed().toLower();
    if (text == u"true" || text == u"1")
        return true;
    if (text == u"false" || text == u"0")
        return false;
    return fallback;
}

AppSettings::AppSettings(std::unique_ptr<QSettings> store, QObject* parent)
    : QObject(parent), m_store(std::move(store))
{
    Q_ASSERT(m_store);
    m_store->remove(obsoleteMaxArticlesKey);
    m_store->sync();
    m_includeEvidence = readBool(*m_store, includeEvidenceKey, true);
    bool ok = false;
    const int minutes = m_store->value(cacheDurationMinutesKey).toInt(&ok);
    m_cacheDurationMinutes = ok && isAllowedCacheDuration(minutes) ? minutes : 15;
    m_hasExplicitAutomaticSelectionChoice = m_store->contains(automaticSelectionKey);
    m_hasExplicitCompatibilityCaptureChoice = m_store->contains(compatibilityCaptureKey);
    m_automaticSelectionEnabled = readBool(*m_store, automaticSelectionKey, false);
    m_compatibilityCaptureEnabled = readBool(*m_store, compatibilityCaptureKey, false);
    m_hasCompletedOnboarding = readBool(*m_store, onboardingCompletedKey, false);
}

LiteratureQueryOptions AppSettings::queryOptions() const
{
    return LiteratureQueryOptions{maxArticles, m_includeEvidence, m_cacheDurationMinutes};
}

QString AppSettings::serviceURL() const
{
    return m_store->value(serviceURLKey).toString().trimmed();
}

QUrl AppSettings::efetchEndpoint() const
{
    const QString value = m_store->value(efetchURLKey).toString().trimmed();
    if (value.isEmpty())
        return PubMedArticleService::defaultEndpoint();
    const QUrl url(value, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != u"https" || url.host().isEmpty())
        return {};
    return url;
}

void AppSettings::write(const QString& key, const QVariant& value)
{
    m_store->setValue(key, value);
    m_store->sync();
}

void AppSettings::setIncludeEvidence(bool value)
{
    m_includeEvidence = value;
    emit includeEvidenceChanged();
    write(includeEvidenceKey, value);
}

void AppSettings::setCacheDurationMinutes(int value)
{
    m_cacheDurationMinutes = value;
    emit cacheDurationMinutesChanged();
    if (!isAllowedCacheDuration(value)) {
        m_cacheDurationMinutes = 15;
        emit cacheDurationMinutesChanged();
    }
    write(cacheDurationMinutesKey, m_cacheDurationMinutes);
}

void AppSettings::setAutomaticSelectionEnabled(bool value)
{
    m_automaticSelectionEnabled = value;
    emit automaticSelectionEnabledChanged();
    write(automaticSelectionKey, value);
    m_hasExplicitAutomaticSelectionChoice = true;
}

void AppSettings::setCompatibilityCaptureEnabled(bool value)
{
    m_compatibilityCaptureEnabled = value;
    emit compatibilityCaptureEnabledChanged();
    write(compatibilityCaptureKey, value);
    m_hasExplicitCompatibilityCaptureChoice = true;
}

void AppSettings::setHasCompletedOnboarding(bool value)
{
    m_hasCompletedOnboarding = value;
    emit hasCompletedOnboardingChanged();
    write(onboardingCompletedKey, value);
}

void AppSettings::applyRecommendedPrivacyDefaultsIfUnset()
{
    if (!m_hasExplicitAutomaticSelectionChoice)
        setAutomaticSelectionEnabled(true);
    if (!m_hasExplicitCompatibilityCaptureChoice)
        setCompatibilityCaptureEnabled(true);
}
