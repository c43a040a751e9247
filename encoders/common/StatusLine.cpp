#include "StatusLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string formatStatusLine(const StatusFigures& figures) {
    const long long minutes =
        figures.remainingSeconds
            ? static_cast<long long>(std::max(0.0, *figures.remainingSeconds) / 60.0)
            : 0;
    const long long megabytes =
        figures.expectedBytes ? (*figures.expectedBytes + (1 << 19)) >> 20 : 0;
    char buffer[160];
    const int length =
        std::snprintf(buffer, sizeof buffer,
                      "Pos:%6.1fs %6lldf (%2d%%) %6.2ffps Trem:%4lldmin %4lldmb", figures.seconds,
                      figures.frames, figures.percent, figures.framesPerSecond, minutes, megabytes);
    const std::size_t used =
        length > 0 ? std::min(static_cast<std::size_t>(length), sizeof buffer - 1) : 0;
    return std::string(buffer, used);
}

StatusFigures statusFigures(const ProgressBlock& block, std::optional<double> totalSeconds) {
    StatusFigures figures;
    figures.seconds = std::max(0.0, block.seconds.value_or(0.0));
    figures.frames = block.frames.value_or(0);
    figures.framesPerSecond = block.framesPerSecond.value_or(0.0);
    // ffmpeg's speed is output seconds per second of wall time: "2.5x". Its frame rate stays 0
    // for the first second, which is all a short clip takes; the speed gives it then.
    const double speed = std::atof(block.speed.c_str());
    if (figures.framesPerSecond <= 0.0 && speed > 0.0 && figures.seconds > 0.0) {
        figures.framesPerSecond = static_cast<double>(figures.frames) * speed / figures.seconds;
    }
    if (!totalSeconds || !(*totalSeconds > 0.0)) {
        return figures;
    }
    const double fraction = std::clamp(figures.seconds / *totalSeconds, 0.0, 1.0);
    figures.percent = std::min(99, static_cast<int>(std::floor(fraction * 100.0)));
    if (speed > 0.0) {
        figures.remainingSeconds = std::max(0.0, *totalSeconds - figures.seconds) / speed;
    }
    if (block.bytes && fraction > 0.0) {
        figures.expectedBytes =
            static_cast<long long>(static_cast<double>(*block.bytes) / fraction);
    }
    return figures;
}

StatusFigures completedFigures(StatusFigures last) {
    last.percent = 100;
    last.remainingSeconds = 0.0;
    return last;
}
