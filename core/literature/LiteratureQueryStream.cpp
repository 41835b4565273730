#include "LiteratureQueryStream.h"

#include <QMutex>
#include <QMutexLocker>

struct LiteratureQueryStream::Shared
{
    QMutex mutex;
    LiteratureQueryStream* stream = nullptr; // null once the consumer dropped the stream
    bool closed = false; // the producer ended it, or the consumer cancelled
    bool cancelled = false;
    std::function<void()> onCancel;
};

LiteratureQueryStream::LiteratureQueryStream() : m_shared(std::make_shared<Shared>())
{
    m_shared->stream = this;
}

LiteratureQueryStream::~LiteratureQueryStream()
{
    cancel();
    QMutexLocker lock(&m_shared->mutex);
    m_shared->stream = nullptr;
}

std::pair<std::unique_ptr<LiteratureQueryStream>, LiteratureQuerySink> LiteratureQueryStream::create()
{
    std::unique_ptr<LiteratureQueryStream> stream(new LiteratureQueryStream());
    LiteratureQuerySink sink(stream->m_shared);
    return {std::move(stream), std::move(sink)};
}

void LiteratureQueryStream::cancel()
{
    if (m_ended)
        return;
    m_ended = true;
    std::function<void()> handler;
    {
        QMutexLocker lock(&m_shared->mutex);
        const bool producerWasDone = m_shared->closed;
        m_shared->closed = true;
        if (!producerWasDone) {
            m_shared->cancelled = true;
            handler = std::move(m_shared->onCancel);
        }
        m_shared->onCancel = nullptr;
    }
    if (handler)
        handler();
}

void LiteratureQueryStream::deliverEvent(const LiteratureQueryEvent& event)
{
    if (!m_ended)
        emit eventReceived(event);
}

void LiteratureQueryStream::deliverEnd(const std::optional<LiteratureError>& error)
{
    if (m_ended)
        return;
    m_ended = true;
    if (error)
        emit failed(*error);
    else
        emit finished();
}

void LiteratureQuerySink::send(const LiteratureQueryEvent& event) const
{
    if (!m_shared)
        return;
    QMutexLocker lock(&m_shared->mutex);
    if (m_shared->closed || !m_shared->stream)
        return;
    LiteratureQueryStream* stream = m_shared->stream;
    QMetaObject::invokeMethod(
        stream, [stream, event] { stream->deliverEvent(event); }, Qt::QueuedConnection);
}

void LiteratureQuerySink::progress(const QString& step, const std::optional<QString>& content) const
{
    send(LiteratureQueryEvent::progress(step, content));
}

void LiteratureQuerySink::complete(const LiteratureResult& result) const
{
    send(LiteratureQueryEvent::completed(result));
    finish();
}

void LiteratureQuerySink::close(const std::optional<LiteratureError>& error) const
{
    const auto& shared = m_shared;
    if (!shared)
        return;
    std::function<void()> dropped;
    QMutexLocker lock(&shared->mutex);
    if (shared->closed)
        return;
    shared->closed = true;
    dropped = std::move(shared->onCancel);
    shared->onCancel = nullptr;
    if (LiteratureQueryStream* stream = shared->stream) {
        QMetaObject::invokeMethod(
            stream, [stream, error] { stream->deliverEnd(error); }, Qt::QueuedConnection);
    }
    lock.unlock();
    // The handler may own the producer; release it outside the lock.
    dropped = nullptr;
}

void LiteratureQuerySink::finish() const
{
    close(std::nullopt);
}

void LiteratureQuerySink::fail(const LiteratureError& error) const
{
    close(error);
}

void LiteratureQuerySink::onCancel(std::function<void()> handler) const
{
    if (!m_shared)
        return;
    QMutexLocker lock(&m_shared->mutex);
    if (m_shared->cancelled) {
        lock.unlock();
        if (handler)
            handler();
        return;
    }
    if (m_shared->closed)
        return;
    m_shared->onCancel = std::move(handler);
}

bool LiteratureQuerySink::isCancelled() const
{
    if (!m_shared)
        return true;
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->cancelled;
}

bool LiteratureQuerySink::isClosed() const
{
    if (!m_shared)
        return true;
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->closed;
}
