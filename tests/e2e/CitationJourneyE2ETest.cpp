// Whole journeys as a user makes them, with the real vorn-cite in demo mode against the
// local cite and efetch service: select text in an application, press Alt+Super+G
// (xdotool), read the panels over the accessibility bus, cite, and use the real X
// clipboard afterwards.
#include "JourneySupport.h"
#include "literature/LiteratureInputValidator.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace DesktopFixtures;
using namespace Journey;

namespace {

QString normalized(const QString& text)
{
    const std::expected<QString, LiteratureError> result = LiteratureInputValidator::normalize(text);
    return result.value_or(QString());
}

// The italic runs of an HTML or unrtf text, in order.
QStringList italics(const QString& html)
{
    static const QRegularExpression italic(QStringLiteral("<(i|em)>(.*?)</\\1>"),
                                           QRegularExpression::DotMatchesEverythingOption);
    QStringList runs;
    for (const QRegularExpressionMatch& match : italic.globalMatch(html)) {
        const QString run =
            match.captured(2).remove(QRegularExpression(QStringLiteral("<[^>]*>"))).simplified();
        if (!run.isEmpty())
            runs.append(run);
    }
    return runs;
}

class CitationJourney : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (pid(Toolkit::gtk) == 0)
            GTEST_SKIP() << "needs the fixtures of tests/desktop/run-desktop.sh";
        ASSERT_TRUE(LocalCiteService::shared().isRunning()) << "the local service did not start";
        ASSERT_TRUE(app.start(LocalCiteService::shared().demoArguments()))
            << app.standardError().toStdString();
    }
    void TearDown() override { EXPECT_TRUE(app.stop()) << app.standardError().toStdString(); }

    // The result panel lists exactly the references the service answered for the request.
    void expectTheAnsweredReferences(const LocalCiteService::Request& request)
    {
        ASSERT_TRUE(waitForShown(app, QStringLiteral("Literature evidence for the text you select")))
            << shownNames(app);
        QStringList shown;
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return (shown = shownPMIDs(app)).size() == request.pmids.size(); }, waitMs))
            << shownNames(app);
        QStringList answered = request.pmids;
        answered.sort();
        shown.sort();
        EXPECT_EQ(shown, answered);
    }

    // Cite on the second card, APA in the cite panel; the clipboard then holds it in plain
    // text, RTF and HTML; pasted into the toolkit's fixture field it is the plain text.
    void citeTheSecondReferenceInApaAndPasteInto(Toolkit toolkit)
    {
        // Cite on the second card: the button shows while the pointer is over its card.
        QList<AccessibleNode> citeButtons;
        for (const AccessibleNode& node : accessibleNodes(app.pid())) {
            if (node.showing && node.name == u"Cite" && node.role == u"push button")
                citeButtons.append(node);
        }
        ASSERT_GE(citeButtons.size(), 2) << shownNames(app);
        std::stable_sort(
            citeButtons.begin(), citeButtons.end(),
            [](const AccessibleNode& a, const AccessibleNode& b) { return a.extents.y() < b.extents.y(); });
        ASSERT_TRUE(hover(citeButtons.at(1).extents.adjusted(-120, -20, 0, 0)));
        ASSERT_TRUE(click(citeButtons.at(1).extents));

        // The cite panel fetches the record from PubMed, then APA is copied.
        ASSERT_TRUE(waitForShown(app, QStringLiteral("Volume, pages and DOI from PubMed")))
            << shownNames(app);
        const std::optional<AccessibleNode> apa = waitForShown(app, QStringLiteral("APA 7 citation"));
        ASSERT_TRUE(apa) << shownNames(app);
        ASSERT_TRUE(click(apa->extents));
        ASSERT_TRUE(waitForShown(app, QStringLiteral("APA citation copied to clipboard"))) << shownNames(app);

        // One clipboard item in plain text, RTF and HTML.
        const std::optional<QByteArray> targets = clipboard(QStringLiteral("TARGETS"));
        ASSERT_TRUE(targets);
        for (const char* type : {"text/plain", "text/rtf", "text/html"})
            EXPECT_TRUE(targets->split('\n').contains(type))
                << type << " missing in " << targets->toStdString();
        const std::optional<QByteArray> plain = clipboard(QStringLiteral("text/plain;charset=utf-8"));
        const std::optional<QByteArray> rtf = clipboard(QStringLiteral("text/rtf"));
        const std::optional<QByteArray> html = clipboard(QStringLiteral("text/html"));
        ASSERT_TRUE(plain && rtf && html);
        const QString plainText = QString::fromUtf8(*plain);
        EXPECT_FALSE(plainText.trimmed().isEmpty());
        EXPECT_EQ(apa->description, QStringLiteral("Copies the citation to the clipboard"));

        // The journal stays in italics in the RTF, as unrtf (a reader of its own) sees it.
        const QStringList htmlItalics = italics(QString::fromUtf8(*html));
        ASSERT_FALSE(htmlItalics.isEmpty()) << html->toStdString();
        QTemporaryDir folder;
        const QString rtfFile = folder.filePath(QStringLiteral("citation.rtf"));
        {
            QFile file(rtfFile);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(*rtf);
        }
        const std::optional<QByteArray> converted =
            run(QStringLiteral("unrtf"), {QStringLiteral("--html"), rtfFile});
        ASSERT_TRUE(converted) << rtf->toStdString();
        const QStringList rtfItalics = italics(QString::fromUtf8(*converted));
        for (const QString& run : htmlItalics) {
            EXPECT_TRUE(rtfItalics.contains(run))
                << run.toStdString() << " is not italic in " << converted->toStdString();
            EXPECT_TRUE(plainText.contains(run));
        }

        // Pasted into the fixture's single-line field, the citation is the plain text.
        ASSERT_TRUE(activate(toolkit));
        ASSERT_TRUE(focus(toolkit, fieldName));
        ASSERT_TRUE(run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
                                                    QStringLiteral("ctrl+a"), QStringLiteral("ctrl+v")}));
        EXPECT_TRUE(QTest::qWaitFor([&] { return text(toolkit, fieldName) == plainText; }, waitMs))
            << text(toolkit, fieldName).value_or(QString()).toStdString() << " vs "
            << plainText.toStdString();
    }

    CiteApplication app;
};

} // namespace

