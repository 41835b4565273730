#pragma once

// The clipboard, the clock and the Copy sender of Copy-and-restore, in memory:
// time passes only when the capture pauses, and what other applications do is
// scripted on that time.

#include "CopyCommandSending.h"
#include "PlatformPasteboardAccessing.h"
#include "service/Sleeping.h"

#include <QTimer>

#include <chrono>
#include <functional>
#include <map>

// A clipboard of items, each a list of (type, bytes); absent bytes cannot be
// produced. Every replacement moves the change count.
class InMemoryPasteboard final : public PlatformPasteboardAccessing
{
public:
    using Item = QList<std::pair<QString, std::optional<QByteArray>>>;

    QList<Item> items;
    qint64 count = 1;
    bool refuseWrites = false; // the desktop does not take new content
    int writes = 0; // successful writeObjects calls

    // Another application replaces the content.
    void replace(QList<Item> content)
    {
        items = std::move(content);
        ++count;
    }
    void copyText(const QString& text) { replace({{{PasteboardType::string, text.toUtf8()}}}); }

    [[nodiscard]] qint64 changeCount() const override { return count; }
    std::optional<QList<QStringList>> pasteboardItems() override
    {
        if (items.isEmpty())
            return std::nullopt;
        QList<QStringList> types;
        for (const Item& item : items) {
            QStringList names;
            for (const auto& [type, bytes] : item)
                names.append(type);
            types.append(names);
        }
        return types;
    }
    std::optional<QByteArray> data(qsizetype item, const QString& type) override
    {
        if (item < 0 || item >= items.size())
            return std::nullopt;
        for (const auto& [name, bytes] : items[item]) {
            if (name == type)
                return bytes;
        }
        return std::nullopt;
    }
    std::optional<QString> string(const QString& type) override
    {
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (const std::optional<QByteArray> bytes = data(i, type))
                return QString::fromUtf8(*bytes);
        }
        return std::nullopt;
    }
    void clearContents() override { replace({}); }
    bool writeObjects(const QList<PasteboardWriteItem>& written) override
    {
        if (refuseWrites)
            return false;
        QList<Item> content;
        for (const PasteboardWriteItem& item : written) {
            Item copy;
            for (const auto& [type, bytes] : item.representations())
                copy.append({type, bytes});
            content.append(copy);
        }
        replace(content);
        ++writes;
        return true;
    }
    void declareTypes(const QStringList&) override {}
    bool setString(const QString& text, const QString& type) override
    {
        if (items.isEmpty())
            items.append(Item());
        items.last().append({type, text.toUtf8()});
        ++count;
        return true;
    }
};

// The monotonic clock of a capture and its pauses: each pause moves the clock on,
// runs what was scripted up to then, and resumes from the event loop.
class ScriptedTime final : public Sleeping
{
public:
    std::chrono::steady_clock::time_point now{};

    [[nodiscard]] std::chrono::milliseconds elapsed() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    }
    // Runs action once the clock reaches at (from the start).
    void at(std::chrono::milliseconds when, std::function<void()> action)
    {
        m_script.emplace(when, std::move(action));
    }

    [[nodiscard]] std::unique_ptr<QObject> sleep(std::chrono::nanoseconds duration,
                                                 std::function<void()> resume) override
    {
        auto handle = std::make_unique<QObject>();
        QTimer::singleShot(0, handle.get(), [this, duration, resume = std::move(resume)] {
            now += duration;
            while (!m_script.empty() && m_script.begin()->first <= elapsed()) {
                auto action = std::move(m_script.begin()->second);
                m_script.erase(m_script.begin());
                action();
            }
            resume();
        });
        return handle;
    }

private:
    std::multimap<std::chrono::milliseconds, std::function<void()>> m_script;
};

// Sends Copy by running what the test says the application does.
class ScriptedCopySender final : public CopyCommandSending
{
public:
    QList<qint32> sentTo;
    std::optional<ClipboardCaptureError> failure;
    std::function<void()> onCopy; // what the application does when it gets Copy

    [[nodiscard]] std::unique_ptr<QObject> sendCopy(qint32 processIdentifier, Completion completion) override
    {
        auto handle = std::make_unique<QObject>();
        QTimer::singleShot(0, handle.get(), [this, processIdentifier, completion = std::move(completion)] {
            if (failure)
                return completion(std::unexpected(*failure));
            sentTo.append(processIdentifier);
            if (onCopy)
                onCopy();
            completion({});
        });
        return handle;
    }
};
