#include "SecretServiceKeyStore.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

// Each run has its own keyring, but tests of one run share it: start from nothing.
class SecretServiceKeyStoreTest : public ::testing::Test
{
protected:
    SecretServiceKeyStore store;
    void SetUp() override { ASSERT_TRUE(store.deleteAPIKey().has_value()); }
};

// The loaded key; a load failure fails the test.
std::optional<QString> loaded(SecretServiceKeyStore& store)
{
    auto result = store.loadAPIKey();
    EXPECT_TRUE(result.has_value()) << (result ? std::string()
                                               : result.error().errorDescription().toStdString());
    return result.value_or(std::nullopt);
}

bool homeContains(const QByteArray& needle)
{
    QDirIterator it(qEnvironmentVariable("HOME"), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains(needle))
            return true;
    }
    return false;
}

} // namespace

TEST_F(SecretServiceKeyStoreTest, SaveLoadReplaceAndDelete)
{
    EXPECT_EQ(loaded(store), std::optional<QString>()) << "no item is not an error";

    ASSERT_TRUE(store.saveAPIKey(QStringLiteral("  vorn_First-key_1\n")).has_value());
    EXPECT_EQ(loaded(store), std::optional<QString>(QStringLiteral("vorn_First-key_1")));

    // Saving again replaces in place: one item, the new value.
    ASSERT_TRUE(store.saveAPIKey(QStringLiteral("vorn_Second")).has_value());
    ASSERT_TRUE(store.saveAPIKey(QStringLiteral("vorn_Second")).has_value());
    EXPECT_EQ(loaded(store), std::optional<QString>(QStringLiteral("vorn_Second")));
    QProcess search;
    search.start(QStringLiteral("secret-tool"), {QStringLiteral("search"), QStringLiteral("--all"),
                                                 QStringLiteral("service"), QStringLiteral("app.vorn.cite")});
    ASSERT_TRUE(search.waitForFinished(10000));
    const QString listing = QString::fromUtf8(search.readAllStandardOutput() + search.readAllStandardError());
    EXPECT_EQ(listing.count(QStringLiteral("label = VORN Cite API Key")), 1) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("attribute.account = VORN API Key")));

    // The key lives only in the encrypted keyring, never in a readable file.
    EXPECT_FALSE(homeContains("vorn_Second"));

    ASSERT_TRUE(store.deleteAPIKey().has_value());
    EXPECT_EQ(loaded(store), std::optional<QString>());
    EXPECT_TRUE(store.deleteAPIKey().has_value()) << "deleting nothing succeeds";
}

TEST_F(SecretServiceKeyStoreTest, MalformedKeyLeavesTheStoredOneInPlace)
{
    ASSERT_TRUE(store.saveAPIKey(QStringLiteral("vorn_good")).has_value());
    for (const QString& bad :
         {QStringLiteral("vorn_bad key"), QStringLiteral("vorn_"), QStringLiteral("secret")}) {
        const auto saved = store.saveAPIKey(bad);
        ASSERT_FALSE(saved.has_value());
        EXPECT_EQ(saved.error(), VORNAPIKeyStoreError::invalidKey());
        EXPECT_EQ(
            saved.error().errorDescription(),
            QStringLiteral(
                "Enter a VORN API key beginning with vorn_ (letters, digits, - and _ only, on one line)."));
    }
    EXPECT_EQ(loaded(store), std::optional<QString>(QStringLiteral("vorn_good")));
}

TEST_F(SecretServiceKeyStoreTest, UndecodableStoredValueIsReported)
{
    // Another program wrote bytes that are not UTF-8 under our attributes.
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"),
               {QStringLiteral("store"), QStringLiteral("--label=x"), QStringLiteral("xdg:schema"),
                QStringLiteral("app.vorn.cite.ApiKey"), QStringLiteral("service"),
                QStringLiteral("app.vorn.cite"), QStringLiteral("account"), QStringLiteral("VORN API Key")});
    ASSERT_TRUE(tool.waitForStarted());
    tool.write("\xff\xfe\xfd");
    tool.closeWriteChannel();
    ASSERT_TRUE(tool.waitForFinished(10000));
    const auto result = store.loadAPIKey();
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error(), VORNAPIKeyStoreError::invalidStoredValue());
}

TEST(SecretServiceUnavailable, FailsWithStatusAndNeverFallsBackToAFile)
{
    // A bus without any Secret Service.
    const QByteArray oldBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    SecretServiceKeyStore store(QStringLiteral("app.vorn.cite.test-unavailable"));
    const auto saved = store.saveAPIKey(QStringLiteral("vorn_nowhere"));
    const auto result = store.loadAPIKey();
    qputenv("DBUS_SESSION_BUS_ADDRESS", oldBus);

    ASSERT_FALSE(saved.has_value());
    EXPECT_EQ(saved.error().kind(), VORNAPIKeyStoreError::Kind::keychainFailure);
    EXPECT_TRUE(saved.error().errorDescription().startsWith(QStringLiteral("Keyring error: ")))
        << saved.error().errorDescription().toStdString();
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().kind(), VORNAPIKeyStoreError::Kind::keychainFailure);
    EXPECT_FALSE(homeContains("vorn_nowhere"));
}

TEST(VORNAPIKeyStoreError, Descriptions)
{
    EXPECT_EQ(VORNAPIKeyStoreError::keychainFailure(2, QStringLiteral("No such service")).errorDescription(),
              QStringLiteral("Keyring error: No such service"));
    EXPECT_EQ(VORNAPIKeyStoreError::keychainFailure(7).errorDescription(),
              QStringLiteral("Keyring returned error 7."));
    EXPECT_EQ(
        VORNAPIKeyStoreError::invalidStoredValue().errorDescription(),
        QStringLiteral(
            "The saved VORN API key could not be read. Save a new vorn_ key in Settings to replace it."));
}
