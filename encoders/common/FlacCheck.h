#pragma once

#include "ChildProcess.h"
#include "OutputCheck.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// A FLAC output is checked sample for sample. The ffmpeg run that encodes it hashes, as a second
// output, the samples it feeds the FLAC encoder; a second ffmpeg decodes the file while the
// first one writes it (on another core, so the check costs little time) and hashes what it gets
// back. The two hashes must agree, and once the tags are written the file's frames must still
// be the bytes that were decoded.

// ffmpeg's hash muxer algorithm for both sides: murmur3 costs the encoding run about a fifth
// of what MD5 does, and tells different samples apart just as surely.
inline constexpr std::string_view kPcmHash = "murmur3";

struct FlacCheckPlan {
    // The form both sides hash: 24 bits keep what a 24-bit FLAC holds of 32-bit samples, and
    // 16-bit samples widen to them exactly.
    std::string pcmCodec = "pcm_s24le";
    // The FLAC output's -ar, -ac and -sample_fmt options, repeated for the hash output so that
    // both convert the same way.
    std::vector<std::string> sharedOptions;
    std::optional<int> bitsPerSample;  // what the file must hold, once the source is known
};

// Adds the hash output to ffmpeg's arguments for a FLAC output (the temporary file last):
// both take the input's first audio stream; the hash goes to standard output beside the
// progress blocks, as one "murmur3=HEX" line.
void addPcmHashOutput(std::vector<std::string>& arguments, const FlacCheckPlan& plan);

// The HEX of a "murmur3=HEX" line, or nullopt for any other line.
std::optional<std::string> parseHashLine(std::string_view line);

// A quick 64-bit digest of bytes fed in pieces of any size.
class ByteDigest {
public:
    void add(const char* data, std::size_t size);
    std::uint64_t value() const;
    std::uint64_t bytes() const { return m_bytes; }

private:
    void mix(std::uint64_t word);

    std::uint64_t m_state = 0x9E3779B97F4A7C15ULL;
    std::uint64_t m_partial = 0;
    unsigned m_partialBytes = 0;
    std::uint64_t m_bytes = 0;
};

// What the decoding ffmpeg made of the file.
struct FlacFollowResult {
    std::optional<std::string> hash;  // of the decoded samples
    std::string failure;              // why there is none
    long long framesStart = -1;       // where the frames began in the bytes it was fed
    std::uint64_t framesDigest = 0;   // of the bytes from there on
    std::uint64_t framesBytes = 0;
};

// Follows the FLAC file ffmpeg writes and feeds it to a decoding ffmpeg as it grows.
class FlacFollower {
public:
    FlacFollower() = default;
    ~FlacFollower();  // gives up: ends the decoder
    FlacFollower(const FlacFollower&) = delete;
    FlacFollower& operator=(const FlacFollower&) = delete;

    // Starts `ffmpeg` decoding and a thread feeding it `path`. Returns 0 or an errno.
    int start(const std::string& ffmpeg, const std::string& path, const std::string& pcmCodec);

    // The writer has ended: feeds what is left of the file, and waits for the decoder's hash.
    FlacFollowResult finish();

private:
    void follow();
    void stop(char command);

    ChildProcess m_decoder;
    std::string m_path;
    std::thread m_thread;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    FlacFollowResult m_result;
};

// The check of the finished (tagged) file at `path`: a FLAC stream of the asked rate, channels
// and bits, whose frames are the ones `followed` decoded, to the samples `encodedHash` says
// the encoder was fed. Returns the reason it fails, or nullopt.
std::optional<std::string> flacProblem(const std::string& path, const FlacCheckPlan& plan,
                                       const StreamExpectation& expected,
                                       const FlacFollowResult& followed,
                                       const std::optional<std::string>& encodedHash);
