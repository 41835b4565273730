// Copy-and-restore on an in-memory clipboard, with time passing only in the
// capture's pauses.

#include "ClipboardCompatibilityCapturer.h"
#include "ClipboardFakes.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Kind = ClipboardCaptureError::Kind;

namespace {

constexpr qint32 sourcePid = 42;
const SelectionSource source{sourcePid, QStringLiteral("Viewer"), QStringLiteral("org.example.Viewer")};
const QString sentence = QStringLiteral("Aspirin reduces fever in adults.");
const QByteArray binary("\x00\x01\xff\xfe binary", 12);
const QDateTime capturedAt = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000, Qt::UTC);

class ClipboardCapture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        platform->items = {{{PasteboardType::string, QByteArray("user's text")},
                            {PasteboardType::html, QByteArray("<b>user's</b> text")},
                            {QStringLiteral("image/png"), binary}}};
        before = platform->items;
        sender->onCopy = [this] {
            time->at(time->elapsed() + 100ms, [this] { platform->copyText(sentence); });
        };
    }

    std::unique_ptr<ClipboardCompatibilityCapturer> makeCapturer()
    {
        ClipboardCompatibilityCapturer::Environment env;
        env.pasteboard = std::make_shared<GeneralPasteboardAdapter>(platform);
        env.commandSender = sender;
        env.frontmostProcessIdentifier = [this] { return frontmost; };
        env.sleeper = time;
        env.monotonicClock = [this] { return time->now; };
        env.wallClock = [] { return capturedAt; };
        return std::make_unique<ClipboardCompatibilityCapturer>(std::move(env));
    }

    // Runs the capture to its end; the elapsed time of the scripted clock is noted.
    AsyncSelectionCaptureResult run(ClipboardCompatibilityCapturer& capturer)
    {
        QFuture<AsyncSelectionCaptureResult> future = capturer.capture(source);
        EXPECT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, 10000));
        EXPECT_FALSE(capturer.isCapturing());
        EXPECT_FALSE(capturer.pendingRestore());
        finishedAt = time->elapsed();
        return future.result();
    }

    static std::optional<Kind> clipboardError(const AsyncSelectionCaptureResult& result)
    {
        if (result)
            return std::nullopt;
        const auto* error = std::get_if<ClipboardCaptureError>(&result.error());
        return error ? std::optional(error->kind()) : std::nullopt;
    }

    std::shared_ptr<InMemoryPasteboard> platform = std::make_shared<InMemoryPasteboard>();
    std::shared_ptr<ScriptedTime> time = std::make_shared<ScriptedTime>();
    std::shared_ptr<ScriptedCopySender> sender = std::make_shared<ScriptedCopySender>();
    std::optional<qint32> frontmost = sourcePid;
    QList<InMemoryPasteboard::Item> before;
    std::chrono::milliseconds finishedAt{};
};

} // namespace

TEST_F(ClipboardCapture, CopiedSentenceIsReadAndEveryFormatIsRestored)
{
    const auto capturer = makeCapturer();
    const AsyncSelectionCaptureResult result = run(*capturer);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->context.selectedText, sentence);
    EXPECT_EQ(result->context.sourceApplicationName, source.applicationName);
    EXPECT_EQ(result->context.sourceBundleIdentifier, source.bundleIdentifier);
    EXPECT_EQ(result->context.bounds, std::nullopt);
    EXPECT_FALSE(result->context.isEditable);
    EXPECT_EQ(result->context.captureMethod, SelectionCaptureMethod::clipboardCompatibility);
    EXPECT_EQ(result->context.capturedAt, capturedAt);
    EXPECT_EQ(result->sourceProcessIdentifier, sourcePid);
    EXPECT_EQ(sender->sentTo, QList<qint32>{sourcePid});
    EXPECT_EQ(platform->items, before) << "byte for byte, in order";
    EXPECT_EQ(platform->writes, 1) << "one write puts everything back";
    // The copy at 100 ms is first seen at the 105 ms poll and settled 60 ms later.
    EXPECT_EQ(finishedAt, 165ms);
}

