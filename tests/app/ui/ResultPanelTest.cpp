// The result panel on the offscreen platform: what a user reads, which buttons exist
// and are enabled, what they call, and where the panel sits.

#include "ResultPanelTestSupport.h"

#include "FloatingPanel.h"
#include "ReferenceCard.h"
#include "ResultPanelParts.h"
#include "StatusView.h"
#include "Symbols.h"
#include "Theme.h"
#include "ToastView.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTextDocument>

using namespace Qt::Literals::StringLiterals;

namespace {

LiteratureReference reference(int n, std::optional<QString> reason = std::nullopt, QStringList quotes = {})
{
    LiteratureReference r;
    r.pmid = QString::number(1000 + n);
    r.title = u"Reference "_s + QString::number(n);
    r.authors = {u"Smith J"_s, u"Jones K"_s, u"Lee M"_s};
    r.date = u"2020"_s;
    r.journal = u"J Sleep Res"_s;
    r.relevanceReason = std::move(reason);
    for (const QString& quote : quotes)
        r.evidence.append(LiteratureEvidence{quote, std::nullopt});
    return r;
}

LiteratureResult resultOf(QList<LiteratureReference> references)
{
    LiteratureResult result;
    result.answer = u"Answer."_s;
    result.references = std::move(references);
    return result;
}

LiteratureResult manyReferences(int count)
{
    QList<LiteratureReference> references;
    for (int i = 1; i <= count; ++i)
        references.append(
            reference(i, u"direct"_s, {u"A quote long enough to take a few lines in the card."_s}));
    return resultOf(references);
}

QStringList itemTexts(const ReferenceListView& list)
{
    QStringList texts;
    for (QWidget* item : list.listItems()) {
        if (auto* label = qobject_cast<GroupLabel*>(item))
            texts.append(label->text());
        else if (auto* card = qobject_cast<ReferenceCard*>(item))
            texts.append(QString::number(card->index()));
    }
    return texts;
}

void hover(QWidget* widget, bool inside)
{
    if (inside) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
        QApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
}

// What a label shows, as a reader would see it.
QString shownText(const QLabel& label)
{
    if (label.textFormat() != Qt::RichText)
        return label.text();
    QTextDocument document;
    document.setHtml(label.text());
    return document.toPlainText();
}

const QString longQuote =
    u"Short sleep duration was associated with a significantly increased risk of hypertension in the pooled "
    "analysis of prospective cohorts, with a relative risk of 1.21 for those sleeping five hours or less, and "
    "the association held after adjustment for age, sex, body mass index and smoking."_s;

} // namespace

class ResultPanelTest : public ResultPanelFixture
{
};

TEST_F(ResultPanelTest, LoadingShowsProgressAndCompletedShowsGroupsDirectFirst)
{
    coordinator->run(query(), std::nullopt);
    settle();
    EXPECT_EQ(view().header()->subtitleLabel()->text(), u"Searching…"_s);
    EXPECT_EQ(view().header()->titleLabel()->text(), u"VORN Citations"_s);
    const auto* mark = view().header()->findChild<VORNMark*>();
    ASSERT_NE(mark, nullptr);
    QAccessibleInterface* markAccessible = QAccessible::queryAccessibleInterface(const_cast<VORNMark*>(mark));
    ASSERT_NE(markAccessible, nullptr);
    EXPECT_TRUE(markAccessible->state().invisible) << "the mark is hidden from accessibility";
    EXPECT_EQ(view().currentContent(), view().loadingView());
    EXPECT_EQ(view().loadingView()->textLabel()->text(), u"Searching literature evidence…"_s);

    backend->calls.last()->sink.complete(
        resultOf({reference(1, u"background"_s), reference(2, u"direct"_s),
                  reference(3, std::nullopt, {u"quote"_s}), reference(4, u"Indirect support"_s)}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return coordinator->phase() == ResultPanelPhase::completed; }, 5000));
    settle();
    EXPECT_EQ(view().header()->subtitleLabel()->text(), u"Literature evidence for the text you select"_s);
    ASSERT_EQ(view().currentContent(), view().referenceList());
    EXPECT_EQ(itemTexts(*view().referenceList()),
              (QStringList{u"DIRECT EVIDENCE"_s, u"2"_s, u"3"_s, u"INDIRECT CONTEXT"_s, u"1"_s, u"4"_s}));
    EXPECT_EQ(view().referenceList()->footerNote()->text(),
              u"Generated from VORN/PubMed evidence. Verify each source before citing."_s);
    EXPECT_EQ(view().referenceList()->copyPlainButton()->text(), u"Copy Plain Text"_s);
    EXPECT_EQ(view().referenceList()->copyPlainButton()->kind(), StyledButton::Kind::secondary);
    EXPECT_EQ(view().referenceList()->copyRichButton()->text(), u"Copy Rich Report"_s);
    EXPECT_EQ(view().referenceList()->copyRichButton()->kind(), StyledButton::Kind::primary);
}

