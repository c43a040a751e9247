#include "cue/CueTrackTable.h"

#include <gtest/gtest.h>

#include "cue/CueParser.h"
#include "cue/TrackCut.h"

#include "CueTestFiles.h"

namespace {

CueTrackTable tableOf(const QString& text, const QStringList& images) {
    QString error;
    const std::optional<CueSheet> sheet = CueParser::parse(text, &error);
    EXPECT_TRUE(sheet.has_value()) << error.toStdString();
    return CueTrackTable::build(sheet.value_or(CueSheet()), images);
}

CueTime at(const char16_t* text) {
    return CueTime::fromText(text).value();
}

}  // namespace

TEST(CueTrackTableTest, PregapsStayWithThePreviousTrackAndMissingFieldsComeFromTheAlbum) {
    const CueTrackTable table = tableOf(QStringLiteral(R"(PERFORMER "Test Ensemble"
SONGWRITER "Album Writer"
TITLE "Live Set"
FILE "Live Set.ape" WAVE
  TRACK 01 AUDIO
    TITLE "Opening"
    ISRC USRC17607839
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    PERFORMER "Guest Player"
    SONGWRITER "Guest Writer"
    INDEX 00 00:03:50
    INDEX 01 00:04:00
  TRACK 03 AUDIO
    TITLE "Closing"
    INDEX 00 00:07:00
    INDEX 01 00:07:38
)"),
                                        {QStringLiteral("/music/Live Set.ape")});
    ASSERT_EQ(table.tracks.size(), 3);
    const CueTrack& opening = table.tracks[0];
    EXPECT_EQ(opening.start, CueTime());
    EXPECT_EQ(opening.end, at(u"00:04:00"));  // not 00:03:50: the pregap ends track 1
    EXPECT_EQ(opening.length(), CueTime::fromFrames(4 * 75));
    EXPECT_EQ(opening.performer, QStringLiteral("Test Ensemble"));
    EXPECT_EQ(opening.songwriter, QStringLiteral("Album Writer"));
    EXPECT_EQ(opening.isrc, QStringLiteral("USRC17607839"));
    EXPECT_EQ(opening.image, QStringLiteral("/music/Live Set.ape"));

    const CueTrack& second = table.tracks[1];
    EXPECT_EQ(second.title, QStringLiteral("Track 02"));
    EXPECT_EQ(second.performer, QStringLiteral("Guest Player"));
    EXPECT_EQ(second.songwriter, QStringLiteral("Guest Writer"));
    EXPECT_EQ(second.start.toSamples(44100), 176400);
    EXPECT_EQ(second.end->toSamples(44100), 331044);  // 00:07:38: track 3's pregap is in here
    EXPECT_EQ(second.length()->frames(), 3 * 75 + 38);

    const CueTrack& closing = table.tracks[2];
    EXPECT_EQ(closing.start.toSamples(48000), 360320);
    EXPECT_FALSE(closing.end.has_value());  // runs to the end of the image
    EXPECT_FALSE(closing.length().has_value());
}

