#pragma once

#include <QString>

// The program's scratch folder for intermediate files. A fixed folder everybody can write to
// would let another user plant or read our files, so it is private: mode 0700, owned by us,
// never a symbolic link -- checked at every use, not only once. $XDG_RUNTIME_DIR/vordana when
// the session has one, else /tmp/vordana-<uid>. When that place is not safe (another user made
// it, or planted a link there), a fresh private folder is made instead and the reason is said
// once on standard error; nothing is ever created or deleted through the unsafe one. That fresh
// folder, /tmp/vordana-<uid>-<pid>-<start time>-XXXXXX, is removed when the process exits (see
// RunRecords).
namespace PrivateTempFolder {

// Where the folder normally lives (it may not exist yet, and may turn out unsafe).
QString path();

// The folder to use now: made or checked, or a fresh one when the usual place is unsafe.
// Empty only when no private folder can be made at all, with the reason in `error`.
QString ensure(QString* error = nullptr);

// Makes `folder` (or checks the one that is there) private; false with the reason when it is
// not safe. Tests use it on folders of their own.
bool ensureAt(const QString& folder, QString* error = nullptr);

}  // namespace PrivateTempFolder
