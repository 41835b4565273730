#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The local cite and efetch service (vorn-cite-service) as tests run it: HTTPS on
// 127.0.0.1 with a throwaway certificate authority, every cite request logged with its
// text, the service's own time and the PMIDs it answered. It can be stopped and started
// again on the same port, as a service that goes down and comes back.
class LocalCiteService final
{
public:
    struct Request
    {
        QString text;
        double serviceMilliseconds = 0;
        QStringList pmids;
    };

    // extraArguments go to vorn-cite-service as given (for example --api-key KEY).
    explicit LocalCiteService(QStringList extraArguments = {});
    ~LocalCiteService();
    LocalCiteService(const LocalCiteService&) = delete;
    LocalCiteService& operator=(const LocalCiteService&) = delete;

    // One service with the default arguments for every test of a program.
    static LocalCiteService& shared();

    // Starts the service, on the port it had before when it ran already; true once it listens.
    bool start();
    void stop();

    [[nodiscard]] bool isRunning() const
    {
        return m_process.state() == QProcess::Running && !m_url.isEmpty();
    }
    [[nodiscard]] const QString& url() const { return m_url; }
    [[nodiscard]] QString caFile() const;

    // The cite requests received so far, in order.
    [[nodiscard]] QList<Request> requests() const;
    [[nodiscard]] QStringList texts() const;
    // Waits until a request with this text arrived; the last such request.
    [[nodiscard]] std::optional<Request> waitForRequest(const QString& text, int timeoutMs = 60000) const;

    // Waits for the first request after the first seen ones (requests().size() before).
    [[nodiscard]] std::optional<Request> waitForNextRequest(qsizetype seen, int timeoutMs = 60000) const;

    // vorn-cite's arguments for demo mode against this service.
    [[nodiscard]] QStringList demoArguments() const;

private:
    QStringList m_extraArguments;
    QTemporaryDir m_folder;
    QProcess m_process;
    QString m_url;
};
