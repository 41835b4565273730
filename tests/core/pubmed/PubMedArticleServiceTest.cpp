// The efetch client against a local HTTPS server with a throwaway certificate authority.

#include "pubmed/PubMedArticleService.h"
#include "pubmed/PubMedArticleParser.h"
#include "service/LiteratureNetworking.h"

#include "EfetchFixtures.h"
#include "TestHttpsServer.h"

#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

namespace {

using namespace Qt::Literals::StringLiterals;

const QByteArray efetchPath = "/entrez/eutils/efetch.fcgi";

QByteArray oneRecord(const QByteArray& pmid, const QByteArray& title = "T")
{
    return "<PubmedArticle><MedlineCitation><PMID>" + pmid + "</PMID><Article><ArticleTitle>" + title +
           "</ArticleTitle></Article></MedlineCitation></PubmedArticle>";
}

TestHttpResponse xmlResponse(QByteArray body, QByteArray contentType = "text/xml; charset=UTF-8",
                             int status = 200)
{
    TestHttpResponse r;
    r.status = status;
    if (!contentType.isNull())
        r.headers = {{"Content-Type", contentType}};
    r.body = std::move(body);
    return r;
}

QStringList numbers(int from, int count)
{
    QStringList ids;
    for (int i = 0; i < count; ++i)
        ids.append(QString::number(from + i));
    return ids;
}

// What one call delivered.
struct Outcome
{
    std::optional<PubMedArticlesResult> result;
    int calls = 0;
    QThread* thread = nullptr;

    PubMedArticleFetch::Completion completion()
    {
        return [this](PubMedArticlesResult r) {
            result = std::move(r);
            ++calls;
            thread = QThread::currentThread();
        };
    }
    bool wait()
    {
        return QTest::qWaitFor([this] { return calls > 0; }, 15000);
    }
    [[nodiscard]] std::optional<LiteratureError> error() const
    {
        if (!result || result->has_value())
            return std::nullopt;
        return result->error();
    }
};

class PubMedArticleServiceTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.listen()); }

    std::shared_ptr<LiteratureSession>
    session(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const
    {
        return LiteratureNetworking::ephemeralSession(timeout,
                                                      {TestCertificateAuthority::shared().caCertificate()});
    }
    PubMedArticleService service(PubMedArticleService::TaskRunner runner = {}) const
    {
        return PubMedArticleService(server.url(QString::fromLatin1(efetchPath)), session(),
                                    std::move(runner));
    }

    // Runs one call to its end.
    Outcome fetch(const PubMedArticleService& s, const QStringList& ids)
    {
        Outcome o;
        const auto f = s.articles(ids, o.completion());
        EXPECT_EQ(o.calls, 0) << "never completes inside articles()";
        EXPECT_TRUE(o.wait());
        return o;
    }
    Outcome fetch(const QStringList& ids) { return fetch(service(), ids); }

    TestHttpsServer server;
};

} // namespace

TEST_F(PubMedArticleServiceTest, IdentifiersAreCanonicalisedAndLimitedBeforeAnyRequest)
{
    for (const QStringList& ids : {QStringList{}, QStringList{u"abc"_s, u"  "_s, u"000"_s}}) {
        const Outcome o = fetch(ids);
        ASSERT_TRUE(o.result && o.result->has_value());
        EXPECT_TRUE((*o.result)->isEmpty());
    }
    const Outcome tooMany = fetch(numbers(1, 51));
    EXPECT_EQ(tooMany.error(),
              LiteratureError::invalidInput(u"At most 50 PubMed identifiers can be fetched at once."_s));
    EXPECT_EQ(tooMany.error()->errorDescription(),
              u"At most 50 PubMed identifiers can be fetched at once."_s);
    EXPECT_TRUE(server.requests().isEmpty());

    // 60 identifiers that reduce to 50 distinct ones are fetched, duplicates dropped in order.
    server.setHandler([](const TestHttpRequest&) { return xmlResponse("<PubmedArticleSet/>"); });
    QStringList sixty = numbers(1, 50);
    for (int i = 1; i <= 10; ++i)
        sixty.append(u"00"_s + QString::number(i));
    ASSERT_TRUE(fetch(sixty).result->has_value());
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().first().target, efetchPath +
                                                    "?db=pubmed&id=" + numbers(1, 50).join(u',').toLatin1() +
                                                    "&retmode=xml&tool=vorn-cite");
}

