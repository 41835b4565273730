// The cite panel on the headless desktop: a click on a style box as the user's pointer
// makes it, the X11 clipboard read back by xclip and by the GTK fixture's paste, and
// the rich flavours converted by real readers (unrtf for RTF, Python's HTML parser),
// the exports by the reference-manager readers of the export tests.

#include "AppCoordinator.h"
#include "CitePanelController.h"
#include "CitePanelParts.h"
#include "CitePanelView.h"
#include "DesktopFixtures.h"
#include "FloatingPanel.h"
#include "Motion.h"
#include "QtClipboardPasteboard.h"

#include "citation/CitationExport.h"
#include "citation/CitationStyles.h"
#include "support/FakeKeyStore.h"

#include <QApplication>
#include <QFontInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace DesktopFixtures;
using namespace Qt::Literals::StringLiterals;
using CitationFormatter::Style;

namespace {

constexpr int waitMs = 10000;

// A journal article with its PubMed record: the journal title is an italic run in
// every style; a non-ASCII name and an en dash travel through every flavour.
LiteratureReference article()
{
    ArticleAuthor first;
    first.lastName = u"M\u00fcller"_s;
    first.foreName = u"Anna"_s;
    first.initials = u"A"_s;
    ArticleAuthor second;
    second.lastName = u"Smith"_s;
    second.foreName = u"John"_s;
    second.initials = u"J"_s;
    ArticleMetadata a;
    a.pmid = u"31234567"_s;
    a.title = u"Short sleep and blood pressure: a cohort study."_s;
    a.authors = {first, second};
    a.journalTitle = u"Journal of Sleep Research"_s;
    a.journalAbbreviation = u"J Sleep Res"_s;
    a.year = u"2020"_s;
    a.volume = u"29"_s;
    a.issue = u"2"_s;
    a.pages = u"123-9"_s;
    a.doi = u"10.1000/182"_s;
    a.publicationTypes = {u"Journal Article"_s};

    LiteratureReference r;
    r.pmid = a.pmid;
    r.title = u"Short sleep and blood pressure"_s;
    r.authors = {u"M\u00fcller A"_s, u"Smith J"_s};
    r.journal = u"J Sleep Res"_s;
    r.date = u"2020"_s;
    r.article = a;
    return r;
}

// One target of the clipboard as another X11 client reads it; the event loop runs
// meanwhile, so this process can answer as the clipboard's owner.
std::optional<QByteArray> readWithXclip(const QString& target)
{
    QProcess xclip;
    xclip.start(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"clipboard"_s, u"-t"_s, target});
    if (!QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, waitMs) ||
        xclip.exitStatus() != QProcess::NormalExit || xclip.exitCode() != 0)
        return std::nullopt;
    return xclip.readAllStandardOutput();
}

// The content targets of the clipboard: without the protocol's own and without the
// names X11 gives the same plain text or RTF besides ours.
QStringList contentTargets()
{
    const std::optional<QByteArray> targets = readWithXclip(u"TARGETS"_s);
    if (!targets)
        return {u"(no TARGETS)"_s};
    const QStringList aliases = {u"text/plain"_s, u"UTF8_STRING"_s,   u"STRING"_s,
                                 u"TEXT"_s,       u"COMPOUND_TEXT"_s, u"application/rtf"_s};
    QStringList content;
    for (const QByteArray& line : targets->split('\n')) {
        const QString target = QString::fromUtf8(line.trimmed());
        if (target.isEmpty() || QtClipboardPasteboard::isPseudoTarget(target) || aliases.contains(target))
            continue;
        content.append(target);
    }
    return content;
}

struct ProcessOutput
{
    QByteArray out;
    QString failure;
};

// Runs a reader over bytes written to a file, with the event loop running.
ProcessOutput runReader(const QString& program, const QStringList& arguments, const QByteArray& input,
                        const QString& fileName)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(fileName));
    if (!file.open(QIODevice::WriteOnly) || file.write(input) < 0)
        return {{}, u"cannot write "_s + file.fileName()};
    file.close();
    QProcess process;
    process.start(program, arguments + QStringList{file.fileName()});
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {{}, program + u" failed: "_s + QString::fromUtf8(process.readAllStandardError())};
    return {process.readAllStandardOutput(), {}};
}

