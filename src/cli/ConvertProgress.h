#pragma once

#include "conversion/ConversionRun.h"
#include "conversion/RunProgress.h"
#include "filelist/FileQueue.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdio>
#include <vector>

// Shows a command-line batch's progress on standard error. On a terminal: one line per busy
// lane (its file and its encoder's progress) and an overall line (files or tracks done of all,
// percent of the whole input's duration, time so far and an estimate of the time left), redrawn
// in place. Elsewhere (a log, a pipe): plain lines, one when a file starts and one when it ends.
// Quiet: nothing but failures. Failures are always named with their reason.
class ConvertProgress : public QObject {
    Q_OBJECT

public:
    enum class Mode { Terminal, Plain, Quiet };

    // `queue` holds the batch: whole files and tracks, weighed by RunProgress.
    ConvertProgress(ConversionRun& run, const FileQueue& queue, Mode mode, FILE* out);

    // The overall line, e.g. "3/12 files  25%  0:01:02 elapsed, about 0:03:06 left" ("tracks"
    // when the batch is tracks of images, "files and tracks" when it holds both).
    QString overallLine() const;
    // Clears the lines drawn on a terminal (before the summary).
    void finish();

private:
    struct LaneView {
        QString input;
        QString label;
        bool busy = false;
    };

    void onStarted(int lane, const QString& input, const QString& output);
    void onProgress(int lane, const ProgressReport& display);
    void onFinished(int lane, const FileResult& result);
    void redraw();
    void print(const QString& text);
    LaneView& view(int lane);

    RunProgress m_progress;
    Mode m_mode;
    FILE* m_out;
    QString m_noun;  // what the overall line counts
    std::vector<LaneView> m_lanes;
    QElapsedTimer m_clock;
    QTimer m_redraw;
    int m_drawnLines = 0;
    bool m_dirty = false;
};

QString formatDuration(double seconds);
