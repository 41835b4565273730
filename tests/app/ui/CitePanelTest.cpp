// The cite panel on the offscreen platform: the styles in order with their texts, the
// status line and the warnings, what each copy puts on the clipboard and the toast
// that confirms it, Escape and the close button, and where the panel goes. Details
// come from the local efetch service over HTTPS.

#include "AppCoordinator.h"
#include "Buttons.h"
#include "CitationPasteboard.h"
#include "CitePanelController.h"
#include "CitePanelParts.h"
#include "CitePanelView.h"
#include "FakeCitationServices.h"
#include "FakeServices.h"
#include "FloatingPanel.h"
#include "Motion.h"
#include "ReferenceCard.h"
#include "ResultPanelController.h"
#include "ResultPanelParts.h"
#include "ToastView.h"

#include "citation/CitationExport.h"
#include "citation/CitationStyles.h"
#include "core/citation/CitationFixtures.h"
#include "service/LiteratureNetworking.h"

#include "EfetchFixtures.h"
#include "TestHttpsServer.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFontInfo>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace Qt::Literals::StringLiterals;
using CitationFormatter::Style;

namespace {

// PMIDs with records in the bundled efetch documents.
const QString knownPMID = u"23435529"_s;
const QString unknownPMID = u"99999999"_s;

LiteratureReference serviceReference(const QString& pmid)
{
    LiteratureReference r;
    r.pmid = pmid;
    r.title = u"A study of sleep"_s;
    r.authors = {u"Smith JA"_s, u"Jones B"_s};
    r.journal = u"J Sleep Res"_s;
    r.date = u"2019"_s;
    return r;
}

// A clipboard that refuses every write, as X11 does when another client took the
// ownership with a newer time stamp.
class RefusingPasteboard final : public PlatformPasteboardAccessing
{
public:
    int attempts = 0;
    [[nodiscard]] qint64 changeCount() const override { return 0; }
    std::optional<QList<QStringList>> pasteboardItems() override { return std::nullopt; }
    std::optional<QByteArray> data(qsizetype, const QString&) override { return std::nullopt; }
    std::optional<QString> string(const QString&) override { return std::nullopt; }
    void clearContents() override {}
    bool writeObjects(const QList<PasteboardWriteItem>&) override
    {
        ++attempts;
        return false;
    }
    void declareTypes(const QStringList&) override {}
    bool setString(const QString&, const QString&) override { return false; }
};

QStringList types(const QList<std::pair<QString, QByteArray>>& representations)
{
    QStringList out;
    for (const auto& [type, bytes] : representations)
        out.append(type);
    return out;
}

class CitePanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Motion::setEnabled(false);
        auto fixtures = EfetchFixtures::load(QStringLiteral(VORN_DEMO_RECORDS_DIR));
        ASSERT_TRUE(fixtures) << fixtures.error().toStdString();
        efetch = std::make_shared<EfetchFixtures>(std::move(*fixtures));
        server.setHandler([this](const TestHttpRequest& request) {
            if (failing)
                return TestHttpResponse::json(503, "{}");
            return efetch->answer(request);
        });
        ASSERT_TRUE(server.listen());