TEST(CueTrackTableTest, EachFileHasItsOwnTracksAndItsLastTrackRunsToItsEnd) {
    const CueTrackTable table = tableOf(QStringLiteral(R"(FILE "Disc A.ape" WAVE
  TRACK 01 AUDIO
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    INDEX 01 00:04:00
FILE "Disc B.ape" WAVE
  TRACK 03 AUDIO
    INDEX 01 00:00:00
  TRACK 04 AUDIO
    INDEX 00 00:02:00
    INDEX 01 00:02:10
  TRACK 05 MODE1/2352
    INDEX 01 00:05:00
)"),
                                        {QStringLiteral("/a.ape"), QStringLiteral("/b.ape")});
    ASSERT_EQ(table.tracks.size(), 4);  // the data track is no track to convert
    const struct {
        int number;
        const char* image;
        qint64 start;
        std::optional<qint64> end;
    } expected[] = {
        {1, "/a.ape", 0, 4 * 75},
        {2, "/a.ape", 4 * 75, std::nullopt},
        {3, "/b.ape", 0, 2 * 75 + 10},
        {4, "/b.ape", 2 * 75 + 10, 5 * 75},  // up to where the data track starts
    };
    for (qsizetype i = 0; i < table.tracks.size(); ++i) {
        const CueTrack& track = table.tracks[i];
        EXPECT_EQ(track.number, expected[i].number);
        EXPECT_EQ(track.image, QLatin1StringView(expected[i].image)) << track.number;
        EXPECT_EQ(track.start.frames(), expected[i].start) << track.number;
        EXPECT_EQ(track.end ? std::optional(track.end->frames()) : std::nullopt, expected[i].end)
            << track.number;
    }

    // Ripped as one file per track with each gap at the end of the track before it: the FILE
    // line sits between a track's INDEX 00 and its INDEX 01, and the track lives in the new file.
    const CueTrackTable perTrack = tableOf(QStringLiteral(R"(FILE "01.wav" WAVE
  TRACK 01 AUDIO
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    INDEX 00 03:58:00
FILE "02.wav" WAVE
    INDEX 01 00:00:00
  TRACK 03 AUDIO
    INDEX 01 03:00:00
)"),
                                           {QStringLiteral("/01.wav"), QStringLiteral("/02.wav")});
    ASSERT_EQ(perTrack.tracks.size(), 3);
    EXPECT_EQ(perTrack.tracks[0].image, QStringLiteral("/01.wav"));
    EXPECT_FALSE(perTrack.tracks[0].end.has_value());  // the gap at the end of 01.wav included
    EXPECT_EQ(perTrack.tracks[1].image, QStringLiteral("/02.wav"));
    EXPECT_EQ(perTrack.tracks[1].start, CueTime());
    EXPECT_EQ(perTrack.tracks[1].end, at(u"03:00:00"));
}

TEST(CueTrackTableTest, OutputNamesAreSafeFileNames) {
    const struct {
        int number;
        QString title;
        QString name;
    } cases[] = {
        {1, QStringLiteral("Opening"), QStringLiteral("01 - Opening.mp3")},
        {2, QStringLiteral("月光 Moonlight"), QStringLiteral("02 - 月光 Moonlight.mp3")},
        {3, QStringLiteral("AC/DC: Live? \"Yes\" <1|2> *\\"),
         QStringLiteral("03 - AC_DC_ Live_ _Yes_ _1_2_ __.mp3")},
        {4, QStringLiteral(" ..Hidden. \u3000"), QStringLiteral("04 - Hidden.mp3")},
        {5, QStringLiteral(" ... "), QStringLiteral("05 - Track 05.mp3")},
        {6, QStringView(u"a\0b\tc\x7F", 6).toString(), QStringLiteral("06 - a_b_c_.mp3")},
        {12, QStringLiteral("Interlude"), QStringLiteral("12 - Interlude.mp3")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CueTrackTable::outputName(c.number, c.title), c.name);
    }

    // Names stay within 255 bytes of UTF-8 and are cut between whole characters.
    const QString moon = QStringLiteral("月");
    EXPECT_EQ(CueTrackTable::outputName(7, moon.repeated(200)),
              QStringLiteral("07 - ") + moon.repeated(82) + QStringLiteral(".mp3"));
    const QString note = QStringLiteral("\U0001F3B5");
    EXPECT_EQ(CueTrackTable::outputName(8, note.repeated(100)),
              QStringLiteral("08 - ") + note.repeated(61) + QStringLiteral(".mp3"));
    EXPECT_EQ(
        CueTrackTable::outputName(9, QStringLiteral("x").repeated(245) + QStringLiteral(". y")),
        QStringLiteral("09 - ") + QStringLiteral("x").repeated(245) + QStringLiteral(".mp3"));
}

