#include "cue/CueParser.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "CueTestFiles.h"

namespace {

CueSheet parsed(const QString& text) {
    QString error;
    const std::optional<CueSheet> sheet = CueParser::parse(text, &error);
    EXPECT_TRUE(sheet.has_value()) << error.toStdString();
    return sheet.value_or(CueSheet());
}

QString parseError(const QStringList& lines) {
    QString error;
    EXPECT_FALSE(CueParser::parse(lines.join(QStringLiteral("\r\n")), &error).has_value())
        << lines.join(u'|').toStdString();
    return error;
}

// Everything the parser read, as one comparable list.
QStringList summary(const CueSheet& sheet) {
    QStringList out = {sheet.title, sheet.performer, sheet.genre, sheet.date};
    for (const CueSheetFile& file : sheet.files) {
        out << QStringLiteral("file %1 [%2]").arg(file.name, file.type);
    }
    for (const CueSheetTrack& track : sheet.tracks) {
        out << QStringLiteral("track %1 %2 audio=%3 file=%4 \"%5\" \"%6\" %7 %8")
                   .arg(track.number)
                   .arg(track.type)
                   .arg(track.audio ? QStringLiteral("yes") : QStringLiteral("no"))
                   .arg(track.file)
                   .arg(track.title, track.performer,
                        track.index0 ? track.index0->toText() : QStringLiteral("-"),
                        track.index1.toText());
    }
    return out;
}

}  // namespace

TEST(CueParserTest, LayoutQuotesCaseAndLineEndsDoNotChangeTheSheet) {
    const QStringList tidy = {QStringLiteral("REM GENRE Ambient"),
                              QStringLiteral("REM DATE 2021"),
                              QStringLiteral("PERFORMER \"Test Ensemble\""),
                              QStringLiteral("TITLE \"Live Set\""),
                              QStringLiteral("FILE \"Live Set.ape\" WAVE"),
                              QStringLiteral("  TRACK 01 AUDIO"),
                              QStringLiteral("    TITLE \"Opening\""),
                              QStringLiteral("    INDEX 01 00:00:00"),
                              QStringLiteral("  TRACK 02 AUDIO"),
                              QStringLiteral("    TITLE \"月光 Moonlight\""),
                              QStringLiteral("    PERFORMER \"Guest Player\""),
                              QStringLiteral("    INDEX 00 00:03:70"),
                              QStringLiteral("    INDEX 01 00:04:00")};
    const QStringList expected = {
        QStringLiteral("Live Set"),
        QStringLiteral("Test Ensemble"),
        QStringLiteral("Ambient"),
        QStringLiteral("2021"),
        QStringLiteral("file Live Set.ape [WAVE]"),
        QStringLiteral("track 1 AUDIO audio=yes file=0 \"Opening\" \"\" - 00:00:00"),
        QStringLiteral("track 2 AUDIO audio=yes file=0 \"月光 Moonlight\" \"Guest Player\" "
                       "00:03:70 00:04:00")};
    for (const QString& end :
         {QStringLiteral("\r\n"), QStringLiteral("\n"), QStringLiteral("\r")}) {
        EXPECT_EQ(summary(parsed(tidy.join(end) + end)), expected);
    }

    // Tabs, blank lines, lower case, values without quotes, mixed line ends, a mark in front
    // and no line end after the last line.
    const QString untidy = QStringLiteral(
        "\uFEFF\tREM\tGENRE\t\"Ambient\" \r\n"
        "rem date 2021\n"
        "\r\n"
        "Performer Test Ensemble\r"
        "TITLE\t\"Live Set\"\t\n"
        "file Live Set.ape WAVE\n"
        "track 1 audio\n"
        "\t\ttitle Opening\r\n"
        "INDEX 1 0:0:0\n"
        "\n\n"
        "Track 02 Audio\r\n"
        " TITLE \"月光 Moonlight\"\r\n"
        " PERFORMER   Guest Player \r\n"
        " index 00 00:03:70\r\n"
        " Index 01 00:04:00");
    EXPECT_EQ(summary(parsed(untidy)), expected);
}

