#pragma once

#include "AccessibilityTreeAccessing.h"

#include <QHash>
#include <QList>

#include <functional>
#include <optional>

// An accessibility interface over an in-memory tree that a test builds: nodes with
// roles, selections, web-area markers and bounds, and scripted failures. It records
// which nodes were read so that tests can check what a walk examined.
class ScriptedAccessibilityTree final : public AccessibilityTreeAccessing
{
public:
    using NodeId = int;

    struct Node
    {
        QString role;
        std::optional<QString> subrole;
        std::optional<NodeId> parent;
        QList<NodeId> children;
        qint32 pid = 4242;
        std::optional<AXTextRange> selectedRange;
        std::optional<QString> selectedText;
        std::optional<QRectF> rangeBounds; // answer of AXBoundsForRange
        // Web areas: the selected marker range's length, text and bounds.
        bool hasMarkerRange = false;
        std::optional<double> markerLength;
        std::optional<QString> markerString;
        std::optional<QRectF> markerBounds;
        QStringList extraAttributeNames;
        QHash<QString, AXError> failures; // attribute -> error returned for it
    };

    // Adds a node below parent (or a root) and returns its id.
    NodeId add(const QString& role, std::optional<NodeId> parent = std::nullopt);
    // Adds a chain of count nodes of one role below parent; returns the deepest.
    NodeId addChain(const QString& role, NodeId parent, int count);
    Node& node(NodeId id) { return m_nodes[id]; }
    // Gives a node a non-blank or blank selection with its range.
    void select(NodeId id, const QString& text);

    [[nodiscard]] AccessibilityElement element(NodeId id) const;
    [[nodiscard]] std::optional<NodeId> idOf(const AccessibilityElement& element) const;

    // The focused-element read: a node, or an error, or success without a value.
    std::optional<NodeId> focused;
    std::optional<AXError> focusedError;
    bool trusted = true;
    std::optional<AXError> pidError;
    // The hit test, in the interface's space.
    std::function<std::optional<NodeId>(float x, float y)> hitTest;
    // Runs before every call (tests advance an injected clock here).
    std::function<void()> onCall;

    // Observations.
    QList<NodeId> touched; // node of every attribute read, in order
    QList<std::pair<NodeId, QString>> reads; // (node, attribute) of every read
    std::optional<double> messagingTimeout;
    [[nodiscard]] bool wasRead(NodeId id, const QString& attribute) const;
    void clearObservations()
    {
        touched.clear();
        reads.clear();
    }
    [[nodiscard]] bool wasTouched(NodeId id) const { return touched.contains(id); }

    bool isProcessTrusted() override { return trusted; }
    bool isProcessTrustedWithOptions(bool) override { return trusted; }
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

    static constexpr NodeId systemWideId = -1;

private:
    AXResult<AXValue> read(NodeId id, const QString& attribute);
    QHash<NodeId, Node> m_nodes;
    NodeId m_nextId = 1;
};
