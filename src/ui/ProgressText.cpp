#include "ProgressText.h"

QString progressLabel(const ProgressReport& report) {
    switch (report.style) {
        case ProgressReport::Style::None:
            return QStringLiteral("0%");
        case ProgressReport::Style::Ffmpeg:
            return report.complete ? QStringLiteral("完成 100%")
                                   : QStringLiteral("创建中") + report.glyph + QLatin1Char(' ') +
                                         report.figure + QLatin1Char('%');
        case ProgressReport::Style::Mencoder:
            return report.complete ? QStringLiteral("结束 100%")
                                   : QStringLiteral("转换中") + report.glyph + QLatin1Char(' ') +
                                         report.figure + QLatin1Char('%');
    }
    return QString();
}

double barWidthTwips(const ProgressReport& report) {
    return report.fraction * kFullBarTwips;
}
