#include "LogLine.h"
#include "Text.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<std::string_view, LogLevel>, 9> kLevelTags = {{
    {"quiet", LogLevel::Panic},  // never printed by ffmpeg; kept so the tag still parses
    {"panic", LogLevel::Panic},
    {"fatal", LogLevel::Fatal},
    {"error", LogLevel::Error},
    {"warning", LogLevel::Warning},
    {"info", LogLevel::Info},
    {"verbose", LogLevel::Verbose},
    {"debug", LogLevel::Debug},
    {"trace", LogLevel::Trace},
}};

bool levelFromTag(std::string_view tag, LogLevel& level) {
    for (const auto& [name, value] : kLevelTags) {
        if (tag == name) {
            level = value;
            return true;
        }
    }
    return false;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// How many decimal digits follow at `pos`.
std::size_t digitsAt(std::string_view text, std::size_t pos) {
    std::size_t n = 0;
    while (pos + n < text.size() && isDigit(text[pos + n])) {
        ++n;
    }
    return n;
}

}  // namespace

LogLine parseLogLine(std::string_view line) {
    LogLine result;
    result.message = line;
    std::size_t pos = 0;
    // ffmpeg prints "[parent @ 0x..] " and "[context @ 0x..] " first, then "[level] ".
    while (pos < line.size() && line[pos] == '[') {
        const std::size_t close = line.find(']', pos + 1);
        if (close == std::string_view::npos) {
            break;
        }
        const std::string_view inner = line.substr(pos + 1, close - pos - 1);
        std::size_t next = close + 1;
        const bool spaceFollows = next < line.size() && line[next] == ' ';
        if (spaceFollows) {
            ++next;
        }
        LogLevel level = LogLevel::Untagged;
        if (levelFromTag(inner, level) && (spaceFollows || next == line.size())) {
            result.level = level;
            result.contexts = line.substr(0, pos);
            result.message = line.substr(next);
            return result;
        }
        if (!spaceFollows || inner.find(" @ ") == std::string_view::npos) {
            break;
        }
        pos = next;
    }
    return result;  // no level tag: untagged, the whole line is the message
}

std::string withoutLevelTag(const LogLine& line) {
    std::string text;
    text.reserve(line.contexts.size() + line.message.size());
    text.append(line.contexts);
    text.append(line.message);
    return text;
}

bool isDurationBanner(const LogLine& line) {
    constexpr std::string_view kPrefix = "  Duration: ";
    if (line.level != LogLevel::Info || !line.contexts.empty() ||
        !line.message.starts_with(kPrefix)) {
        return false;
    }
    const std::string_view text = line.message;
    std::size_t pos = kPrefix.size();
    const std::size_t hours = digitsAt(text, pos);
    if (hours < 2) {
        return false;
    }
    pos += hours;
    for (int field = 0; field < 2; ++field) {  // ":MM" then ":SS"
        if (pos >= text.size() || text[pos] != ':' || digitsAt(text, pos + 1) != 2) {
            return false;
        }
        pos += 3;
    }
    if (pos >= text.size() || text[pos] != '.') {
        return false;
    }
    const std::size_t fraction = digitsAt(text, pos + 1);
    if (fraction == 0) {
        return false;
    }
    pos += 1 + fraction;
    return pos < text.size() && text[pos] == ',';
}

std::string errorReason(const LogLine& line) {
    return std::string(trimmed(line.message));
}
