#include "OutputRelay.h"

#include <utility>

namespace {

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0U) == 0x80U;
}

}  // namespace

std::string shortenLine(std::string_view text, std::size_t maxBytes) {
    constexpr std::string_view kMark = "...";
    if (text.size() <= maxBytes) {
        return std::string(text);
    }
    std::size_t keep = maxBytes > kMark.size() ? maxBytes - kMark.size() : 0;
    while (keep > 0 && isContinuationByte(text[keep])) {
        --keep;
    }
    std::string shortened(text.substr(0, keep));
    shortened.append(kMark);
    return shortened;
}

OutputRelay::OutputRelay(Sink sink, RelayLimits limits)
    : m_sink(std::move(sink)), m_limits(limits) {}

void OutputRelay::logLine(std::string_view text) {
    if (text.empty()) {
        return;
    }
    const LogLine line = parseLogLine(text);
    LogLevel kind = line.level;
    if (kind == LogLevel::Untagged) {
        // The rest of a multi-line message belongs with its first line. Text before any tagged
        // line does not come from ffmpeg's logger (the dynamic loader failing, say) and is
        // treated as an error.
        kind = m_sawTaggedLine ? m_previousLevel : LogLevel::Error;
    } else {
        m_sawTaggedLine = true;
        m_previousLevel = kind;
    }

    if (line.level == LogLevel::Info && !m_sawDuration && isDurationBanner(line)) {
        m_sawDuration = true;
        announceDuration(line);
        return;
    }
    relay(line, kind);
}

void OutputRelay::announceDuration(const LogLine& line) {
    // "  Duration: 00:03:00.00, start: 0.000000, bitrate: 820 kb/s"
    constexpr std::string_view kPrefix = "  Duration: ";
    const std::string_view text = line.message;
    const std::size_t comma = text.find(',', kPrefix.size());
    m_inputSeconds = parseClockTime(text.substr(kPrefix.size(), comma - kPrefix.size()));
    if (m_style == ProgressStyle::Mencoder) {
        return;  // a status line has no room for it; the percentage carries it
    }
    const std::optional<double> expected =
        m_inputSeconds && m_cut.any() ? expectedSeconds(*m_inputSeconds, m_cut) : std::nullopt;
    if (!expected) {
        print(text);
        return;
    }
    std::string announced(kPrefix);
    announced += formatBannerTime(*expected);
    announced.append(text.substr(comma));
    print(announced);
}

void OutputRelay::relay(const LogLine& line, LogLevel kind) {
    const bool error =
        kind == LogLevel::Panic || kind == LogLevel::Fatal || kind == LogLevel::Error;
    if (error) {
        if (!m_firstError) {
            std::string reason = errorReason(line);
            if (!reason.empty()) {
                m_firstError = std::move(reason);
            }
        }
        if (m_errorsShown < m_limits.errorLines) {
            ++m_errorsShown;
            print(withoutLevelTag(line));
        } else {
            ++m_errorsLeftOut;
        }
    } else if (kind == LogLevel::Warning) {
        if (line.message.starts_with("Estimating duration from bitrate")) {
            m_durationEstimated = true;
        }
        // ffmpeg's M4A writer judges the temporary name ".NAME.m4a.part" by its last
        // extension; the name the file is published under is the right one.
        if (line.message.starts_with("Warning, extension is not .m4a")) {
            return;
        }
        if (m_warningsShown < m_limits.warningLines) {
            ++m_warningsShown;
            print(withoutLevelTag(line));
        } else {
            ++m_warningsLeftOut;
        }
    }
    // Info and chattier levels are dropped: the stream listing, metadata and ffmpeg's own
    // statistics line would only give the reader's time parser false matches.
}

bool OutputRelay::progressLine(std::string_view line) {
    const std::optional<ProgressBlock> block = m_progress.feedLine(line);
    if (!block || !block->seconds) {
        return false;
    }
    m_reachedSeconds = block->seconds;
    if (m_style == ProgressStyle::Mencoder) {
        const std::optional<double> total = m_inputSeconds && m_cut.any()
                                                ? expectedSeconds(*m_inputSeconds, m_cut)
                                                : m_inputSeconds;
        m_lastFigures = statusFigures(*block, total);
        m_lastTimeLine = formatStatusLine(m_lastFigures);
    } else {
        m_lastTimeLine = formatTimeLine(*block);
    }
    print(m_lastTimeLine);
    return true;
}

void OutputRelay::heartbeat() {
    print(m_lastTimeLine);
}

void OutputRelay::setProgressStyle(ProgressStyle style) {
    m_style = style;
    m_lastTimeLine = style == ProgressStyle::Mencoder ? formatStatusLine(m_lastFigures)
                                                      : formatTimeLine(ProgressBlock{});
}

void OutputRelay::complete() {
    if (m_style == ProgressStyle::Mencoder) {
        m_lastTimeLine = formatStatusLine(completedFigures(m_lastFigures));
        print(m_lastTimeLine);
    }
}

void OutputRelay::note(std::string_view text) {
    std::string line = m_programName + ": ";
    line.append(text);
    print(line);
}

void OutputRelay::finish() {
    if (m_warningsLeftOut > 0) {
        note(std::to_string(m_warningsLeftOut) + " more warning line" +
             (m_warningsLeftOut == 1 ? "" : "s") + " of ffmpeg left out");
    }
    if (m_errorsLeftOut > 0) {
        note(std::to_string(m_errorsLeftOut) + " more error line" +
             (m_errorsLeftOut == 1 ? "" : "s") + " of ffmpeg left out");
    }
}

void OutputRelay::print(std::string_view line) {
    if (m_sink) {
        m_sink(shortenLine(line, m_limits.lineBytes));
    }
}
