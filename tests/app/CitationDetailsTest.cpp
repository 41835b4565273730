// Citation details, reports and toasts of the coordinator, with the details fetched
// from the local efetch service over HTTPS.

#include "AppCoordinator.h"
#include "FakeCitationServices.h"
#include "FakeServices.h"

#include "citation/LiteratureReportFormatter.h"
#include "service/LiteratureNetworking.h"

#include "EfetchFixtures.h"
#include "TestHttpsServer.h"

#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace Qt::Literals::StringLiterals;

namespace {

// Five PMIDs with records in the bundled efetch documents.
const QStringList knownPMIDs = {u"23435529"_s, u"23657305"_s, u"26568896"_s, u"34843274"_s, u"35358095"_s};

LiteratureReference reference(const QString& pmid)
{
    LiteratureReference r;
    r.pmid = pmid;
    r.title = u"Title of "_s + pmid;
    r.authors = {u"Smith J"_s};
    r.evidence = {LiteratureEvidence{u"A quote of "_s + pmid, std::nullopt}};
    return r;
}

LiteratureResult resultOf(const QStringList& pmids)
{
    LiteratureResult result;
    result.answer = u"An answer."_s;
    for (const QString& pmid : pmids)
        result.references.append(reference(pmid));
    return result;
}

// The identifiers of one efetch request, in the order asked.
QStringList requestedIDs(const TestHttpRequest& request)
{
    const QUrlQuery query(QUrl(QString::fromLatin1(request.target)));
    return query.queryItemValue(u"id"_s).split(u',');
}

class CitationDetailsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto fixtures = EfetchFixtures::load(QStringLiteral(VORN_DEMO_RECORDS_DIR));
        ASSERT_TRUE(fixtures) << fixtures.error().toStdString();
        efetch = std::make_shared<EfetchFixtures>(std::move(*fixtures));
        server.setHandler([this](const TestHttpRequest& request) {
            if (stall)
                return TestHttpResponse::stalled();
            return efetch->answer(request);
        });
        ASSERT_TRUE(server.listen());

        AppCoordinator::Dependencies deps;
        deps.resultPanelController = resultPanel;
        deps.citePanelController = citePanel;
        deps.pasteboard = pasteboard;
        deps.sleeper = sleeper;
        deps.backendFactory = [this](const QString&) { return backend; };
        deps.articleService = std::make_shared<PubMedArticleService>(
            server.url(EfetchFixtures::path()),
            LiteratureNetworking::ephemeralSession(std::chrono::seconds(10),
                                                   {TestCertificateAuthority::shared().caCertificate()}));
        deps.openURL = [this](const QUrl& url) {
            opened.append(url);
            return true;
        };
        coordinator = std::make_unique<AppCoordinator>(std::make_shared<FakeKeyStore>(), deps);
    }

    // Runs a query that completes with result.
    void complete(const LiteratureResult& result)
    {
        coordinator->run(LiteratureQuery{u"Aspirin reduces fever."_s, {}}, std::nullopt);
        backend->calls.last()->sink.complete(result);
        backend->calls.last()->sink.finish();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return coordinator->phase() == ResultPanelPhase::completed; }, 5000));
    }

    bool waitForStatus(CiteDetailStatus::Kind kind)
    {
        return QTest::qWaitFor([&] { return coordinator->citeDetailStatus().kind == kind; }, 15000);
    }

    std::shared_ptr<EfetchFixtures> efetch;
    bool stall = false;
    TestHttpsServer server;
    std::shared_ptr<FramedResultPanel> resultPanel = std::make_shared<FramedResultPanel>();
    std::shared_ptr<FakeCitePanel> citePanel = std::make_shared<FakeCitePanel>();
    std::shared_ptr<FakePasteboard> pasteboard = std::make_shared<FakePasteboard>();
    std::shared_ptr<ManualSleeper> sleeper = std::make_shared<ManualSleeper>();
    std::shared_ptr<ScriptedBackend> backend = std::make_shared<ScriptedBackend>();
    QList<QUrl> opened;
    std::unique_ptr<AppCoordinator> coordinator;
};

} // namespace

