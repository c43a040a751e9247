#pragma once

#include "conversion/EncoderProgressParser.h"

#include <QString>

// The window's progress display made from a report: the label's words and the picture bar's
// width in twips (5415 when full).
inline constexpr double kFullBarTwips = 5415.0;

// "0%" before any report; "创建中" (creating), the glyph, a blank and the figure for the
// ffmpeg-style encoder, "完成 100%" at its end; "转换中" (converting) ... for the video encoder,
// "结束 100%" at its end.
QString progressLabel(const ProgressReport& report);
double barWidthTwips(const ProgressReport& report);
