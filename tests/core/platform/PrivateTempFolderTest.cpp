#include "platform/PrivateTempFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

}  // namespace

TEST(PrivateTempFolderTest, MadePrivateAndLoosePermissionsAreTightened) {
    QTemporaryDir base;
    const QString folder = base.path() + "/vordana";
    QString error;
    ASSERT_TRUE(PrivateTempFolder::ensureAt(folder, &error)) << error.toStdString();
    EXPECT_EQ(modeOf(folder), 0700u);

    ::chmod(QFile::encodeName(folder).constData(), 0777);
    ASSERT_TRUE(PrivateTempFolder::ensureAt(folder, &error));
    EXPECT_EQ(modeOf(folder), 0700u);
}

TEST(PrivateTempFolderTest, RefusesALinkOrAFilePlantedUnderItsName) {
    QTemporaryDir base;
    const QString target = base.path() + "/elsewhere";
    ASSERT_TRUE(QDir().mkpath(target));
    const QString link = base.path() + "/vordana";
    ASSERT_TRUE(QFile::link(target, link));
    QString error;
    EXPECT_FALSE(PrivateTempFolder::ensureAt(link, &error));
    EXPECT_FALSE(error.isEmpty());

    const QString file = base.path() + "/plain";
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_FALSE(PrivateTempFolder::ensureAt(file, &error));
}

TEST(PrivateTempFolderTest, DefaultLocationIsPerUser) {
    const QString path = PrivateTempFolder::path();
    EXPECT_TRUE(path.endsWith("/vordana") || path.startsWith("/tmp/vordana-"))
        << path.toStdString();
    EXPECT_FALSE(PrivateTempFolder::ensure().isEmpty());
    EXPECT_EQ(modeOf(path), 0700u);
}