        AppCoordinator::Dependencies deps;
        deps.backendFactory = [this](const QString&) { return backend; };
        deps.pasteboard = pasteboard;
        deps.sleeper = sleeper;
        deps.articleService = std::make_shared<PubMedArticleService>(
            server.url(EfetchFixtures::path()),
            LiteratureNetworking::ephemeralSession(std::chrono::seconds(10),
                                                   {TestCertificateAuthority::shared().caCertificate()}));
        coordinator = std::make_unique<AppCoordinator>(std::make_shared<FakeKeyStore>(), deps);
        controller = std::make_shared<CitePanelController>(*coordinator);
        coordinator->setCitePanelController(controller);
        view().setToday([] { return CitationFixtures::accessDate; });
    }

    void TearDown() override
    {
        if (coordinator)
            coordinator->dismissCite();
        if (coordinator)
            coordinator->setCitePanelController(nullptr);
    }

    CitePanelView& view() const { return controller->view(); }

    bool waitForStatus(CiteDetailStatus::Kind kind)
    {
        return QTest::qWaitFor([&] { return coordinator->citeDetailStatus().kind == kind; }, 15000);
    }

    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }

    FormatBox* box(Style style) const
    {
        const qsizetype i = qsizetype(
            std::find(CitationFormatter::allStyles.begin(), CitationFormatter::allStyles.end(), style) -
            CitationFormatter::allStyles.begin());
        return view().formatBoxes().value(i);
    }

    std::shared_ptr<EfetchFixtures> efetch;
    bool failing = false;
    TestHttpsServer server;
    std::shared_ptr<FakePasteboard> pasteboard = std::make_shared<FakePasteboard>();
    std::shared_ptr<ManualSleeper> sleeper = std::make_shared<ManualSleeper>();
    std::shared_ptr<ScriptedBackend> backend = std::make_shared<ScriptedBackend>();
    std::unique_ptr<AppCoordinator> coordinator;
    std::shared_ptr<CitePanelController> controller;
};

} // namespace

TEST_F(CitePanelTest, WithoutAReferenceTheViewIsAClearStrip)
{
    EXPECT_FALSE(view().isShowingSheet());
    EXPECT_EQ(view().preferredSize(), QSize(460, 10));
    EXPECT_TRUE(view().formatBoxes().isEmpty());
    EXPECT_FALSE(controller->panel().isVisible());
}

TEST_F(CitePanelTest, EveryStyleInOrderWithItsHeadingLabelAndHelp)
{
    const LiteratureReference reference = CitationFixtures::journalArticle();
    coordinator->presentCite(reference);
    settle();
    ASSERT_TRUE(view().isShowingSheet());
    EXPECT_TRUE(controller->panel().isVisible());
    EXPECT_EQ(controller->panel().width(), 460);

    const QStringList headings = {u"MLA"_s, u"APA"_s, u"Chicago"_s, u"Harvard"_s, u"Vancouver"_s};
    const QStringList longNames = {u"MLA 9"_s, u"APA 7"_s, u"Chicago 17 (notes-bibliography)"_s,
                                   u"Harvard (Cite Them Right)"_s, u"Vancouver (NLM)"_s};
    ASSERT_EQ(view().headings().size(), 5);
    ASSERT_EQ(view().formatBoxes().size(), 5);
    for (qsizetype i = 0; i < 5; ++i) {
        SCOPED_TRACE(headings[i].toStdString());
        const Style style = CitationFormatter::allStyles[i];
        const QLabel* heading = view().headings()[i];
        EXPECT_EQ(heading->text(), headings[i]);
        EXPECT_EQ(heading->toolTip(), longNames[i]);
        EXPECT_EQ(heading->accessibleName(), longNames[i]);
        const FormatBox* formatBox = view().formatBoxes()[i];
        EXPECT_EQ(formatBox->label(), longNames[i] + u" citation"_s);
        EXPECT_EQ(formatBox->toolTip(), u"Copy this "_s + longNames[i] + u" citation"_s);
        EXPECT_EQ(formatBox->accessibleName(), formatBox->label());
        EXPECT_EQ(formatBox->accessibleDescription(), u"Copies the citation to the clipboard"_s);
        // The citation with its italic runs, and its text as the control's value.
        const FormattedCitation expected =
            CitationFormatter::formattedCitation(reference, style, CitationFixtures::accessDate);
        EXPECT_EQ(formatBox->citation(), expected);
        // Vancouver sets no title in italics.
        EXPECT_EQ(std::ranges::any_of(expected.runs(), &FormattedCitation::Run::isItalic),
                  style != Style::vancouver);
        EXPECT_EQ(formatBox->text(), expected.plainText());
        // In reading order, heading above its box.
        EXPECT_LT(heading->geometry().bottom(), formatBox->geometry().top());
        if (i > 0) {
            EXPECT_LT(view().formatBoxes()[i - 1]->geometry().bottom(), heading->geometry().top());
        }
    }
    // The access date is the day the view is drawn.
    EXPECT_TRUE(box(Style::harvard)->text().contains(u"(Accessed: 5 March 2024)"_s))
        << box(Style::harvard)->text().toStdString();
    view().setToday([] { return QDate(2025, 12, 24); });
    EXPECT_TRUE(box(Style::harvard)->text().contains(u"(Accessed: 24 December 2025)"_s));

    // Hover follows the pointer.
    FormatBox* apa = box(Style::apa);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), apa->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(apa, &enter);
    EXPECT_TRUE(apa->isHovered());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(apa, &leave);
    EXPECT_FALSE(apa->isHovered());

    EXPECT_EQ(view().bibtexButton()->text(), u"BibTeX"_s);
    EXPECT_EQ(view().endNoteButton()->text(), u"EndNote"_s);
    EXPECT_LE(view().scrollArea()->height(), CitePanelView::maximumScrollHeight);
}

