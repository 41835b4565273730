#include "CachingLiteratureBackend.h"

#include <QThread>

#include <algorithm>

namespace {

// The shared work of a run: one query of the wrapped backend, consumed on the thread that
// started it. Destroying the task releases the stream; cancel() stops it first.
class StreamTask final : public InFlightTask
{
public:
    StreamTask(std::unique_ptr<LiteratureQueryStream> stream, InFlightLiteratureRequests::Completion done)
        : m_stream(stream.release())
    {
        // Progress is not passed on; the first completed event, a failure, or an end
        // without a result decides the outcome, once.
        auto decided = std::make_shared<bool>(false);
        auto decide = [decided, done = std::move(done)](const InFlightLiteratureRequests::Outcome& outcome) {
            if (*decided)
                return;
            *decided = true;
            done(outcome);
        };
        QObject::connect(m_stream, &LiteratureQueryStream::eventReceived, m_stream,
                         [decide](const LiteratureQueryEvent& event) {
                             if (const auto* completed = event.asCompleted())
                                 decide(completed->result);
                         });
        QObject::connect(m_stream, &LiteratureQueryStream::finished, m_stream, [decide] {
            decide(std::unexpected(LiteratureError::malformedResponse(
                QStringLiteral("VORN finished without a completed result."))));
        });
        QObject::connect(m_stream, &LiteratureQueryStream::failed, m_stream,
                         [decide](const LiteratureError& error) { decide(std::unexpected(error)); });
    }

    ~StreamTask() override { m_stream->deleteLater(); }

    void cancel() override
    {
        LiteratureQueryStream* stream = m_stream;
        if (stream->thread() == QThread::currentThread())
            stream->cancel();
        else
            QMetaObject::invokeMethod(
                stream, [stream] { stream->cancel(); }, Qt::QueuedConnection);
    }

private:
    LiteratureQueryStream* m_stream;
};

} // namespace

CachingLiteratureBackend::CachingLiteratureBackend(std::shared_ptr<LiteratureBackend> backend,
                                                   std::shared_ptr<InMemoryLiteratureCache> cache,
                                                   std::shared_ptr<InFlightLiteratureRequests> inFlight,
                                                   QString endpointScope, QString credentialScope)
    : m_backend(std::move(backend)), m_cache(std::move(cache)), m_inFlight(std::move(inFlight)),
      m_endpointScope(std::move(endpointScope)), m_credentialScope(std::move(credentialScope))
{
}

CachingLiteratureBackend::~CachingLiteratureBackend() = default;

std::unique_ptr<LiteratureQueryStream> CachingLiteratureBackend::query(const LiteratureQuery& query)
{
    auto [stream, sink] = LiteratureQueryStream::create();
    const qint64 minutes = std::clamp<qint64>(query.options.cacheDurationMinutes, 0, 60);
    const LiteratureCacheKey key = LiteratureCacheKey::make(query, m_endpointScope, m_credentialScope);
    if (minutes > 0) {
        if (std::optional<LiteratureResult> hit = m_cache->value(key)) {
            sink.complete(*hit);
            return std::move(stream);
        }
    }
    sink.progress(QStringLiteral("Searching VORN"));

    auto operation = [backend = m_backend, query](InFlightLiteratureRequests::Completion done) {
        return std::unique_ptr<InFlightTask>(
            std::make_unique<StreamTask>(backend->query(query), std::move(done)));
    };
    auto answer = [sink, cache = m_cache, key, minutes](const InFlightLiteratureRequests::Outcome& outcome) {
        if (!outcome) {
            sink.fail(outcome.error());
            return;
        }
        if (minutes > 0)
            cache->insert(*outcome, key, minutes);
        sink.complete(*outcome);
    };
    const InFlightLiteratureRequests::Membership membership =
        m_inFlight->result(key, operation, std::move(answer));
    // A consumer that stops listening leaves the run; the last one to leave cancels it.
    sink.onCancel([inFlight = m_inFlight, membership] { inFlight->cancel(membership); });
    return std::move(stream);
}