TEST_F(ResultPanelTest, TheDemoModeSaysSoUnderTheHeaderAndOnlyThere)
{
    EXPECT_EQ(view().demoNote(), nullptr) << "no note outside the demo mode";

    AppCoordinator::Dependencies deps;
    deps.backendFactory = [this](const QString&) { return backend; };
    deps.demoNote = u"Demo mode: the local demo service."_s;
    AppCoordinator demo(std::make_shared<FakeKeyStore>(), deps);
    ResultPanelView panel(demo);
    panel.resize(panel.sizeHint());
    panel.show();
    settle();
    ASSERT_NE(panel.demoNote(), nullptr);
    EXPECT_TRUE(panel.demoNote()->isVisible());
    EXPECT_EQ(panel.demoNote()->text(), u"Demo mode: the local demo service."_s);
    EXPECT_GE(panel.demoNote()->geometry().top(), panel.header()->geometry().bottom()) << "under the header";
    EXPECT_GT(panel.demoNote()->height(), 0);
}

TEST_F(ResultPanelTest, AllIndirectResultsShowOneGroupNumberedInResultOrder)
{
    complete(resultOf(
        {reference(1, u"context"_s), reference(2, std::nullopt, {u"  "_s}), reference(3, u"background"_s)}));
    EXPECT_EQ(itemTexts(*view().referenceList()),
              (QStringList{u"INDIRECT CONTEXT"_s, u"1"_s, u"2"_s, u"3"_s}));
}

