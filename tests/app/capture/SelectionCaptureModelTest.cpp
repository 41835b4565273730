#include "PlatformPasteboardAccessing.h"
#include "SelectionCaptureError.h"
#include "SelectionCapturing.h"

#include <QSet>

#include <gtest/gtest.h>

TEST(SelectionCaptureError, MessagesAndDiagnosticCodes)
{
    const SelectionSource source{7, QStringLiteral("Editor"), std::nullopt};
    struct Row
    {
        SelectionCaptureError error;
        QString message;
        QString code;
    };
    const Row rows[] = {
        {SelectionCaptureError::selectionUnavailable(source),
         QStringLiteral(
             "The focused application did not expose selected text. Enable Compatibility Capture or "
             "use the VORN Cite Service."),
         QStringLiteral("selection-unavailable")},
        {SelectionCaptureError::selectionTooLong(5321),
         QStringLiteral(
             "The selection is about 5321 characters. The VORN citation endpoint accepts at most 1000 "
             "characters."),
         QStringLiteral("selection-too-long")},
        {SelectionCaptureError::accessibilityFailure(QStringLiteral("read the focused element"),
                                                     AXError::cannotComplete),
         QStringLiteral("Accessibility could not read the focused element (error -25204)."),
         QStringLiteral("ax-failure--25204")},
        {SelectionCaptureError::accessibilityPermissionRequired(),
         QStringLiteral(
             "Turn on desktop accessibility: choose Request Access in VORN Cite's setup, then restart the "
             "application you selected text in."),
         QStringLiteral("permission-required")},
        {SelectionCaptureError::focusedElementUnavailable(),
         QStringLiteral("The focused application did not expose a text element."),
         QStringLiteral("focused-element-unavailable")},
        {SelectionCaptureError::secureField(),
         QStringLiteral("VORN Cite never reads text from password or secure fields."),
         QStringLiteral("secure-field")},
        {SelectionCaptureError::emptySelection(),
         QStringLiteral("Select one scientific sentence before using VORN Cite."),
         QStringLiteral("empty-selection")},
        {SelectionCaptureError::staleSelection(),
         QStringLiteral("The original selection changed. Select it again before finding citations."),
         QStringLiteral("stale-selection")},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.error.errorDescription(), row.message);
        EXPECT_EQ(row.error.diagnosticCode(), row.code);
    }
    EXPECT_EQ(rows[0].error.source(), source);
    EXPECT_NE(SelectionCaptureError::selectionUnavailable(source),
              SelectionCaptureError::selectionUnavailable(SelectionSource{8, std::nullopt, std::nullopt}));
}

TEST(ClipboardCaptureError, MessagesUseThisDesktopsWording)
{
    using Kind = ClipboardCaptureError::Kind;
    const std::pair<Kind, QString> rows[] = {
        {Kind::busy, QStringLiteral("Another selection capture is already in progress.")},
        {Kind::snapshotTooLarge,
         QStringLiteral(
             "The clipboard is too large to preserve safely, so VORN Cite did not copy the selection.")},
        {Kind::snapshotCouldNotMaterialize,
         QStringLiteral("The clipboard contains data that cannot be preserved safely.")},
        {Kind::clipboardConcealed,
         QStringLiteral(
             "The clipboard holds concealed content (for example from a password manager), so VORN Cite did "
             "not copy the selection. Copy something else first, or select the text in an app that "
             "supports Accessibility.")},
        {Kind::sourceApplicationChanged,
         QStringLiteral("The active application changed before the selection could be captured.")},
        {Kind::clipboardChangedBeforeCopy,
         QStringLiteral("The clipboard changed before capture began. Try again.")},
        {Kind::copyEventFailed,
         QStringLiteral("The desktop could not send Copy to the selected application.")},
        {Kind::copyTimedOut,
         QStringLiteral(
             "The selected application did not provide copied text in time. If it copies later, the "
             "previous clipboard content may be replaced by the selection.")},
        {Kind::copiedTextUnavailable, QStringLiteral("Copy did not produce usable text.")},
        {Kind::clipboardChangedDuringCapture,
         QStringLiteral("Another app changed the clipboard, so VORN Cite left the newer content untouched.")},
        {Kind::clipboardRestoreFailed,
         QStringLiteral(
             "VORN Cite could not safely restore the clipboard, so no citation request was sent.")},
    };
    QSet<ClipboardCaptureError> distinct;
    for (const auto& [kind, message] : rows) {
        EXPECT_EQ(ClipboardCaptureError(kind).errorDescription(), message);
        distinct.insert(kind);
    }
    EXPECT_EQ(distinct.size(), std::size(rows));
}

