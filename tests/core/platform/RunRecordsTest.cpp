#include "platform/RunRecords.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

using RunRecords::ProcessId;

namespace {

// A process that has ended and been reaped: its pid names nobody now (or somebody else).
ProcessId endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    // Until it is reaped the ended child keeps its /proc entry, start time included.
    const ProcessId id = RunRecords::processId(child);
    ::waitpid(child, nullptr, 0);
    return id;
}

// A child that waits until it is killed.
pid_t sleepingChild() {
    const pid_t child = ::fork();
    if (child == 0) {
        for (;;) {
            ::pause();
        }
    }
    return child;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// What a run leaves when it dies while converting a video: a reserved name with the encoder's
// partial file, a work folder with an intermediate, and an alias folder.
struct Leftovers {
    QString reserved;
    QString part;
    QString work;
    QString names;
    QString record;
};

Leftovers leaveBehind(const QString& privateFolder, const QString& outputFolder,
                      const ProcessId& owner, pid_t encoder) {
    Leftovers left;
    const QString tag = RunRecords::tagOf(owner);
    left.reserved = outputFolder + "/song_1.mp3";
    left.part = outputFolder + "/.song_1.mp3.part";
    writeFile(left.reserved, {});
    writeFile(left.part, "half an mp3");
    struct stat st {};
    ::lstat(QFile::encodeName(left.reserved).constData(), &st);
    RunRecords::Record record(owner, privateFolder);
    record.noteReserved(
        {QFile::encodeName(left.reserved), QFile::encodeName(left.part), st.st_dev, st.st_ino});
    if (encoder > 0) {
        record.noteEncoder(encoder);
    }
    left.record = record.file();

    left.work = privateFolder + "/work-" + tag + "-0";
    QDir().mkpath(left.work);
    writeFile(left.work + "/tmp.mp4", "a whole video");
    writeFile(left.work + "/.tmp.mp4.part", "a part of one");
    left.names = privateFolder + "/names-" + tag;
    QDir().mkpath(left.names + "/1");
    QFile::link(outputFolder + "/input.ape", left.names + "/1/input.ape");
    return left;
}

}  // namespace

TEST(RunRecordsTest, WhatDeadOwnersLeftGoesAndNothingElse) {
    enum class Owner { Ended, Self, EndedWithLiveEncoder };
    enum class Since { Untouched, UserWroteIntoIt, ReplacedByAnotherFile, RecordCutShort };
    const struct {
        const char* name;
        Owner owner;
        Since since;
        bool reservedGoes;
        bool foldersGo;
    } cases[] = {
        {"dead owner", Owner::Ended, Since::Untouched, true, true},
        {"live owner", Owner::Self, Since::Untouched, false, false},
        {"encoder still at work", Owner::EndedWithLiveEncoder, Since::Untouched, false, false},
        {"user's file under the name", Owner::Ended, Since::UserWroteIntoIt, false, true},
        {"another inode", Owner::Ended, Since::ReplacedByAnotherFile, false, true},
        {"record cut in a path", Owner::Ended, Since::RecordCutShort, false, true},
    };
    for (const auto& c : cases) {
        QTemporaryDir privateFolder;
        QTemporaryDir out;
        writeFile(out.path() + "/input.ape", "the user's input");
        const pid_t encoder = c.owner == Owner::EndedWithLiveEncoder ? sleepingChild() : 0;
        const ProcessId owner = c.owner == Owner::Self ? RunRecords::self() : endedProcess();
        const Leftovers left = leaveBehind(privateFolder.path(), out.path(), owner, encoder);
        ASSERT_TRUE(QFileInfo::exists(left.record)) << c.name;
        if (c.since == Since::UserWroteIntoIt) {
            writeFile(left.reserved, "the user's own file");
        } else if (c.since == Since::ReplacedByAnotherFile) {
            QFile::remove(left.reserved);
            writeFile(out.path() + "/elsewhere.mp3", {});  // the old inode stays taken
            writeFile(left.reserved, {});
        } else if (c.since == Since::RecordCutShort) {
            // The power went while the partial file's name was written: what is there names
            // ".song_1.mp3", a file of the user's.
            QFile record(left.record);
            ASSERT_TRUE(record.open(QIODevice::ReadWrite));
            ASSERT_TRUE(record.resize(record.size() - 1 - QByteArray(".part").toHex().size()));
            writeFile(out.path() + "/.song_1.mp3", "the user's hidden file");
        }

        RunRecords::removeLeftovers(privateFolder.path());

        EXPECT_NE(QFileInfo::exists(left.reserved), c.reservedGoes) << c.name;
        EXPECT_NE(QFileInfo::exists(left.part), c.reservedGoes) << c.name;
        EXPECT_NE(QFileInfo::exists(left.work), c.foldersGo) << c.name;
        EXPECT_NE(QFileInfo::exists(left.names), c.foldersGo) << c.name;
        EXPECT_NE(QFileInfo::exists(left.record), c.foldersGo) << c.name;
        EXPECT_TRUE(QFileInfo::exists(out.path() + "/input.ape")) << "links are never followed";
        EXPECT_EQ(QFileInfo::exists(out.path() + "/.song_1.mp3"), c.since == Since::RecordCutShort)
            << c.name;
        if (encoder > 0) {
            ::kill(encoder, SIGKILL);
            ::waitpid(encoder, nullptr, 0);
            RunRecords::removeLeftovers(privateFolder.path());
            EXPECT_FALSE(QFileInfo::exists(left.reserved)) << "once the encoder has ended too";
            EXPECT_FALSE(QFileInfo::exists(left.work));
        }
    }
}

TEST(RunRecordsTest, AFallbackFolderGoesAsAWholeWithItsDeadOwner) {
    const QString prefix = QStringLiteral("/tmp/vordana-%1-").arg(::getuid());
    const QString dead = prefix + RunRecords::tagOf(endedProcess()) + "-test00";
    const QString live = prefix + RunRecords::tagOf(RunRecords::self()) + "-test00";
    for (const QString& folder : {dead, live}) {
        ASSERT_TRUE(QDir().mkpath(folder));
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        writeFile(folder + "/single-instance.lock", {});
    }
    RunRecords::removeLeftovers(QString());
    EXPECT_FALSE(QFileInfo::exists(dead));
    EXPECT_TRUE(QFileInfo::exists(live + "/single-instance.lock"));
    QDir(live).removeRecursively();
}