TEST_F(ResultPanelTest, EveryFailureKindHasItsHeadlineBodyAndButton)
{
    struct Case
    {
        FailureKind kind;
        QString subtitle;
        QString headline;
        QString body; // empty: the error message
        std::optional<QString> button;
        StyledButton::Kind buttonKind;
    };
    // Text from the network is shown as written, never read as markup.
    const QString message = u"The <b>message</b> of the error &amp; more."_s;
    const QList<Case> cases = {
        {FailureKind::invalidKey, u"Authorization required"_s, u"VORN rejected this API key"_s,
         u"Replace it with an active vorn_ key in Settings."_s, u"Open Settings"_s,
         StyledButton::Kind::primary},
        {FailureKind::missingKey, u"Authorization required"_s, u"VORN rejected this API key"_s,
         u"Replace it with an active vorn_ key in Settings."_s, u"Open Settings"_s,
         StyledButton::Kind::primary},
        {FailureKind::accessibility,
         u"Request declined"_s,
         u"Accessibility access is required"_s,
         {},
         u"Open Accessibility Settings"_s,
         StyledButton::Kind::primary},
        {FailureKind::rateLimited, u"Request declined"_s, u"VORN declined this request"_s,
         u"Usage or rate limits were reached. Check the account before retrying."_s, u"Retry"_s,
         StyledButton::Kind::secondary},
        {FailureKind::invalidSelection,
         u"Request declined"_s,
         u"This selection cannot be searched"_s,
         {},
         u"Retry"_s,
         StyledButton::Kind::secondary},
        {FailureKind::other,
         u"Request declined"_s,
         u"VORN Cite could not complete the request"_s,
         {},
         u"Retry"_s,
         StyledButton::Kind::secondary},
    };
    // Without a query to repeat there is no Retry; the other buttons stay.
    for (const bool afterQuery : {false, true}) {
        if (afterQuery)
            complete(resultOf({reference(1)}));
        for (const Case& c : cases) {
            SCOPED_TRACE(c.headline.toStdString() + (afterQuery ? " after a query" : " before any query"));
            coordinator->showError(message, c.kind);
            settle();
            EXPECT_EQ(view().header()->subtitleLabel()->text(), c.subtitle);
            ASSERT_EQ(view().currentContent(), view().statusView());
            const StatusView& status = *view().statusView();
            EXPECT_TRUE(status.isWarning());
            EXPECT_EQ(status.iconSymbol(), Symbol::exclamationmarkTriangle);
            EXPECT_EQ(status.headlineLabel()->text(), c.headline);
            EXPECT_EQ(status.body(), c.body.isEmpty() ? message : c.body);
            EXPECT_EQ(shownText(*status.bodyLabel()), c.body.isEmpty() ? message : c.body);
            const bool retry = c.button == u"Retry"_s;
            if (retry && !afterQuery) {
                EXPECT_EQ(status.button(), nullptr);
                continue;
            }
            ASSERT_NE(status.button(), nullptr);
            EXPECT_EQ(status.button()->text(), *c.button);
            EXPECT_EQ(status.button()->kind(), c.buttonKind);
            EXPECT_TRUE(status.button()->isEnabled());
        }
    }
}

TEST_F(ResultPanelTest, StatusButtonsCallTheirActions)
{
    complete(resultOf({reference(1)}));
    coordinator->showError(u"x"_s, FailureKind::missingKey);
    settle();
    view().statusView()->button()->click();
    EXPECT_EQ(settingsOpened, 1);

    coordinator->showError(u"x"_s, FailureKind::accessibility);
    settle();
    view().statusView()->button()->click();
    EXPECT_EQ(accessibilityOpened, 1);

    coordinator->showError(u"x"_s, FailureKind::rateLimited);
    settle();
    const qsizetype runs = backend->calls.size();
    view().statusView()->button()->click();
    EXPECT_EQ(backend->calls.size(), runs + 1) << "Retry runs the last query again";
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::loading);
}

TEST_F(ResultPanelTest, CompletedWithoutReferencesOffersRetry)
{
    complete(resultOf({}));
    EXPECT_EQ(view().header()->subtitleLabel()->text(), u"No structured references found"_s);
    ASSERT_EQ(view().currentContent(), view().statusView());
    const StatusView& status = *view().statusView();
    EXPECT_FALSE(status.isWarning());
    EXPECT_EQ(status.iconSymbol(), Symbol::infoCircle);
    EXPECT_EQ(status.headlineLabel()->text(), u"No citation result is available yet"_s);
    EXPECT_EQ(status.body(),
              u"The service returned no structured PubMed references for this request. Try selecting a more "
              "specific sentence."_s);
    ASSERT_NE(status.button(), nullptr);
    EXPECT_EQ(status.button()->text(), u"Retry"_s);
    EXPECT_EQ(status.button()->kind(), StyledButton::Kind::secondary);
    EXPECT_TRUE(status.button()->isEnabled());
}

