#pragma once

#include "SelectionCaptureError.h"
#include "X11Workspace.h"

#include <QString>

#include <expected>
#include <functional>
#include <memory>

// The text the user last selected anywhere on X11 (the PRIMARY selection), accepted only
// when the process that owns it is the frontmost application's: a selection left behind
// in another window is stale and never sent. Main thread only.
class PrimarySelection final
{
public:
    // readText: the selection's text (default: QClipboard's Selection mode).
    PrimarySelection(std::shared_ptr<X11Desktop> desktop, std::shared_ptr<X11Workspace> workspace,
                     std::function<QString()> readText = {});

    // Longer texts are cut to this many UTF-16 units; the validator refuses them anyway.
    static constexpr qsizetype maximumLength = 16384;

    // The text; emptySelection when there is none (or only blanks), staleSelection when
    // its owner is not the frontmost application.
    std::expected<QString, SelectionCaptureError> read();

private:
    std::shared_ptr<X11Desktop> m_desktop;
    std::shared_ptr<X11Workspace> m_workspace;
    std::function<QString()> m_readText;
};
