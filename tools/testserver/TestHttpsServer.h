#pragma once

#include "TestCertificateAuthority.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUrl>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <utility>

class QSslServer;
class QSslSocket;

// A request as the server read it.
struct TestHttpRequest
{
    QByteArray method;
    QByteArray target; // path and query, as sent
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The first field named name, compared case-insensitively.
    [[nodiscard]] std::optional<QByteArray> header(QByteArrayView name) const;
};

// How the server answers one request.
struct TestHttpResponse
{
    int status = 200;
    // Header fields sent as given; "Content-Length" is added unless present.
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // Wait this long before answering (real time; keep it short in tests).
    std::chrono::milliseconds delay{0};
    // Hold the answer: the connection stays open until the client gives up or the test
    // calls answerStalled().
    bool stall = false;

    // A response with "Content-Type: application/json".
    static TestHttpResponse json(int status, QByteArray body);
    static TestHttpResponse stalled();
};

// A scriptable HTTPS/1.1 server on 127.0.0.1 for tests and demos. Queued responses
// answer requests in order; once the queue is empty, the handler answers (by default a
// 404). It counts every request, keeps the latest ones (bounded, so that a demo service
// that runs for hours stays small) and notices clients that leave before their answer.
// Lives on the thread that created it; everything runs on that thread's event loop.
class TestHttpsServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TestHttpsServer)

public:
    using Handler = std::function<TestHttpResponse(const TestHttpRequest&)>;

    // How many of the latest requests requests() keeps, and how much of each body; the
    // handler and requestReceived see the whole body.
    static constexpr qsizetype keptRequests = 64;
    static constexpr qsizetype keptBodyBytes = 64 * 1024;

    explicit TestHttpsServer(const TestCertificateAuthority& authority = TestCertificateAuthority::shared(),
                             QObject* parent = nullptr);
    ~TestHttpsServer() override;

    // Listens on 127.0.0.1 at port (0: any free port); false if that fails.
    bool listen(quint16 port = 0);
    [[nodiscard]] quint16 port() const;
    // "https://127.0.0.1:<port>" followed by path (which starts with "/").
    [[nodiscard]] QUrl url(const QString& path = QString()) const;

    void enqueue(TestHttpResponse response);
    void setHandler(Handler handler);
    // Answers the oldest stalled request whose client is still connected; false if none.
    bool answerStalled(const TestHttpResponse& response);

    // The latest keptRequests requests, oldest first, bodies cut to keptBodyBytes.
    [[nodiscard]] const QList<TestHttpRequest>& requests() const { return m_requests; }
    // Every request received since the start.
    [[nodiscard]] qsizetype requestCount() const { return m_requestCount; }
    // Requests whose client disconnected before the answer was written.
    [[nodiscard]] int abandonedCount() const { return m_abandoned; }

    // Run the event loop until the counts (of all requests, of abandoned ones) are
    // reached or the timeout passes.
    bool waitForRequests(qsizetype count, int timeoutMs = 5000) const;
    bool waitForAbandoned(int count, int timeoutMs = 5000) const;

signals:
    void requestReceived(const TestHttpRequest& request);
    void requestAbandoned();

private:
    struct Connection;
    void accept();
    void readFrom(QSslSocket* socket);
    void keep(const TestHttpRequest& request);
    void answer(QSslSocket* socket, const TestHttpResponse& response, bool close);

    QSslServer* m_server;
    std::deque<TestHttpResponse> m_queue;
    Handler m_handler;
    QList<TestHttpRequest> m_requests;
    qsizetype m_requestCount = 0;
    QHash<QSslSocket*, Connection*> m_connections;
    QList<std::pair<QPointer<QSslSocket>, bool>> m_stalled; // socket, close after answering
    int m_abandoned = 0;
};