TEST_F(ResultPanelTest, CardShowsNumberTitleMetadataQuoteAndFootLine)
{
    LiteratureReference first = reference(1, u"direct"_s, {longQuote, u"Second <i>quote</i>."_s});
    first.citationCount = 214;
    complete(resultOf({first}));
    const QList<ReferenceCard*> cards = view().referenceList()->cards();
    ASSERT_EQ(cards.size(), 1);
    const ReferenceCard& card = *cards.first();
    EXPECT_TRUE(card.numberChip()->showsSymbol());
    EXPECT_EQ(card.titleLabel()->text(), u"Reference 1"_s);
    EXPECT_EQ(card.metadataLabel()->text(), u"Smith J, Jones K, et al. \u00B7 2020 \u00B7 J Sleep Res"_s);
    EXPECT_EQ(card.footButton()->text(), u"PMID: 1001 \u00B7 214 Citations"_s);
    EXPECT_EQ(card.footButton()->toolTip(), u"Open PMID 1001 in PubMed"_s);
    EXPECT_EQ(card.footButton()->accessibleDescription(), u"Opens the article on PubMed"_s);

    // Collapsed: the first quote in two lines at most, cut with an ellipsis.
    QuoteBlock* quote = card.quoteBlock();
    ASSERT_NE(quote, nullptr);
    QuoteDisclosureButton* disclosure = quote->disclosureButton();
    EXPECT_EQ(disclosure->toolTip(), u"Show the full excerpt"_s);
    EXPECT_EQ(disclosure->accessibleName(), u"Expand quote"_s);
    const QString collapsed = quote->displayedText();
    EXPECT_TRUE(collapsed.startsWith(u"\u201C\u2026Short sleep"_s)) << collapsed.toStdString();
    EXPECT_LE(collapsed.count(u'\n'), 1);
    EXPECT_TRUE(collapsed.endsWith(u"\u2026"_s)) << collapsed.toStdString();
    EXPECT_FALSE(collapsed.contains(u"Second quote"_s));
    const int collapsedHeight = quote->heightForWidth(300);

    disclosure->click();
    EXPECT_TRUE(quote->isExpanded());
    EXPECT_EQ(disclosure->toolTip(), u"Show less"_s);
    EXPECT_EQ(disclosure->accessibleName(), u"Collapse quote"_s);
    EXPECT_EQ(quote->displayedText(),
              u"\u201C\u2026"_s + longQuote + u"\u201D\n\u201C\u2026Second <i>quote</i>.\u201D"_s);
    EXPECT_EQ(shownText(*quote->textLabel()), quote->displayedText()) << "markup in a quote stays text";
    EXPECT_GT(quote->heightForWidth(300), collapsedHeight);

    // Opening the foot line goes to the PubMed page.
    card.footButton()->click();
    EXPECT_EQ(opened, QList<QUrl>{QUrl(u"https://pubmed.ncbi.nlm.nih.gov/1001/"_s)});
}

TEST_F(ResultPanelTest, TheFiftyFirstReferenceIsNumberedInText)
{
    complete(manyReferences(51));
    const QList<ReferenceCard*> cards = view().referenceList()->cards();
    ASSERT_EQ(cards.size(), 51);
    EXPECT_TRUE(cards[49]->numberChip()->showsSymbol());
    EXPECT_TRUE(cards[49]->numberChip()->text().isEmpty());
    EXPECT_FALSE(cards[50]->numberChip()->showsSymbol());
    EXPECT_EQ(cards[50]->numberChip()->text(), u"51"_s);
    EXPECT_EQ(cards[50]->numberChip()->accessibleName(), u"51"_s);
}

TEST_F(ResultPanelTest, EvidenceIsHiddenWhenSwitchedOff)
{
    complete(resultOf({reference(1, std::nullopt, {u"A quote."_s}), reference(2, std::nullopt, {})}));
    EXPECT_NE(view().referenceList()->cards()[0]->quoteBlock(), nullptr);
    EXPECT_EQ(view().referenceList()->cards()[1]->quoteBlock(), nullptr) << "no quotes, no block";

    coordinator->settings().setIncludeEvidence(false);
    settle();
    for (ReferenceCard* card : view().referenceList()->cards())
        EXPECT_EQ(card->quoteBlock(), nullptr);
    coordinator->settings().setIncludeEvidence(true);
}