TEST_F(PubMedArticleServiceTest, OneGetWithTheQueryItemsInOrderAndOnlyTheAcceptHeaderOfItsOwn)
{
    server.setHandler([](const TestHttpRequest&) { return xmlResponse("<PubmedArticleSet/>"); });
    const PubMedArticleService s(server.url(QString::fromLatin1(efetchPath) + u"?tool=other&x=1"_s),
                                 session());
    ASSERT_TRUE(fetch(s, {u"0012"_s, u"12"_s, u" 456\n"_s}).result->has_value());
    ASSERT_EQ(server.requests().size(), 1);
    const TestHttpRequest& request = server.requests().first();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, efetchPath + "?db=pubmed&id=12,456&retmode=xml&tool=vorn-cite");
    EXPECT_TRUE(request.body.isEmpty());
    int accepts = 0;
    for (const auto& [name, value] : request.headers) {
        if (name.compare("Accept", Qt::CaseInsensitive) == 0) {
            ++accepts;
            EXPECT_EQ(value, "application/xml, text/xml");
        }
        EXPECT_NE(name.toLower(), "authorization");
        EXPECT_NE(name.toLower(), "cookie");
    }
    EXPECT_EQ(accepts, 1);
}

TEST_F(PubMedArticleServiceTest, EndpointMustBeHttpsWithAHost)
{
    for (const QUrl& endpoint : {QUrl(u"http://127.0.0.1/entrez/eutils/efetch.fcgi"_s),
                                 QUrl(u"https:///efetch"_s), QUrl(u"ftp://example.org/efetch"_s), QUrl()}) {
        const Outcome o = fetch(PubMedArticleService(endpoint, session()), {u"1"_s});
        EXPECT_EQ(o.error(), LiteratureError::invalidEndpoint()) << endpoint.toString().toStdString();
    }
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(PubMedArticleService::defaultEndpoint().toString(),
              u"https://eutils.ncbi.nlm.nih.gov/entrez/eutils/efetch.fcgi"_s);
}

TEST_F(PubMedArticleServiceTest, StatusesOutsideTwoHundredFailWithTheirCodeAndRedirectsAreNotFollowed)
{
    for (const int status : {302, 429, 500}) {
        TestHttpResponse r = xmlResponse("<PubmedArticleSet/>", "text/xml", status);
        if (status == 302)
            r.headers.append({"Location", server.url(u"/elsewhere"_s).toEncoded()});
        server.enqueue(r);
        const qsizetype before = server.requestCount();
        const Outcome o = fetch({u"1"_s});
        EXPECT_EQ(o.error(), LiteratureError::requestFailed(status));
        EXPECT_EQ(server.requestCount(), before + 1) << "no second request for " << status;
    }
}

