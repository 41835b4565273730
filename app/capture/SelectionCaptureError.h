#pragma once

#include "AccessibilityError.h"
#include "SelectionCaptureModel.h"

#include <QString>

#include <optional>

// The one error family of selection capture. Each case has a fixed user-facing
// description and a stable diagnostic code for the capture log.
class SelectionCaptureError final
{
public:
    enum class Kind
    {
        selectionUnavailable,
        selectionTooLong,
        accessibilityFailure,
        accessibilityPermissionRequired,
        focusedElementUnavailable,
        secureField,
        emptySelection,
        staleSelection,
    };

    static SelectionCaptureError selectionUnavailable(SelectionSource source);
    // characters: the measured length that tripped the reader's own limit.
    static SelectionCaptureError selectionTooLong(qint64 characters);
    // operation: a short verb phrase such as "read the focused element".
    static SelectionCaptureError accessibilityFailure(QString operation, AXError code);
    static SelectionCaptureError accessibilityPermissionRequired()
    {
        return SelectionCaptureError(Kind::accessibilityPermissionRequired);
    }
    static SelectionCaptureError focusedElementUnavailable()
    {
        return SelectionCaptureError(Kind::focusedElementUnavailable);
    }
    static SelectionCaptureError secureField() { return SelectionCaptureError(Kind::secureField); }
    static SelectionCaptureError emptySelection() { return SelectionCaptureError(Kind::emptySelection); }
    static SelectionCaptureError staleSelection() { return SelectionCaptureError(Kind::staleSelection); }

    [[nodiscard]] Kind kind() const { return m_kind; }
    // selectionUnavailable only.
    [[nodiscard]] const std::optional<SelectionSource>& source() const { return m_source; }
    // selectionTooLong only; 0 otherwise.
    [[nodiscard]] qint64 characters() const { return m_characters; }
    // accessibilityFailure only; empty and success otherwise.
    [[nodiscard]] const QString& operation() const { return m_operation; }
    [[nodiscard]] AXError code() const { return m_code; }

    [[nodiscard]] QString errorDescription() const;
    // "selection-unavailable", "ax-failure--25204", ...
    [[nodiscard]] QString diagnosticCode() const;

    friend bool operator==(const SelectionCaptureError&, const SelectionCaptureError&) = default;

private:
    explicit SelectionCaptureError(Kind kind) : m_kind(kind) {}

    Kind m_kind;
    std::optional<SelectionSource> m_source;
    qint64 m_characters = 0;
    QString m_operation;
    AXError m_code = AXError::success;
};