TEST_F(ResultPanelTest, CiteButtonShowsOnHoverOrFocusAndOpensTheCitePanel)
{
    complete(resultOf({reference(1), reference(2)}));
    controller->show(std::nullopt);
    settle();
    ReferenceCard* card = view().referenceList()->cards()[0];
    CiteButton* cite = card->citeButton();
    EXPECT_EQ(cite->toolTip(), u"Copy a formatted citation"_s);
    EXPECT_EQ(cite->accessibleName(), u"Cite"_s);
    EXPECT_EQ(cite->accessibleDescription(), u"Shows citation formats to copy"_s);
    EXPECT_FALSE(cite->isRevealed());

    hover(card, true);
    EXPECT_TRUE(cite->isRevealed());
    hover(card, false);
    EXPECT_FALSE(cite->isRevealed());

    controller->panel().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&controller->panel()));
    cite->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(cite->hasFocus());
    EXPECT_TRUE(cite->isRevealed()) << "keyboard focus shows the button";
    cite->clearFocus();
    EXPECT_FALSE(cite->isRevealed());

    cite->click();
    ASSERT_TRUE(coordinator->citeReference().has_value());
    EXPECT_EQ(coordinator->citeReference()->pmid, u"1001"_s);
    ASSERT_EQ(citePanel->shows.size(), 1);
    EXPECT_EQ(citePanel->shows[0], controller->frame()) << "the cite panel sits next to the result panel";
    EXPECT_TRUE(view().dimmingLayer()->isDimmed());
    EXPECT_TRUE(view().dimmingLayer()->isVisible());

    // A click on the dimmed panel closes the cite panel.
    QTest::mouseClick(view().dimmingLayer(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_FALSE(coordinator->citeReference().has_value());
    EXPECT_FALSE(view().dimmingLayer()->isVisible());
    EXPECT_EQ(citePanel->hides, 1);
}

TEST_F(ResultPanelTest, ReportButtonsCopyAndConfirmWithAToast)
{
    complete(resultOf({reference(1, std::nullopt, {u"A quote."_s})}));
    controller->show(std::nullopt);
    settle();
    view().referenceList()->copyPlainButton()->click();
    ASSERT_EQ(pasteboard->writes.size(), 1);
    EXPECT_EQ(pasteboard->writes[0].size(), 1);
    EXPECT_EQ(coordinator->toastMessage(), u"Plain-text report copied to clipboard"_s);
    EXPECT_TRUE(view().isToastShown());
    EXPECT_TRUE(view().toastView()->isVisible());
    EXPECT_EQ(view().toastView()->message(), u"Plain-text report copied to clipboard"_s);
    EXPECT_EQ(view().toastView()->geometry().top() + ToastView::shadowMargin, ResultPanelView::toastTop);

    view().referenceList()->copyRichButton()->click();
    ASSERT_EQ(pasteboard->writes.size(), 2);
    EXPECT_EQ(pasteboard->writes[1].first().first, PasteboardType::html);
    EXPECT_EQ(view().toastView()->message(), u"Rich report copied to clipboard"_s);

    // While the cite panel is open the dimming layer, not the toast, is shown.
    coordinator->presentCite(coordinator->result()->references[0]);
    settle();
    EXPECT_FALSE(view().toastView()->isVisible());
    coordinator->dismissCite();
    EXPECT_TRUE(view().toastView()->isVisible());

    sleeper->advance(std::chrono::milliseconds(1800));
    settle();
    EXPECT_FALSE(view().toastView()->isVisible());
}

TEST_F(ResultPanelTest, ShowsInTheTopRightCornerAndLimitsItsHeight)
{
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    coordinator->run(query(), std::nullopt);
    settle();
    FloatingKeyablePanel& panel = controller->panel();
    ASSERT_TRUE(panel.isVisible());
    EXPECT_TRUE(coordinator->isResultPanelVisible());
    EXPECT_EQ(coordinator->resultPanelMaxHeight(), std::clamp(visible.height() - 32.0, 180.0, 560.0));
    EXPECT_EQ(panel.width(), 380);
    EXPECT_EQ(panel.height(), view().preferredHeight());
    EXPECT_GE(panel.height(), 180);
    EXPECT_LT(panel.height(), 220) << "the progress takes its own height, not the tallest page's";
    EXPECT_EQ(panel.pos(), QPoint(visible.right() + 1 - 16 - 380, visible.top() + 16));
    EXPECT_TRUE(panel.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::FramelessWindowHint));

    // Growing keeps the top-left corner.
    backend->calls.last()->sink.complete(manyReferences(3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return coordinator->phase() == ResultPanelPhase::completed; }, 5000));
    settle();
    EXPECT_EQ(panel.pos(), QPoint(visible.right() + 1 - 16 - 380, visible.top() + 16));
    EXPECT_LE(panel.height(), int(coordinator->resultPanelMaxHeight()));
}

