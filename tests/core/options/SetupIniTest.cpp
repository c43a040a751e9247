#include "options/SetupIni.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

// The values joined by '|', to compare whole files in one line.
std::string values(const QByteArray& bytes) {
    return parseSetupIni(bytes).values.join(QLatin1Char('|')).toStdString();
}

TEST(SetupIniTest, WritesFiveQuotedCrLfLinesAndReadsTheFolderBackUnchanged) {
    EXPECT_EQ(formatSetupIni(-1, 1, 0, QStringLiteral("/home/me/output"), 8),
              QByteArray("\"-1\"\r\n\"1\"\r\n\"0\"\r\n\"/home/me/output\"\r\n\"8\"\r\n"));
    for (const char* folder : {"", "/home/me/My Music, 2024/音乐 输出", "/home/me/say \"hi\"", "\"",
                               "  blanks around  ", "c:\\out\\"}) {
        SCOPED_TRACE(folder);
        const SetupIniLines lines =
            parseSetupIni(formatSetupIni(7, 1, 1, QString::fromUtf8(folder), 8));
        EXPECT_EQ(lines.values, QStringList({"7", "1", "1", QString::fromUtf8(folder), "8"}));
    }
}

TEST(SetupIniTest, ReadsWhateverLinesThereAre) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"\"3\"", "3"},
        {"\"3\"\n\"4\"\r\"5\"\r\n\r\n", "3|4|5|"},
        {"\"1\"\r\n\"2\"\r\n\"3\"\r\n\"/x\"\r\n\"4\"\r\n\"extra\"\r\n", "1|2|3|/x|4"},
        // Unquoted lines are trimmed; a quoted one ends at its last quote, or at the line end.
        {"  7 \r\n \"a b\" tail\r\n\"open\r\nx\"y\"\r\n", "7|a b|open|x\"y\""},
        {"\xEF\xBB\xBF\"5\"\r\n", "5"},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(values(bytes), expected) << bytes;
    }
}

TEST(SetupIniTest, IndexValuesAreWhole16BitNumbers) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"7", 7},           {"-1", -1},
        {" +3 ", 3},        {"7.00", 7},
        {"007", 7},         {"32767", 32767},
        {"-32768", -32768}, {"32768", {}},
        {"-32769", {}},     {"99999999999999999999", {}},
        {"", {}},           {"-", {}},
        {"7x", {}},         {"7.5", {}},
        {".0", {}},         {"--1", {}},
        {"7 .0", {}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(setupIndexValue(QString::fromUtf8(text)), expected) << text;
    }
}

TEST(SetupIniTest, WriteReplacesTheFileOrReportsFailure) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("setup.ini"));
    ASSERT_TRUE(writeSetupIni(path, QByteArray(500, 'x')));
    ASSERT_TRUE(writeSetupIni(path, "\"1\"\r\n"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\"1\"\r\n"));
    EXPECT_FALSE(writeSetupIni(dir.filePath(QStringLiteral("gone/setup.ini")), "x"));
}

}  // namespace
