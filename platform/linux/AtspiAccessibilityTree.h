#pragma once

#include "AccessibilityBusStatus.h"
#include "AccessibilityTreeAccessing.h"
#include "X11Desktop.h"

#include <QByteArray>
#include <QHash>
#include <QSet>

#include <memory>

typedef struct _AtspiAccessible AtspiAccessible;

// The accessibility interface over AT-SPI 2 (libatspi), synchronous on the main
// thread with a per-call timeout.
//
// - The focused element: the application that owns the active X11 window, its
//   ACTIVE frame, and in it the FOCUSED element (Collection.GetMatches, else a
//   bounded breadth-first walk), preferring one with the Text interface. The
//   element found last is taken again without a search while it is still FOCUSED
//   and SHOWING in the same frame.
// - Roles are mapped to the capture rules' role names; a PASSWORD_TEXT element has
//   the subrole "AXSecureTextField".
// - Selections come from the Text interface (selection 0), bounds from its range
//   extents. A web document's selection holds U+FFFC for embedded objects: it is
//   reached through text markers whose string expands each object through the
//   Hypertext interface, blocks on lines of their own. Any other element that
//   offers Hypertext (a paragraph holding a link) is expanded the same way, and
//   no text read ever carries U+FFFC.
// - Without a focused element inside the active frame there is no focused
//   element (the frame does not stand in for it).
// - Coordinates are converted between the bus's native pixels and logical pixels.
// - Each application is pinged before its first call of a capture; one that does
//   not answer, or lets a call time out, is given up for the rest of the capture
//   (until the next setMessagingTimeout), so a stopped application costs one
//   timeout, not one per call. This process never queries itself.
class AtspiAccessibilityTree final : public AccessibilityTreeAccessing
{
public:
    AtspiAccessibilityTree(std::shared_ptr<X11Desktop> desktop, std::shared_ptr<AccessibilityBusStatus> bus);
    ~AtspiAccessibilityTree() override;
    AtspiAccessibilityTree(const AtspiAccessibilityTree&) = delete;
    AtspiAccessibilityTree& operator=(const AtspiAccessibilityTree&) = delete;

    bool isProcessTrusted() override;
    bool isProcessTrustedWithOptions(bool prompt) override;
    AccessibilityElement systemWideElement() override;
    AXError setMessagingTimeout(const AccessibilityElement& element, double seconds) override;
    AXResult<AXValue> copyAttributeValue(const AccessibilityElement& element,
                                         const QString& attribute) override;
    AXResult<AXValue> copyParameterizedAttributeValue(const AccessibilityElement& element,
                                                      const QString& attribute,
                                                      const AXValue& parameter) override;
    AXResult<QStringList> copyAttributeNames(const AccessibilityElement& element) override;
    AXResult<AccessibilityElement> copyElementAtPosition(const AccessibilityElement& systemWide, float x,
                                                         float y) override;
    AXResult<qint32> pid(const AccessibilityElement& element) override;
    bool isSameElement(const AccessibilityElement& a, const AccessibilityElement& b) override;

    static constexpr int childrenLimit = 64;
    static constexpr int focusSearchNodeLimit = 400;
    static constexpr int applicationLimit = 256;
    static constexpr int hitTestDepthLimit = 32;
    static constexpr int defaultTimeoutMs = 500;

private:
    class Call;
    struct TextSelection;

    bool ensureConnected();
    bool isGivenUp(AtspiAccessible* accessible) const;
    bool isResponsive(const QByteArray& application);

    AXResult<AXValue> focusedElement();
    AXResult<AtspiAccessible*> applicationOf(qint32 pid);
    AtspiAccessible* sandboxedApplicationOf(AtspiAccessible* desktop, qint32 pid);
    AtspiAccessible* activeFrame(AtspiAccessible* application);
    AtspiAccessible* frameAt(AtspiAccessible* application, QPointF nativePoint);
    AtspiAccessible* focusedIn(AtspiAccessible* frame);
    QList<AtspiAccessible*> children(AtspiAccessible* accessible, int limit);

    AXResult<int> role(AtspiAccessible* accessible);
    AXResult<AXValue> roleName(AtspiAccessible* accessible);
    AXResult<AXValue> parent(AtspiAccessible* accessible);
    AXResult<TextSelection> textSelection(AtspiAccessible* accessible);
    AXResult<QString> text(AtspiAccessible* accessible, int start, int end);
    AXResult<QRectF> rangeBounds(AtspiAccessible* accessible, int start, int end);
    AXResult<QString> expandedText(AtspiAccessible* document, int start, int end);
    bool has(AtspiAccessible* accessible, int state);
    bool implements(AtspiAccessible* accessible, const char* interfaceName);

    AccessibilityElement element(AtspiAccessible* accessible) const; // adopts a reference
    static bool sameAccessible(AtspiAccessible* first, AtspiAccessible* second);

    std::shared_ptr<X11Desktop> m_desktop;
    std::shared_ptr<AccessibilityBusStatus> m_bus;
    bool m_connected = false;
    int m_timeoutMs = defaultTimeoutMs;
    QSet<QByteArray> m_givenUp; // bus names of applications that timed out in this capture
    QSet<QByteArray> m_answered; // bus names of applications that answered a ping in this capture
    QHash<qint32, QByteArray> m_applicationByPid; // bus names, within one capture
    // The focused element found by the last search, and the frame it was found in.
    AccessibilityElement m_lastFocused;
    AccessibilityElement m_lastFocusFrame;
};
