#include "PrimarySelection.h"

#include <QClipboard>
#include <QGuiApplication>

PrimarySelection::PrimarySelection(std::shared_ptr<X11Desktop> desktop,
                                   std::shared_ptr<X11Workspace> workspace, std::function<QString()> readText)
    : m_desktop(std::move(desktop)), m_workspace(std::move(workspace)), m_readText(std::move(readText))
{
    if (!m_readText) {
        m_readText = [] {
            QClipboard* clipboard = QGuiApplication::clipboard();
            return clipboard && clipboard->supportsSelection() ? clipboard->text(QClipboard::Selection)
                                                               : QString();
        };
    }
}

std::expected<QString, SelectionCaptureError> PrimarySelection::read()
{
    const std::optional<X11Desktop::Window> owner = m_desktop->selectionOwner("PRIMARY");
    if (!owner)
        return std::unexpected(SelectionCaptureError::emptySelection());
    const std::optional<qint32> ownerPid = m_desktop->windowPid(*owner);
    const std::optional<qint32> frontPid = m_workspace->frontmostProcessIdentifier();
    if (!ownerPid || !frontPid || *ownerPid != *frontPid)
        return std::unexpected(SelectionCaptureError::staleSelection());
    QString text = m_readText();
    // Selected anew while it was read: whose text it is can no longer be told.
    if (m_desktop->selectionOwner("PRIMARY") != owner)
        return std::unexpected(SelectionCaptureError::staleSelection());
    if (text.trimmed().isEmpty())
        return std::unexpected(SelectionCaptureError::emptySelection());
    if (text.size() > maximumLength)
        text.truncate(maximumLength);
    return text;
}
