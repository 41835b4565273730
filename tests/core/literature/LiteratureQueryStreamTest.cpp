#include "literature/LiteratureQueryStream.h"
#include "support/StreamRecorder.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

TEST(LiteratureQueryStream, DeliversInOrderThroughTheEventLoopAndEndsOnce)
{
    auto [stream, sink] = LiteratureQueryStream::create();
    StreamRecorder recorder(std::move(stream));
    sink.progress(QStringLiteral("Searching VORN"));
    sink.complete(LiteratureResult{QStringLiteral("a"), {}, {}, false, {}, {}, {}});
    sink.fail(LiteratureError::transport(QStringLiteral("late"))); // ignored: already ended
    sink.progress(QStringLiteral("after end")); // ignored
    EXPECT_TRUE(recorder.events.isEmpty()) << "nothing is delivered synchronously";
    ASSERT_TRUE(recorder.waitForEnd());
    ASSERT_EQ(recorder.events.size(), 2);
    EXPECT_EQ(recorder.events[0].asProgress()->step, QStringLiteral("Searching VORN"));
    EXPECT_EQ(recorder.results().size(), 1);
    EXPECT_TRUE(recorder.finished);
    EXPECT_FALSE(recorder.error.has_value());
    EXPECT_EQ(recorder.endCount, 1);
}

TEST(LiteratureQueryStream, CancelAndDestructionCancelTheProducerOnce)
{
    int cancels = 0;
    {
        auto [stream, sink] = LiteratureQueryStream::create();
        sink.onCancel([&] { ++cancels; });
        sink.progress(QStringLiteral("queued"));
        StreamRecorder recorder(std::move(stream));
        recorder.stream()->cancel();
        EXPECT_EQ(cancels, 1);
        EXPECT_TRUE(sink.isCancelled());
        sink.complete({});
        QCoreApplication::processEvents();
        EXPECT_TRUE(recorder.events.isEmpty()) << "a cancelled stream delivers nothing more";
        EXPECT_EQ(recorder.endCount, 0);
        // A handler registered after the cancellation runs at once.
        sink.onCancel([&] { ++cancels; });
        EXPECT_EQ(cancels, 2);
    }
    {
        auto [stream, sink] = LiteratureQueryStream::create();
        sink.onCancel([&] { ++cancels; });
        stream.reset();
        EXPECT_EQ(cancels, 3);
        EXPECT_TRUE(sink.isClosed());
    }
    {
        // A stream that ended normally does not cancel its producer when dropped.
        auto [stream, sink] = LiteratureQueryStream::create();
        sink.onCancel([&] { ++cancels; });
        sink.finish();
        stream.reset();
        EXPECT_EQ(cancels, 3);
    }
}

TEST(LiteratureQueryStream, ProducerOnAnotherThreadKeepsOrder)
{
    auto [stream, sink] = LiteratureQueryStream::create();
    StreamRecorder recorder(std::move(stream));
    std::unique_ptr<QThread> producer(QThread::create([sink = sink] {
        for (int i = 0; i < 500; ++i)
            sink.progress(QString::number(i));
        sink.fail(LiteratureError::cancelled());
    }));
    producer->start();
    ASSERT_TRUE(recorder.waitForEnd());
    producer->wait();
    ASSERT_EQ(recorder.events.size(), 500);
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(recorder.events[i].asProgress()->step, QString::number(i));
    EXPECT_EQ(recorder.error, LiteratureError::cancelled());
}