TEST_F(ResultPanelTest, ADraggedPanelKeepsItsPlaceAndStops16AboveTheBottom)
{
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    coordinator->run(query(), std::nullopt);
    settle();
    FloatingKeyablePanel& panel = controller->panel();
    const int loadingHeight = panel.height();

    // The user drops the panel near the top-left; the content then grows.
    panel.move(visible.topLeft() + QPoint(40, 10));
    settle();
    backend->calls.last()->sink.complete(manyReferences(8));
    ASSERT_TRUE(QTest::qWaitFor([&] { return coordinator->phase() == ResultPanelPhase::completed; }, 5000));
    settle();
    ASSERT_GT(panel.height(), loadingHeight);
    EXPECT_EQ(panel.pos(), visible.topLeft() + QPoint(40, 10));

    // Dropped low, a growing panel is pushed up: its bottom stays 16 above the visible bottom.
    coordinator->run(LiteratureQuery{u"Another sentence."_s, {}}, std::nullopt);
    settle();
    panel.move(visible.left() + 40, visible.bottom() + 1 - 16 - panel.height() - 5);
    settle();
    backend->calls.last()->sink.complete(manyReferences(8));
    ASSERT_TRUE(QTest::qWaitFor([&] { return coordinator->phase() == ResultPanelPhase::completed; }, 5000));
    settle();
    EXPECT_EQ(panel.geometry().bottom() + 1, visible.bottom() + 1 - 16);
    EXPECT_EQ(panel.x(), visible.left() + 40);

    // Hiding forgets the place: the next show returns to the top-right corner.
    controller->hide();
    coordinator->run(LiteratureQuery{u"Third sentence."_s, {}}, std::nullopt);
    settle();
    EXPECT_EQ(panel.pos(), QPoint(visible.right() + 1 - 16 - 380, visible.top() + 16));
}

TEST_F(ResultPanelTest, DraggingTheHeaderOrBackgroundMovesThePanel)
{
    coordinator->run(query(), std::nullopt);
    settle();
    FloatingKeyablePanel& panel = controller->panel();
    const QPoint start = panel.pos();
    // Where the window manager cannot move it, the drag moves the window itself.
    const auto drag = [&](QWidget* widget, QPoint at, QPoint by) {
        const QPointF global = widget->mapToGlobal(QPointF(at));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(widget, &press);
        QMouseEvent move(QEvent::MouseMove, QPointF(at + by), global + QPointF(by), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(widget, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at + by), global + QPointF(by),
                            Qt::LeftButton, Qt::NoButton, {});
        QApplication::sendEvent(widget, &release);
        settle();
    };
    drag(view().header(), QPoint(100, 20), QPoint(-120, 40));
    EXPECT_EQ(panel.pos(), start + QPoint(-120, 40));
    drag(&view(), QPoint(190, view().height() - 10), QPoint(-30, 10));
    EXPECT_EQ(panel.pos(), start + QPoint(-150, 50));
    EXPECT_EQ(controller->pinnedTopLeft(), start + QPoint(-150, 50))
        << "later growth keeps the dropped place";
}

