#include "MediaProbe.h"

#include "ChildProcess.h"
#include "ExecutableLookup.h"
#include "SignalForwarder.h"
#include "Text.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// ffprobe lists every stream; a file with thousands of them must not fill the memory.
constexpr std::size_t kMaxOutputBytes = 1 << 20;

std::optional<long long> number(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value <= 0) {
        return std::nullopt;
    }
    return value;
}

struct Stream {
    std::string type;
    std::optional<long long> width;
    std::optional<long long> height;
    std::optional<long long> sampleRate;
    std::optional<long long> channels;
    std::string codec;
    std::string sampleFormat;
    bool attachedPicture = false;
};

void take(MediaFacts& facts, const Stream& stream) {
    if (stream.type == "video" && !stream.attachedPicture && !facts.hasVideo) {
        facts.hasVideo = true;
        if (stream.width && stream.height) {
            facts.videoSize = FrameSize{*stream.width, *stream.height};
        }
    } else if (stream.type == "audio" && !facts.hasAudio) {
        facts.hasAudio = true;
        facts.sampleRate = stream.sampleRate;
        facts.channels = stream.channels;
        facts.audioCodec = stream.codec;
        facts.sampleFormat = stream.sampleFormat;
    }
}

std::string exitText(int status) {
    if (WIFSIGNALED(status)) {
        return "ffprobe was ended by signal " + std::to_string(WTERMSIG(status));
    }
    return "ffprobe exited with status " +
           std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

}  // namespace

std::optional<std::string> chooseFfprobe() {
    const char* named = std::getenv("VORDANA_FFPROBE");
    const char* path = std::getenv("PATH");
    return findExecutable(named != nullptr && *named != '\0' ? named : "ffprobe",
                          path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
}

MediaFacts parseProbeOutput(std::string_view output) {
    MediaFacts facts;
    std::optional<Stream> stream;
    bool inFormat = false;
    while (!output.empty()) {
        const std::size_t end = output.find('\n');
        const std::string_view line = trimmed(output.substr(0, end));
        output = end == std::string_view::npos ? std::string_view() : output.substr(end + 1);

        if (line == "[STREAM]") {
            stream = Stream{};
            continue;
        }
        if (line == "[/STREAM]") {
            if (stream) {
                take(facts, *stream);
            }
            stream.reset();
            continue;
        }
        if (line == "[FORMAT]" || line == "[/FORMAT]") {
            inFormat = line == "[FORMAT]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (stream) {
            if (key == "codec_type") {
                stream->type = value;
            } else if (key == "width") {
                stream->width = number(value);
            } else if (key == "height") {
                stream->height = number(value);
            } else if (key == "sample_rate") {
                stream->sampleRate = number(value);
            } else if (key == "channels") {
                stream->channels = number(value);
            } else if (key == "codec_name") {
                stream->codec = value;
            } else if (key == "sample_fmt") {
                stream->sampleFormat = value;
            } else if (key == "DISPOSITION:attached_pic") {
                stream->attachedPicture = value == "1";
            }
        } else if (inFormat) {
            if (key == "format_name") {
                facts.formatName = value;
            } else if (key == "TAG:major_brand") {
                facts.majorBrand = value;
            }
        }
    }
    return facts;
}

std::optional<std::string> containerProblem(const MediaFacts& facts, std::string_view demuxer,
                                            std::string_view brandStart, std::string_view what) {
    bool listed = false;
    for (std::string_view list = facts.formatName; !listed;) {
        const std::size_t comma = list.find(',');
        listed = list.substr(0, comma) == demuxer;
        if (comma == std::string_view::npos) {
            break;
        }
        list.remove_prefix(comma + 1);
    }
    if (listed && facts.majorBrand.starts_with(brandStart)) {
        return std::nullopt;
    }
    std::string found = facts.formatName.empty() ? "nothing known" : facts.formatName;
    if (!facts.majorBrand.empty()) {
        found += " with brand " + facts.majorBrand;
    }
    return "the output is not " + std::string(what) + " (ffprobe reads " + found + ")";
}

ProbeResult probeMedia(const std::string& ffprobe, const std::string& file,
                       SignalForwarder& signals) {
    MediaProbeRun probe;
    probe.start(ffprobe, file);
    return probe.finish(signals);
}

void MediaProbeRun::start(const std::string& ffprobe, const std::string& file) {
    m_ffprobe = ffprobe;
    m_startError = m_child.start(
        ffprobe, {"-v", "error", "-hide_banner", "-show_entries",
                  "format=format_name:format_tags=major_brand:stream=codec_type,codec_name,width,"
                  "height,sample_rate,channels,sample_fmt:stream_disposition=attached_pic",
                  "-of", "default", file});
}

ProbeResult MediaProbeRun::finish(SignalForwarder& signals) {
    if (m_startError != 0) {
        return {std::nullopt,
                "cannot start ffprobe (" + m_ffprobe + "): " + std::strerror(m_startError)};
    }
    ChildProcess& child = m_child;
    // A stop signal that came before this is passed on here (see SignalForwarder::setChild).
    signals.setChild(child.pid());

    std::string out;
    std::string err;
    while (child.stdoutFd() >= 0 || child.stderrFd() >= 0) {
        pollfd fds[2] = {{child.stdoutFd(), POLLIN, 0}, {child.stderrFd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            std::string& text = i == 0 ? out : err;
            char buffer[8192];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                if (text.size() < kMaxOutputBytes) {
                    text.append(buffer, static_cast<std::size_t>(got));
                }
            } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
                i == 0 ? child.closeStdout() : child.closeStderr();
            }
        }
    }
    const int status = child.wait();
    signals.setChild(0);

    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string reason = std::string(lastNonBlankLine(err));
        return {std::nullopt, reason.empty() ? exitText(status) : reason};
    }
    return {parseProbeOutput(out), {}};
}
