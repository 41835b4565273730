#pragma once

#include "AppServices.h"
#include "literature/LiteratureBackend.h"
#include "support/FakeKeyStore.h"

#include <QList>

#include <memory>

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
