#include "platform/PrivateTempFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

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

TEST(PrivateTempFolderTest, UnsafeUsualPlaceGivesAFreshPrivateFolderAndIsNeverUsed) {
    QTemporaryDir runtime;
    QTemporaryDir target;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString usual = PrivateTempFolder::path();
    ASSERT_EQ(usual, runtime.path() + "/vordana");

    // A link planted under our name, and (as root) a folder that belongs to someone else.
    ASSERT_TRUE(QFile::link(target.path(), usual));
    const QString fresh = PrivateTempFolder::ensure();
    EXPECT_FALSE(fresh.isEmpty());
    EXPECT_NE(fresh, usual);
    EXPECT_EQ(modeOf(fresh), 0700u);
    EXPECT_TRUE(QDir(target.path()).isEmpty()) << "nothing is made through the link";
    EXPECT_EQ(PrivateTempFolder::ensure(), fresh) << "one fresh folder per process";

    if (::getuid() == 0) {
        QFile::remove(usual);
        ASSERT_TRUE(QDir().mkdir(usual));
        ASSERT_EQ(::chown(QFile::encodeName(usual).constData(), 65534, 65534), 0);
        QString error;
        EXPECT_FALSE(PrivateTempFolder::ensureAt(usual, &error));
        EXPECT_TRUE(error.contains("another user")) << error.toStdString();
        EXPECT_EQ(PrivateTempFolder::ensure(), fresh);
    }
    qputenv("XDG_RUNTIME_DIR", saved);
    QDir(fresh).removeRecursively();
}
