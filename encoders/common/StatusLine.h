#pragma once

#include "ProgressReader.h"

#include <optional>
#include <string>

// conv's progress in the form of mencoder's status line, which the program's mencoder-style
// reader takes the percentage from:
//   "Pos:   2.3s     56f ( 5%)  24.10fps Trem:   0min   1mb"
// The percentage sits right-aligned in three characters between parentheses ("( 5%)",
// "(42%)", "(100%)"), and it is the line's first "(".
struct StatusFigures {
    double seconds = 0.0;  // output position
    long long frames = 0;
    int percent = 0;
    double framesPerSecond = 0.0;
    std::optional<double> remainingSeconds;  // nullopt while it cannot be estimated
    std::optional<long long> expectedBytes;  // the output's estimated final size
};

std::string formatStatusLine(const StatusFigures& figures);

// What a progress block says, measured against the input's duration (nullopt when unknown). The
// percentage is whole, rounded down, and stays below 100: only a finished, checked conversion
// is shown as complete (see completedFigures).
StatusFigures statusFigures(const ProgressBlock& block, std::optional<double> totalSeconds);

// The figures of the last block, at 100 % with nothing remaining.
StatusFigures completedFigures(StatusFigures last);
