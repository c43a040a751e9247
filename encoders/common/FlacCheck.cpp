#include "FlacCheck.h"

#include "AudioOutput.h"
#include "CheckedIo.h"
#include "SignalForwarder.h"
#include "Text.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <array>
#include <bit>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <string_view>
#include <system_error>

namespace {

constexpr std::uint64_t kMultiplier1 = 0x87C37B91114253D5ULL;
constexpr std::uint64_t kMultiplier2 = 0x4CF5AD432745937FULL;

// Caps on what the follower keeps: the metadata before the frames (ffmpeg writes a few
// kilobytes) and the decoder's chatter.
constexpr std::size_t kMaxHeadBytes = 16 << 20;
constexpr std::size_t kMaxTextBytes = 64 << 10;
constexpr std::size_t kChunkBytes = 1 << 20;

// How often the follower looks whether the file has grown.
constexpr int kFollowIntervalMs = 20;

struct FlacHead {
    long long framesStart = 0;
    long long sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    std::array<unsigned char, 16> md5{};  // of the unencoded samples; zeros when not known
};

enum class HeadState { Complete, Incomplete, NotFlac };

// Reads the metadata blocks at the start of a FLAC file through `read` (offset, size, where
// to; false when those bytes are not there).
HeadState parseFlacHead(const std::function<bool(long long, std::size_t, unsigned char*)>& read,
                        FlacHead& head) {
    unsigned char magic[4];
    if (!read(0, 4, magic)) {
        return HeadState::Incomplete;
    }
    if (std::memcmp(magic, "fLaC", 4) != 0) {
        return HeadState::NotFlac;
    }
    long long offset = 4;
    bool sawStreamInfo = false;
    while (true) {
        unsigned char block[4];
        if (!read(offset, 4, block)) {
            return HeadState::Incomplete;
        }
        const bool last = (block[0] & 0x80) != 0;
        const int type = block[0] & 0x7F;
        const long long length = (block[1] << 16) | (block[2] << 8) | block[3];
        if (type == 0) {
            // STREAMINFO: block sizes, frame sizes, then rate (20 bits), channels - 1 (3 bits),
            // bits per sample - 1 (5 bits), the number of samples (36 bits) and the MD5.
            unsigned char info[34];
            if (length < 34) {
                return HeadState::NotFlac;
            }
            if (!read(offset + 4, sizeof info, info)) {
                return HeadState::Incomplete;
            }
            head.sampleRate = (info[10] << 12) | (info[11] << 4) | (info[12] >> 4);
            head.channels = ((info[12] >> 1) & 0x07) + 1;
            head.bitsPerSample = (((info[12] & 0x01) << 4) | (info[13] >> 4)) + 1;
            std::memcpy(head.md5.data(), info + 18, head.md5.size());
            sawStreamInfo = true;
        } else if (type == 127 || (offset == 4 && type != 0)) {
            return HeadState::NotFlac;  // an invalid block type, or no STREAMINFO first
        }
        offset += 4 + length;
        if (last) {
            head.framesStart = offset;
            return sawStreamInfo ? HeadState::Complete : HeadState::NotFlac;
        }
    }
}

bool appendRead(int fd, std::string& text) {
    char buffer[8192];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0 && text.size() < kMaxTextBytes) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return got > 0 || (got < 0 && (errno == EINTR || errno == EAGAIN));
}

// The HEX of ffmpeg's hash muxer line "MD5=HEX", or nullopt for any other line.
std::optional<std::string> parseMd5Line(std::string_view line) {
    constexpr std::string_view kPrefix = "MD5=";
    line = trimmed(line);
    if (line.size() != kPrefix.size() + 32 || !line.starts_with(kPrefix)) {
        return std::nullopt;
    }
    const std::string_view hex = line.substr(kPrefix.size());
    for (char c : hex) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return std::nullopt;
        }
    }
    return std::string(hex);
}

std::string lowercaseHex(const std::array<unsigned char, 16>& bytes) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0F];
    }
    return hex;
}

// How the decoder must write the samples for its MD5 to be the encoder's: ffmpeg's FLAC decoder
// gives 24-bit samples in the high bits of 32, which pcm_s24le takes back down to 3 bytes.
const char* pcmCodecFor(int bitsPerSample) {
    switch (bitsPerSample) {
        case 16:
            return "pcm_s16le";
        case 24:
            return "pcm_s24le";
        default:
            return nullptr;
    }
}