TEST_F(CitePanelTest, StatusLineFollowsTheDetailsAndTheStylesAreRedrawn)
{
    // Loading, then the details from PubMed: the boxes are drawn again with them.
    coordinator->presentCite(serviceReference(knownPMID));
    settle();
    EXPECT_EQ(view().statusText(), u"Fetching details from PubMed…"_s);
    EXPECT_TRUE(view().isStatusSpinning());
    const FormattedCitation before = box(Style::vancouver)->citation();
    ASSERT_TRUE(waitForStatus(CiteDetailStatus::Kind::fromPubMed));
    settle();
    EXPECT_EQ(view().statusText(), u"Volume, pages and DOI from PubMed"_s);
    EXPECT_FALSE(view().isStatusSpinning());
    ASSERT_TRUE(coordinator->citeReference()->article.has_value());
    const FormattedCitation after = box(Style::vancouver)->citation();
    EXPECT_NE(after, before);
    EXPECT_EQ(after, CitationFormatter::formattedCitation(*coordinator->citeReference(), Style::vancouver,
                                                          CitationFixtures::accessDate));

    // No record, or no answer at all: the line says what the citations rest on, never
    // the reason.
    coordinator->presentCite(serviceReference(unknownPMID));
    ASSERT_TRUE(waitForStatus(CiteDetailStatus::Kind::unavailable));
    settle();
    EXPECT_EQ(coordinator->citeDetailStatus().message, u"PubMed has no record for PMID 99999999."_s);
    EXPECT_EQ(view().statusText(), u"PubMed details unavailable; VORN data only"_s);
    EXPECT_FALSE(view().isStatusSpinning());

    failing = true;
    coordinator->presentCite(serviceReference(u"12345"_s));
    ASSERT_TRUE(waitForStatus(CiteDetailStatus::Kind::unavailable));
    settle();
    EXPECT_EQ(view().statusText(), u"PubMed details unavailable; VORN data only"_s);

    // Idle: no panel, no line.
    coordinator->dismissCite();
    settle();
    EXPECT_EQ(view().statusText(), QString());
    EXPECT_FALSE(view().isShowingSheet());
    EXPECT_FALSE(controller->panel().isVisible());
}

