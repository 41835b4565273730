#pragma once

#include "ClipboardCaptureError.h"
#include "PlatformPasteboardAccessing.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <expected>
#include <memory>

// One saved representation of a clipboard item.
struct PasteboardRepresentationSnapshot
{
    QString typeIdentifier;
    QByteArray data;

    friend bool operator==(const PasteboardRepresentationSnapshot&,
                           const PasteboardRepresentationSnapshot&) = default;
};
size_t qHash(const PasteboardRepresentationSnapshot& value, size_t seed = 0);

// The saved representations of one item, in the item's type order.
struct PasteboardItemSnapshot
{
    QList<PasteboardRepresentationSnapshot> representations;

    friend bool operator==(const PasteboardItemSnapshot&, const PasteboardItemSnapshot&) = default;
};
size_t qHash(const PasteboardItemSnapshot& value, size_t seed = 0);

// A complete saved clipboard.
struct PasteboardSnapshot
{
    QList<PasteboardItemSnapshot> items;
    qint64 startingChangeCount = 0; // the change count when the snapshot began
    qint64 byteCount = 0; // all saved representations together

    friend bool operator==(const PasteboardSnapshot&, const PasteboardSnapshot&) = default;
};
size_t qHash(const PasteboardSnapshot& value, size_t seed = 0);

// What Copy-and-restore needs from the clipboard: save it whole, read copied text
// only while nobody else changed it, and put the saved content back only over the
// copy it expects. Main thread only.
class PasteboardAccessing
{
public:
    virtual ~PasteboardAccessing() = default;

    [[nodiscard]] virtual qint64 changeCount() const = 0;
    // The whole clipboard, at most maximumBytes; refuses concealed content and
    // content that cannot be saved faithfully.
    virtual std::expected<PasteboardSnapshot, ClipboardCaptureError> snapshot(qint64 maximumBytes) = 0;
    // The plain text, read while the change count stays at expected; else
    // copiedTextUnavailable.
    virtual std::expected<QString, ClipboardCaptureError> string(qint64 atStableChangeCount) = 0;
    // Puts the snapshot back when the change count is expected; true only when the
    // clipboard again holds exactly what was saved.
    virtual bool restore(const PasteboardSnapshot& snapshot, qint64 ifCurrentChangeCountIs) = 0;
};

// Copy-and-restore over the desktop's clipboard.
//
// Concealed markers (PasteboardType::isConcealedMarker) and promised content refuse
// a snapshot before any data is read; a representation that cannot be produced, or
// a total over the limit, refuses it while reading. A restore writes every saved
// representation in one change. When that write fails, the saved plain text alone is
// put back, and the restore still counts as failed.
class GeneralPasteboardAdapter final : public PasteboardAccessing
{
public:
    explicit GeneralPasteboardAdapter(std::shared_ptr<PlatformPasteboardAccessing> pasteboard);
    Q_DISABLE_COPY_MOVE(GeneralPasteboardAdapter)
    ~GeneralPasteboardAdapter() override;

    [[nodiscard]] qint64 changeCount() const override;
    std::expected<PasteboardSnapshot, ClipboardCaptureError> snapshot(qint64 maximumBytes) override;
    std::expected<QString, ClipboardCaptureError> string(qint64 atStableChangeCount) override;
    bool restore(const PasteboardSnapshot& snapshot, qint64 ifCurrentChangeCountIs) override;

    [[nodiscard]] PlatformPasteboardAccessing& pasteboard() const { return *m_pasteboard; }

private:
    std::shared_ptr<PlatformPasteboardAccessing> m_pasteboard;
};
