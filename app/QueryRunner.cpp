#include "QueryRunner.h"

// The running query: its stream and the backend that produces it (kept alive while
// the stream runs). Dropping it cancels the stream and so the backend's work.
struct QueryRunner::Task
{
    std::shared_ptr<LiteratureBackend> backend;
    std::unique_ptr<LiteratureQueryStream> stream;
    bool sawCompleted = false;

    ~Task()
    {
        if (!stream)
            return;
        stream->cancel();
        // The task may end from inside one of the stream's own signals.
        stream.release()->deleteLater();
    }
};

QueryRunner::QueryRunner(LiteratureBackendFactory factory, std::function<QString()> serviceURL,
                         std::function<QString()> credentialScope, Handlers handlers, QObject* parent)
    : QObject(parent), m_factory(std::move(factory)), m_serviceURL(std::move(serviceURL)),
      m_credentialScope(std::move(credentialScope)), m_handlers(std::move(handlers))
{
}

QueryRunner::~QueryRunner() = default;

std::shared_ptr<LiteratureBackend> QueryRunner::backend()
{
    // A changed key or a changed service address each need a new backend.
    const QString scope = m_credentialScope();
    const QString serviceURL = m_serviceURL();
    if (!m_backend || m_backend->credentialScope != scope || m_backend->serviceURL != serviceURL)
        m_backend = Backend{scope, serviceURL, m_factory(scope)};
    return m_backend->backend;
}

void QueryRunner::start(const LiteratureQuery& query)
{
    stop();
    const quint64 id = ++m_taskID;
    m_activeQuery = query;
    auto task = std::make_unique<Task>();
    task->backend = backend();
    task->stream = task->backend->query(query);
    LiteratureQueryStream* stream = task->stream.get();
    connect(stream, &LiteratureQueryStream::eventReceived, this,
            [this, id](const LiteratureQueryEvent& event) {
                if (id != m_taskID || !m_task)
                    return;
                if (event.asCompleted())
                    m_task->sawCompleted = true;
                m_handlers.event(event);
            });
    connect(stream, &LiteratureQueryStream::finished, this, [this, id] { finish(id, std::nullopt); });
    connect(stream, &LiteratureQueryStream::failed, this,
            [this, id](const LiteratureError& error) { finish(id, error); });
    m_task = std::move(task);
}

void QueryRunner::stop()
{
    m_activeQuery.reset();
    m_task.reset();
}

void QueryRunner::finish(quint64 id, const std::optional<LiteratureError>& error)
{
    if (id != m_taskID || !m_task)
        return;
    const bool sawCompleted = m_task->sawCompleted;
    stop();
    m_handlers.end(error, sawCompleted);
}
