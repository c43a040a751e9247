#include "ProgressText.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

ProgressReport report(ProgressReport::Style style, double fraction, const char* figure,
                      bool complete = false) {
    ProgressReport r;
    r.style = style;
    r.fraction = fraction;
    r.figure = QString::fromUtf8(figure);
    r.glyph = QStringLiteral("|");
    r.complete = complete;
    return r;
}

}  // namespace

TEST(ProgressTextTest, TheWindowsWordsAndTwipsForEachKindOfReport) {
    using Style = ProgressReport::Style;
    EXPECT_EQ(progressLabel(ProgressReport{}), "0%");
    EXPECT_EQ(barWidthTwips(ProgressReport{}), 0.0);

    // time=45.00 of 205 s: 21.9 %, a bar of 1188.6 twips.
    const ProgressReport creating = report(Style::Ffmpeg, 45.0 / 205.0, "21.9");
    EXPECT_EQ(progressLabel(creating), QString::fromUtf8("创建中| 21.9%"));
    EXPECT_NEAR(barWidthTwips(creating), 1188.66, 0.005);
    EXPECT_EQ(progressLabel(report(Style::Ffmpeg, 1.0, "100", true)),
              QString::fromUtf8("完成 100%"));

    // ( 5%) from the video encoder: 270.75 twips.
    const ProgressReport converting = report(Style::Mencoder, 0.05, "5");
    EXPECT_EQ(progressLabel(converting), QString::fromUtf8("转换中| 5%"));
    EXPECT_DOUBLE_EQ(barWidthTwips(converting), 270.75);
    const ProgressReport finished = report(Style::Mencoder, 1.0, "100", true);
    EXPECT_EQ(progressLabel(finished), QString::fromUtf8("结束 100%"));
    EXPECT_DOUBLE_EQ(barWidthTwips(finished), 5415.0);
}

TEST(ProgressTextTest, TheFailureMessageFitsTheScreenAndShowsNoControlCharacters) {
    QList<FileResult> results;
    results << FileResult{"/m/ok.ape", "/o/ok.mp3", FileStatus::Converted, {}, 1.0};
    for (const char* name : {"/m/a\x1b]0;x\x07.ape", "/m/b.ape", "/m/c.ape"}) {
        results << FileResult{QString::fromUtf8(name),
                              {},
                              FileStatus::Failed,
                              QString::fromUtf8("bad \u202Eevil"),
                              1.0};
    }
    results << FileResult{"/m/" + QString(5000, 'x'), {}, FileStatus::Failed, "long", 1.0};

    const QString text = failureMessage(results, 2);
    EXPECT_TRUE(
        text.startsWith(QString::fromUtf8("以下文件转换失败：\n\n/m/a\\x1B]0;x\\x07.ape\n"
                                          "bad \\u202Eevil\n\n/m/b.ape")))
        << text.toStdString();
    EXPECT_FALSE(text.contains("c.ape"));
    EXPECT_TRUE(text.endsWith(QString::fromUtf8("……还有 2 个文件"))) << text.toStdString();
    EXPECT_FALSE(text.contains("ok.ape"));
    // A path of thousands of characters is cut in the middle.
    EXPECT_LT(failureMessage(results.mid(4), 5).size(), 300);
}
