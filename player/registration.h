// Makes this player the one the desktop opens SMIL presentations with, and
// leaves the value the editor's start-up check looks for.
#pragma once

#include <QString>
#include <QStringList>

namespace brindle {

struct RegistrationResult {
    bool ok = true;
    QStringList done;  // one line per step, for the terminal
    QStringList failed;
};

// The version the player registers under (the editor expects "6.").
inline constexpr const char* kRegisteredPlayerVersion = "6.0.0";

// Writes brindle-player.desktop (in the user's applications folder, and
// with machineWide in /usr/local/share/applications too), makes it the
// default for application/smil
// (and its alias application/smil+xml) in mimeapps.list, refreshes the
// desktop database when the tool is there, and sets the registry value.
// Running it again changes nothing that is already so.
RegistrationResult registerPlayer(const QString& executable, bool machineWide);

// The .desktop entry text for the program at `executable`.
QString desktopEntry(const QString& executable);

// mimeapps.list text with `desktopFile` as the default for the types, the
// rest of the file kept.
QString withDefaults(const QString& mimeapps, const QStringList& types, const QString& desktopFile);

}  // namespace brindle
