#include "conversion/RunProgress.h"

#include "cue/TrackCut.h"

#include <QFileInfo>

#include <algorithm>

RunProgress::RunProgress(ConversionRun& run, const FileQueue& queue, QObject* parent)
    : QObject(parent), m_run(run), m_queue(queue) {
    add(0, queue.count());
    connect(&queue, &FileQueue::appended, this, &RunProgress::add);
    connect(&queue, &FileQueue::aboutToRemove, this, &RunProgress::forget);
    connect(&run, &ConversionRun::fileStarted, this, [this](int lane) { onStarted(lane); });
    connect(&run, &ConversionRun::progressChanged, this, &RunProgress::onProgress);
    connect(&run, &ConversionRun::fileFinished, this, [this](int lane) { onFinished(lane); });
}

void RunProgress::add(qsizetype first, qsizetype count) {
    // An image's last track runs to its end: its length is the image's less the track's start,
    // or (when even the image's is a guess that falls short) as long as the image's other tracks
    // are on average.
    QHash<QString, std::pair<double, int>> cutSeconds;  // per image: sum and count of its cuts
    for (qsizetype i = first; i < first + count; ++i) {
        const auto track = m_queue.trackAt(i);
        if (track && track->seconds()) {
            auto& [sum, cuts] = cutSeconds[track->image];
            sum += *track->seconds();
            ++cuts;
        }
    }
    m_items.reserve(m_items.size() + static_cast<size_t>(count));
    for (qsizetype i = first; i < first + count; ++i) {
        Item item;
        const auto track = m_queue.trackAt(i);
        if (!track) {
            item.bytes = QFileInfo(m_queue.paths().at(i)).size();
            m_unknownBytes += item.bytes;
        } else {
            item.track = true;
            ++m_tracks;
            const TrackCut& cut = *track;
            double seconds = cut.seconds().value_or(0.0);
            if (!cut.seconds()) {
                auto image = m_images.constFind(cut.image);
                if (image == m_images.constEnd()) {
                    image = m_images.insert(cut.image, ImageLength::of(cut.image));
                }
                item.estimated = !image->exact;
                seconds =
                    std::max(0.0, image->seconds - static_cast<double>(cut.startFrames) / 75.0);
                const auto [sum, cuts] = cutSeconds.value(cut.image);
                if (item.estimated && seconds <= 0.0 && cuts > 0) {
                    seconds = sum / cuts;
                }
            }
            item.seconds = seconds;
            m_knownSeconds += seconds;
        }
        m_itemOfEntry.insert(m_queue.idAt(i), static_cast<qsizetype>(m_items.size()));
        m_items.push_back(item);
        ++m_count;
    }
    emit changed();
}

void RunProgress::forget(qsizetype first, qsizetype count) {
    // The run's own removals (finished files) are busy entries, counted when they finish.
    bool any = false;
    for (qsizetype i = first; i < first + count; ++i) {
        const qsizetype index = m_itemOfEntry.value(m_queue.idAt(i), -1);
        if (index < 0 || m_queue.isBusy(i)) {
            continue;
        }
        Item& item = m_items[static_cast<size_t>(index)];
        if (item.taken || item.gone) {
            continue;
        }
        item.gone = true;
        any = true;
        --m_count;
        m_tracks -= item.track ? 1 : 0;
        if (item.seconds) {
            m_knownSeconds -= *item.seconds;
        } else {
            m_unknownBytes -= item.bytes;
        }
    }
    if (any) {
        emit changed();
    }
}

RunProgress::LaneView& RunProgress::view(int lane) {
    if (static_cast<size_t>(lane) >= m_lanes.size()) {
        m_lanes.resize(static_cast<size_t>(lane) + 1);
    }
    return m_lanes[static_cast<size_t>(lane)];
}

qsizetype RunProgress::take(int lane) {
    const qsizetype index = m_itemOfEntry.value(m_run.entryId(lane), -1);
    if (index >= 0) {
        m_items[static_cast<size_t>(index)].taken = true;
    }
    return index;
}

void RunProgress::learnSeconds(Item& item, double seconds) {
    if (item.seconds) {
        m_knownSeconds -= *item.seconds;  // an estimate
    } else {
        m_unknownBytes -= item.bytes;
        m_rateSeconds += seconds;
        m_rateBytes += item.bytes;
    }
    item.seconds = seconds;
    item.estimated = false;
    m_knownSeconds += seconds;
}

double RunProgress::secondsPerByte() const {
    // APE files of one collection are much alike, so the files whose duration is known give a
    // fair rate for the rest; with none known yet, that of losslessly compressed CD audio.
    return m_rateBytes > 0 ? m_rateSeconds / static_cast<double>(m_rateBytes)
                           : ImageLength::estimatedSeconds(1);
}

double RunProgress::itemSeconds(const Item& item) const {
    return item.seconds ? *item.seconds : static_cast<double>(item.bytes) * secondsPerByte();
}

double RunProgress::share() const {
    const double total = m_knownSeconds + static_cast<double>(m_unknownBytes) * secondsPerByte();
    double done =
        m_finishedKnownSeconds + static_cast<double>(m_finishedUnknownBytes) * secondsPerByte();
    for (const LaneView& lane : m_lanes) {
        if (lane.busy && lane.item >= 0) {
            done += lane.fraction * itemSeconds(m_items[static_cast<size_t>(lane.item)]);
        }
    }
    return total > 0.0 ? std::clamp(done / total, 0.0, 1.0) : 0.0;
}

void RunProgress::onStarted(int lane) {
    LaneView& v = view(lane);
    v.entry = m_run.entryId(lane);
    v.item = take(lane);
    v.fraction = 0.0;
    v.busy = true;
    emit changed();
}

void RunProgress::onProgress(int lane, const ProgressReport& display) {
    LaneView& v = view(lane);
    v.fraction = std::clamp(display.fraction, 0.0, 1.0);
    const int duration = m_run.DurationSeconds(lane);
    if (duration > 0 && v.item >= 0) {
        Item& item = m_items[static_cast<size_t>(v.item)];
        if (!item.seconds || item.estimated) {
            learnSeconds(item, duration);
        }
    }
    emit changed();
}

void RunProgress::onFinished(int lane) {
    LaneView& v = view(lane);
    // A file that failed before its encoder started was never on the lane.
    const qsizetype index = v.busy && v.entry == m_run.entryId(lane) ? v.item : take(lane);
    v.busy = false;
    ++m_finished;
    if (index >= 0) {
        const Item& item = m_items[static_cast<size_t>(index)];
        if (item.seconds) {
            m_finishedKnownSeconds += *item.seconds;
        } else {
            m_finishedUnknownBytes += item.bytes;
        }
    }
    emit changed();
}
