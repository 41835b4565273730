#pragma once

#include "literature/LiteratureQueryStream.h"

#include <QList>

#include <memory>
#include <optional>

// Records everything a query stream delivers, for assertions in tests.
class StreamRecorder final
{
public:
    explicit StreamRecorder(std::unique_ptr<LiteratureQueryStream> stream);

    // Runs the event loop until the stream ends or the timeout passes; true if it ended.
    bool waitForEnd(int timeoutMs = 5000);

    LiteratureQueryStream* stream() const { return m_stream.get(); }
    QList<LiteratureQueryEvent> events;
    bool finished = false;
    std::optional<LiteratureError> error;
    int endCount = 0;

    // The results of the completed events, in order.
    QList<LiteratureResult> results() const;

private:
    std::unique_ptr<LiteratureQueryStream> m_stream;
};