// The text of the italic elements of an HTML fragment and its whole text, read by
// Python's HTML parser.
const char* italicsReader = R"(import html.parser, json, sys
class Reader(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.depth, self.italic, self.text = 0, [], ''
    def handle_starttag(self, tag, attrs):
        if tag in ('i', 'em'):
            self.depth += 1
            self.italic.append('')
    def handle_endtag(self, tag):
        if tag in ('i', 'em'):
            self.depth -= 1
    def handle_data(self, data):
        self.text += data
        if self.depth > 0:
            self.italic[-1] += data
r = Reader()
r.feed(open(sys.argv[1], encoding='utf-8').read())
print(json.dumps({'text': r.text, 'italic': r.italic}))
)";

QStringList italicRuns(const FormattedCitation& citation)
{
    QStringList runs;
    for (const FormattedCitation::Run& run : citation.runs()) {
        if (run.isItalic)
            runs.append(run.text);
    }
    return runs;
}

class CitePanelDesktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (pid(Toolkit::gtk) == 0 || qEnvironmentVariable("DISPLAY").isEmpty())
            GTEST_SKIP() << "needs the headless desktop of tests/desktop/run-desktop.sh";
        Motion::setEnabled(false);
        AppCoordinator::Dependencies deps;
        deps.pasteboard = pasteboard;
        deps.articleService = std::make_shared<PubMedArticleService>(
            QUrl(u"https://127.0.0.1:9/efetch.fcgi"_s), std::chrono::seconds(1));
        coordinator = std::make_unique<AppCoordinator>(std::make_shared<FakeKeyStore>(), deps);
        controller = std::make_shared<CitePanelController>(*coordinator);
        coordinator->setCitePanelController(controller);
    }

    void TearDown() override
    {
        if (coordinator) {
            coordinator->dismissCite();
            coordinator->setCitePanelController(nullptr);
        }
    }

    // Opens the panel for the article and clicks the control with the real pointer.
    void present()
    {
        coordinator->presentCite(article());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&controller->panel(), waitMs));
        QTest::qWait(200);
    }

    void click(QWidget* widget)
    {
        const QPoint centre = widget->mapToGlobal(widget->rect().center());
        const qint64 before = pasteboard->changeCount();
        QProcess::execute(u"xdotool"_s, {u"mousemove"_s, u"--sync"_s, QString::number(centre.x()),
                                         QString::number(centre.y()), u"click"_s, u"1"_s});
        ASSERT_TRUE(QTest::qWaitFor([&] { return pasteboard->changeCount() != before; }, waitMs))
            << "the click did not reach the clipboard";
        QTest::qWait(200);
        EXPECT_EQ(pasteboard->changeCount(), before + 1) << "one copy, one ownership change";
    }

    FormatBox* box(Style style) const
    {
        const auto& styles = CitationFormatter::allStyles;
        return controller->view().formatBoxes().value(std::find(styles.begin(), styles.end(), style) -
                                                      styles.begin());
    }

    std::shared_ptr<QtClipboardPasteboard> pasteboard = std::make_shared<QtClipboardPasteboard>();
    std::unique_ptr<AppCoordinator> coordinator;
    std::shared_ptr<CitePanelController> controller;
};

} // namespace

