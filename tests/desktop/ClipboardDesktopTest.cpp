// The clipboard adapter on the real X11 clipboard of the headless desktop, with
// other processes (the Qt fixture, xclip) owning and reading it.

#include "QtClipboardPasteboard.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>

#include <gtest/gtest.h>

namespace {

constexpr int waitMs = 10000;

// Another process that owns the clipboard until the test ends.
class ClipboardOwner final
{
public:
    ClipboardOwner(const QString& program, const QStringList& arguments)
    {
        m_process.start(program, arguments);
    }
    ~ClipboardOwner()
    {
        m_process.kill();
        m_process.waitForFinished(waitMs);
    }
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
};

// Reads one target of the clipboard as an X11 client would; the event loop runs
// meanwhile, so this process can answer when it owns the clipboard.
std::optional<QByteArray> readWithXclip(const QString& target)
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                          QStringLiteral("clipboard"), QStringLiteral("-t"), target});
    if (!QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, waitMs) ||
        xclip.exitStatus() != QProcess::NormalExit || xclip.exitCode() != 0)
        return std::nullopt;
    return xclip.readAllStandardOutput();
}

class ClipboardDesktop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariable("VORN_QT_FIXTURE").isEmpty() || qEnvironmentVariable("DISPLAY").isEmpty())
            GTEST_SKIP() << "needs the headless desktop of tests/desktop/run-desktop.sh";
        ASSERT_TRUE(folder.isValid());
    }

    // Waits until the change count differs from before.
    bool changedSince(qint64 before)
    {
        return QTest::qWaitFor([&] { return pasteboard.changeCount() != before; }, waitMs);
    }

    QString file(const QString& name, const QByteArray& bytes)
    {
        QFile out(folder.filePath(name));
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
        return out.fileName();
    }

    // Starts the Qt fixture owning the clipboard with these formats.
    std::unique_ptr<ClipboardOwner> own(const QList<std::pair<QString, QByteArray>>& formats)
    {
        QStringList arguments{QStringLiteral("--clipboard")};
        for (qsizetype i = 0; i < formats.size(); ++i)
            arguments << formats[i].first << file(QString::number(i), formats[i].second);
        const qint64 before = pasteboard.changeCount();
        auto owner = std::make_unique<ClipboardOwner>(qEnvironmentVariable("VORN_QT_FIXTURE"), arguments);
        EXPECT_TRUE(changedSince(before)) << "the fixture did not take the clipboard";
        return owner;
    }

    QTemporaryDir folder;
    QtClipboardPasteboard pasteboard;
};

const QByteArray binary("\x00\x01\xff\xfe\r\n\x80 binary", 14);

} // namespace

TEST_F(ClipboardDesktop, SnapshotOfEveryFormatRestoresByteForByte)
{
    const QList<std::pair<QString, QByteArray>> formats = {
        {PasteboardType::string, QByteArray("Plain text \xc3\xa9\xe2\x80\x94 \xf0\x9f\x98\x80")},
        {PasteboardType::html, QByteArray("<p>Rich <b>text</b></p>")},
        {PasteboardType::rtf, QByteArray("{\\rtf1\\ansi Rich}")},
        {QStringLiteral("application/x-vorn-binary"), binary},
    };
    QList<std::pair<QString, QByteArray>> snapshot;
    {
        const auto owner = own(formats);
        const std::optional<QList<QStringList>> items = pasteboard.pasteboardItems();
        ASSERT_TRUE(items);
        ASSERT_EQ(items->size(), 1);
        for (const QString& type : items->first()) {
            EXPECT_FALSE(QtClipboardPasteboard::isPseudoTarget(type)) << type.toStdString();
            const std::optional<QByteArray> bytes = pasteboard.data(0, type);
            ASSERT_TRUE(bytes) << type.toStdString();
            snapshot.append({type, *bytes});
        }
        for (const auto& [type, bytes] : formats)
            EXPECT_TRUE(items->first().contains(type)) << type.toStdString();
    }
    // The owner is gone; put the snapshot back as our own content.
    PasteboardWriteItem item;
    for (const auto& [type, bytes] : snapshot)
        ASSERT_TRUE(item.setData(bytes, type));
    pasteboard.clearContents();
    ASSERT_TRUE(pasteboard.writeObjects({item}));
    for (const auto& [type, bytes] : formats)
        EXPECT_EQ(readWithXclip(type), bytes) << type.toStdString();
    EXPECT_EQ(readWithXclip(QStringLiteral("UTF8_STRING")), formats[0].second)
        << "plain text for X11 clients";
    EXPECT_EQ(readWithXclip(QStringLiteral("application/rtf")), formats[2].second);
}

