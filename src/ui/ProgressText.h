#pragma once

#include "conversion/ConversionRun.h"
#include "conversion/EncoderProgressParser.h"

#include <QList>

#include <QString>

// The window's progress display made from a report: the label's words and the picture bar's
// width in twips (5415 when full).
inline constexpr double kFullBarTwips = 5415.0;

// "0%" before any report; "创建中" (creating), the glyph, a blank and the figure for the
// ffmpeg-style encoder, "完成 100%" at its end; "转换中" (converting) ... for the video encoder,
// "结束 100%" at its end.
QString progressLabel(const ProgressReport& report);
double barWidthTwips(const ProgressReport& report);
// The label while several files convert at once: the whole run's share, "总进度 37%".
QString runShareLabel(double share);

// `title` and, for each file, its name and a reason (the user's own path, control characters
// shown as escapes, very long texts cut in the middle). At most `maxFiles` are listed, so the box
// still fits the screen; a line says how many more there are.
QString fileListMessage(const QString& title, const QList<QPair<QString, QString>>& files,
                        int maxFiles);
// The message at the end of a run with failures: "以下文件转换失败：" and, for each file that did
// not convert, its name and reason (control characters shown as escapes, very long texts cut in
// the middle). At most `maxFiles` are listed, so the box still fits the screen; a line says how
// many more there are.
QString failureMessage(const QList<FileResult>& results, int maxFiles);
