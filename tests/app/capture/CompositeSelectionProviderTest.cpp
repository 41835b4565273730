// The composite provider over a scripted accessibility reader and the real
// Copy-and-restore capturer on an in-memory clipboard.

#include "CompositeSelectionProvider.h"
#include "ClipboardFakes.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QDateTime start = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000, Qt::UTC);
const QString copied = QStringLiteral("Ibuprofen lowers fever in children.");

SystemSelection selectionFrom(qint32 pid, const QString& text, SelectionCaptureMethod method)
{
    SystemSelection selection;
    selection.context.selectedText = text;
    selection.context.captureMethod = method;
    selection.context.capturedAt = start;
    selection.sourceProcessIdentifier = pid;
    return selection;
}

class ScriptedReader final : public AccessibilitySelectionCapturing
{
public:
    SelectionCaptureResult answer = std::unexpected(SelectionCaptureError::focusedElementUnavailable());
    QList<DescendantSearch> requests;

    SelectionCaptureResult captureSelection(DescendantSearch descendantSearch) override
    {
        requests.append(descendantSearch);
        return answer;
    }
    bool focusedElementIsItemContainer() override { return true; }
    bool gestureLandsInContent(QPointF from, QPointF) override { return from.x() > 0; }
};

class Composite : public ::testing::Test
{
protected:
    void SetUp() override
    {
        platform->copyText(QStringLiteral("user's clipboard"));
        sender->onCopy = [this] { time->at(time->elapsed() + 50ms, [this] { platform->copyText(copied); }); };
        ClipboardCompatibilityCapturer::Environment env;
        env.pasteboard = std::make_shared<GeneralPasteboardAdapter>(platform);
        env.commandSender = sender;
        env.frontmostProcessIdentifier = [this] { return frontmost; };
        env.sleeper = time;
        env.monotonicClock = [this] { return time->now; };
        provider = std::make_unique<CompositeSelectionProvider>(
            reader, std::make_shared<ClipboardCompatibilityCapturer>(std::move(env)),
            [this] {
                ++switchReads;
                return compatibilityEnabled;
            },
            CompositeSelectionProvider::Environment{[this] { return frontmost; }, [this] { return now; }});
    }

    AsyncSelectionCaptureResult capture(const SelectionCaptureOptions& options)
    {
        QFuture<AsyncSelectionCaptureResult> future = provider->captureSelection(options);
        EXPECT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, 10000));
        return future.result();
    }

    std::shared_ptr<ScriptedReader> reader = std::make_shared<ScriptedReader>();
    std::shared_ptr<InMemoryPasteboard> platform = std::make_shared<InMemoryPasteboard>();
    std::shared_ptr<ScriptedTime> time = std::make_shared<ScriptedTime>();
    std::shared_ptr<ScriptedCopySender> sender = std::make_shared<ScriptedCopySender>();
    std::unique_ptr<CompositeSelectionProvider> provider;
    std::optional<qint32> frontmost = 42;
    bool compatibilityEnabled = true;
    int switchReads = 0;
    QDateTime now = start;
};

} // namespace

