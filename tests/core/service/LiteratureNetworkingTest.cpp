#include "service/LiteratureNetworking.h"
#include "ErrorPrinting.h"

#include "TestHttpsServer.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

QString repeated(QChar c, int times)
{
    return QString(times, c);
}

struct Sent
{
    std::optional<LiteratureHTTPResult> result;
    std::unique_ptr<LiteratureTransfer> transfer;
};

// Sends one request and runs the event loop until it completes.
LiteratureHTTPResult exchange(LiteratureSession& session, const QUrl& url, qint64 limit = 1024,
                              const QByteArray& verb = "GET")
{
    std::optional<LiteratureHTTPResult> result;
    QNetworkRequest request(url);
    auto transfer =
        session.send(request, verb, {}, limit, [&](LiteratureHTTPResult r) { result = std::move(r); });
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 10000))
        return std::unexpected(LiteratureError::transport(QStringLiteral("test timed out")));
    return *result;
}

} // namespace

TEST(LiteratureNetworking, CleanSanitizeAndDisplayForm)
{
    EXPECT_EQ(LiteratureNetworking::clean(QStringLiteral("  a\u00a0\n b\t\tc  ")), QStringLiteral("a b c"));
    // Every other control character (C0, DEL, C1) goes; format characters such as
    // right-to-left marks stay.
    EXPECT_EQ(
        LiteratureNetworking::clean(QStringLiteral("\u001b]0;x\u0007 a\u0000b \u0001 \u009b1mc\u007f\u0085d "
                                                   "\u200f\u202ee\u202c\u001f")),
        QStringLiteral("]0;x ab 1mc d \u200f\u202ee\u202c"));
    EXPECT_EQ(LiteratureNetworking::sanitize(QStringLiteral("a\tb\nc\u0000d\u007fe\u0085f g\u200bh")),
              QStringLiteral("abcdef g\u200bh"));
    // Control characters go before whitespace is collapsed, so the two words run together.
    EXPECT_EQ(LiteratureNetworking::displayForm(QStringLiteral("Rate\tlimit  reached\n")),
              QStringLiteral("Ratelimit reached"));

    const QString ellipsis(QChar(0x2026));
    EXPECT_EQ(LiteratureNetworking::displayForm(repeated(u'x', 200)), repeated(u'x', 200));
    EXPECT_EQ(LiteratureNetworking::displayForm(repeated(u'x', 201)), repeated(u'x', 199) + ellipsis);
    EXPECT_EQ(LiteratureNetworking::displayForm(repeated(u'x', 300)), repeated(u'x', 199) + ellipsis);
    // Counted in user-perceived characters: an accented letter of two code units is one.
    QString accented;
    for (int i = 0; i < 250; ++i)
        accented += QStringLiteral("e\u0301");
    const QString shown = LiteratureNetworking::displayForm(accented);
    EXPECT_EQ(shown, accented.left(398) + ellipsis);
}

