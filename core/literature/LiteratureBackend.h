#pragma once

#include "LiteratureQueryStream.h"
#include "LiteratureRecords.h"

#include <memory>

// Anything that answers a literature query. query() returns at once; the work runs
// in the background and reports through the stream (see LiteratureQueryStream for
// the delivery rules). Dropping or cancelling the stream cancels the work.
class LiteratureBackend
{
public:
    virtual ~LiteratureBackend() = default;
    [[nodiscard]] virtual std::unique_ptr<LiteratureQueryStream> query(const LiteratureQuery& query) = 0;
};
