#include "options/OptionsFile.h"
#include "platform/UsableCores.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <limits>
#include <string>

using namespace std::literals;

namespace {

constexpr qint32 kMin32 = std::numeric_limits<qint32>::min();
constexpr qint32 kMax32 = std::numeric_limits<qint32>::max();
// Marks the fields the file must leave alone.
constexpr OptionsRecord kBefore{11, 12, 13, 14};

std::string fields(const OptionsRecord& r) {
    return std::to_string(r.SoundReminder) + " " + std::to_string(r.MusicCutter) + " " +
           std::to_string(r.CutFrom) + " " + std::to_string(r.CutTo);
}

TEST(OptionsFileTest, ReadsFourFieldsByTheFileRules) {
    const std::pair<std::string, const char*> cases[] = {
        {"1\r\n1\r\n90\r\n120\r\n9\r\n", "1 1 90 120"},
        // A missing value repeats the last one read; an empty file reads as 0.
        {"0\r\n1\r\n", "0 1 1 1"},
        {"", "0 0 0 0"},
        {"4\r\n\r\n6", "4 0 6 6"},
        {"0.5\r\n1.5\r\n2.5\r\n-2.5\r\n", "0 2 2 -2"},
        {"-0.5\r\n.5\r\n2.51\r\n-3.5\r\n", "0 0 3 -4"},
        // Out of range keeps the field; the limits fit, also when reached by rounding.
        {"70000\r\n-32769\r\n2147483648\r\n-2147483648\r\n", "11 12 13 -2147483648"},
        {"32767.5\r\n-32768.4\r\n2147483647.5\r\n-2147483648.5", "11 -32768 13 -2147483648"},
        {"1" + std::string(400, '0') + "\r\n-1" + std::string(400, '0') + "\r\n0." +
             std::string(400, '0') + "1",
         "11 12 0 0"},
        // Only the first 64 KiB are read: a field of nines fits nothing, and what lies beyond
        // is not looked at.
        {std::string(8 << 20, '9') + "\r\n5", "11 12 13 14"},
        {std::string(60 << 10, '9') + "\r\n5", "11 5 5 5"},
        // Only the leading number counts; blanks, commas and quotes delimit fields.
        {"12abc\r\nabc\r\n1e3\r\n--4\r\n", "12 0 1 0"},
        {"  \"7\",8 , \" 9x\"\r\n3", "7 8 9 3"},
        {"\"1,2\"tail,4\r\n", "1 4 4 4"},
        {"1,\r\n2\r\n", "1 0 2 2"},
        {"\"5\r\n6\r\n", "5 5 5 5"},  // an unclosed quote runs to the end of the file
        {"3\r4\n5\r\n6", "3 4 5 6"},
        {"\x00\xff\xfe\r\n42\x00junk\r\n"s, "0 42 42 42"},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("options.ini"));
    for (const auto& [content, expected] : cases) {
        SCOPED_TRACE(content.substr(0, 80));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray::fromStdString(content));
        file.close();
        OptionsRecord record = kBefore;
        LoadOptionsFile(record, path);
        EXPECT_EQ(fields(record), expected);
    }
}

TEST(OptionsFileTest, MissingFileResetsTheSwitchesAndCreatesNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("options.ini"));
    OptionsRecord record = kBefore;
    LoadOptionsFile(record, path);
    EXPECT_EQ(fields(record), "0 0 13 14");
    EXPECT_FALSE(QFile::exists(path));
}

TEST(OptionsFileTest, SaveReplacesTheFileWithCrLfLinesThatReadBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("options.ini"));
    const OptionsRecord extremes{-32768, 32767, kMin32, kMax32};
    ASSERT_TRUE(SaveOptionsFile(OptionsRecord{1, 1, 90, 1200000}, path));
    ASSERT_TRUE(SaveOptionsFile(extremes, path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("-32768\r\n32767\r\n-2147483648\r\n2147483647\r\n"));
    OptionsRecord back;
    LoadOptionsFile(back, path);
    EXPECT_EQ(fields(back), fields(extremes));

    EXPECT_FALSE(SaveOptionsFile(extremes, dir.filePath(QStringLiteral("gone/options.ini"))));
}

