#include "ProgressText.h"

#include "text/PrintableText.h"

#include <QCoreApplication>

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
            if (report.complete) {
                return QCoreApplication::translate("ProgressText", "完成 100%");
            }
            //: %1 is the activity glyph (one of - | / and a backslash), %2 the percentage
            return QCoreApplication::translate("ProgressText", "创建中%1 %2%")
                .arg(report.glyph, report.figure);
        case ProgressReport::Style::Mencoder:
            if (report.complete) {
                return QCoreApplication::translate("ProgressText", "结束 100%");
            }
            //: %1 is the activity glyph (one of - | / and a backslash), %2 the percentage
            return QCoreApplication::translate("ProgressText", "转换中%1 %2%")
                .arg(report.glyph, report.figure);
    }
    return QString();
}

double barWidthTwips(const ProgressReport& report) {
    return report.fraction * kFullBarTwips;
}

QString runShareLabel(double share) {
    //: %1 is the percentage of the whole run
    return QCoreApplication::translate("ProgressText", "总进度 %1%")
        .arg(static_cast<int>(share * 100.0));
}

QString failureMessage(const QList<FileResult>& results, int maxFiles) {
    QString text = QCoreApplication::translate("ProgressText", "以下文件转换失败：");
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
        //: %1 is a number of files
        text += QStringLiteral("\n\n") +
                QCoreApplication::translate("ProgressText", "……还有 %1 个文件").arg(more);
    }
    return text;
}
