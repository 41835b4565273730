#pragma once

#include "literature/VORNAPIKeyStoring.h"

#include <QObject>

#include <expected>
#include <functional>
#include <memory>
#include <optional>

struct CredentialStatus
{
    enum class Kind
    {
        unreadable,
        missing,
        stored
    };
    Kind kind = Kind::missing;
    QString message; // unreadable only

    static CredentialStatus unreadable(QString message) { return {Kind::unreadable, std::move(message)}; }
    static CredentialStatus missing() { return {Kind::missing, {}}; }
    static CredentialStatus stored() { return {Kind::stored, {}}; }
    friend bool operator==(const CredentialStatus&, const CredentialStatus&) = default;
};

// The stored API key as the windows see it: whether one is stored, its masked form, a
// store that cannot be read, and the scope that tells backends built for different keys
// apart. The key itself is never kept here.
//
// With offThread, reads and writes run on the key store's own thread (a locked keyring
// may wait for its unlock prompt without freezing a window) and their outcomes are
// applied on this thread; only the latest read is applied. Otherwise they run at once.
class Credentials final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Credentials)

public:
    using WriteDone = std::function<void(const std::expected<void, VORNAPIKeyStoreError>&)>;

    Credentials(std::shared_ptr<VORNAPIKeyStoring> store, bool offThread, QObject* parent = nullptr);
    ~Credentials() override;

    [[nodiscard]] const std::shared_ptr<VORNAPIKeyStoring>& store() const { return m_store; }
    [[nodiscard]] bool hasStoredAPIKey() const { return m_hasStoredAPIKey; }
    [[nodiscard]] const CredentialStatus& status() const { return m_status; }
    [[nodiscard]] const std::optional<QString>& maskedStoredAPIKey() const { return m_maskedStoredAPIKey; }
    [[nodiscard]] const QString& scope() const { return m_scope; }
    [[nodiscard]] bool isWriting() const { return m_writesInFlight > 0; }

    // Reads the store again and publishes what it holds.
    void refresh();
    // Writes on this thread, whatever offThread says; a successful write refreshes.
    std::expected<void, VORNAPIKeyStoreError> save(const QString& key);
    std::expected<void, VORNAPIKeyStoreError> remove();
    // Writes as offThread says; isWriting holds meanwhile, and done runs on this thread
    // with the outcome. done is not called when this object is gone first.
    void save(const QString& key, WriteDone done);
    void remove(WriteDone done);

signals:
    // Emitted on every assignment, also when the value does not change.
    void statusChanged();
    void hasStoredAPIKeyChanged();
    void maskedStoredAPIKeyChanged();
    void isWritingChanged();
    // Emitted only when the scope changes.
    void scopeChanged();

private:
    void write(std::function<std::expected<void, VORNAPIKeyStoreError>()> write, WriteDone done);
    void apply(const std::expected<std::optional<QString>, VORNAPIKeyStoreError>& loaded);

    std::shared_ptr<VORNAPIKeyStoring> m_store;
    bool m_offThread = false;
    quint64 m_readGeneration = 0;
    int m_writesInFlight = 0;
    bool m_hasStoredAPIKey = false;
    CredentialStatus m_status;
    std::optional<QString> m_maskedStoredAPIKey;
    QString m_scope = QStringLiteral("missing");
};
