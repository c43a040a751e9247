#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// File names on Linux are bytes. A name that is not UTF-8 (GBK names from older Chinese systems
// are common in APE collections) cannot be held in a QString and given back to the system
// unchanged. Such a file is reached through an alias instead: a symbolic link in the private
// folder, under a readable name, that points at the real bytes. The encoder opens the alias, and
// the output is named after the readable name; messages name the user's path, made readable.
namespace NativeNames {

// The path to use for the file at `nativePath`: the path itself when it survives the trip
// through a QString, else an alias (pointing at the absolute path). An empty string when an
// alias is needed but cannot be made.
QString pathFor(const QByteArray& nativePath);

// `text` (a path, a track's label, an encoder's message) with every alias made by pathFor() in
// it replaced by the absolute path it stands for, each name made readable.
QString userPath(const QString& text);

// The bytes of the file `path` names: for an alias made by pathFor(), the path it stands for;
// anything else as the system takes it.
QByteArray nativePath(const QString& path);

// userPath() of `text`, made safe to show (PrintableText): how messages name a user's file.
QString shown(const QString& text);

// A readable form of name bytes: UTF-8 when they are; else GB18030 when they are valid GB18030
// (which takes in GBK); else UTF-8 with the bad bytes replaced.
QString readableName(const QByteArray& nameBytes);

// True when `nativePath` is given back unchanged by a QString round trip.
bool survivesQString(const QByteArray& nativePath);

// argv as texts. An argument that names an existing file whose bytes are not UTF-8 is given as
// an alias path that reaches that file.
QStringList argumentsOf(int argc, char** argv);

}  // namespace NativeNames
