#pragma once

#include "literature/LiteratureRecords.h"

#include <QString>

#include <optional>

// The application a selection belongs to.
struct SelectionSource
{
    qint32 processIdentifier = 0;
    std::optional<QString> applicationName; // display name, when the desktop gives one
    std::optional<QString> bundleIdentifier; // desktop-file id, when the desktop gives one

    friend bool operator==(const SelectionSource&, const SelectionSource&) = default;
};
size_t qHash(const SelectionSource& value, size_t seed = 0);

// One captured selection plus the process it came from.
struct SystemSelection
{
    SelectionContext context;
    qint32 sourceProcessIdentifier = 0;

    friend bool operator==(const SystemSelection&, const SystemSelection&) = default;
};
size_t qHash(const SystemSelection& value, size_t seed = 0);

// How far the accessibility reader searches below the focused element when neither
// it nor an ancestor exposes selected text.
enum class DescendantSearch
{
    none, // no search below the focused element
    shallow, // breadth-first, depth 3, 60 nodes
    thorough, // depth 6, 300 nodes, then again from the nearest content container
};

// "none", "shallow" or "thorough", as written in the capture log.
QString rawValue(DescendantSearch level);

// One capture request.
struct SelectionCaptureOptions
{
    bool allowCompatibility = false; // the caller permits the clipboard fallback
    std::optional<qint32> expectedProcess; // the selection must come from this process
    DescendantSearch descendantSearch = DescendantSearch::thorough;

    friend bool operator==(const SelectionCaptureOptions&, const SelectionCaptureOptions&) = default;
};
size_t qHash(const SelectionCaptureOptions& value, size_t seed = 0);
