#include "ConvertProgress.h"

#include "cue/ImageLength.h"
#include "cue/TrackCut.h"
#include "filelist/NativeNames.h"
#include "text/PrintableText.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

// Redrawing more often than this only makes the terminal flicker.
constexpr int kRedrawMilliSeconds = 100;

QString fileName(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace

QString formatDuration(double seconds) {
    const auto total = static_cast<qint64>(std::llround(std::max(0.0, seconds)));
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600)
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

ConvertProgress::ConvertProgress(ConversionRun& run, const QList<FileQueue::Item>& items, Mode mode,
                                 FILE* out)
    : m_run(run), m_mode(mode), m_out(out) {
    // An image's last track runs to its end: its length is the image's less the track's start,
    // or (when even the image's is a guess that falls short) as long as the image's other tracks
    // are on average.
    QHash<QString, ImageLength> images;
    QHash<QString, std::pair<double, int>> cutSeconds;  // per image: sum and count of its cuts
    for (const FileQueue::Item& queued : items) {
        if (queued.track && queued.track->seconds()) {
            auto& [sum, count] = cutSeconds[queued.track->image];
            sum += *queued.track->seconds();
            ++count;
        }
    }
    int tracks = 0;
    m_items.reserve(static_cast<size_t>(items.size()));
    for (const FileQueue::Item& queued : items) {
        Item item;
        item.input = queued.path;
        if (!queued.track) {
            item.bytes = QFileInfo(queued.path).size();
            m_unknownBytes += item.bytes;
        } else {
            ++tracks;
            const TrackCut& cut = *queued.track;
            double seconds = cut.seconds().value_or(0.0);
            if (!cut.seconds()) {
                auto image = images.constFind(cut.image);
                if (image == images.constEnd()) {
                    image = images.insert(cut.image, ImageLength::of(cut.image));
                }
                item.estimated = !image->exact;
                seconds =
                    std::max(0.0, image->seconds - static_cast<double>(cut.startFrames) / 75.0);
                const auto [sum, count] = cutSeconds.value(cut.image);
                if (item.estimated && seconds <= 0.0 && count > 0) {
                    seconds = sum / count;
                }
            }
            item.seconds = seconds;
            m_knownSeconds += seconds;
        }
        m_items.push_back(std::move(item));
    }
    m_noun = tracks == 0              ? QStringLiteral("files")
             : tracks == items.size() ? QStringLiteral("tracks")
                                      : QStringLiteral("files and tracks");
    m_clock.start();
    connect(&run, &ConversionRun::fileStarted, this, &ConvertProgress::onStarted);
    connect(&run, &ConversionRun::progressChanged, this, &ConvertProgress::onProgress);
    connect(&run, &ConversionRun::fileFinished, this, &ConvertProgress::onFinished);
    m_redraw.setInterval(kRedrawMilliSeconds);
    connect(&m_redraw, &QTimer::timeout, this, [this] {
        if (m_dirty) {
            redraw();
        }
    });
    if (m_mode == Mode::Terminal) {
        m_redraw.start();
    }
}

void ConvertProgress::print(const QString& text) {
    std::fputs(text.toUtf8().constData(), m_out);
    std::fflush(m_out);
}

ConvertProgress::LaneView& ConvertProgress::view(int lane) {
    if (static_cast<size_t>(lane) >= m_lanes.size()) {
        m_lanes.resize(static_cast<size_t>(lane) + 1);
    }
    return m_lanes[static_cast<size_t>(lane)];
}

qsizetype ConvertProgress::take(const QString& input) {
    while (m_firstUntaken < static_cast<qsizetype>(m_items.size()) &&
           m_items[static_cast<size_t>(m_firstUntaken)].taken) {
        ++m_firstUntaken;
    }
    for (qsizetype i = m_firstUntaken; i < static_cast<qsizetype>(m_items.size()); ++i) {
        Item& item = m_items[static_cast<size_t>(i)];
        if (!item.taken && item.input == input) {
            item.taken = true;
            return i;
        }
    }
    return -1;
}

void ConvertProgress::learnSeconds(Item& item, double seconds) {
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

double ConvertProgress::secondsPerByte() const {
    // APE files of one collection are much alike, so the files whose duration is known give a
    // fair rate for the rest; with none known yet, that of losslessly compressed CD audio.
    return m_rateBytes > 0 ? m_rateSeconds / static_cast<double>(m_rateBytes)
                           : ImageLength::estimatedSeconds(1);
}

double ConvertProgress::itemSeconds(const Item& item) const {
    return item.seconds ? *item.seconds : static_cast<double>(item.bytes) * secondsPerByte();
}

QString ConvertProgress::overallLine() const {
    const double total = m_knownSeconds + static_cast<double>(m_unknownBytes) * secondsPerByte();
    double done =
        m_finishedKnownSeconds + static_cast<double>(m_finishedUnknownBytes) * secondsPerByte();
    for (const LaneView& lane : m_lanes) {
        if (lane.busy && lane.item >= 0) {
            done += lane.fraction * itemSeconds(m_items[static_cast<size_t>(lane.item)]);
        }
    }
    const double share = total > 0.0 ? std::clamp(done / total, 0.0, 1.0) : 0.0;
    const double elapsed = static_cast<double>(m_clock.elapsed()) / 1000.0;
    QString line = QStringLiteral("%1/%2 %3  %4%  %5 elapsed")
                       .arg(m_finished)
                       .arg(m_items.size())
                       .arg(m_noun)
                       .arg(static_cast<int>(share * 100.0))
                       .arg(formatDuration(elapsed));
    if (share > 0.01 && share < 1.0) {
        line +=
            QStringLiteral(", about %1 left").arg(formatDuration(elapsed * (1.0 - share) / share));
    }
    return line;
}

void ConvertProgress::onStarted(int lane, const QString& input, const QString& output) {
    LaneView& v = view(lane);
    v.input = input;
    v.item = take(input);
    v.label.clear();
    v.fraction = 0.0;
    v.busy = true;
    if (m_mode == Mode::Plain) {
        print(QStringLiteral("started: %1 -> %2\n")
                  .arg(printable(NativeNames::userPath(input)), printable(output)));
    }
    m_dirty = true;
}

void ConvertProgress::onProgress(int lane, const ProgressReport& display) {
    LaneView& v = view(lane);
    v.label = display.complete ? QStringLiteral("100%") : display.figure + QLatin1Char('%');
    v.fraction = std::clamp(display.fraction, 0.0, 1.0);
    const int duration = m_run.DurationSeconds(lane);
    if (duration > 0 && v.item >= 0) {
        Item& item = m_items[static_cast<size_t>(v.item)];
        if (!item.seconds || item.estimated) {
            learnSeconds(item, duration);
        }
    }
    m_dirty = true;
}

void ConvertProgress::onFinished(int lane, const FileResult& result) {
    LaneView& v = view(lane);
    // A file that failed before its encoder started was never on the lane.
    const qsizetype index = v.busy && v.input == result.input ? v.item : take(result.input);
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
    if (result.status == FileStatus::Failed) {
        // Above the progress lines, which are drawn again below it.
        if (m_mode == Mode::Terminal && m_drawnLines > 0) {
            print(QStringLiteral("\x1b[%1A\r\x1b[J").arg(m_drawnLines));
            m_drawnLines = 0;
        }
        print(QStringLiteral("failed: %1: %2\n")
                  .arg(printable(NativeNames::userPath(result.input)),
                       printable(NativeNames::userPath(result.reason))));
    }
    if (m_mode == Mode::Plain) {
        print(overallLine() + QLatin1Char('\n'));
    }
    m_dirty = true;
}

void ConvertProgress::redraw() {
    m_dirty = false;
    QStringList lines;
    for (const LaneView& lane : m_lanes) {
        if (lane.busy) {
            lines << QStringLiteral("  %1  %2").arg(printable(fileName(lane.input)), lane.label);
        }
    }
    lines << overallLine();
    QString text;
    if (m_drawnLines > 0) {
        text += QStringLiteral("\x1b[%1A").arg(m_drawnLines);
    }
    for (const QString& line : lines) {
        text += QStringLiteral("\r\x1b[K") + line + QLatin1Char('\n');
    }
    text += QStringLiteral("\x1b[J");  // lines of lanes that went idle
    m_drawnLines = static_cast<int>(lines.size());
    print(text);
}

void ConvertProgress::finish() {
    m_redraw.stop();
    if (m_mode == Mode::Terminal && m_drawnLines > 0) {
        print(QStringLiteral("\x1b[%1A\r\x1b[J").arg(m_drawnLines));
        m_drawnLines = 0;
    }
}
