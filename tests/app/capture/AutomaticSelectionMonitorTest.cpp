// The automatic selection monitor over a scripted desktop input and the composite
// provider over a scripted accessibility reader.
#include "AutomaticSelectionMonitor.h"
#include "ClipboardFakes.h"
#include "CompositeSelectionProvider.h"
#include "SelectionTestDoubles.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString sentence = QStringLiteral("Aspirin reduces fever in adults with influenza.");
const QString viewer = QStringLiteral("org.example.Viewer");

TEST(SelectionGestureTest, LikelyAndDeliberateSelections)
{
    struct Row
    {
        const char* what;
        SelectionGesture gesture;
        bool likely;
        bool deliberate;
    };
    const Row rows[] = {
        {"plain click", {{10, 10}, {11, 11}, 1, false, false}, false, false},
        {"press and release 3 points apart", {{10, 10}, {13, 10}, 1, false, false}, true, false},
        {"drag under 3 points", {{10, 10}, {11, 10}, 1, false, true}, true, false},
        {"drag of 5 points", {{10, 10}, {13, 14}, 1, false, true}, true, false},
        {"drag of 8 points", {{10, 10}, {18, 10}, 1, false, true}, true, true},
        {"move of 8 points without drag events", {{10, 10}, {18, 10}, 1, false, false}, true, false},
        {"double click", {{10, 10}, {10, 10}, 2, false, false}, true, true},
        {"shift-click", {{10, 10}, {10, 10}, 1, true, false}, true, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.gesture.isLikelySelection(), row.likely) << row.what;
        EXPECT_EQ(row.gesture.isDeliberateSelection(), row.deliberate) << row.what;
    }
}

class MonitorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        provider = CompositeSelectionProvider::make(
            reader, std::make_shared<InMemoryPasteboard>(), copySender,
            [] { return std::optional<qint32>(7); }, [this] { return compatibility; });
        monitor = std::make_unique<AutomaticSelectionMonitor>(
            provider, [this] { return provisionalSwitch; }, 140,
            AutomaticSelectionMonitor::Environment{input, activations, clock, [] { return capturedAt; }});
        monitor->start([this](const AutomaticSelectionEvent& event) { events.append(event); },
                       [this] { ++invalidations; });
    }

    // Lets the debounce run out and the capture finish.
    void settle() { clock->advance(140ms); }

    static inline const QDateTime capturedAt = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000, Qt::UTC);
    std::shared_ptr<ScriptedInput> input = std::make_shared<ScriptedInput>();
    std::shared_ptr<ScriptedActivations> activations = std::make_shared<ScriptedActivations>();
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::shared_ptr<ScriptedReader> reader = std::make_shared<ScriptedReader>();
    std::shared_ptr<ScriptedCopySender> copySender = std::make_shared<ScriptedCopySender>();
    std::shared_ptr<CompositeSelectionProvider> provider;
    std::unique_ptr<AutomaticSelectionMonitor> monitor;
    bool compatibility = true;
    bool provisionalSwitch = true;
    QList<AutomaticSelectionEvent> events;
    int invalidations = 0;
};

} // namespace

TEST_F(MonitorTest, ADragOffersTheSelectionReadWithTheShallowSearchAfterTheDebounce)
{
    EXPECT_TRUE(monitor->isEnabled());
    reader->select(sentence, 42, viewer);
    input->dragSelect({100, 200}, {180, 200});
    clock->advance(139ms);
    EXPECT_TRUE(reader->requests.isEmpty()) << "nothing is read before the debounce ends";
    clock->advance(1ms);
    ASSERT_EQ(reader->requests, QList<DescendantSearch>{DescendantSearch::shallow});
    ASSERT_EQ(events.size(), 1);
    const SystemSelection* selection = events[0].candidate.capturedSelection();
    ASSERT_NE(selection, nullptr);
    EXPECT_EQ(selection->context.selectedText, sentence);
    EXPECT_EQ(events[0].pointerLocation, (SystemPoint{180, 200}));
    EXPECT_EQ(events[0].occurredAt, capturedAt);
    EXPECT_TRUE(copySender->sentTo.isEmpty()) << "the monitor never copies";
    EXPECT_TRUE(monitor->appsWithAccessibleText().contains(viewer));
    EXPECT_TRUE(input->hasKeyMonitor());
    EXPECT_EQ(invalidations, 1) << "only the press invalidated";
}

