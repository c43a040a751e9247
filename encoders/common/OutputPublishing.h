#pragma once

#include <string>

// ffmpeg never writes the output name itself: it writes a temporary file beside it, and only a
// checked file is moved onto the output name, in one step. So the output name holds either
// nothing, the program's empty reservation, or a complete file.

// The temporary file for `outputPath`: "<folder>/.<name>.part" in the same folder (so the move
// is a rename within one file system). The program relies on this name to clean up after a
// coder that was killed.
std::string temporaryPathFor(const std::string& outputPath);

// Outcome of one file-system step.
struct FileStepResult {
    bool ok = true;
    std::string reason;  // when not ok: coder's "conversion failed" text
};

// Removes a temporary file left by an earlier run. A symbolic link planted there is removed
// itself, never followed.
FileStepResult removeStaleTemporary(const std::string& temporaryPath);

struct PublishResult {
    enum class Status {
        Published,  // the output name now holds the file
        NameTaken,  // something other than an empty reservation has the output name
        Failed,     // the file system refused
    };
    Status status = Status::Published;
    std::string reason;  // when not Published

    bool published() const { return status == Status::Published; }
};

// Moves the finished temporary file onto `outputPath` after flushing it to disk. A free name
// is taken with a rename that cannot replace anything; an empty regular file there (the
// program's reservation) is replaced in one rename; anything else is never touched.
PublishResult publishOutput(const std::string& temporaryPath, const std::string& outputPath);

// After a failed or stopped conversion, once ffmpeg has ended: removes the temporary file, and
// the output name when it holds only an empty regular file (the program's reservation), so
// nothing is left under either name. A non-empty file, a link or a folder at the output name
// is left alone.
void discardOutputs(const std::string& temporaryPath, const std::string& outputPath);
