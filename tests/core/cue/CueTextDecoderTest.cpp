#include "cue/CueTextDecoder.h"

#include <gtest/gtest.h>

#include "CueTestFiles.h"

using CueTestFiles::albumSheet;
using CueTestFiles::encoded;

namespace {

const QString kSheet = QStringLiteral(
    "TITLE \"月光 Moonlight\"\r\nFILE \"Live Set.ape\" WAVE\r\n  TRACK 01 AUDIO\r\n"
    "    INDEX 01 00:00:00\r\n");

std::optional<CueText> decode(const QByteArray& bytes, const QString& forced = {},
                              QString* error = nullptr) {
    return CueTextDecoder::decode(bytes, forced, error);
}

}  // namespace

TEST(CueTextDecoderTest, ByteOrderMarksDecideTheUnicodeEncoding) {
    const struct {
        QByteArray bytes;
        const char* encoding;
    } cases[] = {
        {"\xEF\xBB\xBF" + kSheet.toUtf8(), "UTF-8"},
        {"\xFF\xFE" + encoded(kSheet, "UTF-16LE"), "UTF-16LE"},
        {"\xFE\xFF" + encoded(kSheet, "UTF-16BE"), "UTF-16BE"},
        {QByteArray("\xFF\xFE\0\0", 4) + encoded(kSheet, "UTF-32LE"), "UTF-32LE"},
        {encoded(kSheet, "UTF-16LE"), "UTF-16LE"},  // no mark: the NULs give it away
        {encoded(kSheet, "UTF-16BE"), "UTF-16BE"},
    };
    for (const auto& c : cases) {
        QString error;
        const std::optional<CueText> text = decode(c.bytes, {}, &error);
        ASSERT_TRUE(text.has_value()) << c.encoding << ": " << error.toStdString();
        EXPECT_EQ(text->text, kSheet) << c.encoding;  // the mark itself is not text
        EXPECT_EQ(text->encoding, QLatin1StringView(c.encoding));
        EXPECT_TRUE(text->warnings.isEmpty()) << c.encoding;
    }
}

TEST(CueTextDecoderTest, ValidUtf8WinsOverTheDetectorsGuess) {
    // uchardet calls the first one WINDOWS-1250, and the UTF-8 bytes of 月光 are valid GBK too.
    const QString sheets[] = {
        QStringLiteral("FILE \"a.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"Café\"\r\n"
                       "    INDEX 01 00:00:00\r\n"),
        QStringLiteral("TITLE \"月光\"\n"),
    };
    for (const QString& sheet : sheets) {
        const std::optional<CueText> text = decode(sheet.toUtf8());
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(text->encoding, QStringLiteral("UTF-8"));
        EXPECT_EQ(text->text, sheet);
    }
}

TEST(CueTextDecoderTest, LegacyChineseAndJapaneseSheetsAreDetected) {
    const struct {
        QString sheet;
        const char* writtenAs;
        const char* readAs;  // the Windows code page the detector's answer stands for
    } cases[] = {
        {albumSheet(
             QStringLiteral("中国民乐精选"), QStringLiteral("中央民族乐团"),
             {QStringLiteral("月光"), QStringLiteral("春江花月夜"), QStringLiteral("梁祝"),
              QStringLiteral("二泉映月"), QStringLiteral("茉莉花"), QStringLiteral("高山流水"),
              QStringLiteral("渔舟唱晚"), QStringLiteral("平沙落雁")}),
         "GB18030", "GB18030"},
        {albumSheet(
             QStringLiteral("中國民樂精選"), QStringLiteral("香港中樂團"),
             {QStringLiteral("月光"), QStringLiteral("春江花月夜"), QStringLiteral("梁祝協奏曲"),
              QStringLiteral("二泉映月"), QStringLiteral("茉莉花"), QStringLiteral("高山流水"),
              QStringLiteral("漁舟唱晚"), QStringLiteral("陽關三疊")}),
         "BIG5", "CP950"},
        {albumSheet(
             QStringLiteral("日本の歌"), QStringLiteral("東京交響楽団"),
             {QStringLiteral("さくらさくら"), QStringLiteral("荒城の月"),
              QStringLiteral("赤とんぼ"), QStringLiteral("故郷"), QStringLiteral("夕焼け小焼け"),
              QStringLiteral("春の海"), QStringLiteral("浜辺の歌"), QStringLiteral("朧月夜")}),
         "SHIFT_JIS", "CP932"},
    };
    for (const auto& c : cases) {
        QString error;
        const std::optional<CueText> text = decode(encoded(c.sheet, c.writtenAs), {}, &error);
        ASSERT_TRUE(text.has_value()) << c.writtenAs << ": " << error.toStdString();
        EXPECT_EQ(text->encoding, QLatin1StringView(c.readAs));
        EXPECT_EQ(text->text, c.sheet) << c.writtenAs;
        EXPECT_TRUE(text->warnings.isEmpty()) << c.writtenAs;
    }
}

TEST(CueTextDecoderTest, ForcedEncodingReplacesDetection) {
    // Too short for a detector to be sure of; named, it reads right (names in any case).
    const QString big5 = QStringLiteral("TITLE \"陽關三疊\"\r\n");
    std::optional<CueText> text = decode(encoded(big5, "BIG5"), QStringLiteral("big5"));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->text, big5);
    EXPECT_EQ(text->encoding, QStringLiteral("CP950"));

    // Shift_JIS is read as Windows writes it: 0x5C in a path stays a backslash, not a yen sign.
    const QString path = QStringLiteral("FILE \"C:\\Rips\\朧月夜.wav\" WAVE\r\n");
    text = decode(encoded(path, "CP932"), QStringLiteral("Shift_JIS"));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->text, path);

    // Forcing beats even valid UTF-8: the bytes E6 9C 88 E5 85 89 read as GB18030.
    text = decode(QStringLiteral("月光").toUtf8(), QStringLiteral("GB18030"));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->text, QStringLiteral("鏈堝厜"));

    // The mark of the forced encoding itself is still dropped.
    text = decode("\xEF\xBB\xBF" + kSheet.toUtf8(), QStringLiteral("utf-8"));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->text, kSheet);

    QString error;
    EXPECT_FALSE(decode(kSheet.toUtf8(), QStringLiteral("KLINGON"), &error).has_value());
    EXPECT_EQ(error, QStringLiteral("unknown encoding \"KLINGON\""));
}

TEST(CueTextDecoderTest, BytesOutsideTheEncodingBecomeReplacementCharactersWithAWarning) {
    // A stray 0xFF in a title, and a sheet cut off in the middle of a two-byte character.
    const QByteArray gb = encoded(QStringLiteral("TITLE \"春江"), "GB18030");
    const QByteArray bytes = gb + "\xFF" + encoded(QStringLiteral("花月夜\"\r\n"), "GB18030");
    std::optional<CueText> text = decode(bytes + "\xB4", QStringLiteral("GB18030"));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->text, QStringLiteral("TITLE \"春江\uFFFD花月夜\"\r\n\uFFFD"));
    EXPECT_EQ(text->warnings,
              QStringList{QStringLiteral("2 byte(s) that are not valid GB18030 were replaced")});

    // A UTF-8 mark in front of bytes that are not UTF-8.
    text = decode(
        "\xEF\xBB\xBF"
        "TITLE \"\xC3\x28\"");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->text, QStringLiteral("TITLE \"\uFFFD(\""));
    EXPECT_EQ(text->warnings,
              QStringList{QStringLiteral("bytes that are not valid UTF-8 were replaced")});
}
