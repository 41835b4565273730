// The coordinator's backend stack: when it is rebuilt, and how the key store reaches it.
#include "AppCoordinator.h"
#include "FakeServices.h"

#include <QMutex>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

LiteratureQuery query(const QString& text)
{
    return LiteratureQuery{text, LiteratureQueryOptions{5, true, 15}};
}

std::shared_ptr<AppSettings> settingsIn(const QTemporaryDir& dir, const QString& serviceURL)
{
    auto settings = std::make_shared<AppSettings>(
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat));
    settings->store().setValue(AppSettings::serviceURLKey, serviceURL);
    return settings;
}

// A store whose reads wait until the test lets them go, as a locked keyring waits for
// the user to unlock it.
class WaitingKeyStore final : public VORNAPIKeyStoring
{
public:
    QSemaphore entered;
    QSemaphore release;
    std::expected<std::optional<QString>, VORNAPIKeyStoreError> loadAPIKey() override
    {
        entered.release();
        release.acquire();
        return std::optional<QString>(QStringLiteral("vorn_abc"));
    }
    std::expected<void, VORNAPIKeyStoreError> saveAPIKey(const QString&) override { return {}; }
    std::expected<void, VORNAPIKeyStoreError> deleteAPIKey() override { return {}; }
};

// A store whose writes wait until the test lets them go (a keyring asking to be
// unlocked) and then succeed or fail as told; reads answer at once.
class WaitingWriteStore final : public VORNAPIKeyStoring
{
public:
    QSemaphore entered;
    QSemaphore release;
    std::optional<VORNAPIKeyStoreError> writeError; // set before releasing
    std::optional<QString> key;
    QMutex mutex;

    std::expected<std::optional<QString>, VORNAPIKeyStoreError> loadAPIKey() override
    {
        const QMutexLocker lock(&mutex);
        return key;
    }
    std::expected<void, VORNAPIKeyStoreError> saveAPIKey(const QString& k) override
    {
        return write([&] { key = k; });
    }
    std::expected<void, VORNAPIKeyStoreError> deleteAPIKey() override
    {
        return write([&] { key.reset(); });
    }

private:
    std::expected<void, VORNAPIKeyStoreError> write(const std::function<void()>& change)
    {
        entered.release();
        release.acquire();
        const QMutexLocker lock(&mutex);
        if (writeError)
            return std::unexpected(*writeError);
        change();
        return {};
    }
};

} // namespace

TEST(CoordinatorBackend, KeyWritesFromTheWindowsNeverHoldUpTheEventLoop)
{
    QTemporaryDir dir;
    AppCoordinator::Dependencies deps;
    deps.settings = settingsIn(dir, QStringLiteral("https://127.0.0.1:9"));
    deps.readKeyStoreOffThread = true;
    auto keyStore = std::make_shared<WaitingWriteStore>();
    AppCoordinator coordinator(keyStore, deps);
    QTest::qWait(50);
    QList<std::expected<void, VORNAPIKeyStoreError>> outcomes;
    const auto collect = [&](const std::expected<void, VORNAPIKeyStoreError>& written) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        outcomes.append(written);
    };

    coordinator.saveAPIKey(QStringLiteral("vorn_abcdef"), collect);
    EXPECT_TRUE(coordinator.isWritingAPIKey());
    ASSERT_TRUE(QTest::qWaitFor([&] { return keyStore->entered.tryAcquire(); }));
    bool timerRan = false;
    QTimer::singleShot(10, [&] { timerRan = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return timerRan; }, 2000))
        << "the event loop runs while the store waits";
    EXPECT_TRUE(outcomes.isEmpty());
    keyStore->release.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcomes.size() == 1; }));
    EXPECT_TRUE(outcomes.first().has_value());
    EXPECT_FALSE(coordinator.isWritingAPIKey());
    ASSERT_TRUE(QTest::qWaitFor([&] { return coordinator.hasStoredAPIKey(); }));

    // A locked or refused keyring: the store's own error reaches the window, and the
    // key it holds stays as it was.
    keyStore->writeError = VORNAPIKeyStoreError::keychainFailure(2, QStringLiteral("The keyring is locked."));
    coordinator.deleteAPIKey(collect);
    ASSERT_TRUE(QTest::qWaitFor([&] { return keyStore->entered.tryAcquire(); }));
    keyStore->release.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcomes.size() == 2; }));
    ASSERT_FALSE(outcomes.last().has_value());
    EXPECT_EQ(outcomes.last().error(), *keyStore->writeError);
    EXPECT_FALSE(coordinator.isWritingAPIKey());
    EXPECT_TRUE(coordinator.hasStoredAPIKey());
}