TEST_F(PubMedArticleServiceTest, ContentTypeMustMentionXmlWhenPresent)
{
    struct Row
    {
        QByteArray contentType;
        std::optional<QString> failure;
    };
    const QString longType = u"text/"_s + QString(245, u'a');
    const QList<Row> rows = {
        {"application/XML; charset=UTF-8", std::nullopt},
        {"text/xml", std::nullopt},
        {QByteArray(), std::nullopt}, // no Content-Type at all
        {"text/html", u"Expected XML from PubMed but received text/html."_s},
        {"text/\x01plain;\x7f  charset=x", u"Expected XML from PubMed but received text/plain; charset=x."_s},
        // A folded header line: its line break goes, the whitespace around it collapses.
        {"text/plain;\r\n \tcharset=x", u"Expected XML from PubMed but received text/plain; charset=x."_s},
        {longType.toLatin1(),
         u"Expected XML from PubMed but received "_s + longType.left(199) + QChar(0x2026) + u'.'},
    };
    for (const Row& row : rows) {
        server.enqueue(
            xmlResponse("<PubmedArticleSet>" + oneRecord("7") + "</PubmedArticleSet>", row.contentType));
        const Outcome o = fetch({u"7"_s});
        if (row.failure)
            EXPECT_EQ(o.error(), LiteratureError::malformedResponse(*row.failure))
                << row.contentType.toStdString();
        else
            EXPECT_TRUE(o.result->has_value() && (*o.result)->contains(u"7"_s))
                << row.contentType.toStdString();
    }
}

TEST_F(PubMedArticleServiceTest, BodiesAboveEightMebibytesAreRefused)
{
    const QByteArray head = "<PubmedArticleSet>" + oneRecord("5");
    const QByteArray tail = "</PubmedArticleSet>";
    const auto padded = [&](qint64 size) -> QByteArray {
        return head + QByteArray(size - head.size() - tail.size(), ' ') + tail;
    };

    server.enqueue(xmlResponse(padded(PubMedArticleService::maximumResponseBytes)));
    const Outcome exact = fetch({u"5"_s});
    ASSERT_TRUE(exact.result && exact.result->has_value());
    EXPECT_TRUE((*exact.result)->contains(u"5"_s));

    server.enqueue(xmlResponse(padded(PubMedArticleService::maximumResponseBytes + 1)));
    EXPECT_EQ(fetch({u"5"_s}).error(), LiteratureError::malformedResponse(
                                           u"The PubMed response was unexpectedly large (8388609 bytes)."_s));
}

TEST_F(PubMedArticleServiceTest, RecordsAreKeyedByPMIDTheLaterOneWinning)
{
    server.enqueue(xmlResponse("<PubmedArticleSet>" + oneRecord("1", "first") + oneRecord("9", "unasked") +
                               oneRecord("1", "second") + "</PubmedArticleSet>"));
    const Outcome o = fetch({u"1"_s, u"2"_s});
    ASSERT_TRUE(o.result && o.result->has_value());
    const PubMedArticles& articles = **o.result;
    EXPECT_EQ(articles.size(), 2);
    EXPECT_EQ(articles.value(u"1"_s).title, u"second"_s);
    EXPECT_EQ(articles.value(u"9"_s).title, u"unasked"_s) << "records are not filtered against the request";
    EXPECT_FALSE(articles.contains(u"2"_s));
}

TEST_F(PubMedArticleServiceTest, RealRecordsFromTheEfetchFixtureService)
{
    const auto efetch = EfetchFixtures::load(QStringLiteral(VORN_FIXTURES_DIR "/pubmed"));
    ASSERT_TRUE(efetch.has_value()) << efetch.error().toStdString();
    server.setHandler([&efetch](const TestHttpRequest& r) { return efetch->answer(r); });
    const Outcome o = fetch({u"35358095"_s, u"20301577"_s, u"1"_s});
    ASSERT_TRUE(o.result && o.result->has_value());
    const PubMedArticles& articles = **o.result;
    EXPECT_EQ(articles.keys().size(), 2);
    EXPECT_EQ(articles.value(u"35358095"_s).articleNumber, u"e154225"_s);
    EXPECT_EQ(articles.value(u"20301577"_s).kind, ArticleKind::bookChapter);
    EXPECT_EQ(articles.value(u"20301577"_s).bookshelfID, u"NBK1403"_s);
}