TEST_F(Composite, OnlyNoSelectedTextFallsBackToTheClipboard)
{
    const SelectionSource source42{42, QStringLiteral("Viewer"), std::nullopt};
    const SelectionCaptureResult fromReader = selectionFrom(42, QStringLiteral("Read through accessibility."),
                                                            SelectionCaptureMethod::accessibility);
    const SelectionCaptureResult unavailable =
        std::unexpected(SelectionCaptureError::selectionUnavailable(source42));
    struct Row
    {
        const char* what;
        SelectionCaptureResult reader;
        SelectionCaptureOptions options;
        bool enabled;
        std::variant<QString, SelectionCaptureError> outcome; // the text, or the error
        bool copySent;
    };
    const Row rows[] = {
        {"accessible text from the expected process",
         fromReader,
         {true, 42, DescendantSearch::thorough},
         true,
         QStringLiteral("Read through accessibility."),
         false},
        {"accessible text from another process",
         fromReader,
         {true, 43, DescendantSearch::thorough},
         true,
         SelectionCaptureError::staleSelection(),
         false},
        {"no text, switch off",
         unavailable,
         {true, std::nullopt, DescendantSearch::thorough},
         false,
         SelectionCaptureError::selectionUnavailable(source42),
         false},
        {"no text, request without fallback",
         unavailable,
         {false, std::nullopt, DescendantSearch::shallow},
         true,
         SelectionCaptureError::selectionUnavailable(source42),
         false},
        {"no text, another process expected",
         unavailable,
         {true, 43, DescendantSearch::thorough},
         true,
         SelectionCaptureError::staleSelection(),
         false},
        {"password field",
         std::unexpected(SelectionCaptureError::secureField()),
         {true, std::nullopt, DescendantSearch::thorough},
         true,
         SelectionCaptureError::secureField(),
         false},
        {"permission missing",
         std::unexpected(SelectionCaptureError::accessibilityPermissionRequired()),
         {true, std::nullopt, DescendantSearch::thorough},
         true,
         SelectionCaptureError::accessibilityPermissionRequired(),
         false},
        {"no text, fallback allowed and on",
         unavailable,
         {true, std::nullopt, DescendantSearch::thorough},
         true,
         copied,
         true},
        {"no text, the expected process",
         unavailable,
         {true, 42, DescendantSearch::thorough},
         true,
         copied,
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        reader->answer = row.reader;
        reader->requests.clear();
        compatibilityEnabled = row.enabled;
        const qsizetype copies = sender->sentTo.size();
        const AsyncSelectionCaptureResult result = capture(row.options);
        EXPECT_EQ(reader->requests, QList<DescendantSearch>{row.options.descendantSearch});
        if (const auto* text = std::get_if<QString>(&row.outcome)) {
            ASSERT_TRUE(result);
            EXPECT_EQ(result->context.selectedText, *text);
            EXPECT_EQ(result->sourceProcessIdentifier, 42);
        } else {
            ASSERT_FALSE(result);
            EXPECT_EQ(result.error(), SelectionCaptureFailure(std::get<SelectionCaptureError>(row.outcome)));
        }
        EXPECT_EQ(sender->sentTo.size() - copies, row.copySent ? 1 : 0);
    }
    EXPECT_EQ(platform->string(PasteboardType::string), QStringLiteral("user's clipboard"));
}

TEST_F(Composite, ClipboardErrorsReachTheCallerUnchangedAndTheSwitchIsReadEachTime)
{
    reader->answer =
        std::unexpected(SelectionCaptureError::selectionUnavailable(SelectionSource{42, {}, {}}));
    sender->failure = ClipboardCaptureError::Kind::copyEventFailed;
    const AsyncSelectionCaptureResult first = capture({true, std::nullopt, DescendantSearch::thorough});
    ASSERT_FALSE(first);
    EXPECT_EQ(first.error(), SelectionCaptureFailure(ClipboardCaptureError::Kind::copyEventFailed));
    compatibilityEnabled = false;
    const AsyncSelectionCaptureResult second = capture({true, std::nullopt, DescendantSearch::thorough});
    ASSERT_FALSE(second);
    EXPECT_EQ(std::get<SelectionCaptureError>(second.error()).kind(),
              SelectionCaptureError::Kind::selectionUnavailable);
    EXPECT_EQ(switchReads, 2);
}

TEST_F(Composite, EarlierSelectionsStayValidByTheirCaptureMethod)
{
    const SystemSelection clipboard =
        selectionFrom(42, copied, SelectionCaptureMethod::clipboardCompatibility);
    const SystemSelection service = selectionFrom(42, copied, SelectionCaptureMethod::service);
    const SystemSelection accessible =
        selectionFrom(42, QStringLiteral("Selected  text."), SelectionCaptureMethod::accessibility);
    const auto valid = [&](const SystemSelection& selection) {
        return provider->isStillValid(selection).result();
    };
    struct Row
    {
        const char* what;
        const SystemSelection& selection;
        qint64 ageMs;
        std::optional<qint32> frontmost;
        SelectionCaptureResult reader;
        bool valid;
    };
    const SelectionCaptureResult same = accessible;
    const SelectionCaptureResult otherWhitespace =
        selectionFrom(42, QStringLiteral("Selected text."), SelectionCaptureMethod::accessibility);
    const SelectionCaptureResult otherProcess =
        selectionFrom(43, QStringLiteral("Selected  text."), SelectionCaptureMethod::accessibility);
    const SelectionCaptureResult readerFails =
        std::unexpected(SelectionCaptureError::focusedElementUnavailable());
    const Row rows[] = {
        {"copied, 8.0 s", clipboard, 8000, 42, readerFails, true},
        {"copied, 8.1 s", clipboard, 8100, 42, readerFails, false},
        {"copied, clock went back", clipboard, -5000, 42, readerFails, true},
        {"copied, another application in front", clipboard, 1000, 43, readerFails, false},
        {"copied, nothing in front", clipboard, 1000, std::nullopt, readerFails, false},
        {"handed over by the service, 8.0 s", service, 8000, 42, readerFails, true},
        {"accessible, unchanged", accessible, 60000, 43, same, true},
        {"accessible, one space less", accessible, 0, 42, otherWhitespace, false},
        {"accessible, another process", accessible, 0, 42, otherProcess, false},
        {"accessible, unreadable now", accessible, 0, 42, readerFails, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        now = start.addMSecs(row.ageMs);
        frontmost = row.frontmost;
        reader->answer = row.reader;
        reader->requests.clear();
        EXPECT_EQ(valid(row.selection), row.valid);
        if (row.selection.context.captureMethod == SelectionCaptureMethod::accessibility)
            EXPECT_EQ(reader->requests, QList<DescendantSearch>{DescendantSearch::thorough});
        else
            EXPECT_TRUE(reader->requests.isEmpty());
    }
}

TEST_F(Composite, PendingClipboardIsPutBackOnceAndQuestionsGoToTheReader)
{
    reader->answer =
        std::unexpected(SelectionCaptureError::selectionUnavailable(SelectionSource{42, {}, {}}));
    QFuture<AsyncSelectionCaptureResult> future =
        provider->captureSelection({true, std::nullopt, DescendantSearch::thorough});
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return provider->compatibility().pendingRestore().has_value(); }, 10000));
    provider->restorePendingClipboardIfNeeded();
    EXPECT_EQ(platform->string(PasteboardType::string), QStringLiteral("user's clipboard"));
    const int writes = platform->writes;
    provider->restorePendingClipboardIfNeeded();
    EXPECT_EQ(platform->writes, writes);
    ASSERT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, 10000));

    EXPECT_TRUE(provider->focusedElementIsItemContainer());
    EXPECT_TRUE(provider->gestureLandsInContent(QPointF(1, 0), QPointF()));
    EXPECT_FALSE(provider->gestureLandsInContent(QPointF(-1, 0), QPointF()));
}
