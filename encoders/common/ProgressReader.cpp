#include "ProgressReader.h"
#include "Text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

template <typename T>
bool parseWhole(std::string_view text, T& value) {
    if (text.empty()) {
        return false;
    }
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// A count that ffmpeg may give as N/A; negative ones are not counts either.
std::optional<long long> parseCount(std::string_view value) {
    long long count = 0;
    if (!parseWhole(value, count) || count < 0) {
        return std::nullopt;
    }
    return count;
}

}  // namespace

std::optional<double> parseMicroseconds(std::string_view value) {
    long long microseconds = 0;
    if (!parseWhole(trimmed(value), microseconds)) {
        return std::nullopt;
    }
    if (microseconds < 0) {
        return 0.0;  // the first blocks can lie before the start
    }
    return static_cast<double>(microseconds) / 1e6;
}

std::optional<double> parseClockTime(std::string_view value) {
    std::string_view text = trimmed(value);
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    const std::size_t firstColon = text.find(':');
    const std::size_t secondColon =
        firstColon == std::string_view::npos ? firstColon : text.find(':', firstColon + 1);
    if (secondColon == std::string_view::npos) {
        return std::nullopt;
    }
    long long hours = 0;
    long long minutes = 0;
    double seconds = 0.0;
    if (!parseWhole(text.substr(0, firstColon), hours) ||
        !parseWhole(text.substr(firstColon + 1, secondColon - firstColon - 1), minutes) ||
        !parseWhole(text.substr(secondColon + 1), seconds)) {
        return std::nullopt;
    }
    // Written this way round so NaN fails too; the hour bound keeps the sum from overflowing.
    if (!(hours >= 0 && hours < 1000000000 && minutes >= 0 && minutes < 60 && seconds >= 0.0 &&
          seconds < 60.0)) {
        return std::nullopt;
    }
    if (negative) {
        return 0.0;
    }
    return static_cast<double>(hours * 3600 + minutes * 60) + seconds;
}

std::optional<ProgressBlock> ProgressReader::feedLine(std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view key = trimmed(line.substr(0, equals));
    const std::string_view value = trimmed(line.substr(equals + 1));

    if (key == "out_time_us") {
        m_sawMicroseconds = true;
        m_microsecondTime = parseMicroseconds(value);
    } else if (key == "out_time") {
        m_clockTime = parseClockTime(value);
    } else if (key == "frame") {
        m_frames = parseCount(value);
    } else if (key == "fps") {
        double framesPerSecond = 0.0;
        m_framesPerSecond = parseWhole(value, framesPerSecond) && framesPerSecond >= 0.0
                                ? std::optional<double>(framesPerSecond)
                                : std::nullopt;
    } else if (key == "total_size") {
        m_bytes = parseCount(value);
    } else if (key == "speed") {
        m_speed = value == "N/A" ? std::string() : std::string(value);
    } else if (key == "progress") {
        ProgressBlock block;
        block.seconds = m_sawMicroseconds ? m_microsecondTime : m_clockTime;
        block.speed = m_speed;
        block.final = value == "end";
        block.frames = m_frames;
        block.framesPerSecond = m_framesPerSecond;
        block.bytes = m_bytes;
        m_frames.reset();
        m_framesPerSecond.reset();
        m_bytes.reset();
        m_microsecondTime.reset();
        m_clockTime.reset();
        m_sawMicroseconds = false;
        m_speed.clear();
        return block;
    }
    return std::nullopt;
}

std::string formatTimeLine(const ProgressBlock& block) {
    char buffer[64];
    const double seconds = block.seconds.value_or(0.0);
    const int length = std::snprintf(buffer, sizeof buffer, "time=%.2f", seconds);
    const std::size_t used =
        length > 0 ? std::min(static_cast<std::size_t>(length), sizeof buffer - 1) : 0;
    std::string line(buffer, used);
    if (!block.speed.empty()) {
        line += " speed=";
        line += block.speed;
    }
    return line;
}
