#include "ProgressText.h"

#include "text/PrintableText.h"

namespace {

// A path of thousands of characters would make the box wider than any screen.
constexpr qsizetype kLongestLine = 200;

QString shortened(const QString& text) {
    const QString shown = printable(text);
    if (shown.size() <= kLongestLine) {
        return shown;
    }
    const qsizetype half = kLongestLine / 2;
    return shown.left(half) + QStringLiteral("…") + shown.right(half);
}

}  // namespace

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

QString runShareLabel(double share) {
    return QStringLiteral("总进度 %1%").arg(static_cast<int>(share * 100.0));
}

QString failureMessage(const QList<FileResult>& results, int maxFiles) {
    QString text = QStringLiteral("以下文件转换失败：");
    int listed = 0;
    int more = 0;
    for (const FileResult& result : results) {
        if (result.converted()) {
            continue;
        }
        if (listed == maxFiles) {
            ++more;
            continue;
        }
        ++listed;
        text += QStringLiteral("\n\n") + shortened(result.input) + QLatin1Char('\n') +
                shortened(result.reason);
    }
    if (more > 0) {
        text += QStringLiteral("\n\n……还有 %1 个文件").arg(more);
    }
    return text;
}
