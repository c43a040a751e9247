#include "cue/ApeTag.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "CueTestFiles.h"

using CueTestFiles::apeTag;
using CueTestFiles::writeFile;

namespace {

const QByteArray kAudio = QByteArray("MAC ") + QByteArray(5000, '\x5A');

QByteArray id3v1() {
    return "TAG" + QByteArray(125, ' ');
}

}  // namespace

// Suites here start with "Cue" so that `ctest -R Cue` runs everything of the CUE reader.
TEST(CueApeTagTest, ItemsAreFoundWithOrWithoutHeaderAndBeforeAnId3v1Tag) {
    QTemporaryDir dir;
    const QByteArray cue = "FILE \"CDImage.wav\" WAVE\r\n";
    const QByteArray tag = apeTag({{"Title", "Live Set"}, {"CUESHEET", cue}, {"Year", "2021"}});
    const QByteArray tagWithHeader = apeTag({{"Title", "Live Set"}, {"CUESHEET", cue}}, true);
    const QByteArray files[] = {kAudio + tag, kAudio + tag + id3v1(), kAudio + tagWithHeader,
                                kAudio + tagWithHeader + id3v1()};
    for (const QByteArray& bytes : files) {
        const QString path = dir.filePath(QStringLiteral("image.ape"));
        writeFile(path, bytes);
        QString error;
        const std::optional<ApeTag> read = ApeTag::read(path, &error);
        ASSERT_TRUE(read.has_value()) << error.toStdString();
        ASSERT_GE(read->items().size(), 2);
        EXPECT_EQ(read->items()[0].key, QStringLiteral("Title"));
        EXPECT_EQ(read->items()[0].value, QByteArray("Live Set"));
        const ApeTagItem* sheet = read->find(u"Cuesheet");
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->key, QStringLiteral("CUESHEET"));
        EXPECT_EQ(sheet->value, cue);
        EXPECT_TRUE(sheet->text);
        EXPECT_EQ(read->find(u"Cuesheet2"), nullptr);
    }

    // Bits 1-2 of an item's flags mark binary data, which is no text to read a sheet from.
    QByteArray binary = apeTag({{"Cuesheet", cue}});
    binary[4] = 0x02;
    writeFile(dir.filePath(QStringLiteral("binary.ape")), kAudio + binary);
    const std::optional<ApeTag> read = ApeTag::read(dir.filePath(QStringLiteral("binary.ape")));
    ASSERT_TRUE(read.has_value());
    ASSERT_NE(read->find(u"cuesheet"), nullptr);
    EXPECT_FALSE(read->find(u"cuesheet")->text);
}

TEST(CueApeTagTest, UntaggedFilesGiveAnEmptyTagAndBrokenTagsAReason) {
    QString error;
    const std::optional<ApeTag> untagged =
        ApeTag::read(CueTestFiles::fixture(QStringLiteral("Live Set.ape")), &error);
    ASSERT_TRUE(untagged.has_value()) << error.toStdString();
    EXPECT_TRUE(untagged->items().isEmpty());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.ape"));
    const QByteArray tag = apeTag({{"Title", "Live Set"}});

    QByteArray tooLongValue = tag;
    tooLongValue[0] = 0x40;  // 64 bytes of value in a tag that holds 8
    writeFile(path, kAudio + tooLongValue);
    EXPECT_FALSE(ApeTag::read(path, &error).has_value());
    EXPECT_EQ(error, QStringLiteral("broken.ape: APE tag item 1 runs past the tag"));

    QByteArray biggerThanFile = tag;
    biggerThanFile[biggerThanFile.size() - 18] = 0x7F;  // third byte of the tag size: 8 MB
    writeFile(path, kAudio + biggerThanFile);
    EXPECT_FALSE(ApeTag::read(path, &error).has_value());
    EXPECT_EQ(error, QStringLiteral("broken.ape: APE tag sizes do not fit the file"));

    EXPECT_FALSE(ApeTag::read(dir.filePath(QStringLiteral("missing.ape")), &error).has_value());
    EXPECT_TRUE(error.startsWith(QStringLiteral("missing.ape: cannot be read")))
        << error.toStdString();
}