TEST(SelectionCaptureModel, RecordsCompareAndHashOverEveryField)
{
    const SelectionSource a{1, QStringLiteral("A"), std::nullopt};
    const SelectionSource b{1, std::nullopt, QStringLiteral("A")};
    EXPECT_NE(a, b);
    EXPECT_NE(qHash(a), qHash(b));
    SystemSelection one{SelectionContext{}, 1};
    SystemSelection two = one;
    EXPECT_EQ(one, two);
    EXPECT_EQ(qHash(one), qHash(two));
    two.context.selectedText = QStringLiteral("x");
    EXPECT_NE(one, two);
    const QSet<SelectionCaptureOptions> options{{true, std::nullopt, DescendantSearch::thorough},
                                                {true, 3, DescendantSearch::thorough},
                                                {false, std::nullopt, DescendantSearch::shallow}};
    EXPECT_EQ(options.size(), 3);
    EXPECT_EQ(rawValue(DescendantSearch::none), QStringLiteral("none"));
    EXPECT_EQ(rawValue(DescendantSearch::shallow), QStringLiteral("shallow"));
    EXPECT_EQ(rawValue(DescendantSearch::thorough), QStringLiteral("thorough"));
}

namespace {

class RecordingCapturer final : public AsyncSystemSelectionCapturing
{
public:
    QList<SelectionCaptureOptions> requests;
    QFuture<AsyncSelectionCaptureResult> captureSelection(const SelectionCaptureOptions& options) override
    {
        requests.append(options);
        return QtFuture::makeReadyFuture(AsyncSelectionCaptureResult(
            std::unexpected(SelectionCaptureFailure(SelectionCaptureError::emptySelection()))));
    }
    QFuture<bool> isStillValid(const SystemSelection&) override { return QtFuture::makeReadyFuture(false); }
};

} // namespace

TEST(SelectionCapturing, ConveniencesAskForTheThoroughSearch)
{
    RecordingCapturer capturer;
    AsyncSystemSelectionCapturing& capturing = capturer;
    capturing.captureSelection(true);
    capturing.captureSelection(false, 42);
    ASSERT_EQ(capturer.requests.size(), 2);
    EXPECT_EQ(capturer.requests[0],
              (SelectionCaptureOptions{true, std::nullopt, DescendantSearch::thorough}));
    EXPECT_EQ(capturer.requests[1], (SelectionCaptureOptions{false, 42, DescendantSearch::thorough}));
    EXPECT_FALSE(capturing.focusedElementIsItemContainer());
    EXPECT_TRUE(capturing.gestureLandsInContent(QPointF(), QPointF(1, 1)));
}

TEST(PasteboardWriteItem, RefusesEmptyAndRepeatedTypes)
{
    PasteboardWriteItem item;
    EXPECT_TRUE(item.setString(QStringLiteral("plain"), PasteboardType::string));
    EXPECT_TRUE(item.setData(QByteArray("\x00\xff", 2), QStringLiteral("application/x-binary")));
    EXPECT_FALSE(item.setString(QStringLiteral("again"), PasteboardType::string));
    EXPECT_FALSE(item.setData("x", QString()));
    ASSERT_EQ(item.representations().size(), 2);
    EXPECT_EQ(item.representations()[1].second, QByteArray("\x00\xff", 2));
    EXPECT_TRUE(PasteboardType::isConcealedMarker(QStringLiteral("x-kde-passwordManagerHint")));
    EXPECT_TRUE(PasteboardType::isConcealedMarker(QStringLiteral("org.nspasteboard.TransientType")));
    EXPECT_FALSE(PasteboardType::isConcealedMarker(PasteboardType::html));
}
