#pragma once

#include "literature/VORNAPIKeyStoring.h"

// A key store in memory; while loadError is set, loadAPIKey fails with it.
class FakeKeyStore final : public VORNAPIKeyStoring
{
public:
    std::optional<QString> key;
    std::optional<VORNAPIKeyStoreError> loadError;
    int loads = 0;

    std::expected<std::optional<QString>, VORNAPIKeyStoreError> loadAPIKey() override
    {
        ++loads;
        if (loadError)
            return std::unexpected(*loadError);
        return key;
    }
    std::expected<void, VORNAPIKeyStoreError> saveAPIKey(const QString& k) override
    {
        key = k;
        return {};
    }
    std::expected<void, VORNAPIKeyStoreError> deleteAPIKey() override
    {
        key.reset();
        return {};
    }
};
