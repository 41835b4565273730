#pragma once

#include "literature/VORNAPIKeyStoring.h"

// Keeps the API key as one item of the Secret Service (GNOME Keyring, KWallet, ...),
// found by the attributes service and account. There is no plaintext fallback: when
// no Secret Service answers, every operation fails with its status.
class SecretServiceKeyStore final : public VORNAPIKeyStoring
{
public:
    static const QString defaultService; // "app.vorn.cite"
    static const QString defaultAccount; // "VORN API Key"
    static const QString label; // "VORN Cite API Key"

    explicit SecretServiceKeyStore(QString service = defaultService, QString account = defaultAccount);

    std::expected<std::optional<QString>, VORNAPIKeyStoreError> loadAPIKey() override;
    std::expected<void, VORNAPIKeyStoreError> saveAPIKey(const QString& key) override;
    std::expected<void, VORNAPIKeyStoreError> deleteAPIKey() override;

private:
    QByteArray m_service;
    QByteArray m_account;
};
