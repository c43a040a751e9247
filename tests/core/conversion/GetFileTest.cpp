#include "conversion/GetFile.h"

#include <gtest/gtest.h>

#include <ostream>

[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

struct FileNameCase {
    const char* path;
    QChar separator;
    const char* fileName;
    const char* baseName;
};

TEST(GetFileTest, SplitsAtTheLastSeparatorAndCutsAtTheFirstDot) {
    const QChar win = QLatin1Char('\\');
    const QChar native = QLatin1Char('/');
    const FileNameCase cases[] = {
        // The Windows installation's names.
        {"c:\\a\\b.ape", win, "b.ape", "b"},
        {"c:\\a\\my.song.ape", win, "my.song.ape", "my"},
        {"c:\\a\\noext", win, "noext", "noext"},
        {"c:\\old.dir\\track", win, "track", "track"},
        {"c:\\a\\", win, "", ""},
        {"c:b.ape", win, "c:b.ape", "c:b"},
        {".ape", win, ".ape", ""},
        {"E:\\music\\live.2010.ape", win, "live.2010.ape", "live"},
        {"c:\\a/b.ape", win, "a/b.ape", "a/b"},
        // Here only '/' separates; '\' and ':' are ordinary characters of a name.
        {"/home/me/track.01.flac", native, "track.01.flac", "track"},
        {"/home/me/old.dir/track", native, "track", "track"},
        {"/home/me/a:b.ape", native, "a:b.ape", "a:b"},
        {"/home/me/odd\\name.ape", native, "odd\\name.ape", "odd\\name"},
        {"/home/me/", native, "", ""},
        {"/", native, "", ""},
        {"relative.ape", native, "relative.ape", "relative"},
        {"", native, "", ""},
        {"", win, "", ""},
    };
    for (const FileNameCase& c : cases) {
        const QString path = QString::fromUtf8(c.path);
        SCOPED_TRACE(c.path);
        EXPECT_EQ(GetFileName(path, c.separator), QString::fromUtf8(c.fileName));
        EXPECT_EQ(GetBaseName(path, c.separator), QString::fromUtf8(c.baseName));
    }
}

TEST(GetFileTest, KeepsChineseNamesWhole) {
    const QString path = QString::fromUtf8("/home/me/音乐/月亮代表我的心.ape");
    EXPECT_EQ(GetFileName(path), QString::fromUtf8("月亮代表我的心.ape"));
    EXPECT_EQ(GetBaseName(path), QString::fromUtf8("月亮代表我的心"));
}

}  // namespace
