#include "StreamRecorder.h"

#include <QTest>

StreamRecorder::StreamRecorder(std::unique_ptr<LiteratureQueryStream> stream) : m_stream(std::move(stream))
{
    QObject::connect(m_stream.get(), &LiteratureQueryStream::eventReceived, m_stream.get(),
                     [this](const LiteratureQueryEvent& e) { events.append(e); });
    QObject::connect(m_stream.get(), &LiteratureQueryStream::finished, m_stream.get(), [this] {
        finished = true;
        ++endCount;
    });
    QObject::connect(m_stream.get(), &LiteratureQueryStream::failed, m_stream.get(),
                     [this](const LiteratureError& e) {
                         error = e;
                         ++endCount;
                     });
}

bool StreamRecorder::waitForEnd(int timeoutMs)
{
    return QTest::qWaitFor([this] { return endCount > 0; }, timeoutMs);
}

QList<LiteratureResult> StreamRecorder::results() const
{
    QList<LiteratureResult> out;
    for (const LiteratureQueryEvent& e : events) {
        if (const auto* c = e.asCompleted())
            out.append(c->result);
    }
    return out;
}