TEST(CoordinatorBackend, ChangedServiceAddressRebuildsTheBackend)
{
    QTemporaryDir dir;
    auto settings = settingsIn(dir, QStringLiteral("https://one.example"));
    auto backend = std::make_shared<ScriptedBackend>();
    int builds = 0;
    AppCoordinator::Dependencies deps;
    deps.settings = settings;
    deps.backendFactory = [&](const QString&) {
        ++builds;
        return backend;
    };
    AppCoordinator coordinator(std::make_shared<FakeKeyStore>(), deps);
    coordinator.run(query(QStringLiteral("First sentence here.")), std::nullopt);
    coordinator.run(query(QStringLiteral("Second sentence here.")), std::nullopt);
    EXPECT_EQ(builds, 1);
    settings->store().setValue(AppSettings::serviceURLKey, QStringLiteral("https://two.example"));
    coordinator.run(query(QStringLiteral("Third sentence here.")), std::nullopt);
    EXPECT_EQ(builds, 2) << "a new address takes effect at the next query, without a restart";
    coordinator.run(query(QStringLiteral("Fourth sentence here.")), std::nullopt);
    EXPECT_EQ(builds, 2);
}

TEST(CoordinatorBackend, KeyStoreFailureShowsTheStoresOwnSentence)
{
    // The real stack: the key is asked for before any request is sent.
    QTemporaryDir dir;
    AppCoordinator::Dependencies deps;
    deps.settings = settingsIn(dir, QStringLiteral("https://127.0.0.1:9"));
    auto keyStore = std::make_shared<FakeKeyStore>();
    AppCoordinator coordinator(keyStore, deps);
    const VORNAPIKeyStoreError failure =
        VORNAPIKeyStoreError::keychainFailure(2, QStringLiteral("Cannot unlock"));
    keyStore->loadError = failure;
    coordinator.run(query(QStringLiteral("Aspirin reduces fever.")), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return coordinator.phase() != ResultPanelPhase::loading; }));
    EXPECT_EQ(coordinator.errorMessage(), QStringLiteral("Keyring error: Cannot unlock"));
    EXPECT_EQ(coordinator.errorMessage(), failure.errorDescription());
    EXPECT_EQ(coordinator.failureKind(), FailureKind::other);
}

TEST(CoordinatorBackend, AWaitingKeyStoreNeverHoldsUpTheEventLoop)
{
    QTemporaryDir dir;
    AppCoordinator::Dependencies deps;
    deps.settings = settingsIn(dir, QStringLiteral("https://127.0.0.1:9"));
    auto keyStore = std::make_shared<WaitingKeyStore>();
    keyStore->release.release(); // the credential refresh at construction
    AppCoordinator coordinator(keyStore, deps);
    ASSERT_TRUE(keyStore->entered.tryAcquire());

    coordinator.run(query(QStringLiteral("Aspirin reduces fever.")), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return keyStore->entered.available() == 1; }));
    bool timerRan = false;
    QTimer::singleShot(10, [&] { timerRan = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return timerRan; }, 2000))
        << "the event loop runs while the store waits";
    EXPECT_EQ(coordinator.phase(), ResultPanelPhase::loading);

    // The user gives up; the key that arrives afterwards changes nothing.
    coordinator.cancelQuery();
    EXPECT_EQ(coordinator.errorMessage(), QStringLiteral("The literature request was cancelled."));
    keyStore->release.release();
    QTest::qWait(100);
    EXPECT_EQ(coordinator.phase(), ResultPanelPhase::failed);
    EXPECT_EQ(coordinator.errorMessage(), QStringLiteral("The literature request was cancelled."));
}

TEST(CoordinatorBackend, CredentialStatusReadOffThreadArrivesLater)
{
    QTemporaryDir dir;
    AppCoordinator::Dependencies deps;
    deps.settings = settingsIn(dir, QStringLiteral("https://127.0.0.1:9"));
    deps.readKeyStoreOffThread = true;
    auto keyStore = std::make_shared<WaitingKeyStore>();
    // Construction does not wait for the store.
    AppCoordinator coordinator(keyStore, deps);
    ASSERT_TRUE(QTest::qWaitFor([&] { return keyStore->entered.available() == 1; }));
    EXPECT_EQ(coordinator.credentialStatus(), CredentialStatus::missing());

    keyStore->release.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return coordinator.hasStoredAPIKey(); }));
    EXPECT_EQ(coordinator.credentialStatus(), CredentialStatus::stored());
    EXPECT_EQ(coordinator.currentCredentialScope(),
              AppCoordinator::credentialScope(QStringLiteral("vorn_abc")));
}