TEST_F(ClipboardCapture, ClipboardsThatCannotBeKeptAreNeverTouched)
{
    const auto capturer = makeCapturer();
    const std::pair<QList<InMemoryPasteboard::Item>, Kind> rows[] = {
        {{{{PasteboardType::string, QByteArray("pw")},
           {QStringLiteral("org.nspasteboard.TransientType"), QByteArray()}}},
         Kind::clipboardConcealed},
        {{{{PasteboardType::string, QByteArray("pw")},
           {QStringLiteral("org.nspasteboard.ConcealedType"), QByteArray()}}},
         Kind::clipboardConcealed},
        {{{{PasteboardType::string, QByteArray("hunter2")},
           {PasteboardType::passwordManagerHint, QByteArray("secret")}}},
         Kind::clipboardConcealed},
        {{{{PasteboardType::string, QByteArray("text")},
           {QStringLiteral("com.apple.pasteboard.promised-file-url"), QByteArray("x")}}},
         Kind::snapshotCouldNotMaterialize},
        {{{{PasteboardType::string, QByteArray("text")}, {QStringLiteral("image/png"), std::nullopt}}},
         Kind::snapshotCouldNotMaterialize},
        // The marker of a later item wins over unreadable data of an earlier one.
        {{{{QStringLiteral("image/png"), std::nullopt}},
          {{PasteboardType::passwordManagerHint, QByteArray("secret")}}},
         Kind::clipboardConcealed},
    };
    for (const auto& [content, expected] : rows) {
        platform->items = content;
        const qint64 count = platform->count;
        EXPECT_EQ(clipboardError(run(*capturer)), expected);
        EXPECT_EQ(platform->items, content);
        EXPECT_EQ(platform->count, count);
    }
    EXPECT_TRUE(sender->sentTo.isEmpty()) << "no Copy was sent";
}

TEST_F(ClipboardCapture, ThirtyTwoMebibytesAreKeptAndOneByteMoreIsRefused)
{
    const auto capturer = makeCapturer();
    const QByteArray half(16 * 1024 * 1024, 'x');
    platform->items = {{{PasteboardType::string, half}, {QStringLiteral("application/octet-stream"), half}}};
    before = platform->items;
    ASSERT_TRUE(run(*capturer));
    EXPECT_EQ(platform->items, before);

    platform->items = {
        {{PasteboardType::string, half}, {QStringLiteral("application/octet-stream"), half + 'y'}}};
    EXPECT_EQ(clipboardError(run(*capturer)), Kind::snapshotTooLarge);
    EXPECT_EQ(sender->sentTo.size(), 1) << "no Copy for the larger clipboard";
}

TEST_F(ClipboardCapture, EmptyClipboardIsRestoredByClearing)
{
    platform->items.clear();
    const auto capturer = makeCapturer();
    ASSERT_TRUE(run(*capturer));
    EXPECT_TRUE(platform->items.isEmpty());
}

TEST_F(ClipboardCapture, SecondCopyWinsOnceTheClipboardHasSettled)
{
    sender->onCopy = [this] {
        time->at(100ms, [this] { platform->copyText(QStringLiteral("First copy of the sentence.")); });
        time->at(140ms, [this] { platform->copyText(sentence); });
    };
    const auto capturer = makeCapturer();
    const AsyncSelectionCaptureResult result = run(*capturer);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->context.selectedText, sentence);
    EXPECT_EQ(finishedAt, 210ms) << "seen at 150 ms, quiet for 60 ms";
    EXPECT_EQ(platform->items, before);
}

TEST_F(ClipboardCapture, ApplicationThatNeverCopiesTimesOutWithTheClipboardUnchanged)
{
    sender->onCopy = nullptr;
    const auto capturer = makeCapturer();
    const qint64 count = platform->count;
    EXPECT_EQ(clipboardError(run(*capturer)), Kind::copyTimedOut);
    EXPECT_EQ(finishedAt, 3000ms);
    EXPECT_EQ(platform->items, before);
    EXPECT_EQ(platform->count, count);

    // Another application in front by the primary deadline ends the wait there.
    time->now = {};
    sender->onCopy = [this] { time->at(500ms, [this] { frontmost = 7; }); };
    EXPECT_EQ(clipboardError(run(*capturer)), Kind::copyTimedOut);
    EXPECT_EQ(finishedAt, 750ms);
}

