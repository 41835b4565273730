#pragma once

#include "AppServices.h"
#include "literature/LiteratureBackend.h"

#include <QList>

#include <memory>

// A key store in memory; failNextLoad makes loadAPIKey fail once with that error.
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

class FakeResultPanel final : public ResultPanelControlling
{
public:
    QList<std::optional<ScreenRect>> shows;
    int hides = 0;
    void show(const std::optional<ScreenRect>& anchor) override { shows.append(anchor); }
    void hide() override { ++hides; }
};

// Hands out streams whose producer side the test drives.
class ScriptedBackend final : public LiteratureBackend
{
public:
    struct Call
    {
        LiteratureQuery query;
        LiteratureQuerySink sink;
        bool cancelled = false;
    };
    QList<std::shared_ptr<Call>> calls;

    std::unique_ptr<LiteratureQueryStream> query(const LiteratureQuery& q) override
    {
        auto [stream, sink] = LiteratureQueryStream::create();
        auto call = std::make_shared<Call>(Call{q, sink, false});
        sink.onCancel([weak = std::weak_ptr<Call>(call)] {
            if (auto c = weak.lock())
                c->cancelled = true;
        });
        calls.append(call);
        return std::move(stream);
    }
};