TEST_F(CitationDetailsTest, CitingTheFirstOfFiveFetchesAllFiveOnceChosenFirst)
{
    complete(resultOf(knownPMIDs));
    resultPanel->shownFrame = ScreenRect{900, 300, 380, 420};
    coordinator->setResultPanelVisible(true);

    coordinator->presentCite(coordinator->result()->references[2]);
    EXPECT_EQ(coordinator->citeDetailStatus(), CiteDetailStatus::loading());
    EXPECT_EQ(coordinator->citeReference()->pmid, knownPMIDs[2]);
    ASSERT_EQ(citePanel->shows.size(), 1);
    EXPECT_EQ(citePanel->shows[0], resultPanel->shownFrame) << "placed over the visible result panel";

    ASSERT_TRUE(waitForStatus(CiteDetailStatus::Kind::fromPubMed));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(requestedIDs(server.requests()[0]),
              (QStringList{knownPMIDs[2], knownPMIDs[0], knownPMIDs[1], knownPMIDs[3], knownPMIDs[4]}));
    ASSERT_TRUE(coordinator->citeReference()->article.has_value());
    EXPECT_EQ(coordinator->citeReference()->article->pmid, knownPMIDs[2]);
    EXPECT_EQ(coordinator->articleMetadataCache().size(), 5);
    EXPECT_FALSE(coordinator->result()->references[2].article.has_value())
        << "the result itself is unchanged";

    // Every other reference is now cited at once, without a request.
    for (const QString& pmid : {knownPMIDs[1], knownPMIDs[4]}) {
        coordinator->presentCite(reference(pmid));
        EXPECT_EQ(coordinator->citeDetailStatus(), CiteDetailStatus::fromPubMed());
        ASSERT_TRUE(coordinator->citeReference()->article.has_value());
        EXPECT_EQ(coordinator->citeReference()->article->pmid, pmid);
    }
    QTest::qWait(50);
    EXPECT_EQ(server.requests().size(), 1);

    // A hidden result panel gives the cite panel no rectangle to sit next to.
    coordinator->setResultPanelVisible(false);
    coordinator->presentCite(reference(knownPMIDs[0]));
    EXPECT_EQ(citePanel->shows.last(), std::nullopt);
}

TEST_F(CitationDetailsTest, ReplyWithoutTheRequestedRecordCachesTheOthers)
{
    const QString unknown = u"99999999"_s;
    complete(resultOf({unknown, knownPMIDs[0], knownPMIDs[1]}));
    coordinator->presentCite(coordinator->result()->references[0]);
    ASSERT_TRUE(waitForStatus(CiteDetailStatus::Kind::unavailable));
    EXPECT_EQ(coordinator->citeDetailStatus().message, u"PubMed has no record for PMID 99999999."_s);
    EXPECT_FALSE(coordinator->citeReference()->article.has_value());
    EXPECT_EQ(coordinator->articleMetadataCache().keys().size(), 2);
    EXPECT_TRUE(coordinator->articleMetadataCache().contains(knownPMIDs[0]));
    EXPECT_TRUE(coordinator->articleMetadataCache().contains(knownPMIDs[1]));
}

TEST_F(CitationDetailsTest, FailedFetchCachesNothingAndTheNextCiteTriesAgain)
{
    complete(resultOf({knownPMIDs[0], knownPMIDs[1]}));
    server.setHandler([](const TestHttpRequest&) { return TestHttpResponse::json(500, "{}"); });
    coordinator->presentCite(coordinator->result()->references[0]);
    ASSERT_TRUE(waitForStatus(CiteDetailStatus::Kind::unavailable));
    EXPECT_FALSE(coordinator->citeDetailStatus().message.isEmpty());
    EXPECT_FALSE(coordinator->citeDetailStatus().message.contains(u"no record"_s));
    EXPECT_TRUE(coordinator->articleMetadataCache().isEmpty());

    server.setHandler([this](const TestHttpRequest& request) { return efetch->answer(request); });
    coordinator->presentCite(coordinator->result()->references[0]);
    EXPECT_EQ(coordinator->citeDetailStatus(), CiteDetailStatus::loading());
    ASSERT_TRUE(waitForStatus(CiteDetailStatus::Kind::fromPubMed));
    EXPECT_EQ(server.requests().size(), 2);
}

TEST_F(CitationDetailsTest, DismissingDuringTheFetchLeavesIdleAndCachesNothing)
{
    complete(resultOf(knownPMIDs));
    stall = true;
    coordinator->presentCite(coordinator->result()->references[0]);
    ASSERT_TRUE(server.waitForRequests(1));

    QSignalSpy referenceChanges(coordinator.get(), &AppCoordinator::citeReferenceChanged);
    coordinator->dismissCite();
    EXPECT_EQ(coordinator->citeDetailStatus(), CiteDetailStatus::idle());
    EXPECT_FALSE(coordinator->citeReference().has_value());
    EXPECT_EQ(citePanel->hides, 1);
    EXPECT_EQ(referenceChanges.size(), 1);

    // The reply arrives (or the connection was already given up): nothing changes.
    server.answerStalled(efetch->answer(server.requests()[0]));
    QTest::qWait(200);
    EXPECT_EQ(coordinator->citeDetailStatus(), CiteDetailStatus::idle());
    EXPECT_FALSE(coordinator->citeReference().has_value());
    EXPECT_TRUE(coordinator->articleMetadataCache().isEmpty());
    EXPECT_EQ(referenceChanges.size(), 1);
}

TEST_F(CitationDetailsTest, CancellingTheFetchKeepsTheCitePanelAndCachesNothing)
{
    complete(resultOf({knownPMIDs[0]}));
    stall = true;
    coordinator->presentCite(coordinator->result()->references[0]);
    ASSERT_TRUE(server.waitForRequests(1));
    coordinator->cancelArticleFetch();
    server.answerStalled(efetch->answer(server.requests()[0]));
    QTest::qWait(200);
    EXPECT_EQ(coordinator->citeDetailStatus(), CiteDetailStatus::loading());
    EXPECT_TRUE(coordinator->citeReference().has_value());
    EXPECT_TRUE(coordinator->articleMetadataCache().isEmpty());
}

