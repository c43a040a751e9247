#include "cue/ImageLength.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "CueTestFiles.h"

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

QByteArray littleEndian(quint32 value, int size) {
    QByteArray bytes;
    for (int i = 0; i < size; ++i) {
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
    return bytes;
}

}  // namespace

TEST(ImageLengthTest, MonkeysAudioHeadersGiveTheExactLengthOtherFilesAnEstimate) {
    const QString ape = QStringLiteral(VORDANA_FIXTURES_DIR "/ape/");
    const QByteArray liveSet = bytesOf(CueTestFiles::fixture(QStringLiteral("Live Set.ape")));
    // A file of 3.99's time (version 3970): 3 frames of 294912 blocks, the last of 1000.
    const QByteArray older = "MAC " + littleEndian(3970, 2) + littleEndian(2000, 2) +
                             littleEndian(0, 2) + littleEndian(2, 2) + littleEndian(44100, 4) +
                             littleEndian(44, 4) + littleEndian(0, 4) + littleEndian(3, 4) +
                             littleEndian(1000, 4) + QByteArray(100, '\0');
    const QByteArray id3 = QByteArray("ID3\x04\0\0\0\0\x01\x00", 10) + QByteArray(128, 'x');

    const QTemporaryDir dir;
    const struct {
        const char* name;
        QByteArray bytes;
        double seconds;
        bool exact;
    } cases[] = {
        {"album.ape", liveSet, 12.5, true},
        {"hires.APE", bytesOf(ape + "music-48k-stereo-24bit-c3000.ape"), 4.0, true},
        {"tagged.ape", id3 + liveSet, 12.5, true},  // an ID3v2 tag in front
        {"old.ape", older, (2 * 294912 + 1000) / 44100.0, true},
        {"cut.ape", liveSet.first(20), 20 / 105840.0, false},
        {"text.ape", QByteArray("MAC is a computer").repeated(10), 170 / 105840.0, false},
        {"cd.wav", QByteArray(176400, '\0'), 1.0, false},
        {"album.flac", QByteArray(105840 * 3, '\0'), 3.0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromUtf8(c.name));
        CueTestFiles::writeFile(path, c.bytes);
        const ImageLength length = ImageLength::of(path);
        EXPECT_NEAR(length.seconds, c.seconds, 1e-9);
        EXPECT_EQ(length.exact, c.exact);
    }
    EXPECT_EQ(ImageLength::of(dir.filePath(QStringLiteral("missing.ape"))).seconds, 0.0);
}
