#pragma once

#include "conversion/ConversionRun.h"
#include "filelist/FileQueue.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdio>
#include <optional>
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

    // `items` are the batch's queue entries in order: whole files (their sizes help estimate
    // the durations of files not yet started) and tracks (their lengths are known from their
    // cuts; an image's last track runs to the image's end, see ImageLength).
    ConvertProgress(ConversionRun& run, const QList<FileQueue::Item>& items, Mode mode, FILE* out);

    // The overall line, e.g. "3/12 files  25%  0:01:02 elapsed, about 0:03:06 left" ("tracks"
    // when the batch is tracks of images, "files and tracks" when it holds both).
    QString overallLine() const;
    // Clears the lines drawn on a terminal (before the summary).
    void finish();

private:
    struct Item {
        QString input;                  // as the queue names it (a track's label)
        qint64 bytes = 0;               // a whole file's size
        std::optional<double> seconds;  // its length, once known
        bool estimated = false;         // seconds only guessed: the encoder's figure wins
        bool taken = false;             // started, or finished without starting
    };
    struct LaneView {
        QString input;
        qsizetype item = -1;  // in m_items
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
    // The run takes entries in queue order: the first one not yet taken with that name.
    qsizetype take(const QString& input);
    // The encoder's figure for an item's length.
    void learnSeconds(Item& item, double seconds);
    // Seconds of input an item holds: known, or estimated from its size at the rate seen so far.
    double itemSeconds(const Item& item) const;
    double secondsPerByte() const;

    ConversionRun& m_run;
    Mode m_mode;
    FILE* m_out;
    QString m_noun;  // what the overall line counts
    std::vector<Item> m_items;
    qsizetype m_firstUntaken = 0;
    double m_knownSeconds = 0.0;  // of the items whose length is known
    qint64 m_unknownBytes = 0;    // of those whose is not
    // Whole files whose encoder gave their length: the rate for the others.
    double m_rateSeconds = 0.0;
    qint64 m_rateBytes = 0;
    std::vector<LaneView> m_lanes;
    int m_finished = 0;
    // What the finished items hold: seconds where known, bytes (to be rated) where not.
    double m_finishedKnownSeconds = 0.0;
    qint64 m_finishedUnknownBytes = 0;
    QElapsedTimer m_clock;
    QTimer m_redraw;
    int m_drawnLines = 0;
    bool m_dirty = false;
};

QString formatDuration(double seconds);
