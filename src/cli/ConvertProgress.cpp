#include "ConvertProgress.h"

#include "filelist/NativeNames.h"
#include "text/PrintableText.h"

#include <QFileInfo>

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

ConvertProgress::ConvertProgress(ConversionRun& run, const QStringList& inputs, Mode mode,
                                 FILE* out)
    : m_run(run), m_mode(mode), m_out(out), m_inputs(inputs) {
    for (const QString& input : inputs) {
        const qint64 size = QFileInfo(input).size();
        m_sizes.insert(input, size);
        m_totalBytes += size;
    }
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

double ConvertProgress::secondsPerByte() const {
    // APE files of one collection are much alike, so the files whose duration is known give a
    // fair rate for the rest; with none known yet, sizes stand in for durations.
    return m_knownBytes > 0 ? m_knownSecondsSum / static_cast<double>(m_knownBytes) : 1.0;
}

double ConvertProgress::estimatedSeconds(const QString& input) const {
    const auto known = m_knownSeconds.constFind(input);
    if (known != m_knownSeconds.constEnd()) {
        return known.value();
    }
    return static_cast<double>(m_sizes.value(input)) * secondsPerByte();
}

QString ConvertProgress::overallLine() const {
    const double total =
        m_knownSecondsSum + static_cast<double>(m_totalBytes - m_knownBytes) * secondsPerByte();
    double done =
        m_finishedKnownSeconds + static_cast<double>(m_finishedUnknownBytes) * secondsPerByte();
    for (const LaneView& lane : m_lanes) {
        if (lane.busy) {
            done += lane.fraction * estimatedSeconds(lane.input);
        }
    }
    const double share = total > 0.0 ? std::clamp(done / total, 0.0, 1.0) : 0.0;
    const double elapsed = static_cast<double>(m_clock.elapsed()) / 1000.0;
    QString line = QStringLiteral("%1/%2 files  %3%  %4 elapsed")
                       .arg(m_finished)
                       .arg(m_inputs.size())
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
    if (duration > 0 && !m_knownSeconds.contains(v.input)) {
        m_knownSeconds.insert(v.input, duration);
        m_knownSecondsSum += duration;
        m_knownBytes += m_sizes.value(v.input);
    }
    m_dirty = true;
}

void ConvertProgress::onFinished(int lane, const FileResult& result) {
    LaneView& v = view(lane);
    v.busy = false;
    ++m_finished;
    const auto known = m_knownSeconds.constFind(result.input);
    if (known != m_knownSeconds.constEnd()) {
        m_finishedKnownSeconds += known.value();
    } else {
        m_finishedUnknownBytes += m_sizes.value(result.input);
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
