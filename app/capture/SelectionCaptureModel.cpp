#include "SelectionCaptureModel.h"

#include "literature/Hashing.h"

size_t qHash(const SelectionSource& v, size_t seed)
{
    return HashCombiner(seed)(v.processIdentifier)(v.applicationName)(v.bundleIdentifier).value();
}

size_t qHash(const SystemSelection& v, size_t seed)
{
    return HashCombiner(seed)(v.context)(v.sourceProcessIdentifier).value();
}

QString rawValue(DescendantSearch level)
{
    switch (level) {
    case DescendantSearch::none:
        return QStringLiteral("none");
    case DescendantSearch::shallow:
        return QStringLiteral("shallow");
    case DescendantSearch::thorough:
        return QStringLiteral("thorough");
    }
    Q_UNREACHABLE();
    return {};
}

size_t qHash(const SelectionCaptureOptions& v, size_t seed)
{
    return HashCombiner(seed)(v.allowCompatibility)(v.expectedProcess)(static_cast<int>(v.descendantSearch))
        .value();
}