TEST_F(CitationDetailsTest, CitingAnotherReferenceDropsTheFirstFetch)
{
    complete(resultOf({knownPMIDs[0], knownPMIDs[1]}));
    stall = true;
    coordinator->presentCite(coordinator->result()->references[0]);
    ASSERT_TRUE(server.waitForRequests(1));
    stall = false;
    // An uncached reference outside the result: its own fetch replaces the first.
    coordinator->presentCite(reference(knownPMIDs[2]));
    ASSERT_TRUE(waitForStatus(CiteDetailStatus::Kind::fromPubMed));
    EXPECT_EQ(coordinator->citeReference()->pmid, knownPMIDs[2]);
    EXPECT_EQ(requestedIDs(server.requests()[1]), (QStringList{knownPMIDs[2], knownPMIDs[0], knownPMIDs[1]}));
}

TEST_F(CitationDetailsTest, HidingTheResultPanelDismissesTheCitePanelFirst)
{
    complete(resultOf({knownPMIDs[0]}));
    coordinator->presentCite(coordinator->result()->references[0]);
    coordinator->hideResultPanel();
    EXPECT_FALSE(coordinator->citeReference().has_value());
    EXPECT_EQ(coordinator->citeDetailStatus(), CiteDetailStatus::idle());
    EXPECT_EQ(citePanel->hides, 1);
    EXPECT_EQ(resultPanel->hides, 1);
}

TEST_F(CitationDetailsTest, ANewerToastReplacesTheOlderAndKeepsItsOwnTime)
{
    QSignalSpy changes(coordinator.get(), &AppCoordinator::toastMessageChanged);
    coordinator->showToast(u"Plain-text report copied to clipboard"_s);
    sleeper->advance(1000ms);
    coordinator->showToast(u"Rich report copied to clipboard"_s);
    EXPECT_EQ(coordinator->toastMessage(), u"Rich report copied to clipboard"_s);

    sleeper->advance(800ms); // the first toast's time is over; it must not clear the second
    EXPECT_EQ(coordinator->toastMessage(), u"Rich report copied to clipboard"_s);
    sleeper->advance(999ms);
    EXPECT_EQ(coordinator->toastMessage(), u"Rich report copied to clipboard"_s);
    sleeper->advance(1ms);
    EXPECT_FALSE(coordinator->toastMessage().has_value());
    EXPECT_EQ(changes.size(), 3);
    EXPECT_EQ(sleeper->requested, (QList<std::chrono::nanoseconds>{1800ms, 1800ms}));
}

TEST_F(CitationDetailsTest, ReportsAreWrittenInOneChangeRichWithHtmlFirst)
{
    coordinator->copyPlainReport();
    coordinator->copyRichReport();
    EXPECT_TRUE(pasteboard->writes.isEmpty()) << "nothing to copy without a result";

    LiteratureResult result = resultOf({knownPMIDs[0], knownPMIDs[1]});
    complete(result);
    for (const bool includeEvidence : {true, false}) {
        coordinator->settings().setIncludeEvidence(includeEvidence);
        pasteboard->writes.clear();
        coordinator->copyRichReport();
        coordinator->copyPlainReport();
        ASSERT_EQ(pasteboard->writes.size(), 2);
        EXPECT_EQ(
            pasteboard->writes[0],
            (QList<std::pair<QString, QByteArray>>{
                {PasteboardType::html, LiteratureReportFormatter::html(result, includeEvidence).toUtf8()},
                {PasteboardType::string,
                 LiteratureReportFormatter::plainText(result, includeEvidence).toUtf8()}}));
        EXPECT_EQ(pasteboard->writes[1],
                  (QList<std::pair<QString, QByteArray>>{
                      {PasteboardType::string,
                       LiteratureReportFormatter::plainText(result, includeEvidence).toUtf8()}}));
    }
    EXPECT_EQ(pasteboard->otherCalls, 0) << "no clearing or declaring that would publish partial content";
}

TEST_F(CitationDetailsTest, OpenReferencePrefersThePubMedPageAndOpensOnlyWebPages)
{
    struct Case
    {
        QString pmid;
        std::optional<QUrl> url;
        std::optional<QUrl> expected;
    };
    const QList<Case> cases = {
        {u"0023435529"_s, QUrl(u"https://example.org/a"_s),
         QUrl(u"https://pubmed.ncbi.nlm.nih.gov/23435529/"_s)},
        {u"not a pmid"_s, QUrl(u"https://example.org/a"_s), QUrl(u"https://example.org/a"_s)},
        {u""_s, QUrl(u"file:///etc/passwd"_s), std::nullopt},
        {u""_s, QUrl(u"javascript:alert(1)"_s), std::nullopt},
        {u""_s, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        opened.clear();
        LiteratureReference r = reference(c.pmid);
        r.url = c.url;
        coordinator->openReference(r);
        if (c.expected)
            EXPECT_EQ(opened, QList<QUrl>{*c.expected}) << c.pmid.toStdString();
        else
            EXPECT_TRUE(opened.isEmpty()) << c.pmid.toStdString();
    }
}
