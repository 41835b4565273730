#pragma once

#include "literature/LiteratureBackend.h"
#include "literature/LiteratureError.h"
#include "literature/LiteratureRecords.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

// Builds the literature backend for a credential scope. The application's factory
// builds the caching HTTPS stack; tests pass scripted backends.
using LiteratureBackendFactory =
    std::function<std::shared_ptr<LiteratureBackend>(const QString& credentialScope)>;

// Runs literature queries one at a time. A backend is built for a credential scope and
// a service address and kept while both hold. Starting a query or stopping drops the
// running one: its stream is cancelled and nothing more of it is reported. Main thread
// only.
class QueryRunner final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QueryRunner)

public:
    struct Handlers
    {
        // Each event of the current query, in order.
        std::function<void(const LiteratureQueryEvent& event)> event;
        // The current query ended: with no error when the stream finished, and whether
        // it delivered a completed event. The runner is idle again when this runs.
        std::function<void(const std::optional<LiteratureError>& error, bool sawCompleted)> end;
    };

    QueryRunner(LiteratureBackendFactory factory, std::function<QString()> serviceURL,
                std::function<QString()> credentialScope, Handlers handlers, QObject* parent = nullptr);
    ~QueryRunner() override;

    void start(const LiteratureQuery& query);
    void stop();
    // The running query, if any.
    [[nodiscard]] const std::optional<LiteratureQuery>& activeQuery() const { return m_activeQuery; }
    // The next query builds a new backend.
    void forgetBackend() { m_backend.reset(); }

private:
    struct Task;
    struct Backend
    {
        QString credentialScope;
        QString serviceURL;
        std::shared_ptr<LiteratureBackend> backend;
    };

    std::shared_ptr<LiteratureBackend> backend();
    void finish(quint64 id, const std::optional<LiteratureError>& error);

    LiteratureBackendFactory m_factory;
    std::function<QString()> m_serviceURL;
    std::function<QString()> m_credentialScope;
    Handlers m_handlers;
    std::optional<Backend> m_backend;
    std::unique_ptr<Task> m_task;
    std::optional<LiteratureQuery> m_activeQuery;
    quint64 m_taskID = 0; // the current task's; earlier tasks' output is dropped
};
