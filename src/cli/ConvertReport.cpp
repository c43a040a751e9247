#include "ConvertReport.h"

#include "conversion/TrackCut.h"
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
    }
    return "failed";
}

}  // namespace

QByteArray jsonReport(const QList<FileResult>& results) {
    QJsonArray files;
    int counts[3] = {0, 0, 0};
    for (const FileResult& result : results) {
        ++counts[static_cast<int>(result.status)];
        QJsonObject file{{"input", result.input},
                         {"output", result.converted() ? result.output : QString()},
                         {"status", QLatin1String(statusWord(result.status))},
                         {"reason", result.reason},
                         {"seconds", result.seconds}};
        if (result.track) {
            // A track: its image, number and title as fields of their own, not its row's label.
            file.insert("input", NativeNames::userPath(result.track->image));
            file.insert("track", result.track->number);
            file.insert("title", result.track->title);
        }
        files.append(file);
    }
    const QJsonObject document{{"files", files},
                               {"converted", counts[static_cast<int>(FileStatus::Converted)]},
                               {"failed", counts[static_cast<int>(FileStatus::Failed)]},
                               {"cancelled", counts[static_cast<int>(FileStatus::Cancelled)]}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

QString textReport(const QList<FileResult>& results) {
    QString done;
    QString problems;
    int counts[3] = {0, 0, 0};
    for (const FileResult& result : results) {
        ++counts[static_cast<int>(result.status)];
        if (result.converted()) {
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
                          .arg(counts[static_cast<int>(FileStatus::Converted)])
                          .arg(counts[static_cast<int>(FileStatus::Failed)]);
    if (counts[static_cast<int>(FileStatus::Cancelled)] > 0) {
        summary +=
            QStringLiteral(", cancelled %1").arg(counts[static_cast<int>(FileStatus::Cancelled)]);
    }
    return done + summary + QLatin1Char('\n') + problems;
}
