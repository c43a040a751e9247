#pragma once

#include "platform/PlatformDescription.h"

#include <QString>
#include <functional>

// Pieces both stages' command lines are made of.
namespace CommandPieces {

// program folder + "data" + image name, unquoted at the head of the line (the runner is told
// which program it is, so a program folder with blanks still works).
QString encoderPath(const PlatformDescription& platform, const QString& encoder);

// folder + base + tail + extension, or with "-2", "-3", ... before the extension: the first name
// `nameTaken` calls free, so two inputs with the same base name converted within one second keep
// both results. The base is shortened (at a character boundary) when the file name would not
// fit the file system with room for the encoder's ".<name>.part".
QString freeOutputName(const QString& folder, const QString& base, const QString& tail,
                       const QString& extension,
                       const std::function<bool(const QString&)>& nameTaken);

// The intermediate file of the two-stage formats: "tmp.mp4" in the temporary folder.
QString intermediatePath(const PlatformDescription& platform);

// The intermediate goes unquoted, so its command line reads as the fixed name it is; it is quoted
// only when a blank or quote in the folder would otherwise split it.
QString intermediateArgument(const QString& path);

}  // namespace CommandPieces