TEST_F(ClipboardDesktop, PasswordManagerHintReadsAsConcealed)
{
    const auto owner = own({{PasteboardType::string, QByteArray("hunter2")},
                            {PasteboardType::passwordManagerHint, QByteArray("secret")}});
    const std::optional<QList<QStringList>> items = pasteboard.pasteboardItems();
    ASSERT_TRUE(items);
    EXPECT_TRUE(std::ranges::any_of(items->first(), PasteboardType::isConcealedMarker));
}

TEST_F(ClipboardDesktop, ChangeCountMovesOnEveryChange)
{
    QList<qint64> counts{pasteboard.changeCount()};
    // Waits until the count has moved and the clipboard holds text, then notes the count.
    const auto holds = [&](const QString& text) {
        const bool arrived = QTest::qWaitFor(
            [&] {
                return pasteboard.changeCount() != counts.last() &&
                       pasteboard.string(PasteboardType::string) == text;
            },
            waitMs);
        counts.append(pasteboard.changeCount());
        return arrived;
    };
    {
        ClipboardOwner first(QStringLiteral("xclip"),
                             {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                              QStringLiteral("clipboard"), file(QStringLiteral("a"), "one")});
        ASSERT_TRUE(holds(QStringLiteral("one")));
        ClipboardOwner second(QStringLiteral("xclip"),
                              {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                               QStringLiteral("clipboard"), file(QStringLiteral("b"), "two")});
        ASSERT_TRUE(holds(QStringLiteral("two")));
    }
    pasteboard.clearContents();
    counts.append(pasteboard.changeCount());
    ASSERT_TRUE(pasteboard.setString(QStringLiteral("ours"), PasteboardType::string));
    ASSERT_TRUE(holds(QStringLiteral("ours")));
    EXPECT_EQ(QSet<qint64>(counts.begin(), counts.end()).size(), counts.size())
        << "every change has its own count";
}

// Reads the clipboard's text without running this process's event loop.
std::optional<QByteArray> readWithXclipBlocking()
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    if (!xclip.waitForFinished(waitMs) || xclip.exitCode() != 0)
        return std::nullopt;
    return xclip.readAllStandardOutput();
}

TEST_F(ClipboardDesktop, OwnershipTheServerRefusedIsAFailedWrite)
{
    // Qt asks for ownership with the time of the last X event it processed. Another
    // client that took the clipboard since then holds it with a newer time, and the
    // X server refuses the request.
    ClipboardOwner first(QStringLiteral("xclip"),
                         {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                          file(QStringLiteral("a"), "first")});
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return pasteboard.string(PasteboardType::string) == u"first"; }, waitMs));
    QTest::qWait(50);
    ClipboardOwner second(QStringLiteral("xclip"),
                          {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                           QStringLiteral("clipboard"), file(QStringLiteral("b"), "second")});
    QElapsedTimer waited;
    waited.start();
    while (readWithXclipBlocking() != QByteArray("second") && waited.elapsed() < waitMs)
        QThread::msleep(20);
    ASSERT_EQ(readWithXclipBlocking(), QByteArray("second"));

    PasteboardWriteItem item;
    item.setString(QStringLiteral("ours"), PasteboardType::string);
    EXPECT_FALSE(pasteboard.writeObjects({item}));
    EXPECT_EQ(readWithXclipBlocking(), QByteArray("second")) << "the other client keeps the clipboard";

    // Once this process has seen the change, its request carries a newer time.
    QTest::qWait(100);
    EXPECT_TRUE(pasteboard.writeObjects({item}));
    EXPECT_EQ(readWithXclip(QStringLiteral("UTF8_STRING")), QByteArray("ours"));
}

