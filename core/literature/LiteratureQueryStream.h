#pragma once

#include "LiteratureError.h"
#include "LiteratureRecords.h"

#include <QObject>

#include <functional>
#include <memory>

class LiteratureQuerySink;

// The consumer's end of a running query. It delivers, on the thread it lives in and
// always through the event loop (never from inside query()): zero or more
// eventReceived, then either finished or failed, exactly once. Nothing is dropped.
// Cancelling or destroying the stream cancels the producer and silences the stream.
class LiteratureQueryStream final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiteratureQueryStream)

public:
    ~LiteratureQueryStream() override;

    // The consumer stops listening: no further signal, and the producer is told.
    void cancel();
    // True once finished or failed was delivered, or after cancel().
    [[nodiscard]] bool isEnded() const { return m_ended; }

    // A new stream living in the current thread, and the producer's handle to it.
    static std::pair<std::unique_ptr<LiteratureQueryStream>, LiteratureQuerySink> create();

signals:
    void eventReceived(const LiteratureQueryEvent& event);
    void finished();
    void failed(const LiteratureError& error);

private:
    struct Shared;
    friend class LiteratureQuerySink;

    LiteratureQueryStream();
    void deliverEvent(const LiteratureQueryEvent& event);
    void deliverEnd(const std::optional<LiteratureError>& error);

    std::shared_ptr<Shared> m_shared;
    bool m_ended = false;
};

// The producer's handle: copyable, usable from any thread. Calls after the end
// (finish or fail) or after the consumer cancelled are ignored.
class LiteratureQuerySink final
{
public:
    LiteratureQuerySink() = default;

    void send(const LiteratureQueryEvent& event) const;
    void progress(const QString& step, const std::optional<QString>& content = std::nullopt) const;
    // Sends the completed event, then ends the stream normally.
    void complete(const LiteratureResult& result) const;
    void finish() const;
    void fail(const LiteratureError& error) const;

    // Runs handler once when the consumer cancels or drops the stream before its end
    // (at once if that already happened). Runs on the consumer's thread; only the
    // last handler registered is kept.
    void onCancel(std::function<void()> handler) const;
    [[nodiscard]] bool isCancelled() const;
    // True after finish, fail or cancellation: nothing more will be delivered.
    [[nodiscard]] bool isClosed() const;

private:
    friend class LiteratureQueryStream;
    explicit LiteratureQuerySink(std::shared_ptr<LiteratureQueryStream::Shared> shared)
        : m_shared(std::move(shared))
    {
    }
    void close(const std::optional<LiteratureError>& error) const;

    std::shared_ptr<LiteratureQueryStream::Shared> m_shared;
};