TEST_F(CitePanelDesktop, TheApaBoxLeavesPlainRtfAndHtmlThatPasteAndKeepTheItalics)
{
    present();
    FormatBox* apa = box(Style::apa);
    ASSERT_NE(apa, nullptr);
    const FormattedCitation citation = apa->citation();
    const QStringList italics = italicRuns(citation);
    ASSERT_FALSE(italics.isEmpty());
    click(apa);
    EXPECT_EQ(coordinator->toastMessage(), u"APA citation copied to clipboard"_s);

    EXPECT_EQ(contentTargets(),
              (QStringList{PasteboardType::string, PasteboardType::rtf, PasteboardType::html}));
    EXPECT_EQ(readWithXclip(PasteboardType::string), apa->text().toUtf8());
    EXPECT_EQ(readWithXclip(u"UTF8_STRING"_s), apa->text().toUtf8());

    // RTF through unrtf: the base font is named, the journal stays italic.
    const std::optional<QByteArray> rtf = readWithXclip(PasteboardType::rtf);
    ASSERT_TRUE(rtf.has_value());
    EXPECT_EQ(readWithXclip(u"application/rtf"_s), rtf);
    const QString unrtf = QStandardPaths::findExecutable(u"unrtf"_s);
    if (unrtf.isEmpty()) {
        ADD_FAILURE() << "unrtf is missing; scripts/setup installs it";
    } else {
        const ProcessOutput converted = runReader(unrtf, {u"--html"_s}, *rtf, u"citation.rtf"_s);
        ASSERT_TRUE(converted.failure.isEmpty()) << converted.failure.toStdString();
        const QString html = QString::fromUtf8(converted.out);
        for (const QString& run : italics)
            EXPECT_TRUE(html.contains(u"<i>"_s + run.toHtmlEscaped() + u"</i>"_s))
                << run.toStdString() << " not italic in: " << html.toStdString();
        EXPECT_TRUE(html.contains(u"<font face=\""_s + QFontInfo(QApplication::font()).family() + u"\">"_s))
            << html.toStdString();
    }

    // HTML through an HTML parser: the same italic runs and the same text.
    const std::optional<QByteArray> html = readWithXclip(PasteboardType::html);
    ASSERT_TRUE(html.has_value());
    EXPECT_EQ(QString::fromUtf8(*html), citation.html());
    QTemporaryDir dir;
    QFile script(dir.filePath(u"italics.py"_s));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(italicsReader);
    script.close();
    const ProcessOutput parsed =
        runReader(u"/usr/bin/python3"_s, {script.fileName()}, *html, u"citation.html"_s);
    ASSERT_TRUE(parsed.failure.isEmpty()) << parsed.failure.toStdString();
    const QJsonObject read = QJsonDocument::fromJson(parsed.out).object();
    EXPECT_EQ(read.value(u"text"_s).toString(), citation.plainText());
    QStringList readItalics;
    for (const QJsonValue& v : read.value(u"italic"_s).toArray())
        readItalics.append(v.toString());
    EXPECT_EQ(readItalics, italics);

    // A paste into the GTK entry gives the text the box shows.
    ASSERT_TRUE(activate(Toolkit::gtk));
    ASSERT_TRUE(focus(Toolkit::gtk, fieldName));
    const std::optional<QString> field = text(Toolkit::gtk, fieldName);
    ASSERT_TRUE(field.has_value());
    ASSERT_TRUE(select(Toolkit::gtk, fieldName, 0, field->size()));
    QProcess::execute(u"xdotool"_s, {u"key"_s, u"--clearmodifiers"_s, u"ctrl+v"_s});
    EXPECT_TRUE(QTest::qWaitFor([&] { return text(Toolkit::gtk, fieldName) == apa->text(); }, waitMs))
        << "the entry reads: " << text(Toolkit::gtk, fieldName).value_or(u"(nothing)"_s).toStdString();
}

TEST_F(CitePanelDesktop, BibTeXAndRisArePlainTextThatReferenceManagersRead)
{
    const QString node = QStandardPaths::findExecutable(u"node"_s);
    const QString reader = QStringLiteral(VORN_NODE_TOOLS_DIR "/read-citations.js");
    present();
    const LiteratureReference reference = *coordinator->citeReference();

    struct Case
    {
        const char* label;
        QWidget* button;
        QString expected;
        QString toast;
        QString format;
    };
    const QList<Case> cases = {
        {"BibTeX", controller->view().bibtexButton(), CitationFormatter::bibtex(reference),
         u"BibTeX entry copied to clipboard"_s, u"bibtex"_s},
        {"RIS", controller->view().endNoteButton(), CitationFormatter::ris(reference),
         u"EndNote (RIS) record copied to clipboard"_s, u"ris"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        click(c.button);
        EXPECT_EQ(coordinator->toastMessage(), c.toast);
        EXPECT_EQ(contentTargets(), QStringList{PasteboardType::string});
        const std::optional<QByteArray> pasted = readWithXclip(u"UTF8_STRING"_s);
        ASSERT_TRUE(pasted.has_value());
        EXPECT_EQ(QString::fromUtf8(*pasted), c.expected);

        ASSERT_FALSE(node.isEmpty()) << "node is missing; scripts/setup installs it";
        const ProcessOutput run = runReader(node, {reader, c.format}, *pasted, u"pasted."_s + c.format);
        ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString();
        const QJsonArray items = QJsonDocument::fromJson(run.out).array();
        ASSERT_EQ(items.size(), 1);
        const QJsonObject item = items.first().toObject();
        EXPECT_EQ(item.value(u"title"_s).toString(), u"Short sleep and blood pressure: a cohort study"_s);
        EXPECT_EQ(item.value(u"container-title"_s).toString(), u"Journal of Sleep Research"_s);
        EXPECT_EQ(item.value(u"DOI"_s).toString(), u"10.1000/182"_s);
        EXPECT_EQ(item.value(u"author"_s).toArray().first().toObject().value(u"family"_s).toString(),
                  u"M\u00fcller"_s);
    }
}
