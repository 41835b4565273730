#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// Type identifiers of clipboard representations on this desktop (MIME types).
namespace PasteboardType {
inline const QString string = QStringLiteral("text/plain;charset=utf-8");
inline const QString html = QStringLiteral("text/html");
inline const QString rtf = QStringLiteral("text/rtf");
// Markers that password managers and clipboard tools put beside secret or
// short-lived content.
inline const QString concealed = QStringLiteral("org.nspasteboard.ConcealedType");
inline const QString transient = QStringLiteral("org.nspasteboard.TransientType");
inline const QString passwordManagerHint = QStringLiteral("x-kde-passwordManagerHint");
// Content that exists only as a promise (none on X11).
inline const QString promisedPrefix = QStringLiteral("com.apple.pasteboard.promised-");

// Whether type marks the content beside it as concealed.
bool isConcealedMarker(const QString& type);
} // namespace PasteboardType

// One new clipboard item: its representations in order, filled before writing.
class PasteboardWriteItem final
{
public:
    // Adds a representation; false (and nothing added) for an empty or repeated type.
    bool setData(const QByteArray& data, const QString& type);
    bool setString(const QString& text, const QString& type) { return setData(text.toUtf8(), type); }

    [[nodiscard]] const QList<std::pair<QString, QByteArray>>& representations() const
    {
        return m_representations;
    }

private:
    QList<std::pair<QString, QByteArray>> m_representations;
};

// The desktop's clipboard: an ordered list of items, each with representations
// keyed by type identifiers. Main thread only; a read may wait for the owning
// application for a few seconds.
class PlatformPasteboardAccessing
{
public:
    virtual ~PlatformPasteboardAccessing() = default;

    // Changes whenever the clipboard's content is replaced, ours included; only
    // ever compared for equality.
    [[nodiscard]] virtual qint64 changeCount() const = 0;
    // Each item's type identifiers in order; absent for an empty clipboard.
    virtual std::optional<QList<QStringList>> pasteboardItems() = 0;
    // The bytes of one representation, absent when they cannot be produced.
    virtual std::optional<QByteArray> data(qsizetype item, const QString& type) = 0;
    // The text of a representation (PasteboardType::string, html, ...), or absent.
    virtual std::optional<QString> string(const QString& type) = 0;

    // Empties the clipboard and makes this process its owner.
    virtual void clearContents() = 0;
    // Replaces the content with the items, in one change; false when the desktop
    // cannot hold them or did not make this process the owner.
    virtual bool writeObjects(const QList<PasteboardWriteItem>& items) = 0;
    // Starts new content of one item with these types; setString then fills them.
    // The content is published in one change once every declared type is set.
    virtual void declareTypes(const QStringList& types) = 0;
    // Sets one representation of the current content; false for a type that was
    // not declared (after declareTypes) or cannot be written, or when the write
    // that completes the content fails.
    virtual bool setString(const QString& text, const QString& type) = 0;
};
