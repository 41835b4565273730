// The scriptable HTTPS server that the client tests and the demo service run on.

#include "TestHttpsServer.h"
#include "service/LiteratureNetworking.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

// Posts body and runs the event loop until the answer arrives; false on failure.
bool post(LiteratureSession& session, const QUrl& url, const QByteArray& body)
{
    std::optional<LiteratureHTTPResult> result;
    auto transfer = session.send(QNetworkRequest(url), "POST", body, 1024,
                                 [&](LiteratureHTTPResult r) { result = std::move(r); });
    return QTest::qWaitFor([&] { return result.has_value(); }, 10000) && result->has_value() &&
           (*result)->statusCode == 200;
}

} // namespace

// A demo service runs for hours: it keeps what the tests read, bounded, not every request.
TEST(TestHttpsServer, KeepsTheLatestRequestsWithBoundedBodies)
{
    TestHttpsServer server;
    ASSERT_TRUE(server.listen());
    std::optional<QByteArray> handledBody;
    server.setHandler([&](const TestHttpRequest& request) {
        handledBody = request.body;
        return TestHttpResponse::json(200, "{}");
    });
    auto session = LiteratureNetworking::ephemeralSession(
        std::chrono::seconds(10), {TestCertificateAuthority::shared().caCertificate()});

    const int count = TestHttpsServer::keptRequests + 6;
    for (int i = 0; i < count - 1; ++i)
        ASSERT_TRUE(
            post(*session, server.url(QStringLiteral("/r%1").arg(i)), "body " + QByteArray::number(i)));
    const QByteArray large(1 << 20, 'x');
    ASSERT_TRUE(post(*session, server.url(QStringLiteral("/large")), large));

    EXPECT_EQ(server.requestCount(), count);
    ASSERT_EQ(server.requests().size(), TestHttpsServer::keptRequests);
    EXPECT_EQ(server.requests().first().target, "/r6");
    EXPECT_EQ(server.requests().first().body, "body 6");
    const TestHttpRequest& last = server.requests().last();
    EXPECT_EQ(last.target, "/large");
    EXPECT_EQ(last.body, large.left(TestHttpsServer::keptBodyBytes));
    EXPECT_EQ(last.header("Content-Length"), QByteArray::number(large.size()));
    // The handler still sees the whole body.
    EXPECT_EQ(handledBody, large);
    EXPECT_TRUE(server.waitForRequests(count, 0));
}
