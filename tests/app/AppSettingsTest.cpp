#include "AppSettings.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class AppSettingsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("settings.ini")); }
    std::unique_ptr<QSettings> file() const
    {
        return std::make_unique<QSettings>(path(), QSettings::IniFormat);
    }
    // What another process reading the file sees.
    QVariant stored(const QString& key) const { return QSettings(path(), QSettings::IniFormat).value(key); }
    void storeRaw(const QString& key, const QVariant& value) const
    {
        QSettings s(path(), QSettings::IniFormat);
        s.setValue(key, value);
    }
};

} // namespace

TEST_F(AppSettingsTest, FreshInstallationDefaults)
{
    AppSettings settings(file());
    EXPECT_TRUE(settings.includeEvidence());
    EXPECT_EQ(settings.cacheDurationMinutes(), 15);
    EXPECT_FALSE(settings.automaticSelectionEnabled());
    EXPECT_FALSE(settings.compatibilityCaptureEnabled());
    EXPECT_FALSE(settings.hasCompletedOnboarding());
    EXPECT_FALSE(settings.hasExplicitAutomaticSelectionChoice());
    EXPECT_FALSE(settings.hasExplicitCompatibilityCaptureChoice());
    EXPECT_EQ(settings.queryOptions(), (LiteratureQueryOptions{5, true, 15}));
    EXPECT_TRUE(settings.serviceURL().isEmpty());
}

TEST_F(AppSettingsTest, StoredValuesAreReadWithFallbacks)
{
    struct Row
    {
        QString minutes;
        int want;
    };
    for (const Row& row :
         {Row{QStringLiteral("30"), 15}, Row{QStringLiteral("60"), 60}, Row{QStringLiteral("0"), 0},
          Row{QStringLiteral("five"), 15}, Row{QStringLiteral("-5"), 15}}) {
        storeRaw(AppSettings::cacheDurationMinutesKey, row.minutes);
        EXPECT_EQ(AppSettings(file()).cacheDurationMinutes(), row.want) << row.minutes.toStdString();
    }
    storeRaw(AppSettings::includeEvidenceKey, QStringLiteral("false"));
    storeRaw(AppSettings::onboardingCompletedKey, QStringLiteral("true"));
    storeRaw(AppSettings::automaticSelectionKey, QStringLiteral("garbage"));
    storeRaw(AppSettings::obsoleteMaxArticlesKey, 12);
    AppSettings settings(file());
    EXPECT_FALSE(settings.includeEvidence());
    EXPECT_TRUE(settings.hasCompletedOnboarding());
    EXPECT_FALSE(settings.automaticSelectionEnabled()) << "an unreadable boolean reads as the default";
    EXPECT_TRUE(settings.hasExplicitAutomaticSelectionChoice());
    EXPECT_FALSE(stored(AppSettings::obsoleteMaxArticlesKey).isValid()) << "the obsolete key is removed";
    EXPECT_EQ(settings.queryOptions().maxArticles, 5);
}

TEST_F(AppSettingsTest, AssignmentsWriteThroughAndNotify)
{
    AppSettings settings(file());
    QSignalSpy minutes(&settings, &AppSettings::cacheDurationMinutesChanged);
    settings.setCacheDurationMinutes(7);
    EXPECT_EQ(settings.cacheDurationMinutes(), 15);
    EXPECT_EQ(minutes.count(), 2) << "observers see the rejected value and the correction";
    EXPECT_EQ(stored(AppSettings::cacheDurationMinutesKey).toInt(), 15);
    settings.setCacheDurationMinutes(0);
    EXPECT_EQ(stored(AppSettings::cacheDurationMinutesKey).toInt(), 0);
    EXPECT_EQ(settings.queryOptions().cacheDurationMinutes, 0);

    QSignalSpy evidence(&settings, &AppSettings::includeEvidenceChanged);
    settings.setIncludeEvidence(true);
    EXPECT_EQ(evidence.count(), 1) << "notified also when unchanged";
    settings.setIncludeEvidence(false);
    EXPECT_FALSE(AppSettings(file()).includeEvidence());

    settings.setCompatibilityCaptureEnabled(false);
    EXPECT_TRUE(settings.hasExplicitCompatibilityCaptureChoice());
    EXPECT_TRUE(AppSettings(file()).hasExplicitCompatibilityCaptureChoice());
}

TEST_F(AppSettingsTest, RecommendedPrivacyDefaultsNeverOverrideAChoice)
{
    {
        AppSettings settings(file());
        settings.applyRecommendedPrivacyDefaultsIfUnset();
        EXPECT_TRUE(settings.automaticSelectionEnabled());
        EXPECT_TRUE(settings.hasExplicitAutomaticSelectionChoice());
        EXPECT_TRUE(settings.compatibilityCaptureEnabled());
        EXPECT_EQ(stored(AppSettings::automaticSelectionKey).toString(), QStringLiteral("true"));
    }
    QFile::remove(path());
    {
        AppSettings settings(file());
        settings.setCompatibilityCaptureEnabled(false);
        settings.applyRecommendedPrivacyDefaultsIfUnset();
        EXPECT_FALSE(settings.compatibilityCaptureEnabled());
        EXPECT_TRUE(settings.automaticSelectionEnabled());
    }
}

TEST_F(AppSettingsTest, ServiceURLOverrideIsReadAsWritten)
{
    storeRaw(AppSettings::serviceURLKey, QStringLiteral("  http://cite.example.org \n"));
    EXPECT_EQ(AppSettings(file()).serviceURL(), QStringLiteral("http://cite.example.org"));
}

TEST(AppSettingsEfetch, EndpointIsHttpsOnly)
{
    QTemporaryDir dir;
    const auto settingsAt = [&dir](const std::optional<QString>& value) {
        auto store =
            std::make_unique<QSettings>(dir.filePath(QStringLiteral("efetch.ini")), QSettings::IniFormat);
        store->clear();
        if (value)
            store->setValue(AppSettings::efetchURLKey, *value);
        return std::make_unique<AppSettings>(std::move(store));
    };
    EXPECT_EQ(settingsAt(std::nullopt)->efetchEndpoint(),
              QUrl(QStringLiteral("https://eutils.ncbi.nlm.nih.gov/entrez/eutils/efetch.fcgi")));
    EXPECT_EQ(
        settingsAt(QStringLiteral("  https://127.0.0.1:8443/entrez/eutils/efetch.fcgi "))->efetchEndpoint(),
        QUrl(QStringLiteral("https://127.0.0.1:8443/entrez/eutils/efetch.fcgi")));
    for (const QString& refused :
         {QStringLiteral("http://127.0.0.1/efetch"), QStringLiteral("file:///etc/passwd"),
          QStringLiteral("https://"), QStringLiteral("not a url")})
        EXPECT_TRUE(settingsAt(refused)->efetchEndpoint().isEmpty()) << refused.toStdString();
}
