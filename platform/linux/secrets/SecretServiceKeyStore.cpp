#include "SecretServiceKeyStore.h"

#include "literature/VORNAPIKeyFormat.h"

#include <QStringDecoder>

#include <libsecret/secret.h>

const QString SecretServiceKeyStore::defaultService = QStringLiteral("app.vorn.cite");
const QString SecretServiceKeyStore::defaultAccount = QStringLiteral("VORN API Key");
const QString SecretServiceKeyStore::label = QStringLiteral("VORN Cite API Key");

namespace {

const SecretSchema* schema()
{
    static const SecretSchema s = {"app.vorn.cite.ApiKey",
                                   SECRET_SCHEMA_NONE,
                                   {{"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                   0,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr};
    return &s;
}

// Takes ownership of error.
VORNAPIKeyStoreError failure(GError* error)
{
    const int code = error->code;
    const QString message = QString::fromUtf8(error->message ? error->message : "");
    g_error_free(error);
    return VORNAPIKeyStoreError::keychainFailure(code,
                                                 message.isEmpty() ? std::nullopt : std::optional(message));
}

} // namespace

SecretServiceKeyStore::SecretServiceKeyStore(QString service, QString account)
    : m_service(service.toUtf8()), m_account(account.toUtf8())
{
}

std::expected<std::optional<QString>, VORNAPIKeyStoreError> SecretServiceKeyStore::loadAPIKey()
{
    GError* error = nullptr;
    SecretValue* value =
        secret_password_lookup_binary_sync(schema(), nullptr, &error, "service", m_service.constData(),
                                           "account", m_account.constData(), nullptr);
    if (error) {
        if (value)
            secret_value_unref(value);
        return std::unexpected(failure(error));
    }
    if (!value)
        return std::optional<QString>();

    gsize length = 0;
    const gchar* data = secret_value_get(value, &length);
    const QByteArray bytes(data, qsizetype(length));
    secret_value_unref(value);

    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString key = decoder.decode(bytes);
    if (bytes.isEmpty() || decoder.hasError())
        return std::unexpected(VORNAPIKeyStoreError::invalidStoredValue());
    return std::optional<QString>(key);
}

std::expected<void, VORNAPIKeyStoreError> SecretServiceKeyStore::saveAPIKey(const QString& key)
{
    const std::optional<QString> normalized = VORNAPIKeyFormat::normalize(key);
    if (!normalized)
        return std::unexpected(VORNAPIKeyStoreError::invalidKey());
    const QByteArray bytes = normalized->toUtf8();
    const QByteArray itemLabel = label.toUtf8();

    // Creates the item, or replaces the secret of the item with the same attributes.
    SecretValue* value = secret_value_new(bytes.constData(), gssize(bytes.size()), "text/plain");
    GError* error = nullptr;
    const gboolean stored = secret_password_store_binary_sync(
        schema(), SECRET_COLLECTION_DEFAULT, itemLabel.constData(), value, nullptr, &error, "service",
        m_service.constData(), "account", m_account.constData(), nullptr);
    secret_value_unref(value);
    if (error)
        return std::unexpected(failure(error));
    if (!stored)
        return std::unexpected(VORNAPIKeyStoreError::keychainFailure(-1));
    return {};
}

std::expected<void, VORNAPIKeyStoreError> SecretServiceKeyStore::deleteAPIKey()
{
    GError* error = nullptr;
    // Returns false without an error when there was nothing to remove, which counts as success.
    secret_password_clear_sync(schema(), nullptr, &error, "service", m_service.constData(), "account",
                               m_account.constData(), nullptr);
    if (error)
        return std::unexpected(failure(error));
    return {};
}
