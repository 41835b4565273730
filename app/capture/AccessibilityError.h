#pragma once

#include <QtGlobal>

// The result codes of the accessibility interface. The numbers are fixed: they
// appear in user-facing messages and diagnostic codes ("ax-failure--25204").
// Adapters map their platform's failures onto these.
enum class AXError : qint32
{
    success = 0,
    failure = -25200,
    illegalArgument = -25201,
    invalidUIElement = -25202,
    cannotComplete = -25204,
    attributeUnsupported = -25205,
    notImplemented = -25208,
    apiDisabled = -25211,
    noValue = -25212,
    parameterizedAttributeUnsupported = -25213,
};

// The codes that mean "there is no such value here" rather than a failure:
// no value, not implemented, attribute unsupported, cannot complete and failure.
constexpr bool isNoValueError(AXError code)
{
    switch (code) {
    case AXError::noValue:
    case AXError::notImplemented:
    case AXError::attributeUnsupported:
    case AXError::cannotComplete:
    case AXError::failure:
        return true;
    default:
        return false;
    }
}
