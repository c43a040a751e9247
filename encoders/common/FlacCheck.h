#pragma once

#include "ChildProcess.h"
#include "OutputCheck.h"

#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A FLAC output is checked sample for sample. ffmpeg's FLAC encoder keeps an MD5 of the samples
// it is fed and writes it into the file's STREAMINFO block when it ends. A second ffmpeg decodes
// the file while the first one writes it (on the other core, so the check costs little time) and
// hashes what it gets back with MD5, in the layout the encoder hashed: interleaved little-endian
// samples of the file's bit depth, 16 bits as 2 bytes and 24 as 3. The two must agree, and once
// the tags are written the file's frames must still be the bytes that were decoded.

struct FlacCheckPlan {
    std::optional<int> bitsPerSample;  // what the file must hold, once the source is known
};

// Puts the FLAC output's own options right before the temporary file (ffmpeg's last argument):
// the input's first audio stream, the one the source's facts describe, and 32-bit samples meant
// as 24.
void addFlacOutputOptions(std::vector<std::string>& arguments);

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
    std::optional<std::string> md5;  // of the decoded samples, in lowercase hex
    std::string failure;             // why there is none
    int startError = 0;              // errno when the decoding ffmpeg could not be started
    long long framesStart = -1;      // where the frames began in the bytes it was fed
    std::uint64_t framesDigest = 0;  // of the bytes from there on
    std::uint64_t framesBytes = 0;
};

// Follows the FLAC file ffmpeg writes and feeds it to a decoding ffmpeg as it grows.
class FlacFollower {
public:
    FlacFollower() = default;
    ~FlacFollower();  // gives up: ends the decoder
    FlacFollower(const FlacFollower&) = delete;
    FlacFollower& operator=(const FlacFollower&) = delete;

    // Starts a thread that follows `path` and, once its metadata is written, an `ffmpeg`
    // decoding it. Returns 0 or an errno.
    int start(const std::string& ffmpeg, const std::string& path);

    // The writer has ended: feeds what is left of the file, and waits for the decoder's MD5.
    FlacFollowResult finish();

private:
    void follow();
    void startDecoder(int bitsPerSample);
    void stop(char command);

    ChildProcess m_decoder;
    std::string m_ffmpeg;
    std::string m_path;
    std::thread m_thread;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    FlacFollowResult m_result;
};

// The check of the finished (tagged) file at `path`: a FLAC stream of the asked rate, channels
// and bits, whose frames are the ones `followed` decoded, to the samples whose MD5 the encoder
// wrote into its STREAMINFO. Returns the reason it fails, or nullopt.
std::optional<std::string> flacProblem(const std::string& path, const FlacCheckPlan& plan,
                                       const StreamExpectation& expected,
                                       const FlacFollowResult& followed);