TEST(CueParserTest, AlbumAndTrackFieldsAndWhatIsSkipped) {
    const QStringList lines = {QStringLiteral("REM GENRE \"Post Rock\""),
                               QStringLiteral("REM DATE 2021"),
                               QStringLiteral("REM COMMENT \"ExactAudioCopy v1.6\""),
                               QStringLiteral("REM COMMENT \"broken"),
                               QStringLiteral("REM GENRE"),
                               QStringLiteral("REM DISCNUMBER 2"),
                               QStringLiteral("REM TOTALDISCS two"),
                               QStringLiteral("REM DISCID 12345678"),
                               QStringLiteral("REM REPLAYGAIN_ALBUM_GAIN -7.50 dB"),
                               QStringLiteral("CATALOG 0724384960650"),
                               QStringLiteral("CDTEXTFILE \"Live Set.cdt\""),
                               QStringLiteral("PERFORMER \"Test Ensemble\""),
                               QStringLiteral("SONGWRITER \"Album Writer\""),
                               QStringLiteral("TITLE \"Live Set\""),
                               QStringLiteral("FILE \"Live Set.ape\" WAVE"),
                               QStringLiteral("  TRACK 01 AUDIO"),
                               QStringLiteral("    TITLE \"Say \"Hello\" twice\""),
                               QStringLiteral("    SONGWRITER \"Track Writer\""),
                               QStringLiteral("    ISRC USRC17607839"),
                               QStringLiteral("    FLAGS DCP pre"),
                               QStringLiteral("    PREGAP 00:02:00"),
                               QStringLiteral("    INDEX 01 00:00:00"),
                               QStringLiteral("    INDEX 02 00:01:00"),
                               QStringLiteral("    POSTGAP 00:01:10"),
                               QStringLiteral("  TRACK 02 MODE1/2352"),
                               QStringLiteral("    INDEX 01 00:10:00"),
                               QStringLiteral("  TRACK 03 AUDIO"),
                               QStringLiteral("    ARRANGER \"Someone\""),
                               QStringLiteral("    INDEX 01 00:20:00")};
    const CueSheet sheet = parsed(lines.join(QStringLiteral("\r\n")));
    EXPECT_EQ(sheet.genre, QStringLiteral("Post Rock"));
    EXPECT_EQ(sheet.date, QStringLiteral("2021"));
    EXPECT_EQ(sheet.comment, QStringLiteral("ExactAudioCopy v1.6"));
    EXPECT_EQ(sheet.discNumber, 2);
    EXPECT_EQ(sheet.totalDiscs, 0);
    EXPECT_EQ(sheet.catalog, QStringLiteral("0724384960650"));
    EXPECT_EQ(sheet.performer, QStringLiteral("Test Ensemble"));
    EXPECT_EQ(sheet.songwriter, QStringLiteral("Album Writer"));
    EXPECT_EQ(sheet.title, QStringLiteral("Live Set"));

    ASSERT_EQ(sheet.tracks.size(), 3);
    const CueSheetTrack& first = sheet.tracks[0];
    EXPECT_EQ(first.title, QStringLiteral("Say \"Hello\" twice"));  // the last quote closes
    EXPECT_EQ(first.songwriter, QStringLiteral("Track Writer"));
    EXPECT_TRUE(first.performer.isEmpty());
    EXPECT_EQ(first.isrc, QStringLiteral("USRC17607839"));
    EXPECT_EQ(first.flags, (QStringList{QStringLiteral("DCP"), QStringLiteral("PRE")}));
    EXPECT_EQ(first.pregap, CueTime::fromFrames(150));
    EXPECT_EQ(first.postgap, CueTime::fromFrames(85));
    EXPECT_EQ(first.index1, CueTime());  // INDEX 02 moved nothing
    EXPECT_FALSE(first.index0.has_value());

    EXPECT_FALSE(sheet.tracks[1].audio);  // kept, so that it still ends track 1
    EXPECT_EQ(sheet.tracks[1].type, QStringLiteral("MODE1/2352"));
    EXPECT_TRUE(sheet.tracks[2].audio);
    EXPECT_EQ(sheet.tracks[2].index1, CueTime::fromFrames(20 * 75));

    EXPECT_EQ(sheet.warnings,
              (QStringList{QStringLiteral("line 4: REM COMMENT has an unclosed quote; skipped"),
                           QStringLiteral("line 7: REM TOTALDISCS \"two\" is not a disc count; "
                                          "skipped"),
                           QStringLiteral("line 28: unknown command \"ARRANGER\" skipped")}));
}