const char* const kDoesNotDecode = "the FLAC file does not decode to the source's samples";

}  // namespace

void addFlacOutputOptions(std::vector<std::string>& arguments) {
    if (!arguments.empty()) {
        // ffmpeg warns that 32-bit samples are written as 24 unless told so; 16 bits stay 16.
        arguments.insert(arguments.end() - 1, {"-map", "0:a:0", "-bits_per_raw_sample", "24"});
    }
}

// ---------------------------------------------------------------------------------------------
// ByteDigest: murmur-style mixing of little-endian 64-bit words.

void ByteDigest::mix(std::uint64_t word) {
    m_state ^= word * kMultiplier1;
    m_state = std::rotl(m_state, 31) * kMultiplier2 + 0x52DCE729;
}

void ByteDigest::add(const char* data, std::size_t size) {
    m_bytes += size;
    const auto byteAt = [&](std::size_t i) {
        return static_cast<std::uint64_t>(static_cast<unsigned char>(data[i]));
    };
    std::size_t i = 0;
    for (; i < size && m_partialBytes != 0; ++i) {
        m_partial |= byteAt(i) << (8 * m_partialBytes);
        if (++m_partialBytes == 8) {
            mix(m_partial);
            m_partial = 0;
            m_partialBytes = 0;
        }
    }
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, data + i, sizeof word);
        if constexpr (std::endian::native == std::endian::big) {
            word = __builtin_bswap64(word);
        }
        mix(word);
    }
    for (; i < size; ++i) {
        m_partial |= byteAt(i) << (8 * m_partialBytes++);
    }
}

std::uint64_t ByteDigest::value() const {
    std::uint64_t state = m_state ^ (m_partial * kMultiplier2) ^ m_bytes;
    state ^= state >> 33;
    state *= 0xFF51AFD7ED558CCDULL;
    state ^= state >> 33;
    state *= 0xC4CEB9FE1A85EC53ULL;
    return state ^ (state >> 33);
}

// ---------------------------------------------------------------------------------------------
// FlacFollower

