#include "SelectionCaptureError.h"

SelectionCaptureError SelectionCaptureError::selectionUnavailable(SelectionSource source)
{
    SelectionCaptureError error(Kind::selectionUnavailable);
    error.m_source = std::move(source);
    return error;
}

SelectionCaptureError SelectionCaptureError::selectionTooLong(qint64 characters)
{
    SelectionCaptureError error(Kind::selectionTooLong);
    error.m_characters = characters;
    return error;
}

SelectionCaptureError SelectionCaptureError::accessibilityFailure(QString operation, AXError code)
{
    SelectionCaptureError error(Kind::accessibilityFailure);
    error.m_operation = std::move(operation);
    error.m_code = code;
    return error;
}

QString SelectionCaptureError::errorDescription() const
{
    switch (m_kind) {
    case Kind::selectionUnavailable:
        return QStringLiteral("The focused application did not expose selected text. Enable Compatibility "
                              "Capture or use the VORN Cite Service.");
    case Kind::selectionTooLong:
        return QStringLiteral("The selection is about ") + QString::number(m_characters) +
               QStringLiteral(" characters. The VORN citation endpoint accepts at most 1000 characters.");
    case Kind::accessibilityFailure:
        return QStringLiteral("Accessibility could not ") + m_operation + QStringLiteral(" (error ") +
               QString::number(static_cast<qint32>(m_code)) + QStringLiteral(").");
    case Kind::accessibilityPermissionRequired:
        return QStringLiteral(
            "Turn on desktop accessibility: choose Request Access in VORN Cite's setup, then restart "
            "the application you selected text in.");
    case Kind::focusedElementUnavailable:
        return QStringLiteral("The focused application did not expose a text element.");
    case Kind::secureField:
        return QStringLiteral("VORN Cite never reads text from password or secure fields.");
    case Kind::emptySelection:
        return QStringLiteral("Select one scientific sentence before using VORN Cite.");
    case Kind::staleSelection:
        return QStringLiteral("The original selection changed. Select it again before finding citations.");
    }
    Q_UNREACHABLE();
    return {};
}

QString SelectionCaptureError::diagnosticCode() const
{
    switch (m_kind) {
    case Kind::selectionUnavailable:
        return QStringLiteral("selection-unavailable");
    case Kind::selectionTooLong:
        return QStringLiteral("selection-too-long");
    case Kind::accessibilityFailure:
        return QStringLiteral("ax-failure-") + QString::number(static_cast<qint32>(m_code));
    case Kind::accessibilityPermissionRequired:
        return QStringLiteral("permission-required");
    case Kind::focusedElementUnavailable:
        return QStringLiteral("focused-element-unavailable");
    case Kind::secureField:
        return QStringLiteral("secure-field");
    case Kind::emptySelection:
        return QStringLiteral("empty-selection");
    case Kind::staleSelection:
        return QStringLiteral("stale-selection");
    }
    Q_UNREACHABLE();
    return {};
}