TEST_F(ClipboardDesktop, RichWriteIsOneChangeWithEveryFlavour)
{
    // A one-flavour write is the yardstick for one change, however Qt reports it.
    const auto changesOf = [&](const std::function<void()>& write) {
        QTest::qWait(50);
        const qint64 before = pasteboard.changeCount();
        write();
        QTest::qWait(200);
        return pasteboard.changeCount() - before;
    };
    PasteboardWriteItem plain;
    plain.setString(QStringLiteral("plain"), PasteboardType::string);
    const qint64 oneChange = changesOf([&] { ASSERT_TRUE(pasteboard.writeObjects({plain})); });
    ASSERT_GE(oneChange, 1);

    const qint64 rich = changesOf([&] {
        pasteboard.declareTypes({PasteboardType::html, PasteboardType::string});
        EXPECT_EQ(readWithXclip(QStringLiteral("UTF8_STRING")), QByteArray("plain"))
            << "nothing published yet";
        ASSERT_TRUE(pasteboard.setString(QStringLiteral("<p>Report</p>"), PasteboardType::html));
        EXPECT_EQ(readWithXclip(QStringLiteral("UTF8_STRING")), QByteArray("plain")) << "no HTML-only entry";
        ASSERT_TRUE(pasteboard.setString(QStringLiteral("Report"), PasteboardType::string));
    });
    EXPECT_EQ(rich, oneChange);
    EXPECT_EQ(readWithXclip(PasteboardType::html), QByteArray("<p>Report</p>"));
    EXPECT_EQ(readWithXclip(QStringLiteral("UTF8_STRING")), QByteArray("Report"));
}

TEST_F(ClipboardDesktop, PlainHtmlAndRtfWritesReachOtherClients)
{
    pasteboard.clearContents();
    EXPECT_FALSE(pasteboard.pasteboardItems()) << "a cleared clipboard is empty";
    ASSERT_TRUE(pasteboard.setString(QStringLiteral("Plain \u2014 report"), PasteboardType::string));
    EXPECT_EQ(readWithXclip(QStringLiteral("UTF8_STRING")), QStringLiteral("Plain \u2014 report").toUtf8());

    pasteboard.declareTypes({PasteboardType::html, PasteboardType::string});
    EXPECT_FALSE(pasteboard.setString(QStringLiteral("{\\rtf1}"), PasteboardType::rtf)) << "not declared";
    ASSERT_TRUE(pasteboard.setString(QStringLiteral("<p>Rich</p>"), PasteboardType::html));
    ASSERT_TRUE(pasteboard.setString(QStringLiteral("Rich"), PasteboardType::string));
    EXPECT_EQ(readWithXclip(PasteboardType::html), QByteArray("<p>Rich</p>"));
    EXPECT_EQ(readWithXclip(QStringLiteral("text/plain")), QByteArray("Rich"));

    PasteboardWriteItem citation;
    citation.setString(QStringLiteral("Citation"), PasteboardType::string);
    citation.setString(QStringLiteral("{\\rtf1\\ansi Citation}"), PasteboardType::rtf);
    citation.setString(QStringLiteral("<i>Citation</i>"), PasteboardType::html);
    ASSERT_TRUE(pasteboard.writeObjects({citation}));
    EXPECT_EQ(readWithXclip(PasteboardType::rtf), QByteArray("{\\rtf1\\ansi Citation}"));
    EXPECT_EQ(readWithXclip(QStringLiteral("application/rtf")), QByteArray("{\\rtf1\\ansi Citation}"));
    EXPECT_EQ(readWithXclip(PasteboardType::html), QByteArray("<i>Citation</i>"));
    EXPECT_FALSE(pasteboard.writeObjects({citation, citation})) << "X11 holds one item";
}
