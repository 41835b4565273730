#pragma once

#include "PlatformPasteboardAccessing.h"

#include <QClipboard>
#include <QObject>
#include <QPointer>

// The desktop clipboard (the X11 CLIPBOARD selection) through QClipboard. X11
// holds one item: its formats are the owner's MIME types without the protocol's
// pseudo-targets. The change count moves on every change Qt reports for the
// clipboard, ours included; changes by other clients arrive through the event
// loop. A representation that the owner refuses or leaves empty reads as absent,
// so a snapshot never mistakes a refused conversion for empty content. Plain text
// is also offered as "text/plain" (which X11 text targets serve) and RTF as
// "application/rtf". Every write is one change of the clipboard's owner: the
// types of declareTypes go out together once the last of them is set. A write
// succeeds only when the X server then names this process's window as the owner.
class QtClipboardPasteboard final : public QObject, public PlatformPasteboardAccessing
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtClipboardPasteboard)

public:
    // Needs a QGuiApplication; clipboard defaults to the application's.
    explicit QtClipboardPasteboard(QClipboard* clipboard = nullptr, QObject* parent = nullptr);
    ~QtClipboardPasteboard() override;

    [[nodiscard]] qint64 changeCount() const override { return m_changeCount; }
    std::optional<QList<QStringList>> pasteboardItems() override;
    std::optional<QByteArray> data(qsizetype item, const QString& type) override;
    std::optional<QString> string(const QString& type) override;
    void clearContents() override;
    bool writeObjects(const QList<PasteboardWriteItem>& items) override;
    void declareTypes(const QStringList& types) override;
    bool setString(const QString& text, const QString& type) override;

    // TARGETS, TIMESTAMP, MULTIPLE, SAVE_TARGETS, DELETE, INSERT_*: not content.
    static bool isPseudoTarget(const QString& format);

private:
    // Makes this process the owner of these representations; false when the X
    // server refused the ownership.
    bool publish(const QList<std::pair<QString, QByteArray>>& representations);
    // Whether the X server names a window of this process as the clipboard's owner.
    bool ownedByThisProcess();

    QPointer<QClipboard> m_clipboard;
    quint32 m_clipboardAtom = 0;
    qint64 m_changeCount = 0;
    std::optional<QStringList> m_declaredTypes; // after declareTypes, until the next clear or write
    QList<std::pair<QString, QByteArray>> m_pending; // what setString has written since
};