TEST_F(MonitorTest, APlainClickSchedulesNothing)
{
    reader->select(sentence, 42, viewer);
    input->press(100, 200);
    input->release(101, 201);
    settle();
    clock->advance(1s);
    EXPECT_TRUE(reader->requests.isEmpty());
    EXPECT_TRUE(events.isEmpty());
    EXPECT_FALSE(monitor->hasPendingCapture());
}

TEST_F(MonitorTest, ASecondGestureWithinTheDebounceCancelsTheFirstCapture)
{
    reader->select(sentence, 42, viewer);
    input->dragSelect({100, 200}, {180, 200});
    clock->advance(100ms);
    // A release without a press: the start is the release point, a double click.
    input->release(300, 400, 2);
    clock->advance(100ms);
    EXPECT_TRUE(reader->requests.isEmpty()) << "the second gesture restarted the debounce";
    clock->advance(40ms);
    EXPECT_EQ(reader->requests.size(), 1);
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events[0].pointerLocation, (SystemPoint{300, 400}));
}

TEST_F(MonitorTest, TheNextPressScrollKeyOrSwitchWithdrawsTheOffer)
{
    reader->select(sentence, 42, viewer);
    const std::function<void()> withdrawals[] = {
        [this] { input->press(10, 10); },
        [this] { input->scroll(); },
        [this] { input->key(); },
        [this] { activations->switchApplication(); },
    };
    for (const auto& withdraw : withdrawals) {
        input->dragSelect({100, 200}, {180, 200});
        settle();
        ASSERT_FALSE(events.isEmpty());
        const int before = invalidations;
        withdraw();
        EXPECT_EQ(invalidations, before + 1);
        EXPECT_FALSE(input->hasKeyMonitor());
        input->release(10, 10); // ends a press left open
    }
}

TEST_F(MonitorTest, APressWhileACaptureIsPendingCancelsIt)
{
    reader->select(sentence, 42, viewer);
    input->dragSelect({100, 200}, {180, 200});
    const int before = invalidations;
    input->press(10, 10);
    settle();
    EXPECT_TRUE(reader->requests.isEmpty());
    EXPECT_TRUE(events.isEmpty());
    EXPECT_GE(invalidations, before + 1);
    EXPECT_FALSE(monitor->hasPendingCapture());
}

TEST_F(MonitorTest, TheKeyWatchEndsAfterNineSecondsWithoutWithdrawing)
{
    reader->select(sentence, 42, viewer);
    input->dragSelect({100, 200}, {180, 200});
    settle();
    const int before = invalidations;
    clock->advance(8999ms);
    EXPECT_TRUE(input->hasKeyMonitor());
    clock->advance(1ms);
    EXPECT_FALSE(input->hasKeyMonitor());
    input->key();
    EXPECT_EQ(invalidations, before);
}

