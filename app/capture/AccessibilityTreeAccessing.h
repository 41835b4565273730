#pragma once

#include "AccessibilityError.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <expected>
#include <memory>
#include <variant>

// An element of another application's user interface, as an adapter handed it out.
// Copies share the adapter's handle. Whether two elements denote the same
// interface element is asked of the adapter (isSameElement), never of the handle.
class AccessibilityElement final
{
public:
    // What an adapter keeps for one element; released with the last copy.
    class Handle
    {
    public:
        virtual ~Handle() = default;
    };

    AccessibilityElement() = default;
    explicit AccessibilityElement(std::shared_ptr<const Handle> handle) : m_handle(std::move(handle)) {}

    [[nodiscard]] bool isNull() const { return !m_handle; }
    [[nodiscard]] const Handle* handle() const { return m_handle.get(); }

private:
    std::shared_ptr<const Handle> m_handle;
};

// A character range: location and length in the element's own text offsets.
struct AXTextRange
{
    qint64 location = 0;
    qint64 length = 0;
    friend bool operator==(const AXTextRange&, const AXTextRange&) = default;
};

// An opaque text-marker range of a web area, meaningful only to the adapter that
// made it.
class AXTextMarkerRange final
{
public:
    AXTextMarkerRange() = default;
    explicit AXTextMarkerRange(std::shared_ptr<const AccessibilityElement::Handle> handle)
        : m_handle(std::move(handle))
    {
    }
    [[nodiscard]] const AccessibilityElement::Handle* handle() const { return m_handle.get(); }

private:
    std::shared_ptr<const AccessibilityElement::Handle> m_handle;
};

// A value read from the accessibility interface. monostate: a call that succeeded
// without a value. Rectangles use the interface's screen space: logical pixels,
// origin at the top-left of the primary screen, y growing downward.
using AXValue = std::variant<std::monostate, AccessibilityElement, QList<AccessibilityElement>, QString,
                             QStringList, AXTextRange, QRectF, double, AXTextMarkerRange>;

template <typename T>
using AXResult = std::expected<T, AXError>;

// Attribute names understood by every adapter.
namespace AXAttribute {
inline const QString focusedUIElement = QStringLiteral("AXFocusedUIElement"); // element (system-wide only)
inline const QString parent = QStringLiteral("AXParent"); // element
inline const QString children = QStringLiteral("AXChildren"); // elements in order; at least the first 64
inline const QString role = QStringLiteral("AXRole"); // text, e.g. "AXTextArea"
inline const QString subrole = QStringLiteral("AXSubrole"); // text, e.g. "AXSecureTextField"
inline const QString selectedText = QStringLiteral("AXSelectedText"); // text
inline const QString selectedTextRange = QStringLiteral("AXSelectedTextRange"); // AXTextRange
inline const QString selectedTextMarkerRange = QStringLiteral("AXSelectedTextMarkerRange"); // web areas
inline const QString selectedRows = QStringLiteral("AXSelectedRows");
inline const QString selectedCells = QStringLiteral("AXSelectedCells");
// Parameterized attributes.
inline const QString lengthForTextMarkerRange = QStringLiteral("AXLengthForTextMarkerRange"); // double
inline const QString stringForTextMarkerRange = QStringLiteral("AXStringForTextMarkerRange"); // text
inline const QString boundsForTextMarkerRange = QStringLiteral("AXBoundsForTextMarkerRange"); // rectangle
inline const QString boundsForRange = QStringLiteral("AXBoundsForRange"); // AXTextRange -> rectangle
} // namespace AXAttribute

// The desktop's accessibility interface: elements of other applications, their
// attributes by name, the error-code groups of AXError, and identity of elements.
// Every call is made on the main thread and may block for at most the messaging
// timeout. A failed call, an absent value and a value of another kind are the
// caller's to tell apart.
class AccessibilityTreeAccessing
{
public:
    virtual ~AccessibilityTreeAccessing() = default;

    // Whether this process may read other applications; with prompt set, the
    // adapter asks the desktop to grant it where that is possible.
    virtual bool isProcessTrusted() = 0;
    virtual bool isProcessTrustedWithOptions(bool prompt) = 0;

    // The root for the focused element and hit tests.
    virtual AccessibilityElement systemWideElement() = 0;
    // Bounds every later call, starting a new capture; seconds > 0.
    virtual AXError setMessagingTimeout(const AccessibilityElement& element, double seconds) = 0;

    virtual AXResult<AXValue> copyAttributeValue(const AccessibilityElement& element,
                                                 const QString& attribute) = 0;
    virtual AXResult<AXValue> copyParameterizedAttributeValue(const AccessibilityElement& element,
                                                              const QString& attribute,
                                                              const AXValue& parameter) = 0;
    virtual AXResult<QStringList> copyAttributeNames(const AccessibilityElement& element) = 0;
    // The element under a point of the interface's screen space (see AXValue).
    virtual AXResult<AccessibilityElement> copyElementAtPosition(const AccessibilityElement& systemWide,
                                                                 float x, float y) = 0;
    // The process that owns the element.
    virtual AXResult<qint32> pid(const AccessibilityElement& element) = 0;
    virtual bool isSameElement(const AccessibilityElement& a, const AccessibilityElement& b) = 0;
};
