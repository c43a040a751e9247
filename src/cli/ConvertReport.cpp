#include "ConvertReport.h"

#include "cue/TrackCut.h"
#include "filelist/NativeNames.h"
#include "text/PrintableText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* statusWord(FileStatus status) {
    switch (status) {
        case FileStatus::Converted:
            return "converted";
        case FileStatus::Failed:
            return "failed";
        case FileStatus::Cancelled:
            return "cancelled";
        case FileStatus::Skipped:
            return "skipped";
    }
    return "failed";
}

constexpr int kStatuses = static_cast<int>(FileStatus::Skipped) + 1;

int count(const int (&counts)[kStatuses], FileStatus status) {
    return counts[static_cast<int>(status)];
}

}  // namespace

QByteArray jsonReport(const QList<FileResult>& results, const QString& format) {
    QJsonArray files;
    int counts[kStatuses] = {};
    for (const FileResult& result : results) {
        ++counts[static_cast<int>(result.status)];
        QJsonObject file{{"input", result.input},
                         {"output", result.done() ? result.output : QString()},
                         {"status", QLatin1String(statusWord(result.status))},
                         {"reason", result.reason},
                         {"seconds", result.seconds},
                         {"format", format}};
        if (result.track) {
            // A track: its image, number and title as fields of their own, not its row's label.
            file.insert("input", NativeNames::userPath(result.track->image));
            file.insert("track", result.track->number);
            file.insert("title", result.track->title);
        }
        files.append(file);
    }
    QJsonObject document{{"files", files},
                         {"converted", count(counts, FileStatus::Converted)},
                         {"failed", count(counts, FileStatus::Failed)},
                         {"cancelled", count(counts, FileStatus::Cancelled)}};
    if (count(counts, FileStatus::Skipped) > 0) {
        document.insert("skipped", count(counts, FileStatus::Skipped));
    }
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

QString textReport(const QList<FileResult>& results) {
    QString done;
    QString problems;
    int counts[kStatuses] = {};
    for (const FileResult& result : results) {
        ++counts[static_cast<int>(result.status)];
        if (result.status == FileStatus::Skipped) {
            done += QStringLiteral("skipped: %1 (%2 is there)\n")
                        .arg(printable(result.input), printable(result.output));
        } else if (result.converted()) {
            done += QStringLiteral("done: %1 -> %2\n")
                        .arg(printable(result.input), printable(result.output));
        } else if (result.status == FileStatus::Cancelled) {
            problems += QStringLiteral("cancelled: %1\n").arg(printable(result.input));
        } else {
            problems += QStringLiteral("%1: %2\n  %3\n")
                            .arg(QLatin1String(statusWord(result.status)), printable(result.input),
                                 printable(result.reason));
        }
    }
    QString summary = QStringLiteral("converted %1, failed %2")
                          .arg(count(counts, FileStatus::Converted))
                          .arg(count(counts, FileStatus::Failed));
    if (count(counts, FileStatus::Cancelled) > 0) {
        summary += QStringLiteral(", cancelled %1").arg(count(counts, FileStatus::Cancelled));
    }
    if (count(counts, FileStatus::Skipped) > 0) {
        summary += QStringLiteral(", skipped %1").arg(count(counts, FileStatus::Skipped));
    }
    return done + summary + QLatin1Char('\n') + problems;
}
