#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reads one of the small settings files (setup.ini, options.ini). Only a regular file counts:
// a FIFO would block the start for ever and a link to /dev/zero would never end, so those read
// as missing, and so does a file that cannot be opened. At most `limit` bytes are read.
std::optional<QByteArray> readSettingsFile(const QString& path, qint64 limit = 64 * 1024);

// Replaces the settings file at `path` with `content`: a new file beside it, renamed over the
// name, so whatever is there (a link, a FIFO) is replaced, never followed or opened. A file that
// cannot be written is said on standard error (the settings would otherwise be lost without a
// word) and leaves nothing behind; false then.
bool writeSettingsFile(const QString& path, const QByteArray& content);