TEST(LiteratureNetworking, ServerMessage)
{
    struct Row
    {
        QByteArray body;
        std::optional<QString> message;
    };
    const QString long300 = repeated(u'm', 300);
    const QList<Row> rows = {
        {R"({"detail":"Rate limit"})", QStringLiteral("Rate limit")},
        {R"({"detail":[{"msg":"field required"},{"msg":"  too\nlong "}]})",
         QStringLiteral("field required; too long")},
        {R"({"detail":[{"msg":"a"},{"loc":["body"]},{"msg":5}]})", QStringLiteral("a")},
        // An array with a non-object element is skipped for the next member.
        {R"({"detail":[{"msg":"a"},"b"],"message":"from message"})", QStringLiteral("from message")},
        {R"({"detail":"   ","message":"","error":"boom"})", QStringLiteral("boom")},
        {R"({"detail":7,"error":{"msg":"x"}})", std::nullopt},
        {R"({"detail":[]})", std::nullopt},
        {R"(["detail"])", std::nullopt},
        {"not json", std::nullopt},
        {"", std::nullopt},
        {R"({"message":")" + long300.toUtf8() + R"("})", repeated(u'm', 199) + QChar(0x2026)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LiteratureNetworking::serverMessage(row.body), row.message) << row.body.toStdString();
}

TEST(LiteratureSession, TrustsOnlyTheGivenAuthority)
{
    TestHttpsServer server;
    ASSERT_TRUE(server.listen());
    server.setHandler([](const TestHttpRequest&) { return TestHttpResponse::json(200, R"({"ok":true})"); });

    auto trusting = LiteratureNetworking::ephemeralSession(
        std::chrono::seconds(10), {TestCertificateAuthority::shared().caCertificate()});
    const LiteratureHTTPResult ok = exchange(*trusting, server.url(QStringLiteral("/x")));
    ASSERT_TRUE(ok.has_value()) << ok.error().errorDescription().toStdString();
    EXPECT_EQ(ok->statusCode, 200);
    EXPECT_EQ(ok->body, R"({"ok":true})");
    EXPECT_EQ(ok->header("content-type"), QByteArray("application/json"));

    // Without the throwaway authority the same server is refused at the TLS handshake.
    auto plain = LiteratureNetworking::ephemeralSession(std::chrono::seconds(10));
    const LiteratureHTTPResult refused = exchange(*plain, server.url(QStringLiteral("/x")));
    ASSERT_FALSE(refused.has_value());
    EXPECT_EQ(refused.error().kind(), LiteratureError::Kind::transport);
}

TEST(LiteratureSession, NoCookiesNoRedirectsAndABoundedBody)
{
    TestHttpsServer server;
    ASSERT_TRUE(server.listen());
    auto session = LiteratureNetworking::ephemeralSession(
        std::chrono::seconds(10), {TestCertificateAuthority::shared().caCertificate()});

    TestHttpResponse withCookie = TestHttpResponse::json(200, "{}");
    withCookie.headers.emplaceBack("Set-Cookie", "session=abc; Path=/");
    server.enqueue(withCookie);
    TestHttpResponse redirect = TestHttpResponse::json(302, R"({"detail":"moved"})");
    redirect.headers.emplaceBack("Location", server.url(QStringLiteral("/elsewhere")).toEncoded());
    server.enqueue(redirect);
    server.enqueue(TestHttpResponse::json(200, QByteArray(5000, 'x')));

    ASSERT_TRUE(exchange(*session, server.url(QStringLiteral("/first"))).has_value());
    const LiteratureHTTPResult moved = exchange(*session, server.url(QStringLiteral("/second")));
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(moved->statusCode, 302);
    EXPECT_EQ(moved->body, R"({"detail":"moved"})");
    const LiteratureHTTPResult big = exchange(*session, server.url(QStringLiteral("/third")), 1000);
    ASSERT_TRUE(big.has_value());
    EXPECT_EQ(big->body.size(), 1000);
    EXPECT_EQ(big->bodyBytes, 5000);

    ASSERT_EQ(server.requests().size(), 3) << "the redirect was not followed";
    EXPECT_FALSE(server.requests().at(1).header("Cookie").has_value())
        << "the cookie was neither stored nor sent";
    EXPECT_FALSE(server.requests().at(2).header("Cookie").has_value());
}

TEST(LiteratureSession, ABodyThatFailsInTransferIsATransportFailure)
{
    TestHttpsServer server;
    ASSERT_TRUE(server.listen());
    auto session = LiteratureNetworking::ephemeralSession(
        std::chrono::seconds(10), {TestCertificateAuthority::shared().caCertificate()});

    // A JSON body compressed with zlib, then cut or spoiled: the status line says 200 and
    // part of the body may have been decoded, but it never arrived whole.
    const QByteArray json = R"({"status":"ok","answer":")" + QByteArray(4000, 'a') + R"("})";
    const QByteArray zlib = qCompress(json).mid(4);
    QByteArray spoiled = zlib;
    spoiled[zlib.size() / 2] = char(spoiled[zlib.size() / 2] ^ 0x55);
    struct Row
    {
        const char* label;
        int status;
        QByteArray encoding;
        QByteArray body;
    };
    const QList<Row> rows = {
        {"not compressed at all", 200, "gzip", "this is not gzip"},
        {"spoiled in the middle", 200, "deflate", spoiled},
        {"spoiled error body", 404, "deflate", spoiled},
    };
    for (const Row& row : rows) {
        TestHttpResponse response = TestHttpResponse::json(row.status, row.body);
        response.headers.emplaceBack("Content-Encoding", row.encoding);
        server.enqueue(response);
        const LiteratureHTTPResult result =
            exchange(*session, server.url(QStringLiteral("/broken")), 1 << 20);
        ASSERT_FALSE(result.has_value()) << row.label << ": status " << result->statusCode.value_or(0)
                                         << ", body " << result->body.left(60).toStdString();
        EXPECT_EQ(result.error().kind(), LiteratureError::Kind::transport) << row.label;
        EXPECT_FALSE(result.error().errorDescription().isEmpty());
    }

    // The same body whole is an ordinary response.
    TestHttpResponse whole = TestHttpResponse::json(200, zlib);
    whole.headers.emplaceBack("Content-Encoding", "deflate");
    server.enqueue(whole);
    const LiteratureHTTPResult ok = exchange(*session, server.url(QStringLiteral("/whole")), 1 << 20);
    ASSERT_TRUE(ok.has_value()) << ok.error().errorDescription().toStdString();
    EXPECT_EQ(ok->body, json);
}

TEST(LiteratureSession, DestroyingATransferAbortsTheRequest)
{
    TestHttpsServer server;
    ASSERT_TRUE(server.listen());
    server.enqueue(TestHttpResponse::stalled());
    auto session = LiteratureNetworking::ephemeralSession(
        std::chrono::seconds(10), {TestCertificateAuthority::shared().caCertificate()});
    bool completed = false;
    auto transfer = session->send(QNetworkRequest(server.url(QStringLiteral("/stall"))), "GET", {}, 100,
                                  [&](LiteratureHTTPResult) { completed = true; });
    ASSERT_TRUE(server.waitForRequests(1));
    transfer.reset();
    EXPECT_TRUE(server.waitForAbandoned(1));
    QCoreApplication::processEvents();
    EXPECT_FALSE(completed);
}
