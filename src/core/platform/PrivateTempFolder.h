#pragma once

#include <QString>

// The program's scratch folder for intermediate files. A fixed folder everybody can write to
// would let another user plant or read our files, so it is private: mode 0700, owned by us,
// never a symbolic link. $XDG_RUNTIME_DIR/vordana when the session has one, else
// /tmp/vordana-<uid>.
namespace PrivateTempFolder {

// Where the folder lives (it may not exist yet).
QString path();

// Makes the folder (or checks the one that is there) and returns its path. Gives an empty
// string when the folder cannot be made safe, with the reason in `error`.
QString ensure(QString* error = nullptr);

// The same for a given location; tests use it.
bool ensureAt(const QString& folder, QString* error = nullptr);

}  // namespace PrivateTempFolder
