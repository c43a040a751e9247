#pragma once

#include <optional>
#include <string>
#include <string_view>

// A picture size in pixels.
struct FrameSize {
    long long width = 0;
    long long height = 0;

    bool operator==(const FrameSize&) const = default;
};

// "640x360" as -s takes it; nullopt for anything else (ffmpeg's names such as "vga" included:
// those are ffmpeg's to read).
std::optional<FrameSize> parseFrameSize(std::string_view text);

std::string formatFrameSize(FrameSize size);

// The size RealVideo 1 can encode nearest to `size`: its width rounded to the nearest multiple
// of 16, then the height that keeps the picture's shape rounded likewise; halves round up (at
// least 16 each way). Sizes already made of multiples of 16 are kept.
FrameSize realVideoSize(FrameSize size);
