#include "FailureKind.h"

FailureKind failureKind(const LiteratureError& error)
{
    switch (error.kind()) {
    case LiteratureError::Kind::requestFailed:
        switch (error.statusCode()) {
        case 401:
        case 403:
            return FailureKind::invalidKey;
        case 422:
            return FailureKind::invalidSelection;
        case 429:
            return FailureKind::rateLimited;
        default:
            return FailureKind::other;
        }
    case LiteratureError::Kind::missingCredential:
        return FailureKind::missingKey;
    default:
        return FailureKind::other;
    }
}

FailureKind failureKind(const SelectionCaptureError& error)
{
    switch (error.kind()) {
    case SelectionCaptureError::Kind::accessibilityFailure:
    case SelectionCaptureError::Kind::accessibilityPermissionRequired:
        return FailureKind::accessibility;
    case SelectionCaptureError::Kind::selectionTooLong:
    case SelectionCaptureError::Kind::secureField:
    case SelectionCaptureError::Kind::emptySelection:
    case SelectionCaptureError::Kind::staleSelection:
        return FailureKind::invalidSelection;
    case SelectionCaptureError::Kind::selectionUnavailable:
    case SelectionCaptureError::Kind::focusedElementUnavailable:
        return FailureKind::other;
    }
    Q_UNREACHABLE();
    return FailureKind::other;
}

FailureKind failureKind(const SelectionCaptureFailure& error)
{
    if (const auto* capture = std::get_if<SelectionCaptureError>(&error))
        return failureKind(*capture);
    if (const auto* literature = std::get_if<LiteratureError>(&error))
        return failureKind(*literature);
    return FailureKind::other;
}

QString failureMessage(const LiteratureError& error)
{
    return ::friendlyMessage(error);
}

QString failureMessage(const SelectionCaptureFailure& error)
{
    if (const auto* literature = std::get_if<LiteratureError>(&error))
        return failureMessage(*literature);
    return std::visit([](const auto& e) { return e.errorDescription(); }, error);
}
