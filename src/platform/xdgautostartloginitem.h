#pragma once

#include "loginitem.h"

#include <QString>

// Open at login through XDG autostart: an entry "lumarel.desktop" in the
// user's autostart directory. It counts as enabled while it exists and is not
// switched off (Hidden=true, or GNOME's X-GNOME-Autostart-enabled=false),
// whether or not it names its program in TryExec as entries written now do.
class XdgAutostartLoginItem final : public LoginItem {
public:
    // The entry lives in `autostartDirectory` and starts `program`.
    XdgAutostartLoginItem(QString autostartDirectory, QString program);

    // $XDG_CONFIG_HOME/autostart, by default ~/.config/autostart.
    static QString defaultDirectory();
    // `program` as the Exec value of a desktop entry: quoted when it holds
    // characters the entry format reserves, with every escape it requires.
    static QString execValue(const QString &program);

    bool isEnabled() const override;
    // Writes the whole entry atomically; false when it cannot be written.
    bool registerItem() override;
    // Removes the entry; true when there is none afterwards.
    bool unregisterItem() override;

    QString entryPath() const;

private:
    QString m_directory;
    QString m_program;
};
