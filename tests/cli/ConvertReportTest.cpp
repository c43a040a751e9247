#include "ConvertReport.h"

#include "cue/TrackCut.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

TEST(ConvertReportTest, NamesAndReasonsReachTheTerminalWithoutControlCharacters) {
    // A name or a tag that would retitle the terminal, ring it, or reverse what follows.
    const QString input = QString::fromUtf8("/m/\x1b]2;owned\x07\u202Egpj.ape");
    const QString reason = QString::fromUtf8(
        "title \xc2\x9b"
        "31m \u2066x\u2069\nnext");
    const QList<FileResult> results = {
        {input, "/o/a.mp3", FileStatus::Converted, {}, 1.0},
        {input, {}, FileStatus::Failed, reason, 1.0},
    };
    const QString text = textReport(results);
    EXPECT_EQ(text, QString::fromUtf8("done: /m/\\x1B]2;owned\\x07\\u202Egpj.ape -> /o/a.mp3\n"
                                      "converted 1, failed 1\n"
                                      "failed: /m/\\x1B]2;owned\\x07\\u202Egpj.ape\n"
                                      "  title \\x9B31m \\u2066x\\u2069\\x0Anext\n"));

    // JSON carries the text itself, escaped as JSON escapes it: it reads back unchanged.
    const QByteArray json = jsonReport(results);
    EXPECT_FALSE(json.contains('\x1b'));
    const QJsonArray files = QJsonDocument::fromJson(json).object().value("files").toArray();
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(files.at(1).toObject().value("input").toString(), input);
    EXPECT_EQ(files.at(1).toObject().value("reason").toString(), reason);
}

TEST(ConvertReportTest, ATrackIsItsImageNumberAndTitleAWholeFileKeepsItsShape) {
    auto cut = std::make_shared<TrackCut>();
    cut->image = "/music/Album.ape";
    cut->number = 9;
    cut->title = "Nine";
    const QList<FileResult> results = {
        {"/music/a.ape", "/out/a_1.mp3", FileStatus::Converted, QString(), 1.5, nullptr},
        {cut->label(), "/out/09 - Nine.mp3", FileStatus::Failed, "no space", 2.0, cut},
    };
    const QJsonArray files =
        QJsonDocument::fromJson(jsonReport(results, "mp3")).object().value("files").toArray();
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(files[0].toObject(), (QJsonObject{{"input", "/music/a.ape"},
                                                {"output", "/out/a_1.mp3"},
                                                {"status", "converted"},
                                                {"reason", ""},
                                                {"seconds", 1.5},
                                                {"format", "mp3"}}));
    EXPECT_EQ(files[1].toObject(), (QJsonObject{{"input", "/music/Album.ape"},
                                                {"track", 9},
                                                {"title", "Nine"},
                                                {"output", ""},
                                                {"status", "failed"},
                                                {"reason", "no space"},
                                                {"seconds", 2.0},
                                                {"format", "mp3"}}));
    // The text report names a track by its label.
    EXPECT_TRUE(textReport(results).contains("failed: /music/Album.ape #09 Nine\n  no space"));
}
