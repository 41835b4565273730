#pragma once

#include "capture/SelectionCapturing.h"
#include "literature/LiteratureError.h"

// How a failure is shown to the user: which action the result panel offers with it.
enum class FailureKind
{
    invalidKey,
    missingKey,
    accessibility,
    rateLimited,
    invalidSelection,
    other
};

FailureKind failureKind(const LiteratureError& error);
FailureKind failureKind(const SelectionCaptureError& error);
// Clipboard-fallback errors are "other".
FailureKind failureKind(const SelectionCaptureFailure& error);
// The sentence shown for a failure: the service's friendly message, else the
// failure's own description.
QString failureMessage(const LiteratureError& error);
QString failureMessage(const SelectionCaptureFailure& error);