TEST_F(CitePanelTest, WarningsOfRetractedArticlesAndPreprints)
{
    struct Case
    {
        const char* label;
        QStringList publicationTypes;
        QString warning;
    };
    const QList<Case> cases = {
        {"retracted preprint",
         {u"Preprint"_s, u"Retracted Publication"_s},
         u"PubMed marks this article as retracted"_s},
        {"retracted",
         {u"Journal Article"_s, u"Retracted Publication"_s},
         u"PubMed marks this article as retracted"_s},
        {"preprint", {u"Preprint"_s}, u"Preprint: not peer reviewed"_s},
        {"article", {u"Journal Article"_s}, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        LiteratureReference reference = CitationFixtures::journalArticle();
        reference.article->publicationTypes = c.publicationTypes;
        coordinator->presentCite(reference);
        settle();
        EXPECT_EQ(view().warningText(), c.warning);
    }
    // Without PubMed's record nothing is known either way.
    coordinator->presentCite(CitationFixtures::serviceOnly());
    settle();
    EXPECT_EQ(view().warningText(), QString());
}

TEST_F(CitePanelTest, AStyleBoxPutsOneItemWithPlainRtfAndHtmlAndNamesTheStyle)
{
    const LiteratureReference reference = CitationFixtures::journalArticle();
    coordinator->presentCite(reference);
    settle();
    for (const Style style : CitationFormatter::allStyles) {
        SCOPED_TRACE(CitationFormatter::rawValue(style).toStdString());
        FormatBox* formatBox = box(style);
        ASSERT_NE(formatBox, nullptr);
        const qsizetype writes = pasteboard->writes.size();
        QTest::mouseClick(formatBox, Qt::LeftButton);
        ASSERT_EQ(pasteboard->writes.size(), writes + 1) << "one write per copy";
        const auto& item = pasteboard->writes.last();
        EXPECT_EQ(types(item),
                  (QStringList{PasteboardType::string, PasteboardType::rtf, PasteboardType::html}));
        const FormattedCitation& citation = formatBox->citation();
        EXPECT_EQ(QString::fromUtf8(item[0].second), formatBox->text());
        EXPECT_EQ(item[1].second, CitationPasteboard::rtfData(citation));
        EXPECT_EQ(QString::fromUtf8(item[2].second), citation.html());
        EXPECT_EQ(coordinator->toastMessage(),
                  CitationFormatter::rawValue(style) + u" citation copied to clipboard"_s);
    }
    EXPECT_EQ(pasteboard->otherCalls, 0) << "no separate clear or declare";

    // The toast names the style by its raw value, the box by its long name.
    QTest::mouseClick(box(Style::vancouver), Qt::LeftButton);
    settle();
    EXPECT_EQ(coordinator->toastMessage(), u"Vancouver citation copied to clipboard"_s);
    EXPECT_EQ(box(Style::vancouver)->label(), u"Vancouver (NLM) citation"_s);
    ASSERT_TRUE(view().isToastShown());
    EXPECT_TRUE(view().toastView()->isVisible());
    EXPECT_EQ(view().toastView()->message(), u"Vancouver citation copied to clipboard"_s);
    EXPECT_EQ(view().toastView()->geometry().top() + view().toastView()->surfaceRect().top(), 22);
    EXPECT_LE(std::abs(view().toastView()->geometry().center().x() - view().width() / 2), 1) << "centred";
    sleeper->advance(1800ms);
    settle();
    EXPECT_FALSE(view().isToastShown());
    EXPECT_FALSE(view().toastView()->isVisible());
}

TEST_F(CitePanelTest, RtfDataUsesTheApplicationFont)
{
    const QFont saved = QApplication::font();
    QFont font(u"DejaVu Sans"_s);
    font.setPointSizeF(11);
    QApplication::setFont(font);
    const FormattedCitation citation({{u"Smith J. "_s, false}, {u"Nature"_s, true}, {u"."_s, false}});
    const std::optional<QByteArray> rtf = CitationPasteboard::rtfData(citation);
    QApplication::setFont(saved);
    ASSERT_TRUE(rtf.has_value());
    const QByteArray family = QFontInfo(font).family().toLatin1();
    EXPECT_EQ(*rtf, "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil " + family +
                        ";}}\\f0\\fs22\\uc1 Smith J. {\\i Nature}.}");

    // Without italic runs the document is still whole, all in the base font.
    const std::optional<QByteArray> plain =
        CitationPasteboard::rtfData(FormattedCitation({{u"Plain"_s, false}}));
    ASSERT_TRUE(plain.has_value());
    EXPECT_TRUE(plain->startsWith("{\\rtf1\\ansi"));
    EXPECT_TRUE(plain->endsWith("Plain}"));
    EXPECT_FALSE(plain->contains("\\i "));
}

TEST_F(CitePanelTest, BibTeXAndEndNoteAreCopiedAsPlainText)
{
    const LiteratureReference reference = CitationFixtures::specialCharacters();
    coordinator->presentCite(reference);
    settle();

    QTest::mouseClick(view().bibtexButton(), Qt::LeftButton);
    ASSERT_EQ(pasteboard->writes.size(), 1);
    EXPECT_EQ(types(pasteboard->writes.last()), QStringList{PasteboardType::string});
    EXPECT_EQ(QString::fromUtf8(pasteboard->writes.last()[0].second),
              CitationFormatter::bibtex(*coordinator->citeReference()));
    EXPECT_EQ(coordinator->toastMessage(), u"BibTeX entry copied to clipboard"_s);

    QTest::mouseClick(view().endNoteButton(), Qt::LeftButton);
    ASSERT_EQ(pasteboard->writes.size(), 2);
    EXPECT_EQ(types(pasteboard->writes.last()), QStringList{PasteboardType::string});
    EXPECT_EQ(QString::fromUtf8(pasteboard->writes.last()[0].second),
              CitationFormatter::ris(*coordinator->citeReference()));
    EXPECT_EQ(coordinator->toastMessage(), u"EndNote (RIS) record copied to clipboard"_s);
    EXPECT_EQ(pasteboard->otherCalls, 0);
}

TEST_F(CitePanelTest, ARefusedCopyIsNotConfirmed)
{
    auto refusing = std::make_shared<RefusingPasteboard>();
    AppCoordinator::Dependencies deps;
    deps.pasteboard = refusing;
    deps.sleeper = sleeper;
    AppCoordinator other(std::make_shared<FakeKeyStore>(), deps);
    auto otherController = std::make_shared<CitePanelController>(other);
    other.setCitePanelController(otherController);
    other.presentCite(CitationFixtures::journalArticle());
    settle();
    QTest::mouseClick(otherController->view().formatBoxes().first(), Qt::LeftButton);
    QTest::mouseClick(otherController->view().bibtexButton(), Qt::LeftButton);
    EXPECT_EQ(refusing->attempts, 2);
    EXPECT_FALSE(other.toastMessage().has_value());
    other.dismissCite();
    other.setCitePanelController(nullptr);
}

TEST_F(CitePanelTest, CloseButtonAndEscapeDismissTheCitation)
{
    coordinator->presentCite(CitationFixtures::journalArticle());
    settle();
    ASSERT_TRUE(controller->panel().isVisible());
    QTest::mouseClick(view().closeButton(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(coordinator->citeReference().has_value());
    EXPECT_EQ(coordinator->citeDetailStatus(), CiteDetailStatus::idle());
    EXPECT_FALSE(controller->panel().isVisible());

    coordinator->presentCite(CitationFixtures::journalArticle());
    settle();
    ASSERT_TRUE(controller->panel().isVisible());
    QTest::keyClick(&controller->panel(), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(coordinator->citeReference().has_value());
    EXPECT_FALSE(controller->panel().isVisible());
}

TEST(CitePanelPlacement, CentredAndClampedEightPointsInside)
{
    const QRect visible(0, 30, 1000, 700); // a top bar of 30 points
    const QSize size(460, 400);
    struct Case
    {
        const char* label;
        QRect over;
        std::optional<QRect> visible;
        QPoint expected;
    };
    const QList<Case> cases = {
        {"centred", QRect(300, 200, 380, 420), visible, QPoint(260, 210)},
        {"partly off the left and top", QRect(-300, -100, 380, 300), visible, QPoint(8, 38)},
        {"partly off the right and bottom", QRect(800, 600, 380, 420), visible,
         QPoint(1000 - 460 - 8, 730 - 400 - 8)},
        {"a point", QRect(500, 400, 0, 0), visible, QPoint(270, 200)},
        {"larger than the frame: right and bottom stay inside", QRect(0, 0, 100, 100), QRect(0, 0, 300, 200),
         QPoint(300 - 460 - 8, 200 - 400 - 8)},
        {"no screen: unclamped", QRect(-300, -100, 380, 300), std::nullopt, QPoint(-340, -150)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CitePanelController::placement(c.over, size, c.visible), c.expected) << c.label;
    }

    const QList<QRect> screens = {QRect(0, 0, 1000, 800), QRect(1000, 0, 1000, 800)};
    EXPECT_EQ(CitePanelController::targetScreen(QRect(1500, 10, 10, 10), screens, 0), 1);
    EXPECT_EQ(CitePanelController::targetScreen(QRect(1000, 10, 0, 0), screens, 0), 1)
        << "a point on a screen";
    EXPECT_EQ(CitePanelController::targetScreen(QRect(5000, 10, 10, 10), screens, 0), 0)
        << "else the main screen";
    EXPECT_EQ(CitePanelController::targetScreen(QRect(5000, 10, 10, 10), {}, -1), -1);
}

TEST_F(CitePanelTest, APanelOverARectanglePartlyOffScreenStaysInside)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect visible = screen->availableGeometry();
    const QRect frame = screen->geometry();
    // The result panel's frame hangs over the bottom-right corner.
    const QRect over(visible.right() - 100, visible.bottom() - 50, 380, 420);
    const ScreenRect desktop = ResultPanelController::toDesktop(over, frame);

    coordinator->presentCite(CitationFixtures::journalArticle());
    controller->show(desktop);
    settle();
    const QRect placed = controller->panel().geometry();
    EXPECT_EQ(placed.right(), visible.right() - 8);
    EXPECT_EQ(placed.bottom(), visible.bottom() - 8);
    EXPECT_TRUE(visible.adjusted(8, 8, -8, -8).contains(placed));
}

TEST_F(CitePanelTest, CiteOnAResultCardOpensThePanelOverTheResultPanel)
{
    auto resultPanel = std::make_shared<ResultPanelController>(*coordinator);
    coordinator->setResultPanelController(resultPanel);
    LiteratureResult result;
    result.answer = u"Answer."_s;
    result.references = {serviceReference(knownPMID)};
    coordinator->run(LiteratureQuery{u"Aspirin reduces fever."_s, {}}, std::nullopt);
    backend->calls.last()->sink.complete(result);
    backend->calls.last()->sink.finish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return coordinator->phase() == ResultPanelPhase::completed; }, 5000));
    settle();
    const QList<ReferenceCard*> cards = resultPanel->view().referenceList()->cards();
    ASSERT_EQ(cards.size(), 1);

    QTest::mouseClick(cards.first()->citeButton(), Qt::LeftButton);
    settle();
    ASSERT_TRUE(coordinator->citeReference().has_value());
    EXPECT_EQ(coordinator->citeReference()->pmid, knownPMID);
    EXPECT_TRUE(controller->panel().isVisible());
    EXPECT_TRUE(resultPanel->view().dimmingLayer()->isDimmed());
    // Centred on the result panel's frame, inside the screen.
    QScreen* screen = resultPanel->panel().screen();
    const QPoint expected = CitePanelController::placement(
        resultPanel->panel().frameGeometry(), controller->panel().size(), screen->availableGeometry());
    EXPECT_EQ(controller->panel().pos(), expected);
    ASSERT_TRUE(waitForStatus(CiteDetailStatus::Kind::fromPubMed));

    // Escape closes the cite panel only.
    QTest::keyClick(&controller->panel(), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(controller->panel().isVisible());
    EXPECT_TRUE(resultPanel->panel().isVisible());
    EXPECT_FALSE(resultPanel->view().dimmingLayer()->isDimmed());
    resultPanel->hide();
    coordinator->setResultPanelController(nullptr);
}
