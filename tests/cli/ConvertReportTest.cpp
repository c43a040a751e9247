#include "ConvertReport.h"

#include "conversion/TrackCut.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
        QJsonDocument::fromJson(jsonReport(results)).object().value("files").toArray();
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(files[0].toObject(), (QJsonObject{{"input", "/music/a.ape"},
                                                {"output", "/out/a_1.mp3"},
                                                {"status", "converted"},
                                                {"reason", ""},
                                                {"seconds", 1.5}}));
    EXPECT_EQ(files[1].toObject(), (QJsonObject{{"input", "/music/Album.ape"},
                                                {"track", 9},
                                                {"title", "Nine"},
                                                {"output", ""},
                                                {"status", "failed"},
                                                {"reason", "no space"},
                                                {"seconds", 2.0}}));
    // The text report names a track by its label.
    EXPECT_TRUE(textReport(results).contains("failed: /music/Album.ape #09 Nine\n  no space"));
}