TEST_F(CitationJourney, GtkTextViewSelectionToAnApaCitationPastedIntoAField)
{
    // Select the claim in the GTK text view and press the shortcut.
    ASSERT_TRUE(prepareJourneyClaim());
    const qsizetype seen = LocalCiteService::shared().requests().size();
    ASSERT_TRUE(pressShortcut());
    const std::optional<LocalCiteService::Request> request =
        LocalCiteService::shared().waitForNextRequest(seen);
    ASSERT_TRUE(request) << CiteProbe::property(QStringLiteral("ErrorMessage")).toString().toStdString();
    EXPECT_EQ(request->text, normalized(DesktopFixtureTexts::journeyClaim()));
    ASSERT_GE(request->pmids.size(), 2) << "the demo library should answer this sentence with two references";
    EXPECT_EQ(CiteProbe::property(QStringLiteral("CaptureMethod")).toString(),
              QStringLiteral("accessibility"));

    ASSERT_NO_FATAL_FAILURE(expectTheAnsweredReferences(*request));
    ASSERT_NO_FATAL_FAILURE(citeTheSecondReferenceInApaAndPasteInto(Toolkit::gtk));
}

TEST_F(CitationJourney, QtTextEditDragSelectionThroughTheBadgeToAnApaCitation)
{
    if (pid(Toolkit::qt) == 0)
        GTEST_SKIP() << "needs the Qt fixture";
    // Demo mode completes onboarding with the recommended choices: the badge is on.
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return CiteProbe::property(QStringLiteral("SelectionMonitorEnabled")).toBool(); }, waitMs));
    ASSERT_TRUE(prepareJourneyText(Toolkit::qt));
    const QString area = DesktopFixtureTexts::journeyTextArea();
    const qsizetype start = area.indexOf(DesktopFixtureTexts::journeyClaim());
    ASSERT_TRUE(
        dragSelect(Toolkit::qt, textAreaName, start, start + DesktopFixtureTexts::journeyClaim().size()));

    // The badge beside the pointer; its click searches the selection.
    const std::optional<AccessibleNode> badge =
        waitForShown(app, QStringLiteral("Find citations for selected text"));
    ASSERT_TRUE(badge) << shownNames(app);
    const qsizetype seen = LocalCiteService::shared().requests().size();
    ASSERT_TRUE(click(badge->extents));
    const std::optional<LocalCiteService::Request> request =
        LocalCiteService::shared().waitForNextRequest(seen);
    ASSERT_TRUE(request) << CiteProbe::property(QStringLiteral("ErrorMessage")).toString().toStdString();
    EXPECT_EQ(request->text, normalized(DesktopFixtureTexts::journeyClaim()));

    ASSERT_NO_FATAL_FAILURE(expectTheAnsweredReferences(*request));
    ASSERT_NO_FATAL_FAILURE(citeTheSecondReferenceInApaAndPasteInto(Toolkit::qt));
}