TEST(CueParserTest, FaultsFailTheSheetAndNameTheirLine) {
    const QStringList start = {
        QStringLiteral("TITLE \"Live Set\""), QStringLiteral("FILE \"Live Set.ape\" WAVE"),
        QStringLiteral("  TRACK 01 AUDIO"), QStringLiteral("    INDEX 01 00:02:00")};
    const QString track2 = QStringLiteral("  TRACK 02 AUDIO");
    const struct {
        QStringList lines;
        const char* error;
    } cases[] = {
        {start + QStringList{track2, QStringLiteral("    INDEX 01 00:04")},
         "line 6: INDEX needs mm:ss:ff, not \"00:04\""},
        {start + QStringList{track2, QStringLiteral("    INDEX 01 00:04:75")},
         "line 6: INDEX needs mm:ss:ff, not \"00:04:75\""},
        {start + QStringList{track2, QStringLiteral("    INDEX 1")},
         "line 6: INDEX needs a number and mm:ss:ff, not \"1\""},
        // Numbers may skip (a warning says so), but never repeat or go down.
        {start + QStringList{QStringLiteral("  TRACK 01 AUDIO")},
         "line 5: TRACK 01 follows TRACK 01 (numbers must go up)"},
        {start + QStringList{QStringLiteral("  TRACK 03 AUDIO"),
                             QStringLiteral("INDEX 01 00:04:00"), track2},
         "line 7: TRACK 02 follows TRACK 03 (numbers must go up)"},
        {start + QStringList{QStringLiteral("  TRACK 00 AUDIO")},
         "line 5: TRACK number must be 1 to 99, not \"00\""},
        {start + QStringList{QStringLiteral("  TRACK 02")},
         "line 5: TRACK needs a number and a type, not \"02\""},
        // A misspelt INDEX is skipped like any unknown command; its track then has no start.
        {start + QStringList{track2, QStringLiteral("    INDX 01 00:04:00"),
                             QStringLiteral("  TRACK 03 AUDIO")},
         "line 5: TRACK 02 has no INDEX 01"},
        {start + QStringList{track2, QStringLiteral("    TITLE \"Last\"")},
         "line 5: TRACK 02 has no INDEX 01"},
        {{QStringLiteral("FILE \"Live Set.ape\" WAVE"), QString(),
          QStringLiteral("INDEX 01 00:00:00")},
         "line 3: INDEX before any TRACK"},
        // Every kind of line end counts once: LF, LF, CR, then CR LF.
        {{QStringLiteral("FILE \"a.wav\" WAVE\n\n\rTRACK 01 AUDIO"),
          QStringLiteral("INDEX 01 0:0")},
         "line 5: INDEX needs mm:ss:ff, not \"0:0\""},
        {{QStringLiteral("TITLE \"Live Set\""), QStringLiteral("TRACK 01 AUDIO")},
         "line 2: TRACK before any FILE"},
        {{QStringLiteral("FILE \"Live Set.ape\" WAVE"), QStringLiteral("ISRC USRC17607839")},
         "line 2: ISRC before any TRACK"},
        {start + QStringList{track2, QStringLiteral("    TITLE \"Moon")},
         "line 6: TITLE has an unclosed quote"},
        {start + QStringList{QStringLiteral("    TITLE \"Moon\" light")},
         "line 5: TITLE has text after its closing quote: \"Moon\" light"},
        {start + QStringList{QStringLiteral("    PREGAP 2s")},
         "line 5: PREGAP needs mm:ss:ff, not \"2s\""},
        {start + QStringList{QStringLiteral("    INDEX 01 00:03:00")},
         "line 5: second INDEX 01 in TRACK 01"},
        {start + QStringList{QStringLiteral("    INDEX 00 00:00:00")},
         "line 5: INDEX 00 after INDEX 01"},
        {start + QStringList{track2, QStringLiteral("    INDEX 01 00:02:00")},
         "line 6: INDEX 01 at 00:02:00 is not after TRACK 01 starts (00:02:00)"},
        {start + QStringList{track2, QStringLiteral("    INDEX 00 00:01:74")},
         "line 6: INDEX 00 at 00:01:74 is before TRACK 01 starts (00:02:00)"},
        {start + QStringList{track2, QStringLiteral("    INDEX 00 00:05:00"),
                             QStringLiteral("    INDEX 01 00:04:00")},
         "line 7: INDEX 01 at 00:04:00 is before INDEX 00 (00:05:00)"},
        {{QStringLiteral("FILE"), QStringLiteral("TRACK 01 AUDIO")}, "line 1: FILE needs a name"},
        {{QStringLiteral("TITLE \"Live Set\""), QStringLiteral("FILE \"Live Set.ape\" WAVE")},
         "the sheet has no TRACK"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseError(c.lines), QString::fromUtf8(c.error));
    }
}