TEST(CueTrackTableTest, RealWorldSheetsGiveEachTrackItsOwnNumberDateAndArtist) {
    // Tags of each track as "NN - Title|ARTIST|DATE|GENRE|TRACKNUMBER|ALBUMARTIST".
    const auto tagsOf = [](const QString& text) {
        QStringList rows;
        for (const TrackCut& cut : trackCuts(tableOf(text, {QStringLiteral("/a.ape")}))) {
            QStringList row = {cut.outputBase};
            for (const char* key : {"ARTIST", "DATE", "GENRE", "TRACKNUMBER", "ALBUMARTIST"}) {
                QString value;
                for (const auto& [tag, tagValue] : cut.tags) {
                    value = tag == QLatin1StringView(key) ? tagValue : value;
                }
                row << value;
            }
            rows << row.join(u'|');
        }
        return rows;
    };
    const struct {
        const char* what;
        const char* sheet;
        QStringList tracks;
    } cases[] = {
        {"numbers that skip are kept; the total is the highest",
         "PERFORMER Band\nFILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nTITLE One\nINDEX 01 00:00:00\n"
         "TRACK 02 AUDIO\nTITLE Two\nINDEX 01 00:01:00\nTRACK 09 AUDIO\nTITLE Nine\n"
         "INDEX 01 00:02:00\nTRACK 12 AUDIO\nTITLE Bonus\nINDEX 01 00:03:00\n",
         {"01 - One|Band|||1/12|Band", "02 - Two|Band|||2/12|Band", "09 - Nine|Band|||9/12|Band",
          "12 - Bonus|Band|||12/12|Band"}},
        {"remarks inside a track are that track's",
         "REM DATE 1999\nREM GENRE Pop\nFILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nTITLE Old\n"
         "REM DATE 1975\nREM GENRE Soul\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nTITLE New\n"
         "INDEX 01 00:01:00\n",
         {"01 - Old||1975|Soul|1/2|", "02 - New||1999|Pop|2/2|"}},
        {"a compilation's titles give the artists",
         "PERFORMER \"Various Artists\"\nFILE \"a.ape\" WAVE\nTRACK 01 AUDIO\n"
         "TITLE \"Nina Simone / Feeling Good\"\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
         "TITLE \"Queen - Under Pressure - Live\"\nINDEX 01 00:01:00\nTRACK 03 AUDIO\n"
         "TITLE \"Intro\"\nINDEX 01 00:02:00\nTRACK 04 AUDIO\nTITLE \"A - B\"\n"
         "PERFORMER \"Duo\"\nINDEX 01 00:03:00\nTRACK 05 AUDIO\nTITLE \" - Dash\"\n"
         "INDEX 01 00:04:00\n",
         {"01 - Feeling Good|Nina Simone|||1/5|Various Artists",
          "02 - Under Pressure - Live|Queen|||2/5|Various Artists",
          "03 - Intro|Various Artists|||3/5|Various Artists",
          "04 - A - B|Duo|||4/5|Various Artists",
          "05 - - Dash|Various Artists|||5/5|Various Artists"}},
        {"\"VA\" in any case is a compilation; other performers are not",
         "PERFORMER va\nFILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nTITLE \"X / Y\"\nINDEX 01 00:00:00\n",
         {"01 - Y|X|||1/1|va"}},
        {"a band's titles stay whole",
         "PERFORMER \"Various Bands\"\nFILE \"a.ape\" WAVE\nTRACK 01 AUDIO\nTITLE \"X - Y\"\n"
         "INDEX 01 00:00:00\n",
         {"01 - X - Y|Various Bands|||1/1|Various Bands"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tagsOf(QString::fromUtf8(c.sheet)), c.tracks) << c.what;
    }

    // One warning for a sheet whose numbers skip, however often they do.
    const CueTrackTable skipping = tableOf(QString::fromUtf8(cases[0].sheet), {"/a.ape"});
    EXPECT_EQ(skipping.warnings,
              QStringList{"line 9: TRACK 09 follows TRACK 02; the sheet's numbers are kept"});
}