TEST_F(ClipboardCapture, NewerContentFromAnotherApplicationIsLeftInPlace)
{
    // A clipboard manager's write arrives through the event loop just as the copy
    // has settled.
    const InMemoryPasteboard::Item newer{{PasteboardType::string, QByteArray("clipboard manager")}};
    time->at(165ms, [&] { QTimer::singleShot(0, [&] { platform->replace({newer}); }); });
    const auto capturer = makeCapturer();
    EXPECT_EQ(clipboardError(run(*capturer)), Kind::clipboardChangedDuringCapture);
    EXPECT_EQ(platform->items, QList<InMemoryPasteboard::Item>{newer});
    EXPECT_EQ(platform->writes, 0);
}

TEST_F(ClipboardCapture, TooShortCopyIsRefusedAfterTheClipboardIsRestored)
{
    sender->onCopy = [this] { time->at(100ms, [this] { platform->copyText(QStringLiteral("fever")); }); };
    const auto capturer = makeCapturer();
    const AsyncSelectionCaptureResult result = run(*capturer);
    ASSERT_FALSE(result);
    const auto* error = std::get_if<LiteratureError>(&result.error());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), LiteratureError::Kind::invalidInput);
    EXPECT_EQ(platform->items, before);
}

TEST_F(ClipboardCapture, ObjectPlaceholdersNeverReachTheSentence)
{
    sender->onCopy = [this] {
        time->at(100ms,
                 [this] { platform->copyText(QStringLiteral("Aspirin reduces fever\uFFFC in adults.")); });
    };
    const auto capturer = makeCapturer();
    const AsyncSelectionCaptureResult result = run(*capturer);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->context.selectedText, sentence);
}

TEST_F(ClipboardCapture, SecondCaptureDuringTheFirstIsBusy)
{
    const auto capturer = makeCapturer();
    QFuture<AsyncSelectionCaptureResult> first = capturer->capture(source);
    ASSERT_TRUE(QTest::qWaitFor([&] { return capturer->pendingRestore().has_value(); }, 10000));
    const QFuture<AsyncSelectionCaptureResult> second = capturer->capture(source);
    ASSERT_TRUE(second.isFinished());
    EXPECT_EQ(clipboardError(second.result()), Kind::busy);
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.isFinished(); }, 10000));
    ASSERT_TRUE(first.result()) << "the running capture is not disturbed";
    EXPECT_EQ(sender->sentTo.size(), 1);
}

TEST_F(ClipboardCapture, FailedRestorePutsThePlainTextBackAndFails)
{
    sender->onCopy = [this] {
        time->at(100ms, [this] {
            platform->copyText(sentence);
            platform->refuseWrites = true;
        });
    };
    const auto capturer = makeCapturer();
    EXPECT_EQ(clipboardError(run(*capturer)), Kind::clipboardRestoreFailed);
    EXPECT_EQ(platform->items,
              (QList<InMemoryPasteboard::Item>{{{PasteboardType::string, QByteArray("user's text")}}}));
}

TEST_F(ClipboardCapture, CancelledCaptureRestoresTheClipboard)
{
    const auto capturer = makeCapturer();
    QFuture<AsyncSelectionCaptureResult> future = capturer->capture(source);
    ASSERT_TRUE(QTest::qWaitFor([&] { return capturer->pendingRestore().has_value(); }, 10000));
    future.cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !capturer->isCapturing(); }, 10000));
    EXPECT_TRUE(future.isCanceled());
    EXPECT_EQ(platform->items, before);
}