TEST_F(CitationJourney, XtermSelectionReachesTheServiceThroughCopyAndTheClipboardIsKept)
{
    // The user's clipboard: plain text and HTML served by another application.
    const QByteArray userPlain = "Notes for Tuesday: caf\xc3\xa9 at 10, 42 \xc2\xb5g.\n";
    const QByteArray userHtml = "<p>Notes for <b>Tuesday</b>: caf\xc3\xa9 at 10, 42 \xc2\xb5g.</p>";
    QTemporaryDir folder;
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    ASSERT_TRUE(write(QStringLiteral("plain"), userPlain) && write(QStringLiteral("html"), userHtml));
    QProcess owner;
    owner.start(qtFixtureProgram(), {QStringLiteral("--clipboard"), QStringLiteral("text/plain"),
                                     folder.filePath(QStringLiteral("plain")), QStringLiteral("text/html"),
                                     folder.filePath(QStringLiteral("html"))});
    ASSERT_TRUE(owner.waitForStarted(waitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return clipboard(QStringLiteral("text/html")) == userHtml; }, waitMs));
    ASSERT_EQ(clipboard(QStringLiteral("text/plain")), userPlain);

    // xterm exposes no text over the accessibility bus: Compatibility Capture (on in
    // the demo) sends Copy. A triple click selects the sentence's line.
    const QString sentence =
        QStringLiteral("Cardiac evaluation of patients with iron overload in liver disease.");
    StartedApplication xterm(
        QStringLiteral("xterm"),
        {QStringLiteral("-geometry"), QStringLiteral("80x4+60+460"), QStringLiteral("-title"),
         QStringLiteral("VORN xterm"), QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"),
         QStringLiteral("printf '%s\\n' '") + sentence + QStringLiteral("'; exec sleep 300")});
    ASSERT_TRUE(xterm.waitForWindow());
    ASSERT_TRUE(xterm.activate());
    ASSERT_TRUE(
        run(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(*xterm.window()),
             QStringLiteral("40"), QStringLiteral("8"), QStringLiteral("click"), QStringLiteral("--repeat"),
             QStringLiteral("3"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("1")}));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::optional<QByteArray> primary =
                run(QStringLiteral("xclip"),
                    {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("primary")});
            return primary && QString::fromUtf8(*primary).trimmed() == sentence;
        },
        waitMs))
        << "the triple click selected no line";

    ASSERT_TRUE(pressShortcut());
    EXPECT_TRUE(LocalCiteService::shared().waitForRequest(sentence))
        << "sent: " << LocalCiteService::shared().texts().join(u'|').toStdString() << "; "
        << CiteProbe::property(QStringLiteral("ErrorMessage")).toString().toStdString();
    EXPECT_TRUE(waitForShown(app, QStringLiteral("Literature evidence for the text you select")))
        << shownNames(app);
    EXPECT_EQ(CiteProbe::property(QStringLiteral("CaptureMethod")).toString(),
              QStringLiteral("clipboard_compatibility"));

    // Afterwards the clipboard holds the user's content again, byte for byte.
    EXPECT_TRUE(QTest::qWaitFor([&] { return clipboard(QStringLiteral("text/html")) == userHtml; }, waitMs))
        << clipboard(QStringLiteral("text/html")).value_or("(nothing)").toStdString();
    EXPECT_EQ(clipboard(QStringLiteral("text/plain")), userPlain);
    owner.kill();
    owner.waitForFinished(waitMs);
}
