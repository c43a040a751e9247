#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The part of input #0 a command converts. ffmpeg's banner always gives the whole input's
// duration, so with a cut coder works out the length to announce and to expect itself.
struct InputCut {
    std::optional<double> start;   // -ss before the first -i
    std::optional<double> end;     // -to before the first -i (a position in the input)
    std::optional<double> length;  // -t before the first -i; ffmpeg prefers it to -to
    // The output's length cannot be worked out: a cut value that could not be read, -sseof, or
    // an option after the input that stops the output early (-t, -to, -ss, -fs, -frames, ...).
    bool unknowable = false;

    bool any() const { return start || end || length; }
};

// Reads the cut options from coder's arguments (argv without the program name).
InputCut readInputCut(const std::vector<std::string>& coderArguments);

// A time value as ffmpeg takes it for -ss, -to and -t: "[[HH:]MM:]SS[.frac]" with minutes and
// seconds below 60 after the first field, or plain seconds "S[.frac]" with an optional "s", "ms"
// or "us" unit. Negative or unreadable values give nullopt.
std::optional<double> parseTimeValue(std::string_view text);

// How many seconds of output an input of `inputSeconds` should give under `cut`, clamped to
// what the input holds; nullopt when that cannot be known.
std::optional<double> expectedSeconds(double inputSeconds, const InputCut& cut);

// The reason a conversion that reached `reachedSeconds` of an expected `expectedSeconds` is
// incomplete, or nullopt when it is long enough: it may fall short by max(0.5 s, 1 %), which
// covers encoder padding and the last partial frame. A cut holding nothing of the input fails.
std::optional<std::string> lengthShortfall(double expectedSeconds, double reachedSeconds);

// "HH:MM:SS.ss" as ffmpeg's banner shows a duration, rounded to hundredths.
std::string formatBannerTime(double seconds);
