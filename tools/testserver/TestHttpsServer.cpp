#include "TestHttpsServer.h"

#include <QSslServer>
#include <QSslSocket>
#include <QTest>
#include <QTimer>

namespace {

constexpr qsizetype maximumHeaderBytes = 64 * 1024;
constexpr qsizetype maximumRequestBodyBytes = 8 * 1024 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 307:
        return "Temporary Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 422:
        return "Unprocessable Entity";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return "Status";
    }
}

std::optional<QByteArray> findHeader(const QList<std::pair<QByteArray, QByteArray>>& headers,
                                     QByteArrayView name)
{
    for (const auto& [field, value] : headers) {
        if (field.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

} // namespace

struct TestHttpsServer::Connection
{
    QByteArray buffer;
    bool awaitingAnswer = false; // a request was read and not yet answered
};

std::optional<QByteArray> TestHttpRequest::header(QByteArrayView name) const
{
    return findHeader(headers, name);
}

TestHttpResponse TestHttpResponse::json(int status, QByteArray body)
{
    TestHttpResponse response;
    response.status = status;
    response.headers.emplaceBack("Content-Type", "application/json");
    response.body = std::move(body);
    return response;
}

TestHttpResponse TestHttpResponse::stalled()
{
    TestHttpResponse response;
    response.stall = true;
    return response;
}

TestHttpsServer::TestHttpsServer(const TestCertificateAuthority& authority, QObject* parent)
    : QObject(parent), m_server(new QSslServer(this))
{
    QSslConfiguration configuration = authority.serverConfiguration();
    configuration.setAllowedNextProtocols({QSslConfiguration::NextProtocolHttp1_1});
    m_server->setSslConfiguration(configuration);
    m_server->setHandshakeTimeout(10000);
    m_handler = [](const TestHttpRequest&) {
        return TestHttpResponse::json(404, R"({"detail":"Not Found"})");
    };
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &TestHttpsServer::accept);
}

TestHttpsServer::~TestHttpsServer()
{
    for (Connection* connection : std::as_const(m_connections))
        delete connection;
}

bool TestHttpsServer::listen(quint16 port)
{
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 TestHttpsServer::port() const
{
    return m_server->serverPort();
}

QUrl TestHttpsServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("https://127.0.0.1:") + QString::number(port()) + path);
}

void TestHttpsServer::enqueue(TestHttpResponse response)
{
    m_queue.push_back(std::move(response));
}

void TestHttpsServer::setHandler(Handler handler)
{
    m_handler = std::move(handler);
}

bool TestHttpsServer::waitForRequests(qsizetype count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return m_requestCount >= count; }, timeoutMs);
}

bool TestHttpsServer::waitForAbandoned(int count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return m_abandoned >= count; }, timeoutMs);
}

bool TestHttpsServer::answerStalled(const TestHttpResponse& response)
{
    while (!m_stalled.isEmpty()) {
        const auto [socket, close] = m_stalled.takeFirst();
        if (socket && m_connections.contains(socket)) {
            answer(socket, response, close);
            return true;
        }
    }
    return false;
}

void TestHttpsServer::accept()
{
    while (m_server->hasPendingConnections()) {
        auto* socket = qobject_cast<QSslSocket*>(m_server->nextPendingConnection());
        if (!socket)
            continue;
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_connections.insert(socket, new Connection);
        connect(socket, &QIODevice::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QAbstractSocket::disconnected, this, [this, socket] {
            Connection* connection = m_connections.take(socket);
            if (connection && connection->awaitingAnswer) {
                ++m_abandoned;
                emit requestAbandoned();
            }
            delete connection;
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void TestHttpsServer::readFrom(QSslSocket* socket)
{
    Connection* connection = m_connections.value(socket);
    if (!connection)
        return;
    connection->buffer += socket->readAll();
    // One request at a time per connection: the next is read after the answer.
    while (!connection->awaitingAnswer) {
        const qsizetype headerEnd = connection->buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            if (connection->buffer.size() > maximumHeaderBytes)
                socket->disconnectFromHost();
            return;
        }
        const QList<QByteArray> lines = connection->buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        TestHttpRequest request;
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.emplaceBack(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
        }
        bool lengthOk = true;
        const qsizetype length = request.header("Content-Length").value_or("0").toLongLong(&lengthOk);
        if (!lengthOk || length < 0 || length > maximumRequestBodyBytes) {
            socket->disconnectFromHost();
            return;
        }
        if (connection->buffer.size() < headerEnd + 4 + length)
            return;
        request.body = connection->buffer.mid(headerEnd + 4, length);
        connection->buffer.remove(0, headerEnd + 4 + length);
        // A large body leaves its capacity behind.
        if (connection->buffer.isEmpty())
            connection->buffer = QByteArray();
        connection->awaitingAnswer = true;

        const bool close = request.header("Connection").value_or(QByteArray()).toLower() == "close";
        keep(request);
        emit requestReceived(request);
        TestHttpResponse response;
        if (!m_queue.empty()) {
            response = std::move(m_queue.front());
            m_queue.pop_front();
        } else {
            response = m_handler(request);
        }
        if (response.stall) {
            m_stalled.append({socket, close});
            return;
        }
        if (response.delay.count() > 0) {
            QTimer::singleShot(response.delay, socket,
                               [this, socket, response, close] { answer(socket, response, close); });
            return;
        }
        answer(socket, response, close);
    }
}

void TestHttpsServer::keep(const TestHttpRequest& request)
{
    ++m_requestCount;
    if (m_requests.size() >= keptRequests)
        m_requests.removeFirst();
    TestHttpRequest kept = request;
    if (kept.body.size() > keptBodyBytes)
        kept.body = kept.body.left(keptBodyBytes);
    m_requests.append(std::move(kept));
}

void TestHttpsServer::answer(QSslSocket* socket, const TestHttpResponse& response, bool close)
{
    Connection* connection = m_connections.value(socket);
    if (!connection)
        return;
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    for (const auto& [field, value] : response.headers)
        head += field + ": " + value + "\r\n";
    if (!findHeader(response.headers, "Content-Length"))
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    if (close)
        head += "Connection: close\r\n";
    head += "\r\n";
    socket->write(head + response.body);
    connection->awaitingAnswer = false;
    if (close) {
        socket->disconnectFromHost();
        return;
    }
    if (!connection->buffer.isEmpty())
        QTimer::singleShot(0, socket, [this, socket] { readFrom(socket); });
}
