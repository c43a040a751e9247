#include "InputCut.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Digits with an optional fraction: "12", "12.5", "0.25". No sign, no exponent.
std::optional<double> parseDecimal(std::string_view text) {
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt;
    }
    for (char c : text) {
        if ((c < '0' || c > '9') && c != '.') {
            return std::nullopt;
        }
    }
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<long long> parseWhole(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseClockForm(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t from = 0;
    while (true) {
        const std::size_t colon = text.find(':', from);
        fields.push_back(text.substr(from, colon - from));
        if (colon == std::string_view::npos) {
            break;
        }
        from = colon + 1;
    }
    if (fields.size() > 3) {
        return std::nullopt;
    }
    const std::optional<double> seconds = parseDecimal(fields.back());
    if (!seconds || *seconds >= 60.0) {
        return std::nullopt;
    }
    double total = *seconds;
    const std::optional<long long> minutes = parseWhole(fields[fields.size() - 2]);
    if (!minutes || (fields.size() == 3 && *minutes >= 60)) {
        return std::nullopt;
    }
    total += static_cast<double>(*minutes) * 60.0;
    if (fields.size() == 3) {
        const std::optional<long long> hours = parseWhole(fields[0]);
        if (!hours || *hours > 1000000) {
            return std::nullopt;
        }
        total += static_cast<double>(*hours) * 3600.0;
    }
    return total;
}

bool isOption(std::string_view argument, std::string_view name) {
    // "-t" and its per-stream forms such as "-t:a"; ffmpeg takes no other spelling.
    return argument == name || (argument.size() > name.size() && argument.starts_with(name) &&
                                argument[name.size()] == ':');
}

// Options after the input that end the output before the input does.
bool limitsOutput(std::string_view argument) {
    for (std::string_view name :
         {"-t", "-to", "-ss", "-sseof", "-fs", "-frames", "-aframes", "-vframes", "-shortest"}) {
        if (isOption(argument, name)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<double> parseTimeValue(std::string_view text) {
    if (text.find(':') != std::string_view::npos) {
        return parseClockForm(text);
    }
    double scale = 1.0;
    if (text.ends_with("ms")) {
        scale = 1e-3;
        text.remove_suffix(2);
    } else if (text.ends_with("us")) {
        scale = 1e-6;
        text.remove_suffix(2);
    } else if (text.ends_with("s")) {
        text.remove_suffix(1);
    }
    const std::optional<double> value = parseDecimal(text);
    if (!value) {
        return std::nullopt;
    }
    return *value * scale;
}

InputCut readInputCut(const std::vector<std::string>& coderArguments) {
    InputCut cut;
    const auto firstInput = std::find(coderArguments.begin(), coderArguments.end(), "-i");
    if (firstInput == coderArguments.end()) {
        return cut;
    }
    const std::size_t inputAt = static_cast<std::size_t>(firstInput - coderArguments.begin());
    for (std::size_t i = 0; i < inputAt; ++i) {
        const std::string& argument = coderArguments[i];
        std::optional<double>* target = nullptr;
        if (argument == "-ss") {
            target = &cut.start;
        } else if (argument == "-to") {
            target = &cut.end;
        } else if (argument == "-t") {
            target = &cut.length;
        } else if (argument == "-sseof") {
            cut.unknowable = true;
        }
        if (target == nullptr) {
            continue;
        }
        const std::optional<double> value =
            i + 1 < inputAt ? parseTimeValue(coderArguments[i + 1]) : std::nullopt;
        if (!value) {
            cut.unknowable = true;
        }
        *target = value;  // the last one counts, as in ffmpeg
        ++i;
    }
    // The output file is the last argument; everything between the last input and it is an
    // output option.
    std::size_t outputOptions = inputAt + 2;
    for (std::size_t i = inputAt; i + 1 < coderArguments.size(); ++i) {
        if (coderArguments[i] == "-i") {
            outputOptions = i + 2;
        }
    }
    for (std::size_t i = outputOptions; i + 1 < coderArguments.size(); ++i) {
        if (limitsOutput(coderArguments[i])) {
            cut.unknowable = true;
        }
    }
    return cut;
}

std::optional<double> expectedSeconds(double inputSeconds, const InputCut& cut) {
    if (cut.unknowable || !(inputSeconds >= 0.0)) {
        return std::nullopt;
    }
    const double start = cut.start.value_or(0.0);
    const double available = std::max(0.0, inputSeconds - start);
    double wanted = available;
    if (cut.length) {
        wanted = *cut.length;
    } else if (cut.end) {
        wanted = std::max(0.0, *cut.end - start);
    }
    return std::min(wanted, available);
}

std::optional<std::string> lengthShortfall(double expectedSeconds, double reachedSeconds) {
    char text[128];
    if (expectedSeconds <= 0.0) {
        return std::string("nothing to convert: the cut holds no part of the input");
    }
    const double allowed = std::max(0.5, expectedSeconds * 0.01);
    if (expectedSeconds - reachedSeconds <= allowed) {
        return std::nullopt;
    }
    std::snprintf(text, sizeof text, "input ends early: %.2f s of %.2f s",
                  std::max(0.0, reachedSeconds), expectedSeconds);
    return std::string(text);
}

std::string formatBannerTime(double seconds) {
    const long long hundredths = std::llround(std::max(0.0, seconds) * 100.0);
    char text[64];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%02lld", hundredths / 360000,
                  hundredths / 6000 % 60, hundredths / 100 % 60, hundredths % 100);
    return text;
}
