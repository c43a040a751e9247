#pragma once

#include <QString>

// Path helpers of the file list.
namespace FileList {

// The folder part of a path, up to and including its last separator; empty when it has none.
QString ParsePath(const QString& path);

// The list's format column: the last three characters of the trimmed path, upper-cased. It is
// not an extension parser: "song.flac" shows LAC, "README" shows DME.
QString formatTag(const QString& path);

}  // namespace FileList
