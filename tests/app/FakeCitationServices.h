#pragma once

// Fakes at the seams of the citation details, reports and toasts: the cite panel, the
// clipboard, the toast's sleeper and the result panel's frame.

#include "AppServices.h"
#include "capture/PlatformPasteboardAccessing.h"
#include "service/Sleeping.h"
#include "support/ManualSleeper.h"

#include <QList>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>

class FakeCitePanel final : public CitePanelControlling
{
public:
    QList<std::optional<ScreenRect>> shows;
    int hides = 0;
    void show(const std::optional<ScreenRect>& over) override { shows.append(over); }
    void hide() override { ++hides; }
};

class FramedResultPanel final : public ResultPanelControlling
{
public:
    std::optional<ScreenRect> shownFrame;
    int shows = 0;
    int hides = 0;
    void show(const std::optional<ScreenRect>&) override { ++shows; }
    void hide() override { ++hides; }
    [[nodiscard]] std::optional<ScreenRect> frame() const override { return shownFrame; }
};

// Records what is written; holds one item like the X11 clipboard.
class FakePasteboard final : public PlatformPasteboardAccessing
{
public:
    QList<QList<std::pair<QString, QByteArray>>> writes; // every write, its representations in order
    int otherCalls = 0;

    [[nodiscard]] qint64 changeCount() const override { return writes.size(); }
    std::optional<QList<QStringList>> pasteboardItems() override
    {
        if (writes.isEmpty() || writes.last().isEmpty())
            return std::nullopt;
        QStringList types;
        for (const auto& [type, bytes] : writes.last())
            types.append(type);
        return QList<QStringList>{types};
    }
    std::optional<QByteArray> data(qsizetype item, const QString& type) override
    {
        if (item != 0 || writes.isEmpty())
            return std::nullopt;
        for (const auto& [t, bytes] : writes.last()) {
            if (t == type)
                return bytes;
        }
        return std::nullopt;
    }
    std::optional<QString> string(const QString& type) override
    {
        const auto bytes = data(0, type);
        return bytes ? std::optional<QString>(QString::fromUtf8(*bytes)) : std::nullopt;
    }
    void clearContents() override { ++otherCalls; }
    bool writeObjects(const QList<PasteboardWriteItem>& items) override
    {
        if (items.size() != 1)
            return false;
        writes.append(items.first().representations());
        return true;
    }
    void declareTypes(const QStringList&) override { ++otherCalls; }
    bool setString(const QString&, const QString&) override
    {
        ++otherCalls;
        return false;
    }
};
