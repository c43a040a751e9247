#pragma once

#include <QString>
#include <optional>

#include "cue/CueTextDecoder.h"
#include "cue/CueTrackTable.h"

// Reads CUE sheets from where albums keep them: a .cue file beside the image, or the image's
// own APE tag. On failure the functions give nothing and put the reason in `error`.
class CueReader {
public:
    // A .cue file: its text decoded (see CueTextDecoder; `forcedEncoding` skips detection),
    // parsed, and its images found beside it (see CueImageFinder).
    static std::optional<CueTrackTable> readFile(const QString& cuePath,
                                                 const QString& forcedEncoding = {},
                                                 QString* error = nullptr);

    // The text of the "Cuesheet" item (key in any case) of the APE tag at the end of `imagePath`.
    // The tag's rules make it UTF-8, but some programs wrote their system's code page, so it is
    // decoded like a sheet file. Nothing, with an empty `error`, when there is no such item.
    static std::optional<CueText> embeddedText(const QString& imagePath,
                                               const QString& forcedEncoding = {},
                                               QString* error = nullptr);

    // The embedded sheet as a track table. Its FILE line usually names the image the sheet was
    // first made for, so it is not looked for: every track lies in `imagePath`, and a sheet with
    // several FILE lines holding audio is refused. Nothing, with an empty `error`, when the image
    // carries no sheet.
    static std::optional<CueTrackTable> readEmbedded(const QString& imagePath,
                                                     const QString& forcedEncoding = {},
                                                     QString* error = nullptr);
};
