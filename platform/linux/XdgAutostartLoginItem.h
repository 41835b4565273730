#pragma once

#include "LifecycleServices.h"

#include <QString>

// The login item as an XDG autostart entry: $XDG_CONFIG_HOME/autostart/app.vorn.cite.desktop.
// Present and not hidden: enabled; absent: disabled; a folder that cannot be written:
// unavailable. Enabling writes the entry; disabling removes it.
class XdgAutostartLoginItem final : public LaunchAtLoginManaging
{
public:
    // autostartFolder: default $XDG_CONFIG_HOME/autostart; executable: the program to start.
    explicit XdgAutostartLoginItem(QString executable, QString autostartFolder = defaultFolder());

    static QString defaultFolder();
    [[nodiscard]] QString entryPath() const;

    LaunchAtLoginStatus status() const override;
    std::expected<void, LaunchAtLoginError> setEnabled(bool enabled) override;
    // Opens the autostart folder in the file manager.
    void openLoginItemsSettings() override;

private:
    bool folderIsWritable() const;

    QString m_executable;
    QString m_folder;
};
