#pragma once

#include <QString>

// Looks processes up by image name, the way the runner decides that an encoder has ended.
namespace ProcessTable {

// True when a live process (zombies do not count: they have ended) has the image name `name`,
// compared case-insensitively with its command name (/proc/<pid>/comm) or the file name of its
// executable. Names longer than the 15 characters the kernel keeps in comm are matched on the
// executable only.
bool isImageRunning(const QString& name);

}  // namespace ProcessTable