TEST_F(ResultPanelTest, EscapeHidesAndCancelsALoadingQuery)
{
    coordinator->run(query(), std::nullopt);
    settle();
    ASSERT_TRUE(controller->panel().isVisible());
    QTest::keyClick(&controller->panel(), Qt::Key_Escape);
    EXPECT_FALSE(controller->panel().isVisible());
    EXPECT_FALSE(coordinator->isResultPanelVisible());
    EXPECT_TRUE(backend->calls.last()->cancelled);
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::failed);
    EXPECT_EQ(coordinator->errorMessage(), u"The literature request was cancelled."_s);
}

TEST_F(ResultPanelTest, CloseButtonDismissesTheCitePanelAndHides)
{
    complete(resultOf({reference(1)}));
    controller->show(std::nullopt);
    coordinator->presentCite(coordinator->result()->references[0]);
    view().header()->closeButton()->click();
    EXPECT_FALSE(coordinator->citeReference().has_value());
    EXPECT_FALSE(controller->panel().isVisible());
    EXPECT_FALSE(coordinator->isResultPanelVisible());
    EXPECT_EQ(coordinator->phase(), ResultPanelPhase::completed) << "a finished result is not cancelled";
}

TEST_F(ResultPanelTest, AppearanceFollowsThePaletteLive)
{
    complete(resultOf({reference(1)}));
    EXPECT_FALSE(Theme::of(view()).isDark);
    QPalette dark = QApplication::palette();
    dark.setColor(QPalette::Window, QColor(30, 30, 32));
    dark.setColor(QPalette::WindowText, QColor(235, 235, 240));
    const QPalette before = QApplication::palette();
    QApplication::setPalette(dark);
    settle();
    EXPECT_TRUE(Theme::of(view()).isDark);
    EXPECT_TRUE(Theme::of(*view().referenceList()->cards().first()).isDark);
    EXPECT_EQ(Theme::of(view()).panelSurface, QColor::fromRgbF(0.14f, 0.14f, 0.14f));
    QApplication::setPalette(before);
    settle();
    EXPECT_FALSE(Theme::of(view()).isDark);
}

TEST(ResultPanelGeometry, TargetScreenPrefersTheAnchorThenThePointer)
{
    const QList<QRect> screens = {QRect(0, 0, 1280, 800), QRect(1280, 0, 1920, 1080)};
    EXPECT_EQ(ResultPanelController::targetScreen(QRect(1500, 300, 100, 20), screens, QPoint(10, 10), 0), 1);
    EXPECT_EQ(ResultPanelController::targetScreen(QRect(1500, 300, 0, 0), screens, QPoint(10, 10), 0), 1)
        << "a caret without area";
    EXPECT_EQ(ResultPanelController::targetScreen(QRect(5000, 300, 10, 10), screens, QPoint(1300, 10), 0), 1)
        << "off every screen: the pointer decides";
    EXPECT_EQ(ResultPanelController::targetScreen(std::nullopt, screens, QPoint(10, 10), 1), 0);
    EXPECT_EQ(ResultPanelController::targetScreen(std::nullopt, screens, QPoint(-50, -50), 1), 1);
    EXPECT_EQ(ResultPanelController::targetScreen(std::nullopt, {}, QPoint(0, 0), 0), -1);

    // Desktop space has its origin at the primary screen's bottom-left.
    const QRect primary(0, 0, 1280, 800);
    EXPECT_EQ(ResultPanelController::toGlobal(ScreenRect{100, 700, 50, 20}, primary), QRect(100, 80, 50, 20));
    EXPECT_EQ(ResultPanelController::toDesktop(QRect(100, 80, 50, 20), primary),
              (ScreenRect{100, 700, 50, 20}));
}
