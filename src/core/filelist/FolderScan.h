#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Appends to `list` the path of every file whose name ends in one of `extensions` (".ape" unless
// told otherwise; any letter case) in `folder` and below: each folder's own files first, then its
// subfolders one tree after the other, every folder in natural order ("t2" before "t10", letters
// without regard to case, as file managers show them). Names are taken exactly as the file system
// has them; a name that is not UTF-8 is reached through an alias (see NativeNames). Symbolic links
// to folders are not followed (a link loop would never end), and folders that cannot be read add
// nothing. `yield` runs twice per entry so a window can stay responsive during a long scan.
void SearchFolder(const QString& folder, QStringList& list, const std::function<void()>& yield = {},
                  const QStringList& extensions = {QStringLiteral("ape")});

// Natural order of two names: runs of digits compare by value, the rest without regard to case;
// names equal that way are ordered by their exact text.
bool naturalLess(const QString& a, const QString& b);