TEST_F(MonitorTest, ProvisionalCandidatesOnlyForDeliberateGesturesInContentOfUnknownApplications)
{
    struct Row
    {
        const char* what;
        std::function<void(ScriptedInput&)> gesture;
        std::optional<QString> bundle;
        bool switchOn;
        bool itemContainer;
        bool landsInContent;
        bool provisional;
    };
    const auto drag8 = [](ScriptedInput& in) { in.dragSelect({100, 100}, {108, 100}); };
    const auto drag5 = [](ScriptedInput& in) { in.dragSelect({100, 100}, {103, 104}); };
    const auto doubleClick = [](ScriptedInput& in) {
        in.press(100, 100);
        in.release(100, 100, 2);
    };
    const auto shiftClick = [](ScriptedInput& in) {
        in.press(100, 100);
        in.release(100, 100, 1, true);
    };
    const Row rows[] = {
        {"drag of 8 points", drag8, viewer, true, false, true, true},
        {"double click", doubleClick, viewer, true, false, true, true},
        {"no desktop-file id", drag8, std::nullopt, true, false, true, true},
        {"switch off", drag8, viewer, false, false, true, false},
        {"drag of 5 points", drag5, viewer, true, false, true, false},
        {"shift-click", shiftClick, viewer, true, false, true, false},
        {"this application", drag8, QStringLiteral("app.vorn.cite"), true, false, true, false},
        {"a desktop shell", drag8, QStringLiteral("org.gnome.Shell"), true, false, true, false},
        {"a list or table", drag8, viewer, true, true, true, false},
        {"outside the content", drag8, viewer, true, false, false, false},
    };
    for (const Row& row : rows) {
        events.clear();
        provisionalSwitch = row.switchOn;
        reader->itemContainer = row.itemContainer;
        reader->landsInContent = row.landsInContent;
        reader->exposeNothing(42, row.bundle);
        row.gesture(*input);
        const int before = invalidations;
        settle();
        if (row.provisional) {
            ASSERT_EQ(events.size(), 1) << row.what;
            const SelectionSource* source = events[0].candidate.provisionalSource();
            ASSERT_NE(source, nullptr) << row.what;
            EXPECT_EQ(source->processIdentifier, 42) << row.what;
            EXPECT_TRUE(input->hasKeyMonitor()) << row.what;
        } else {
            EXPECT_TRUE(events.isEmpty()) << row.what;
            EXPECT_GT(invalidations, before) << row.what << ": a failed capture withdraws";
            EXPECT_FALSE(input->hasKeyMonitor()) << row.what;
        }
        input->press(0, 0); // withdraws what was offered
        input->release(0, 0);
    }
}

TEST_F(MonitorTest, AnApplicationThatOnceExposedTextNeverGetsAProvisionalCandidate)
{
    reader->select(sentence, 42, viewer);
    input->dragSelect({100, 100}, {180, 100});
    settle();
    ASSERT_EQ(events.size(), 1);
    // Stopping and starting again keeps what was learnt.
    monitor->stop();
    monitor->start([this](const AutomaticSelectionEvent& event) { events.append(event); },
                   [this] { ++invalidations; });
    reader->exposeNothing(42, viewer);
    input->dragSelect({100, 100}, {180, 100});
    settle();
    EXPECT_EQ(events.size(), 1);
    EXPECT_TRUE(monitor->appsWithAccessibleText().contains(viewer));
}

TEST_F(MonitorTest, WhitespaceIsAnEmptySelectionAndWithdraws)
{
    reader->select(QStringLiteral(" \n\t "), 42, viewer);
    input->dragSelect({100, 100}, {180, 100});
    const int before = invalidations;
    settle();
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(invalidations, before + 1);
    EXPECT_FALSE(monitor->appsWithAccessibleText().contains(viewer));
}

TEST_F(MonitorTest, StopForgetsTheHandlersAndTheDesktopMonitors)
{
    reader->select(sentence, 42, viewer);
    input->dragSelect({100, 100}, {180, 100});
    monitor->stop();
    settle();
    input->dragSelect({100, 100}, {180, 100});
    settle();
    EXPECT_TRUE(events.isEmpty());
    EXPECT_FALSE(monitor->isEnabled());
    EXPECT_FALSE(input->hasMouseMonitor());
    EXPECT_FALSE(input->hasKeyMonitor());
}

TEST_F(MonitorTest, AnUnavailableDesktopLeavesTheMonitorOffWithItsReason)
{
    monitor->stop();
    input->reason = QStringLiteral("no global input here");
    monitor->start([](const AutomaticSelectionEvent&) {}, [] {});
    EXPECT_FALSE(monitor->isEnabled());
    EXPECT_EQ(monitor->unavailableReason(), input->reason);
}
