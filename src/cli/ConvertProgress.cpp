#include "ConvertProgress.h"

#include "filelist/NativeNames.h"
#include "text/PrintableText.h"

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

ConvertProgress::ConvertProgress(ConversionRun& run, const FileQueue& queue, Mode mode, FILE* out)
    : m_progress(run, queue), m_mode(mode), m_out(out) {
    const qsizetype tracks = m_progress.trackCount();
    m_noun = tracks == 0                        ? QStringLiteral("files")
             : tracks == m_progress.itemCount() ? QStringLiteral("tracks")
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

QString ConvertProgress::overallLine() const {
    const double share = m_progress.share();
    const double elapsed = static_cast<double>(m_clock.elapsed()) / 1000.0;
    QString line = QStringLiteral("%1/%2 %3  %4%  %5 elapsed")
                       .arg(m_progress.finishedCount())
                       .arg(m_progress.itemCount())
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
    v.label.clear();
    v.busy = true;
    if (m_mode == Mode::Plain) {
        print(QStringLiteral("started: %1 -> %2\n")
                  .arg(NativeNames::shown(input), printable(output)));
    }
    m_dirty = true;
}

void ConvertProgress::onProgress(int lane, const ProgressReport& display) {
    LaneView& v = view(lane);
    v.label = display.complete ? QStringLiteral("100%") : display.figure + QLatin1Char('%');
    m_dirty = true;
}

void ConvertProgress::onFinished(int lane, const FileResult& result) {
    view(lane).busy = false;
    if (result.status == FileStatus::Failed) {
        // Above the progress lines, which are drawn again below it.
        if (m_mode == Mode::Terminal && m_drawnLines > 0) {
            print(QStringLiteral("\x1b[%1A\r\x1b[J").arg(m_drawnLines));
            m_drawnLines = 0;
        }
        print(QStringLiteral("failed: %1: %2\n")
                  .arg(NativeNames::shown(result.input), NativeNames::shown(result.reason)));
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
