#pragma once

#include "conversion/ConversionRun.h"
#include "cue/ImageLength.h"
#include "filelist/FileQueue.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

// How far a run has got, as a share of the whole input's duration, for both front ends. Each
// queue entry weighs what it lasts: the encoder's figure once it gave one, a track's cut (an
// image's last track runs to the image's end, see ImageLength), else an estimate from the file's
// size at the rate the files with known durations showed. Made from the queue before the run
// starts; follows the run's lanes and the queue: entries added meanwhile count, entries removed
// before they were taken no more.
class RunProgress : public QObject {
    Q_OBJECT

public:
    RunProgress(ConversionRun& run, const FileQueue& queue, QObject* parent = nullptr);

    // Of the whole input, 0..1: the finished entries and the busy lanes' shares of theirs.
    double share() const;
    // Entries counted (finished, at work or waiting), and how many of them are tracks.
    qsizetype itemCount() const { return m_count; }
    qsizetype trackCount() const { return m_tracks; }
    // Files the run has reported finished, however they ended.
    int finishedCount() const { return m_finished; }

signals:
    // After every change of share() or of the counts.
    void changed();

private:
    struct Item {
        qint64 bytes = 0;               // a whole file's size
        std::optional<double> seconds;  // its length, once known
        bool estimated = false;         // seconds only guessed: the encoder's figure wins
        bool taken = false;             // started, or finished without starting
        bool gone = false;              // removed before it was taken
        bool track = false;
    };
    struct LaneView {
        quint64 entry = 0;
        qsizetype item = -1;  // in m_items
        double fraction = 0.0;
        bool busy = false;
    };

    void add(qsizetype first, qsizetype count);
    void forget(qsizetype first, qsizetype count);
    void onStarted(int lane);
    void onProgress(int lane, const ProgressReport& display);
    void onFinished(int lane);
    LaneView& view(int lane);
    // The item of the lane's entry, marked taken; -1 for an entry that was not counted.
    qsizetype take(int lane);
    // The encoder's figure for an item's length.
    void learnSeconds(Item& item, double seconds);
    // Seconds of input an item holds: known, or estimated from its size at the rate seen so far.
    double itemSeconds(const Item& item) const;
    double secondsPerByte() const;

    ConversionRun& m_run;
    const FileQueue& m_queue;
    std::vector<Item> m_items;
    QHash<quint64, qsizetype> m_itemOfEntry;
    QHash<QString, ImageLength> m_images;
    qsizetype m_count = 0;
    qsizetype m_tracks = 0;
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
};
