#include "cue/ImageLength.h"

#include "platform/UserFile.h"

#include <QByteArray>
#include <QFileInfo>

namespace {

constexpr double kCdBytesPerSecond = 44100.0 * 2 * 2;
constexpr double kLosslessShare = 0.6;
// The descriptor and header of a current Monkey's Audio file, with room for an unusual
// descriptor size.
constexpr qint64 kHeadBytes = 256;

quint32 littleEndian(QByteArrayView bytes, qsizetype at, int size) {
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<quint8>(bytes[at + i]);
    }
    return value;
}

// Bytes an ID3v2 tag takes at the start of a file (some taggers put one before the audio).
qint64 id3v2Size(QByteArrayView head) {
    if (head.size() < 10 || !head.startsWith("ID3")) {
        return 0;
    }
    qint64 size = 0;
    for (int i = 6; i < 10; ++i) {
        size = (size << 7) | (static_cast<quint8>(head[i]) & 0x7F);  // 7 bits a byte
    }
    const bool footer = (static_cast<quint8>(head[5]) & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

}  // namespace

std::optional<double> ImageLength::monkeysAudioSeconds(QByteArrayView head) {
    if (head.size() < 32 || !head.startsWith("MAC ")) {
        return std::nullopt;
    }
    const quint32 version = littleEndian(head, 4, 2);
    quint32 blocksPerFrame = 0;
    quint32 finalFrameBlocks = 0;
    quint32 totalFrames = 0;
    quint32 sampleRate = 0;
    if (version >= 3980) {
        // A descriptor (its own size at byte 8), then the header.
        const quint32 header = littleEndian(head, 8, 4);
        if (header < 8 || header > static_cast<quint32>(head.size()) - 24) {
            return std::nullopt;
        }
        blocksPerFrame = littleEndian(head, header + 4, 4);
        finalFrameBlocks = littleEndian(head, header + 8, 4);
        totalFrames = littleEndian(head, header + 12, 4);
        sampleRate = littleEndian(head, header + 20, 4);
    } else {
        // Older files: one header, whose frame size went with the version and level.
        const quint32 level = littleEndian(head, 6, 2);
        sampleRate = littleEndian(head, 12, 4);
        totalFrames = littleEndian(head, 24, 4);
        finalFrameBlocks = littleEndian(head, 28, 4);
        blocksPerFrame = version >= 3950                                         ? 73728 * 4
                         : version >= 3900 || (version >= 3800 && level >= 4000) ? 73728
                                                                                 : 9216;
    }
    if (sampleRate == 0 || totalFrames == 0 || finalFrameBlocks > blocksPerFrame) {
        return std::nullopt;
    }
    const double blocks = static_cast<double>(totalFrames - 1) * blocksPerFrame + finalFrameBlocks;
    return blocks / sampleRate;
}

double ImageLength::estimatedSeconds(qint64 bytes) {
    return static_cast<double>(bytes) / (kCdBytesPerSecond * kLosslessShare);
}

ImageLength ImageLength::of(const QString& path) {
    const QFileInfo info(path);
    const qint64 size = info.isFile() ? info.size() : 0;  // no waiting on a FIFO
    if (info.suffix().compare(QLatin1StringView("ape"), Qt::CaseInsensitive) == 0 && size > 0) {
        UserFile file(path);
        std::optional<QByteArray> head = file.readAll(kHeadBytes);
        const qint64 skip = head ? id3v2Size(*head) : 0;
        if (skip > 0 && skip < file.size()) {
            head = file.readAt(skip, qMin<qint64>(kHeadBytes, file.size() - skip));
        }
        if (const std::optional<double> seconds =
                head ? monkeysAudioSeconds(*head) : std::nullopt) {
            return {*seconds, true};
        }
    }
    if (info.suffix().compare(QLatin1StringView("wav"), Qt::CaseInsensitive) == 0) {
        return {static_cast<double>(size) / kCdBytesPerSecond, false};
    }
    return {estimatedSeconds(size), false};
}
