#pragma once

#include "conversion/ConversionRun.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdio>
#include <vector>

// Shows a command-line batch's progress on standard error. On a terminal: one line per busy
// lane (its file and its encoder's progress) and an overall line (files done of all, percent of
// the whole input's duration, time so far and an estimate of the time left), redrawn in place.
// Elsewhere (a log, a pipe): plain lines, one when a file starts and one when it ends. Quiet:
// nothing but failures. Failures are always named with their reason.
class ConvertProgress : public QObject {
    Q_OBJECT

public:
    enum class Mode { Terminal, Plain, Quiet };

    // `inputs` are the batch's files in order (their sizes help estimate the durations of files
    // not yet started).
    ConvertProgress(ConversionRun& run, const QStringList& inputs, Mode mode, FILE* out);

    // The overall line, e.g. "3/12 files  25%  0:01:02 elapsed, about 0:03:06 left".
    QString overallLine() const;
    // Clears the lines drawn on a terminal (before the summary).
    void finish();

private:
    struct LaneView {
        QString input;
        QString label;
        double fraction = 0.0;
        bool busy = false;
    };

    void onStarted(int lane, const QString& input, const QString& output);
    void onProgress(int lane, const ProgressReport& display);
    void onFinished(int lane, const FileResult& result);
    void redraw();
    void print(const QString& text);
    LaneView& view(int lane);
    // Seconds of input a file holds: its encoder's figure once known, else estimated from its
    // size at the rate seen so far.
    double estimatedSeconds(const QString& input) const;
    double secondsPerByte() const;

    ConversionRun& m_run;
    Mode m_mode;
    FILE* m_out;
    QStringList m_inputs;
    QHash<QString, qint64> m_sizes;
    QHash<QString, double> m_knownSeconds;
    qint64 m_totalBytes = 0;
    qint64 m_knownBytes = 0;
    double m_knownSecondsSum = 0.0;
    std::vector<LaneView> m_lanes;
    int m_finished = 0;
    // What the finished files hold: seconds where known, bytes (to be rated) where not.
    double m_finishedKnownSeconds = 0.0;
    qint64 m_finishedUnknownBytes = 0;
    QElapsedTimer m_clock;
    QTimer m_redraw;
    int m_drawnLines = 0;
    bool m_dirty = false;
};

QString formatDuration(double seconds);
