#pragma once

#include <optional>
#include <string>
#include <string_view>

// What the command asked the output stream to be; unset values are not checked.
struct StreamExpectation {
    std::optional<long long> sampleRate;  // -ar after the last -i (as mapped for the encoder)
    std::optional<long long> channels;    // -ac after the last -i
};

// Whether a finished output file is what was asked for, read from the file itself (its first
// few kilobytes; no decoding).
struct OutputCheckResult {
    enum class Verdict {
        Good,
        Missing,      // no such file, or not a regular file (a link, a folder)
        Empty,        // a regular file of 0 bytes
        WrongStream,  // the file does not hold the stream asked for
        Unreadable,   // it could not be read
    };
    Verdict verdict = Verdict::Good;
    std::string reason;  // for anything but Good: coder's "conversion failed" text

    bool good() const { return verdict == Verdict::Good; }
};

// Checks `path` (never through a symbolic link) for the muxer it was written with. Muxers with
// a stream reader (today "mp3") get their stream checked against `expected`; any other output
// only has to exist and not be empty.
OutputCheckResult checkOutputFile(const std::string& path, std::string_view muxer,
                                  const StreamExpectation& expected);

// "1 channel", "2 channels".
std::string channelText(long long channels);

// The ffmpeg muxer that writes files named like `path` (by its extension, in any letter
// case), or nullopt for an extension coder does not know. ffmpeg itself cannot tell, because it
// writes to a temporary name.
std::optional<std::string> muxerForOutputPath(std::string_view path);
