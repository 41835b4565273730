#include "ScriptedAccessibilityTree.h"

namespace {

struct ScriptedHandle final : AccessibilityElement::Handle
{
    explicit ScriptedHandle(int id) : id(id) {}
    int id;
};

} // namespace

ScriptedAccessibilityTree::NodeId ScriptedAccessibilityTree::add(const QString& role,
                                                                 std::optional<NodeId> parent)
{
    const NodeId id = m_nextId++;
    Node node;
    node.role = role;
    node.parent = parent;
    m_nodes.insert(id, node);
    if (parent)
        m_nodes[*parent].children.append(id);
    return id;
}

ScriptedAccessibilityTree::NodeId ScriptedAccessibilityTree::addChain(const QString& role, NodeId parent,
                                                                      int count)
{
    NodeId last = parent;
    for (int i = 0; i < count; ++i)
        last = add(role, last);
    return last;
}

void ScriptedAccessibilityTree::select(NodeId id, const QString& text)
{
    m_nodes[id].selectedText = text;
    m_nodes[id].selectedRange = AXTextRange{0, text.size()};
}

AccessibilityElement ScriptedAccessibilityTree::element(NodeId id) const
{
    return AccessibilityElement(std::make_shared<ScriptedHandle>(id));
}

std::optional<ScriptedAccessibilityTree::NodeId>
ScriptedAccessibilityTree::idOf(const AccessibilityElement& element) const
{
    if (const auto* handle = dynamic_cast<const ScriptedHandle*>(element.handle()))
        return handle->id;
    return std::nullopt;
}

bool ScriptedAccessibilityTree::wasRead(NodeId id, const QString& attribute) const
{
    return reads.contains(std::pair(id, attribute));
}

AccessibilityElement ScriptedAccessibilityTree::systemWideElement()
{
    return element(systemWideId);
}

AXError ScriptedAccessibilityTree::setMessagingTimeout(const AccessibilityElement&, double seconds)
{
    messagingTimeout = seconds;
    return AXError::success;
}

AXResult<AXValue> ScriptedAccessibilityTree::copyAttributeValue(const AccessibilityElement& element,
                                                                const QString& attribute)
{
    if (onCall)
        onCall();
    const std::optional<NodeId> id = idOf(element);
    if (!id)
        return std::unexpected(AXError::illegalArgument);
    if (*id == systemWideId) {
        if (attribute != AXAttribute::focusedUIElement)
            return std::unexpected(AXError::attributeUnsupported);
        if (focusedError)
            return std::unexpected(*focusedError);
        if (!focused)
            return AXValue{};
        return AXValue{this->element(*focused)};
    }
    touched.append(*id);
    reads.append({*id, attribute});
    return read(*id, attribute);
}

AXResult<AXValue> ScriptedAccessibilityTree::read(NodeId id, const QString& attribute)
{
    const Node& node = m_nodes[id];
    if (const auto failure = node.failures.find(attribute); failure != node.failures.end())
        return std::unexpected(*failure);
    if (attribute == AXAttribute::role)
        return AXValue{node.role};
    if (attribute == AXAttribute::subrole)
        return node.subrole ? AXResult<AXValue>(AXValue{*node.subrole}) : std::unexpected(AXError::noValue);
    if (attribute == AXAttribute::parent)
        return node.parent ? AXResult<AXValue>(AXValue{element(*node.parent)})
                           : std::unexpected(AXError::noValue);
    if (attribute == AXAttribute::children) {
        QList<AccessibilityElement> children;
        for (NodeId child : node.children)
            children.append(element(child));
        return AXValue{children};
    }
    if (attribute == AXAttribute::selectedTextRange)
        return node.selectedRange ? AXResult<AXValue>(AXValue{*node.selectedRange})
                                  : std::unexpected(AXError::noValue);
    if (attribute == AXAttribute::selectedText)
        return node.selectedText ? AXResult<AXValue>(AXValue{*node.selectedText})
                                 : std::unexpected(AXError::noValue);
    if (attribute == AXAttribute::selectedTextMarkerRange) {
        if (!node.hasMarkerRange)
            return std::unexpected(AXError::noValue);
        return AXValue{AXTextMarkerRange(std::make_shared<ScriptedHandle>(id))};
    }
    return std::unexpected(AXError::attributeUnsupported);
}

AXResult<AXValue>
ScriptedAccessibilityTree::copyParameterizedAttributeValue(const AccessibilityElement& element,
                                                           const QString& attribute, const AXValue& parameter)
{
    if (onCall)
        onCall();
    const std::optional<NodeId> id = idOf(element);
    if (!id || !m_nodes.contains(*id))
        return std::unexpected(AXError::illegalArgument);
    touched.append(*id);
    reads.append({*id, attribute});
    const Node& node = m_nodes[*id];
    if (const auto failure = node.failures.find(attribute); failure != node.failures.end())
        return std::unexpected(*failure);
    if (attribute == AXAttribute::boundsForRange) {
        if (!std::holds_alternative<AXTextRange>(parameter))
            return std::unexpected(AXError::illegalArgument);
        return node.rangeBounds ? AXResult<AXValue>(AXValue{*node.rangeBounds})
                                : std::unexpected(AXError::noValue);
    }
    const auto* marker = std::get_if<AXTextMarkerRange>(&parameter);
    const auto* markerNode = marker ? dynamic_cast<const ScriptedHandle*>(marker->handle()) : nullptr;
    if (!markerNode || markerNode->id != *id)
        return std::unexpected(AXError::illegalArgument);
    if (attribute == AXAttribute::lengthForTextMarkerRange)
        return node.markerLength ? AXResult<AXValue>(AXValue{*node.markerLength})
                                 : std::unexpected(AXError::noValue);
    if (attribute == AXAttribute::stringForTextMarkerRange)
        return node.markerString ? AXResult<AXValue>(AXValue{*node.markerString})
                                 : std::unexpected(AXError::noValue);
    if (attribute == AXAttribute::boundsForTextMarkerRange)
        return node.markerBounds ? AXResult<AXValue>(AXValue{*node.markerBounds})
                                 : std::unexpected(AXError::noValue);
    return std::unexpected(AXError::parameterizedAttributeUnsupported);
}

AXResult<QStringList> ScriptedAccessibilityTree::copyAttributeNames(const AccessibilityElement& element)
{
    if (onCall)
        onCall();
    const std::optional<NodeId> id = idOf(element);
    if (!id || !m_nodes.contains(*id))
        return std::unexpected(AXError::illegalArgument);
    QStringList names{AXAttribute::role, AXAttribute::parent, AXAttribute::children};
    names += m_nodes[*id].extraAttributeNames;
    return names;
}

AXResult<AccessibilityElement> ScriptedAccessibilityTree::copyElementAtPosition(const AccessibilityElement&,
                                                                                float x, float y)
{
    if (onCall)
        onCall();
    const std::optional<NodeId> id = hitTest ? hitTest(x, y) : std::nullopt;
    if (!id)
        return std::unexpected(AXError::noValue);
    return element(*id);
}

AXResult<qint32> ScriptedAccessibilityTree::pid(const AccessibilityElement& element)
{
    if (onCall)
        onCall();
    if (pidError)
        return std::unexpected(*pidError);
    const std::optional<NodeId> id = idOf(element);
    if (!id || !m_nodes.contains(*id))
        return std::unexpected(AXError::invalidUIElement);
    return m_nodes[*id].pid;
}

bool ScriptedAccessibilityTree::isSameElement(const AccessibilityElement& a, const AccessibilityElement& b)
{
    return idOf(a).has_value() && idOf(a) == idOf(b);
}
