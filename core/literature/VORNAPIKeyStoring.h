#pragma once

#include <QString>

#include <expected>
#include <optional>

// A failure of the API-key store, with its fixed user-facing description.
class VORNAPIKeyStoreError final
{
public:
    enum class Kind
    {
        keychainFailure,
        invalidKey,
        invalidStoredValue
    };

    // The store could not be reached, was locked or refused; message is the store's
    // own text when it has one.
    static VORNAPIKeyStoreError keychainFailure(int status, std::optional<QString> message = std::nullopt)
    {
        return {Kind::keychainFailure, status, std::move(message)};
    }
    static VORNAPIKeyStoreError invalidKey() { return {Kind::invalidKey, 0, std::nullopt}; }
    static VORNAPIKeyStoreError invalidStoredValue() { return {Kind::invalidStoredValue, 0, std::nullopt}; }

    [[nodiscard]] Kind kind() const { return m_kind; }
    [[nodiscard]] int status() const { return m_status; }
    [[nodiscard]] QString errorDescription() const;

    friend bool operator==(const VORNAPIKeyStoreError&, const VORNAPIKeyStoreError&) = default;

private:
    VORNAPIKeyStoreError(Kind kind, int status, std::optional<QString> message)
        : m_kind(kind), m_status(status), m_message(std::move(message))
    {
    }

    Kind m_kind;
    int m_status;
    std::optional<QString> m_message;
};

// How a stored key is shown: the prefix and a fixed mask, never a character of the key.
QString maskedStoredAPIKeyText();

// Keeps the one API key of the citation service in the desktop's secret store.
class VORNAPIKeyStoring
{
public:
    virtual ~VORNAPIKeyStoring() = default;
    // The stored key, or absent when none is stored (not an error).
    [[nodiscard]] virtual std::expected<std::optional<QString>, VORNAPIKeyStoreError> loadAPIKey() = 0;
    // Normalises and stores key, replacing any stored one; a malformed key fails
    // with invalidKey and leaves the store untouched.
    [[nodiscard]] virtual std::expected<void, VORNAPIKeyStoreError> saveAPIKey(const QString& key) = 0;
    // Removes the stored key; removing a key that is not there succeeds.
    [[nodiscard]] virtual std::expected<void, VORNAPIKeyStoreError> deleteAPIKey() = 0;
};
