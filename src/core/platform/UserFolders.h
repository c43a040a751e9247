#pragma once

#include <QString>

// The user's own folders, for settings and results. $HOME is taken when it names a folder by an
// absolute path; when it is unset or empty (a service, `env -i`) the password database's home
// is used instead, so nothing ever lands in "/.config" or "//Music".
namespace UserFolders {

// The home folder; from the password database when the environment gives none. Empty only when
// neither knows one.
QString home();
// From the password database alone: what the environment cannot move (lock files).
QString homeFromPasswordDatabase();
// $XDG_CONFIG_HOME when it is an absolute path, else home/.config.
QString config();
// The desktop's music folder when the environment gives a home, else home/Music.
QString music();

}  // namespace UserFolders
