#include "OutputCheck.h"

#include "CheckedIo.h"
#include "MpegAudio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace {

using Verdict = OutputCheckResult::Verdict;

// Reads up to `count` bytes at `offset`; fewer only at the end of the file. nullopt on error.
std::optional<std::vector<unsigned char>> readAt(int fd, off_t offset, std::size_t count) {
    std::vector<unsigned char> bytes(count);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n =
            ::pread(fd, bytes.data() + got, count - got, offset + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

OutputCheckResult unreadable(const std::string& path) {
    return {Verdict::Unreadable, "cannot read the output " + path + ": " + std::strerror(errno)};
}

// ffmpeg's mp3 muxer writes an ID3v2 tag and then the frames, the first one a Xing/Info frame
// with the same header as the audio frames.
OutputCheckResult checkMp3Stream(int fd, off_t fileSize, const std::string& path,
                                 const StreamExpectation& expected) {
    // The first frames are within a few kilobytes of the tag; 64 KiB leaves room for junk
    // some writers put in between.
    constexpr std::size_t kSearchBytes = 64 * 1024;
    off_t offset = 0;
    for (int tags = 0; tags < 16; ++tags) {  // tags can follow each other
        const std::optional<std::vector<unsigned char>> head = readAt(fd, offset, 10);
        if (!head) {
            return unreadable(path);
        }
        const std::size_t tag = id3v2TagBytes(*head);
        if (tag == 0) {
            break;
        }
        offset += static_cast<off_t>(tag);
    }
    const std::optional<std::vector<unsigned char>> bytes = readAt(fd, offset, kSearchBytes);
    if (!bytes) {
        return unreadable(path);
    }
    const bool endOfFile = offset + static_cast<off_t>(bytes->size()) >= fileSize;
    const std::optional<MpegAudioStart> start = findMpegAudioStart(*bytes, endOfFile);
    if (!start) {
        return {Verdict::WrongStream, "the output is not an MP3 stream: no MPEG audio frame found"};
    }
    const MpegAudioFrameHeader& header = start->header;
    if (header.layer != 3) {
        return {Verdict::WrongStream, "the output is not an MP3 stream: it holds " +
                                          describeMpegAudio(header.version, header.layer) +
                                          " audio"};
    }
    std::string expectedText;
    std::string foundText;
    const auto mismatch = [&](const std::string& wanted, const std::string& found) {
        expectedText += (expectedText.empty() ? "" : ", ") + wanted;
        foundText += (foundText.empty() ? "" : ", ") + found;
    };
    if (expected.sampleRate && *expected.sampleRate != header.sampleRate) {
        mismatch(std::to_string(*expected.sampleRate) + " Hz",
                 std::to_string(header.sampleRate) + " Hz");
    }
    if (expected.channels && *expected.channels != header.channels) {
        mismatch(channelText(*expected.channels), channelText(header.channels));
    }
    if (!expectedText.empty()) {
        return {Verdict::WrongStream, "the MP3 stream is not as asked: expected " + expectedText +
                                          ", found " + foundText};
    }
    return {};
}

using StreamCheck = OutputCheckResult (*)(int fd, off_t fileSize, const std::string& path,
                                          const StreamExpectation& expected);

// Stream readers by muxer; a new container plugs in here.
constexpr std::array<std::pair<std::string_view, StreamCheck>, 1> kStreamChecks = {{
    {"mp3", checkMp3Stream},
}};

// Extensions ffmpeg would recognise for the outputs the program's adapters write, lower case.
constexpr std::array<std::pair<std::string_view, std::string_view>, 30> kMuxers = {{
    {"mp3", "mp3"},   {"mp2", "mp2"},      {"wav", "wav"},      {"flac", "flac"}, {"ogg", "ogg"},
    {"oga", "ogg"},   {"opus", "opus"},    {"m4a", "ipod"},     {"m4b", "ipod"},  {"aac", "adts"},
    {"ac3", "ac3"},   {"wma", "asf"},      {"wmv", "asf"},      {"asf", "asf"},   {"aif", "aiff"},
    {"aiff", "aiff"}, {"mka", "matroska"}, {"mkv", "matroska"}, {"webm", "webm"}, {"avi", "avi"},
    {"mpg", "mpeg"},  {"mpeg", "mpeg"},    {"mp4", "mp4"},      {"mov", "mov"},   {"3gp", "3gp"},
    {"flv", "flv"},   {"rm", "rm"},        {"rmvb", "rm"},      {"ts", "mpegts"}, {"wv", "wv"},
}};

}  // namespace

OutputCheckResult checkOutputFile(const std::string& path, std::string_view muxer,
                                  const StreamExpectation& expected) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (file.fd() < 0 || ::fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {Verdict::Missing, "no output file was written"};
    }
    if (info.st_size == 0) {
        return {Verdict::Empty, "the output file is empty"};
    }
    for (const auto& [name, check] : kStreamChecks) {
        if (name == muxer) {
            return check(file.fd(), info.st_size, path, expected);
        }
    }
    return {};
}

std::string channelText(long long channels) {
    return std::to_string(channels) + (channels == 1 ? " channel" : " channels");
}

std::optional<std::string> muxerForOutputPath(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return std::nullopt;
    }
    std::string extension(name.substr(dot + 1));
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    for (const auto& [known, muxer] : kMuxers) {
        if (known == extension) {
            return std::string(muxer);
        }
    }
    return std::nullopt;
}