TEST_F(ClipboardCapture, PendingClipboardIsRestoredOnceAndTheCaptureEnds)
{
    const auto capturer = makeCapturer();
    QFuture<AsyncSelectionCaptureResult> future = capturer->capture(source);
    ASSERT_TRUE(QTest::qWaitFor([&] { return capturer->pendingRestore().has_value(); }, 10000));
    capturer->restorePendingSnapshotIfNeeded();
    EXPECT_EQ(platform->items, before);
    EXPECT_FALSE(capturer->pendingRestore());
    const int writes = platform->writes;
    capturer->restorePendingSnapshotIfNeeded();
    EXPECT_EQ(platform->writes, writes) << "used at most once";
    // The restored content is no copy: the capture ends without reading it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !capturer->isCapturing(); }, 10000));
    EXPECT_TRUE(future.isCanceled());
    EXPECT_EQ(platform->items, before);
    EXPECT_EQ(platform->writes, writes);
}

TEST_F(ClipboardCapture, WhereTwoFailuresMeetTheEarlierCheckWins)
{
    const auto capturer = makeCapturer();
    // Another application in front and a concealed clipboard: the application wins.
    frontmost = 7;
    platform->items = {{{PasteboardType::passwordManagerHint, QByteArray("secret")}}};
    EXPECT_EQ(clipboardError(run(*capturer)), Kind::sourceApplicationChanged);
    // Concealed in the second item, unreadable data in the first: per item, the
    // markers are checked before any data is read.
    frontmost = sourcePid;
    platform->items = {{{PasteboardType::string, std::nullopt}},
                       {{PasteboardType::passwordManagerHint, QByteArray("secret")}}};
    EXPECT_EQ(clipboardError(run(*capturer)), Kind::clipboardConcealed);
    // A failing Copy before any time-out.
    platform->items = before;
    sender->failure = Kind::copyEventFailed;
    EXPECT_EQ(clipboardError(run(*capturer)), Kind::copyEventFailed);
    sender->failure.reset();
    // Copied text too short and the application gone: the validator speaks first,
    // and the clipboard is restored either way.
    time->now = {};
    sender->onCopy = [this] {
        time->at(100ms, [this] {
            platform->copyText(QStringLiteral("short"));
            frontmost = 7;
        });
    };
    const AsyncSelectionCaptureResult result = run(*capturer);
    ASSERT_FALSE(result);
    EXPECT_TRUE(std::holds_alternative<LiteratureError>(result.error()));
    EXPECT_EQ(platform->items, before);
    // The application gone after a good copy: restored, and the capture fails.
    time->now = {};
    frontmost = sourcePid;
    sender->onCopy = [this] {
        time->at(100ms, [this] {
            platform->copyText(sentence);
            frontmost = 7;
        });
    };
    EXPECT_EQ(clipboardError(run(*capturer)), Kind::sourceApplicationChanged);
    EXPECT_EQ(platform->items, before);
    EXPECT_EQ(sender->sentTo, (QList<qint32>{sourcePid, sourcePid}));
}

TEST(ClipboardCaptureLimits, MillisecondsBecomeNanosecondsWithTheirDefaults)
{
    ClipboardCompatibilityCapturer::Environment env;
    env.pasteboard = std::make_shared<GeneralPasteboardAdapter>(std::make_shared<InMemoryPasteboard>());
    env.commandSender = std::make_shared<ScriptedCopySender>();
    env.frontmostProcessIdentifier = [] { return std::nullopt; };
    const ClipboardCompatibilityCapturer defaults(env);
    EXPECT_EQ(defaults.maximumBytes(), 33'554'432);
    EXPECT_EQ(defaults.timeout(), 750ms);
    EXPECT_EQ(defaults.extendedTimeout(), 3000ms);
    EXPECT_EQ(defaults.settle(), 60ms);
    EXPECT_EQ(defaults.pollInterval(), 15ms);
    const ClipboardCompatibilityCapturer tuned(env, {1024, 200ms, std::nullopt, 10ms, 0ms});
    EXPECT_EQ(tuned.extendedTimeout(), 800ms) << "four times the timeout";
    EXPECT_EQ(tuned.pollInterval(), 1ms) << "at least 1 ms";
}