FlacFollower::~FlacFollower() {
    stop('q');
    for (int fd : {m_wakeRead, m_wakeWrite}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

int FlacFollower::start(const std::string& ffmpeg, const std::string& path) {
    m_ffmpeg = ffmpeg;
    m_path = path;
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        return errno;
    }
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];

    // The thread leaves the stop signals (and SIGCHLD) to the main thread, whose poll loop
    // they wake.
    const sigset_t handled = SignalForwarder::handledSignals();
    sigset_t previous;
    ::pthread_sigmask(SIG_BLOCK, &handled, &previous);
    int result = 0;
    try {
        m_thread = std::thread([this] { follow(); });
    } catch (const std::system_error& e) {
        result = e.code().value();
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return result;
}

void FlacFollower::startDecoder(int bitsPerSample) {
    const char* const pcmCodec = pcmCodecFor(bitsPerSample);
    if (pcmCodec == nullptr) {
        m_result.failure = "no check for " + std::to_string(bitsPerSample) + "-bit samples";
        return;
    }
    // One thread: the other core is the encoder's. A broken frame stops it (-xerror), each
    // frame's CRC checked.
    const std::vector<std::string> arguments = {
        "-nostdin", "-hide_banner", "-loglevel", "error", "-xerror", "-threads",
        "1",        "-err_detect",  "crccheck",  "-f",    "flac",    "-i",
        "pipe:0",   "-map",         "0:a:0",     "-c:a",  pcmCodec,  "-f",
        "hash",     "-hash",        "md5",       "pipe:1"};
    m_result.startError = m_decoder.start(m_ffmpeg, arguments, true);
    if (m_result.startError == 0) {
        ::fcntl(m_decoder.stdinFd(), F_SETFL, ::fcntl(m_decoder.stdinFd(), F_GETFL) | O_NONBLOCK);
    } else {
        m_result.failure =
            std::string("cannot start ffmpeg: ") + std::strerror(m_result.startError);
    }
}

FlacFollowResult FlacFollower::finish() {
    stop('f');
    return m_result;
}

void FlacFollower::stop(char command) {
    if (m_thread.joinable()) {
        [[maybe_unused]] const ssize_t ignored = ::write(m_wakeWrite, &command, 1);
        m_thread.join();
    }
}

void FlacFollower::follow() {
    int file = -1;
    long long offset = 0;
    std::string head;  // what was read before the decoder could start
    ByteDigest digest;
    std::vector<char> pending;
    std::size_t sent = 0;
    std::string out;
    std::string err;
    bool writerEnded = false;
    bool abandon = false;
    bool decoding = false;

    // Takes the bytes just read into `pending`: the frames go into the digest, and until the
    // metadata is whole it is kept back, since the decoder's sample layout follows its bit depth.
    // False when there is nothing to decode.
    const auto take = [&]() {
        if (decoding) {
            digest.add(pending.data(), pending.size());
            return true;
        }
        head.append(pending.data(), pending.size());
        pending.clear();
        FlacHead parsed;
        const auto read = [&](long long at, std::size_t count, unsigned char* to) {
            if (at < 0 || static_cast<std::size_t>(at) + count > head.size()) {
                return false;
            }
            std::memcpy(to, head.data() + at, count);
            return true;
        };
        const HeadState state = parseFlacHead(read, parsed);
        if (state == HeadState::NotFlac || head.size() > kMaxHeadBytes) {
            m_result.failure = "the file holds no FLAC stream";
            return false;
        }
        if (state == HeadState::Incomplete ||
            static_cast<std::size_t>(parsed.framesStart) > head.size()) {
            return true;
        }
        startDecoder(parsed.bitsPerSample);
        decoding = m_result.failure.empty();
        if (!decoding) {
            return false;
        }
        m_result.framesStart = parsed.framesStart;
        const auto start = static_cast<std::size_t>(parsed.framesStart);
        digest.add(head.data() + start, head.size() - start);
        pending.assign(head.begin(), head.end());
        head.clear();
        return true;
    };

    // Feeding: the file as it grows, until the writer has ended and all of it went in.
    while (!abandon) {
        if (sent == pending.size()) {
            pending.clear();
            sent = 0;
            if (file < 0) {
                file = ::open(m_path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            }
            struct stat info {};
            if (file >= 0 && ::fstat(file, &info) == 0 && info.st_size > offset) {
                pending.resize(static_cast<std::size_t>(
                    std::min<long long>(info.st_size - offset, kChunkBytes)));
                if (!readFully(file, pending.data(), pending.size(), offset)) {
                    m_result.failure =
                        std::string("cannot read the output: ") + std::strerror(errno);
                    break;
                }
                offset += static_cast<long long>(pending.size());
                if (!take()) {
                    break;
                }
            }
            if (pending.empty() && writerEnded) {
                break;
            }
        }
        pollfd fds[4] = {
            {m_wakeRead, POLLIN, 0},
            {m_decoder.stdinFd(), static_cast<short>(pending.empty() ? 0 : POLLOUT), 0},
            {m_decoder.stdoutFd(), POLLIN, 0},
            {m_decoder.stderrFd(), POLLIN, 0}};
        if (::poll(fds, 4, pending.empty() ? kFollowIntervalMs : -1) < 0 && errno != EINTR) {
            break;
        }
        if (fds[0].revents != 0) {
            char command = 0;
            while (::read(m_wakeRead, &command, 1) == 1) {
                writerEnded = true;
                abandon = abandon || command == 'q';
            }
        }
        if (fds[1].revents != 0) {
            const ssize_t wrote =
                ::write(m_decoder.stdinFd(), pending.data() + sent, pending.size() - sent);
            if (wrote > 0) {
                sent += static_cast<std::size_t>(wrote);
            } else if (errno != EAGAIN && errno != EINTR) {
                break;  // the decoder has gone; what it said tells why
            }
        }
        if (fds[2].revents != 0 && !appendRead(fds[2].fd, out)) {
            m_decoder.closeStdout();
        }
        if (fds[3].revents != 0 && !appendRead(fds[3].fd, err)) {
            m_decoder.closeStderr();
        }
    }
    if (file >= 0) {
        ::close(file);
    }
    m_decoder.closeStdin();
    if (abandon || !decoding) {
        if (m_result.failure.empty()) {
            m_result.failure = "the file holds no FLAC stream";
        }
        return;
    }

    // The decoder's MD5, once it has read to the end.
    while (m_decoder.stdoutFd() >= 0 || m_decoder.stderrFd() >= 0) {
        pollfd fds[3] = {{m_wakeRead, POLLIN, 0},
                         {m_decoder.stdoutFd(), POLLIN, 0},
                         {m_decoder.stderrFd(), POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0 && errno != EINTR) {
            break;
        }
        char command = 0;
        if (fds[0].revents != 0 && ::read(m_wakeRead, &command, 1) == 1 && command == 'q') {
            return;
        }
        if (fds[1].revents != 0 && !appendRead(fds[1].fd, out)) {
            m_decoder.closeStdout();
        }
        if (fds[2].revents != 0 && !appendRead(fds[2].fd, err)) {
            m_decoder.closeStderr();
        }
    }
    const int status = m_decoder.wait();
    m_result.framesDigest = digest.value();
    m_result.framesBytes = digest.bytes();
    if (!m_result.failure.empty()) {
        return;  // the file could not be read to its end
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        m_result.failure = std::string(lastNonBlankLine(err));
        if (m_result.failure.empty()) {
            m_result.failure = "the decoding ffmpeg ended with status " +
                               std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        }
        return;
    }
    for (std::string_view rest = out; !rest.empty();) {
        const std::size_t end = rest.find('\n');
        if (std::optional<std::string> md5 = parseMd5Line(rest.substr(0, end))) {
            m_result.md5 = md5;
        }
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    if (!m_result.md5) {
        m_result.failure = "the decoding ffmpeg gave no MD5";
    }
}

// ---------------------------------------------------------------------------------------------
// The finished file

std::optional<std::string> flacProblem(const std::string& path, const FlacCheckPlan& plan,
                                       const StreamExpectation& expected,
                                       const FlacFollowResult& followed) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (file.fd() < 0 || ::fstat(file.fd(), &info) != 0) {
        return "cannot read the output " + path + ": " + std::strerror(errno);
    }
    const auto read = [&](long long at, std::size_t count, unsigned char* to) {
        return at >= 0 && at + static_cast<long long>(count) <= info.st_size &&
               readFully(file.fd(), reinterpret_cast<char*>(to), count, at);
    };
    FlacHead head;
    if (parseFlacHead(read, head) != HeadState::Complete || head.framesStart > info.st_size) {
        return std::string("the output is not a FLAC file");
    }
    MediaFacts facts;
    facts.formatName = "flac";
    facts.hasAudio = true;
    facts.audioCodec = "flac";
    facts.sampleRate = head.sampleRate;
    facts.channels = head.channels;
    if (std::optional<std::string> problem =
            audioOutputProblem(facts, AudioExpectation{"flac", "flac"}, expected)) {
        return problem;
    }
    if (plan.bitsPerSample && head.bitsPerSample != *plan.bitsPerSample) {
        return "the audio stream is not as asked: expected " + std::to_string(*plan.bitsPerSample) +
               "-bit samples, found " + std::to_string(head.bitsPerSample) + "-bit";
    }
    if (head.md5 == std::array<unsigned char, 16>{}) {
        return std::string("cannot check the FLAC file: it holds no MD5 of its samples");
    }
    if (!followed.md5) {
        return std::string(kDoesNotDecode) + " (" + followed.failure + ")";
    }

    // The frames now in the file are the ones that were decoded.
    ByteDigest digest;
    std::vector<char> buffer(kChunkBytes);
    for (long long at = head.framesStart; at < info.st_size;) {
        const auto count =
            static_cast<std::size_t>(std::min<long long>(info.st_size - at, kChunkBytes));
        if (!readFully(file.fd(), buffer.data(), count, at)) {
            return "cannot read the output " + path + ": " + std::strerror(errno);
        }
        digest.add(buffer.data(), count);
        at += static_cast<long long>(count);
    }
    if (*followed.md5 != lowercaseHex(head.md5) || followed.framesStart < 0 ||
        digest.bytes() != followed.framesBytes || digest.value() != followed.framesDigest) {
        return std::string(kDoesNotDecode);
    }
    return std::nullopt;
}
