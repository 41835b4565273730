#pragma once

#include "AppCoordinator.h"
#include "literature/LiteratureBackend.h"

#include <QStringList>

#include <memory>

// Canned states of the result panel for the developer demo, the screenshots and the
// benchmark: a backend whose answers the program chooses, a sample result, and the
// steps that bring a coordinator into each state.
namespace DemoStates {

// Answers queries with result when set, else leaves them loading.
class CannedBackend final : public LiteratureBackend
{
public:
    std::optional<LiteratureResult> result;
    std::unique_ptr<LiteratureQueryStream> query(const LiteratureQuery& query) override;

private:
    QList<LiteratureQuerySink> m_open;
};

// Six references: direct and indirect ones, three and two authors, citation counts,
// quotes long and short.
LiteratureResult sampleResult();
// count references with quotes, for the benchmark.
LiteratureResult largeResult(int count);

// loading, completed, expanded, empty, invalidKey, missingKey, accessibility,
// rateLimited, invalidSelection, other, toast, cite.
QStringList stateNames();

// A coordinator whose backend is backend and whose details fetch goes nowhere.
std::unique_ptr<AppCoordinator> makeCoordinator(std::shared_ptr<CannedBackend> backend);
// Brings coordinator into the named state; false for an unknown name. Runs the event
// loop until the state is reached.
bool enter(AppCoordinator& coordinator, CannedBackend& backend, const QString& state);

} // namespace DemoStates