TEST_F(PubMedArticleServiceTest, ParserAndTransportFailuresPassThrough)
{
    server.enqueue(xmlResponse("<eSearchResult><Count>0</Count></eSearchResult>"));
    EXPECT_EQ(fetch({u"1"_s}).error(),
              LiteratureError::malformedResponse(u"PubMed returned XML without a PubmedArticleSet."_s));
    server.enqueue(xmlResponse(""));
    const std::optional<LiteratureError> empty = fetch({u"1"_s}).error();
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->message()->startsWith(u"PubMed returned unreadable XML: "_s));

    QUrl gone;
    {
        TestHttpsServer closed;
        ASSERT_TRUE(closed.listen());
        gone = closed.url(QString::fromLatin1(efetchPath));
    }
    const std::optional<LiteratureError> refused =
        fetch(PubMedArticleService(gone, session()), {u"1"_s}).error();
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->kind(), LiteratureError::Kind::transport);
}

TEST_F(PubMedArticleServiceTest, CancellingAbortsTheRequestAndYieldsCancelledOnce)
{
    server.enqueue(TestHttpResponse::stalled());
    const PubMedArticleService s = service();
    Outcome o;
    auto f = s.articles({u"1"_s}, o.completion());
    ASSERT_TRUE(server.waitForRequests(1));
    f->cancel();
    f->cancel();
    ASSERT_TRUE(o.wait());
    EXPECT_EQ(o.error(), LiteratureError::cancelled());
    EXPECT_TRUE(server.waitForAbandoned(1)) << "the connection is dropped";
    QCoreApplication::processEvents();
    EXPECT_EQ(o.calls, 1);
}

TEST_F(PubMedArticleServiceTest, DestroyingTheFetchAbortsItSilently)
{
    server.enqueue(TestHttpResponse::stalled());
    const PubMedArticleService s = service();
    Outcome o;
    auto f = s.articles({u"1"_s}, o.completion());
    ASSERT_TRUE(server.waitForRequests(1));
    f.reset();
    EXPECT_TRUE(server.waitForAbandoned(1));
    QCoreApplication::processEvents();
    EXPECT_EQ(o.calls, 0);
}

TEST_F(PubMedArticleServiceTest, AResultThatArrivesAfterCancellationIsDropped)
{
    // The parse is held back until the test runs it, after the caller cancelled.
    std::function<void()> heldParse;
    const PubMedArticleService s =
        service([&heldParse](std::function<void()> task) { heldParse = std::move(task); });
    server.enqueue(xmlResponse("<PubmedArticleSet>" + oneRecord("3") + "</PubmedArticleSet>"));
    Outcome o;
    auto f = s.articles({u"3"_s}, o.completion());
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(heldParse); }, 10000))
        << "the body goes to the parse runner";
    EXPECT_EQ(o.calls, 0);
    f->cancel();
    heldParse();
    ASSERT_TRUE(o.wait());
    QCoreApplication::processEvents();
    EXPECT_EQ(o.calls, 1);
    EXPECT_EQ(o.error(), LiteratureError::cancelled());
}

TEST_F(PubMedArticleServiceTest, TheResultArrivesOnTheCallingThread)
{
    server.enqueue(xmlResponse("<PubmedArticleSet>" + oneRecord("4") + "</PubmedArticleSet>"));
    const PubMedArticleService s = service();
    // The session lives on this thread; the caller is another thread with its own event loop.
    QThread caller;
    caller.start();
    Outcome o;
    std::unique_ptr<PubMedArticleFetch> f;
    QObject anchor;
    anchor.moveToThread(&caller);
    QMetaObject::invokeMethod(
        &anchor, [&] { f = s.articles({u"4"_s}, o.completion()); }, Qt::BlockingQueuedConnection);
    ASSERT_TRUE(o.wait());
    EXPECT_EQ(o.thread, &caller);
    EXPECT_TRUE(o.result->has_value());
    QMetaObject::invokeMethod(
        &anchor, [&] { f.reset(); }, Qt::BlockingQueuedConnection);
    caller.quit();
    caller.wait();
}
