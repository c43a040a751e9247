#include "ProgressText.h"

#include "filelist/NativeNames.h"
#include "text/PrintableText.h"

#include <QCoreApplication>

namespace {

// A path of thousands of characters would make the box wider than any screen.
constexpr qsizetype kLongestLine = 200;

QString shortened(const QString& text) {
    const QString shown = NativeNames::shown(text);
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

QString fileListMessage(const QString& title, const QList<QPair<QString, QString>>& files,
                        int maxFiles) {
    QString text = title;
    for (qsizetype i = 0; i < qMin<qsizetype>(files.size(), maxFiles); ++i) {
        text += QStringLiteral("\n\n") + shortened(files.at(i).first) + QLatin1Char('\n') +
                shortened(files.at(i).second);
    }
    if (files.size() > maxFiles) {
        //: %1 is a number of files
        text +=
            QStringLiteral("\n\n") + QCoreApplication::translate("ProgressText", "……还有 %1 个文件")
                                         .arg(files.size() - maxFiles);
    }
    return text;
}

QString failureMessage(const QList<FileResult>& results, int maxFiles) {
    QList<QPair<QString, QString>> failed;
    for (const FileResult& result : results) {
        if (!result.converted()) {
            failed.append({result.input, result.reason});
        }
    }
    return fileListMessage(QCoreApplication::translate("ProgressText", "以下文件转换失败："),
                           failed, maxFiles);
}
