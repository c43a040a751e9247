#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Appends to `list` the path of every Monkey's Audio file (name ending in ".ape", any case)
// in `folder` and below: each folder's own files first, then its subfolders one tree after the
// other. Entries are taken in name order, ignoring case. At most 200 subfolders of one folder
// are searched. Symbolic links to folders are not followed (a link loop would never end), and
// folders that cannot be read add nothing. `yield` runs twice per entry so a window can stay
// responsive during a long scan.
void SearchFolder(const QString& folder, QStringList& list,
                  const std::function<void()>& yield = {});

// Removes trailing NUL characters and blanks.
QString TrimName(const QString& name);
