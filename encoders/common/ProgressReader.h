#pragma once

#include <optional>
#include <string>
#include <string_view>

// One block of ffmpeg's "-progress" output (key=value lines closed by "progress=continue", or
// "progress=end" for the last one).
struct ProgressBlock {
    std::optional<double> seconds;          // output time reached; unknown while ffmpeg says N/A
    std::string speed;                      // e.g. "40.1x"; empty when ffmpeg says N/A
    bool final = false;                     // closed by progress=end
    std::optional<long long> frames;        // video frames written so far
    std::optional<double> framesPerSecond;  // encoding speed in frames per second
    std::optional<long long> bytes;         // output size so far
};

// Collects progress lines into blocks.
class ProgressReader {
public:
    // Takes one line; returns the block when the line closes one.
    std::optional<ProgressBlock> feedLine(std::string_view line);

private:
    std::optional<double> m_microsecondTime;  // from out_time_us
    std::optional<double> m_clockTime;        // from out_time, used when out_time_us is missing
    bool m_sawMicroseconds = false;
    std::string m_speed;
    std::optional<long long> m_frames;
    std::optional<double> m_framesPerSecond;
    std::optional<long long> m_bytes;
};

// "1568413" -> 1.568413 s. N/A or anything unreadable -> nullopt; negative -> 0.
std::optional<double> parseMicroseconds(std::string_view value);

// "00:00:01.568413" -> 1.568413 s (hours may have more digits). N/A or unreadable -> nullopt;
// negative -> 0.
std::optional<double> parseClockTime(std::string_view value);

// The line coder prints for a block: "time=45.00 speed=40.1x", seconds with two decimals;
// "time=0.00" when the time is unknown; no speed part when the speed is unknown.
std::string formatTimeLine(const ProgressBlock& block);