TEST(OptionsFileTest, FifthLineChoosesFilesAtOnceAndFourLineReadersPassOverIt) {
    const QByteArray most = QByteArray::number(maxFilesAtOnce());
    const QByteArray tooMany = QByteArray::number(maxFilesAtOnce() + 1);
    const std::pair<QByteArray, qint32> cases[] = {
        {"1\r\n1\r\n90\r\n120\r\n", 0},  // an older file: the default
        {"1\r\n1\r\n90\r\n120\r\n1\r\n", 1},
        {"1\r\n1\r\n90\r\n120\r\n \"" + most + "\" \r\n", maxFilesAtOnce()},
        {"1\r\n1\r\n90\r\n120\r\n" + tooMany + "\r\n", 0},
        {"1\r\n1\r\n90\r\n120\r\n0\r\n", 0},
        {"1\r\n1\r\n90\r\n120\r\n-1\r\n", 0},
        {"1\r\n1\r\n90\r\n120\r\n1x\r\n", 0},
        {"1\r\n1\r\n90\r\n120\r\n1.0\r\n", 0},
        {"1\r\n1\r\n90\r\n120\r\n\r\n2\r\n", 0},
        {"1\r\n1\r\n90\r\n1\r\n", 0},  // a missing value is no copy of the one before
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("options.ini"));
    for (const auto& [content, expected] : cases) {
        SCOPED_TRACE(content.toStdString());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        OptionsRecord record{11, 12, 13, 14, 3};
        LoadOptionsFile(record, path);
        EXPECT_EQ(record.FilesAtOnce, expected);
        EXPECT_EQ(filesAtOnce(record), expected == 0 ? usableCores() : expected);
        if (content.startsWith("1\r\n1\r\n90\r\n120")) {
            EXPECT_EQ(fields(record), "1 1 90 120");
        }
    }

    // Saved only when chosen, after the four lines as they always are.
    ASSERT_TRUE(SaveOptionsFile(OptionsRecord{1, 0, 5, 6, 1}, path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("1\r\n0\r\n5\r\n6\r\n1\r\n"));
    OptionsRecord missing{11, 12, 13, 14, 3};
    LoadOptionsFile(missing, dir.filePath(QStringLiteral("none.ini")));
    EXPECT_EQ(missing.FilesAtOnce, 0);
}

TEST(OptionsFileTest, SecondsFromHmsRoundsTheSumHalfToEven) {
    const std::pair<QStringList, qint32> cases[] = {
        {{"1", "23", "45"}, 5025},        {{"", "abc", ""}, 0},    {{" 1h", "2 ", "-3"}, 3717},
        {{"0.5", "0", "0.5"}, 1800},  // 1800.5: the sum is rounded, not each part
        {{"0", "0", "3.5"}, 4},           {{"0", "0.01", "0"}, 1}, {{"1000000", "0", "0"}, kMax32},
        {{"-1000000", "0", "0"}, kMin32},
    };
    for (const auto& [hms, seconds] : cases) {
        SCOPED_TRACE(hms.join(QLatin1Char('|')).toStdString());
        EXPECT_EQ(SecondsFromHms(hms[0], hms[1], hms[2]), seconds);
    }
}

TEST(OptionsFileTest, HmsFromSecondsFloorsAndRoundTrips) {
    const std::pair<qint32, QStringList> cases[] = {
        {5025, {"1", "23", "45"}},       {0, {"0", "0", "0"}},
        {-1, {"-1", "59", "59"}},        {-3601, {"-2", "59", "59"}},
        {kMax32, {"596523", "14", "7"}}, {kMin32, {"-596524", "45", "52"}},
    };
    for (const auto& [total, expected] : cases) {
        SCOPED_TRACE(total);
        const Hms hms = HmsFromSeconds(total);
        EXPECT_EQ(QStringList({hms.hours, hms.minutes, hms.seconds}), expected);
        EXPECT_EQ(SecondsFromHms(hms.hours, hms.minutes, hms.seconds), total);
    }
}

}  // namespace
