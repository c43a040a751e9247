#pragma once

#include <string_view>

// Blanks and tabs off both ends, and a carriage return off the end (ffmpeg ends some lines so).
inline std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// The last line of `text` that is not blank, trimmed: what a tool that failed said last.
inline std::string_view lastNonBlankLine(std::string_view text) {
    std::string_view last;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        if (!line.empty()) {
            last = line;
        }
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return last;
}
