#include "FrameSize.h"

#include <algorithm>
#include <charconv>

namespace {

std::optional<long long> positiveNumber(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value <= 0 || value > 65535) {
        return std::nullopt;
    }
    return value;
}

// The multiple of 16 nearest to numerator / denominator, halves up, at least 16.
long long nearestMultipleOf16(long long numerator, long long denominator) {
    const long long multiples = (2 * numerator + 16 * denominator) / (32 * denominator);
    return std::max(1LL, multiples) * 16;
}

}  // namespace

std::optional<FrameSize> parseFrameSize(std::string_view text) {
    const std::size_t cross = text.find('x');
    if (cross == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<long long> width = positiveNumber(text.substr(0, cross));
    const std::optional<long long> height = positiveNumber(text.substr(cross + 1));
    if (!width || !height) {
        return std::nullopt;
    }
    return FrameSize{*width, *height};
}

std::string formatFrameSize(FrameSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

FrameSize realVideoSize(FrameSize size) {
    if (size.width % 16 == 0 && size.height % 16 == 0) {
        return size;
    }
    const long long width = nearestMultipleOf16(size.width, 1);
    // The height that keeps width : height, then its nearest multiple of 16.
    const long long height = nearestMultipleOf16(width * size.height, size.width);
    return {width, height};
}
