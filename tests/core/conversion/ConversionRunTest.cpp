#include "conversion/ConversionRun.h"

#include "conversion/OutputReservation.h"
#include "filelist/FileQueue.h"
#include "platform/PrivateTempFolder.h"
#include "platform/RunRecords.h"
#include "process/DOSOutputs.h"
#include "process/EncoderImageName.h"
#include "support/ScriptedPrompts.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>

#include <unistd.h>
#include <algorithm>
#include <csignal>

namespace {

using namespace std::chrono_literals;

// A program folder of our own whose data/coder is the fake encoder.
class ConversionRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(m_program.path() + "/data"));
        TestPaths::copyHelperAs("fake_coder", m_program.path() + "/data", "coder");
        PlatformDescription platform = PlatformDescription::native();
        platform.programFolder = m_program.path();
        m_run.setPlatform(platform);
        m_run.settings().outputFolder = m_out.path() + "/mp3";  // no trailing separator yet
        QObject::connect(&m_run, &ConversionRun::fileFinished,
                         [this](int, const FileResult& r) { m_finished << r; });
        QObject::connect(&m_run, &ConversionRun::outputFolderChanged,
                         [this](const QString& folder) { m_folderChanges << folder; });
        QObject::connect(&m_run, &ConversionRun::progressChanged,
                         [this](int, const ProgressReport& d) { m_reports << d; });
    }

    QString input(const QString& name) {
        const QString path = m_in.path() + "/" + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return path;
    }

    // Starts the run and serves events until it has finished.
    void runToEnd() {
        QSignalSpy finished(&m_run, &ConversionRun::runFinished);
        m_run.RunQueue();
        if (finished.isEmpty()) {
            ASSERT_TRUE(finished.wait(30000)) << "the run did not finish";
        }
        EXPECT_FALSE(m_run.isRunning());
    }

    // Everything left in the output folder.
    QStringList outputFolderEntries() const {
        return QDir(m_out.path() + "/mp3").entryList(QDir::Files | QDir::Hidden);
    }

    QTemporaryDir m_program;
    QTemporaryDir m_in;
    QTemporaryDir m_out;
    FileQueue m_queue;
    ConversionRun m_run{m_queue};
    QList<FileResult> m_finished;
    QStringList m_folderChanges;
    QList<ProgressReport> m_reports;
};

}  // namespace

TEST_F(ConversionRunTest, ConvertsTheQueueInOrderAndEmptiesIt) {
    m_queue.append(input("one.ape"));
    m_queue.append(input("two.x.ape"));
    runToEnd();

    EXPECT_TRUE(m_queue.isEmpty());
    ASSERT_EQ(m_finished.size(), 2);
    EXPECT_TRUE(m_finished[0].input.endsWith("/one.ape"));
    EXPECT_TRUE(m_finished[1].input.endsWith("/two.x.ape"));
    for (const FileResult& r : m_finished) {
        EXPECT_TRUE(r.converted()) << r.reason.toStdString();
        EXPECT_TRUE(QFileInfo(r.output).isFile()) << r.output.toStdString();
        EXPECT_TRUE(r.output.startsWith(m_out.path() + "/mp3/")) << r.output.toStdString();
    }
    EXPECT_TRUE(QFileInfo(m_finished[1].output).fileName().startsWith("two_"));
    EXPECT_EQ(EncoderImageName(), "coder");
    EXPECT_EQ(m_run.DurationSeconds(), 0) << "each file starts with an unknown duration";
    EXPECT_TRUE(QFileInfo(PrivateTempFolder::path()).isDir());
    EXPECT_EQ(m_folderChanges, QStringList{m_out.path() + "/mp3/"})
        << "the output folder gets its separator once, before the first file";
    EXPECT_EQ(outputFolderEntries().size(), 2) << "nothing but the two outputs";
}

TEST_F(ConversionRunTest, FileAddedDuringTheRunIsConvertedInTheSameRun) {
    m_queue.append(input("first.ape"));
    const QString late = input("late.ape");
    QObject::connect(&m_run, &ConversionRun::fileStarted, [&](int, const QString& path) {
        if (path.endsWith("/first.ape")) {
            m_queue.append(late);
        }
    });
    runToEnd();
    ASSERT_EQ(m_finished.size(), 2);
    EXPECT_EQ(m_finished[1].input, late);
    EXPECT_TRUE(m_finished[1].converted());
    EXPECT_TRUE(m_queue.isEmpty());
}

TEST_F(ConversionRunTest, FailuresAreReportedAndLeaveNothingBehind) {
    m_queue.append(input("will-fail.ape"));
    m_queue.append(input("fine.ape"));
    m_queue.append(input("silent.ape"));
    runToEnd();

    ASSERT_EQ(m_finished.size(), 3);
    EXPECT_FALSE(m_finished[0].converted());
    EXPECT_TRUE(m_finished[0].reason.startsWith("coder: conversion failed: "))
        << m_finished[0].reason.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_finished[0].output)) << "the reserved name must go";
    EXPECT_FALSE(QFileInfo::exists(OutputReservation::partialPath(m_finished[0].output)))
        << "and so must the encoder's partial file";
    EXPECT_TRUE(m_finished[1].converted());
    EXPECT_TRUE(m_finished[2].converted()) << "no progress output is no failure";
    EXPECT_EQ(m_run.failedCount(), 1);
    EXPECT_EQ(m_run.results().size(), 3);
    EXPECT_TRUE(m_queue.isEmpty());
    EXPECT_EQ(outputFolderEntries().size(), 2);
}

TEST_F(ConversionRunTest, InputsThatAreNoFilesAreRefusedBeforeAnyEncoderStarts) {
    const QString fifo = m_in.path() + "/pipe.ape";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QDir(m_in.path()).mkdir("album.ape");
    m_queue.append(fifo);
    m_queue.append(m_in.path() + "/album.ape");
    m_queue.append(m_in.path() + "/missing.ape");
    m_queue.append(input("fine.ape"));
    QStringList started;
    QObject::connect(&m_run, &ConversionRun::fileStarted,
                     [&](int, const QString& path) { started << path; });
    runToEnd();

    ASSERT_EQ(m_finished.size(), 4);
    EXPECT_EQ(m_finished[0].reason, "not a regular file: a named pipe (FIFO)");
    EXPECT_EQ(m_finished[1].reason, "not a regular file: a folder");
    EXPECT_EQ(m_finished[2].reason, "No such file or directory");
    EXPECT_TRUE(m_finished[3].converted());
    EXPECT_EQ(started, QStringList{m_in.path() + "/fine.ape"});
}

TEST_F(ConversionRunTest, ProgressFollowsTheEncoderToComplete) {
    m_queue.append(input("a.ape"));
    runToEnd();
    ASSERT_FALSE(m_reports.isEmpty());
    EXPECT_TRUE(m_reports.last().complete);
    EXPECT_EQ(m_run.display().pbValue, 100.0);
}

TEST_F(ConversionRunTest, EncoderThatCannotStartEndsTheRunOnceAndKeepsTheFiles) {
    QFile::remove(m_program.path() + "/data/coder");
    m_queue.append(input("a.ape"));
    m_queue.append(input("b.ape"));
    ScriptedPrompts prompts;
    prompts.expectMessage();
    runToEnd();

    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, "File or command not found");
    EXPECT_FALSE(m_run.encoderStarted());
    EXPECT_EQ(m_queue.count(), 2);
    EXPECT_EQ(m_queue.busyCount(), 0);
    EXPECT_TRUE(m_finished.isEmpty());
    EXPECT_TRUE(outputFolderEntries().isEmpty()) << "no name stays reserved";
}

TEST_F(ConversionRunTest, ExistingOutputIsNeverOverwritten) {
    // Convert the same input twice: the second run must pick a new name even within one second.
    m_run.setClock([] { return QTime(9, 5, 3); });
    const QString path = input("same.ape");
    m_queue.append(path);
    m_queue.append(path);
    runToEnd();
    ASSERT_EQ(m_finished.size(), 2);
    EXPECT_EQ(QFileInfo(m_finished[0].output).fileName(), "same_953.mp3");
    EXPECT_EQ(QFileInfo(m_finished[1].output).fileName(), "same_953-2.mp3");
}

TEST_F(ConversionRunTest, SilentEncoderIsEndedAsStalledAndTheRunGoesOn) {
    m_run.setStallTimeout(300ms);
    m_queue.append(input("hang.ape"));
    m_queue.append(input("fine.ape"));
    QElapsedTimer clock;
    clock.start();
    runToEnd();
    ASSERT_EQ(m_finished.size(), 2);
    EXPECT_EQ(m_finished[0].status, FileStatus::Failed);
    EXPECT_EQ(m_finished[0].reason, "encoder stalled");
    EXPECT_TRUE(m_finished[1].converted());
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(outputFolderEntries().size(), 1) << "nothing of the stalled file stays";
}

TEST_F(ConversionRunTest, EncoderThatKeepsReportingProgressIsNotStalled) {
    m_run.setStallTimeout(400ms);
    m_queue.append(input("slow.ape"));  // 5 s, a new time every 100 ms
    runToEnd();
    ASSERT_EQ(m_finished.size(), 1);
    EXPECT_TRUE(m_finished[0].converted()) << m_finished[0].reason.toStdString();
}

TEST_F(ConversionRunTest, CancelStopsTheEncoderAndLeavesNothingAtAnyMoment) {
    // Early in a file and a second later; and an encoder that ignores SIGTERM, which is killed
    // after the grace time and cannot clean up after itself.
    const struct {
        const char* name;
        int afterMs;
    } cases[] = {{"slow-a.ape", 300}, {"slow-b.ape", 1300}, {"stubborn.ape", 300}};
    m_run.setStopGrace(500ms);
    for (const auto& c : cases) {
        m_finished.clear();
        m_queue.append(input(c.name));
        m_queue.append(input("waiting.ape"));
        QTimer::singleShot(c.afterMs, [this] { m_run.cancel(); });
        runToEnd();
        ASSERT_EQ(m_finished.size(), 1) << c.name;
        EXPECT_EQ(m_finished[0].status, FileStatus::Cancelled) << c.name;
        EXPECT_TRUE(m_run.wasCancelled());
        EXPECT_FALSE(m_run.objffmpeg().isRunning());
        EXPECT_TRUE(outputFolderEntries().isEmpty())
            << c.name << ": " << outputFolderEntries().join(", ").toStdString();
        EXPECT_EQ(m_queue.paths(), QStringList{m_in.path() + "/waiting.ape"})
            << "files not started stay queued";
        m_queue.clear();
    }
}

TEST_F(ConversionRunTest, TwoStageFormatsGoThroughTheirOwnIntermediateAndOnlyAfterASuccess) {
    TestPaths::copyHelperAs("fake_conv", m_program.path() + "/data", "conv");
    m_run.settings().applyPreset(0);  // RMVB: conv makes the intermediate, coder the final file
    m_run.setClock([] { return QTime(14, 30, 59); });
    QList<ProgressReport::Style> styles;
    QObject::connect(&m_run, &ConversionRun::progressChanged,
                     [&](int, const ProgressReport& d) { styles << d.style; });
    m_queue.append(input("clip.avi"));
    runToEnd();
    ASSERT_EQ(m_finished.size(), 1);
    EXPECT_TRUE(m_finished[0].converted()) << m_finished[0].reason.toStdString();
    EXPECT_EQ(QFileInfo(m_finished[0].output).fileName(), "clip-143059.rmvb");
    // The first stage's figures are shown, then the second stage's.
    ASSERT_FALSE(styles.isEmpty());
    EXPECT_EQ(styles.first(), ProgressReport::Style::Mencoder);
    EXPECT_EQ(styles.last(), ProgressReport::Style::Ffmpeg);
    EXPECT_EQ(EncoderImageName(), "coder");
    EXPECT_EQ(outputFolderEntries(), QStringList{"clip-143059.rmvb"});

    // A first stage that fails has no second stage, even with an intermediate of an earlier
    // file lying where the second stage would read it.
    const QString work =
        RunRecords::ownPath(m_run.platform().temporaryFolder, QStringLiteral("work")) + "-0";
    QDir().mkpath(work);
    QFile stale(work + "/tmp.mp4");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("the previous file's video");
    stale.close();
    m_finished.clear();
    QSignalSpy secondStage(&m_run.objffmpeg(), &DOSOutputs::CommandOver);
    m_queue.append(input("will-fail.avi"));
    runToEnd();
    ASSERT_EQ(m_finished.size(), 1);
    EXPECT_EQ(m_finished[0].status, FileStatus::Failed);
    EXPECT_TRUE(m_finished[0].reason.contains("no video stream"))
        << m_finished[0].reason.toStdString();
    EXPECT_EQ(secondStage.count(), 0);
    EXPECT_FALSE(QFile::exists(work + "/tmp.mp4"));
    EXPECT_EQ(outputFolderEntries(), QStringList{"clip-143059.rmvb"});

    // A first stage that answers the stop by finishing well has made only the intermediate:
    // the file is cancelled, not converted.
    m_finished.clear();
    m_queue.append(input("stop-ends-well.avi"));
    QTimer::singleShot(300, [this] { m_run.cancel(); });
    runToEnd();
    ASSERT_EQ(m_finished.size(), 1);
    EXPECT_EQ(m_finished[0].status, FileStatus::Cancelled);
    EXPECT_EQ(secondStage.count(), 0);
    EXPECT_FALSE(QFile::exists(work + "/tmp.mp4"));
    EXPECT_EQ(outputFolderEntries(), QStringList{"clip-143059.rmvb"});
}

TEST_F(ConversionRunTest, AFileIsRecordedWithItsEncoderWhileItConvertsAndNotAfter) {
    const QString folder = PrivateTempFolder::ensure();
    const QStringList pattern{"record-" + RunRecords::tagOf(RunRecords::self()) + "-*"};
    QList<QByteArray> records;
    QObject::connect(&m_run, &ConversionRun::fileStarted, [&](int, const QString&, const QString&) {
        for (const QString& name : QDir(folder).entryList(pattern, QDir::Files)) {
            QFile record(folder + "/" + name);
            EXPECT_TRUE(record.open(QIODevice::ReadOnly));
            records << record.readAll();
        }
    });
    m_queue.append(input("nap.ape"));
    m_queue.append(input("will-fail.ape"));
    runToEnd();
    ASSERT_EQ(m_finished.size(), 2);
    ASSERT_EQ(records.size(), 2) << "one record while each file converts";
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(records[i].contains(QFile::encodeName(m_finished[i].output).toHex()));
        EXPECT_TRUE(records[i].contains("\nencoder ")) << records[i].toStdString();
    }
    EXPECT_TRUE(QDir(folder).entryList(pattern, QDir::Files).isEmpty())
        << "kept or released, the record goes";
}

TEST_F(ConversionRunTest, AnEncoderKilledFromOutsideIsReportedBySignalNotByItsProgress) {
    m_queue.append(input("slow.ape"));
    QTimer::singleShot(600, [this] {
        for (int pid : processesMentioning(m_out.path())) {
            ::kill(pid, SIGKILL);
        }
    });
    runToEnd();
    ASSERT_EQ(m_finished.size(), 1);
    EXPECT_EQ(m_finished[0].status, FileStatus::Failed);
    EXPECT_EQ(m_finished[0].reason, "encoder ended by signal 9");
    EXPECT_TRUE(outputFolderEntries().isEmpty()) << outputFolderEntries().join(", ").toStdString();
}

TEST_F(ConversionRunTest, LanesConvertSeveralFilesAtOnceAndReportInTheQueuesOrder) {
    const QString log = m_out.path() + "/times.log";
    qputenv("FAKE_CODER_LOG", QFile::encodeName(log));
    m_run.setLaneCount(2);
    const QStringList inputs = {input("nap-1.ape"), input("will-fail.ape"), input("nap-2.ape"),
                                input("nap-3.ape"), input("nap-4.ape")};
    for (const QString& path : inputs) {
        m_queue.append(path);
    }
    runToEnd();
    qunsetenv("FAKE_CODER_LOG");

    // The report: every input once, in the queue's order, the failure among the others.
    ASSERT_EQ(m_run.results().size(), inputs.size());
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        EXPECT_EQ(m_run.results()[i].input, inputs[i]);
        EXPECT_EQ(m_run.results()[i].converted(), i != 1) << i;
    }
    // Two encoders worked at the same time, never three.
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QList<QPair<qint64, qint64>> spans;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() >= 3) {
            spans.append({fields[fields.size() - 2].toLongLong(), fields.last().toLongLong()});
        }
    }
    ASSERT_EQ(spans.size(), inputs.size());
    int most = 0;
    for (const auto& span : spans) {
        int together = 0;
        for (const auto& other : spans) {
            together += other.first <= span.first && span.first < other.second ? 1 : 0;
        }
        most = std::max(most, together);
    }
    EXPECT_EQ(most, 2);
    EXPECT_EQ(m_queue.count(), 0);
}

TEST_F(ConversionRunTest, AnOutputFolderThatCannotBeMadeFailsEachFileAtOnce) {
    // A plain file where the output folder should be: no name in it can ever be made.
    const QString blocked = input("not-a-folder");
    m_run.settings().outputFolder = blocked + "/mp3";
    m_queue.append(input("a.ape"));
    m_queue.append(input("b.ape"));
    QElapsedTimer clock;
    clock.start();
    runToEnd();
    EXPECT_LT(clock.elapsed(), 5000);
    ASSERT_EQ(m_finished.size(), 2);
    for (const FileResult& result : m_finished) {
        EXPECT_EQ(result.status, FileStatus::Failed);
        EXPECT_EQ(result.reason,
                  "cannot create output folder " + blocked + "/mp3/: Not a directory");
    }

    // A folder removed during the run is made again for the next file.
    m_run.settings().outputFolder = m_out.path() + "/gone";
    m_queue.append(input("c.ape"));
    m_queue.append(input("d.ape"));
    QObject::connect(&m_run, &ConversionRun::fileFinished, [&](int, const FileResult& result) {
        if (result.input.endsWith("/c.ape")) {
            QDir(m_out.path() + "/gone").removeRecursively();
        }
    });
    runToEnd();
    ASSERT_EQ(m_finished.size(), 4);
    EXPECT_TRUE(m_finished[3].converted()) << m_finished[3].reason.toStdString();
}

TEST_F(ConversionRunTest, WithTwoLanesAProgramThatIsNotThereEndsTheRunOnceAndKeepsBothFiles) {
    // coder is missing: the first stage of MP3, the second of RMVB (both lanes reach it).
    TestPaths::copyHelperAs("fake_conv", m_program.path() + "/data", "conv");
    QFile::remove(m_program.path() + "/data/coder");
    m_run.setLaneCount(2);
    const QString work =
        QStringLiteral("%1/work-%2-%3").arg(PrivateTempFolder::ensure()).arg(::getpid());
    for (const auto& [format, extension] : {std::pair{8, ".ape"}, std::pair{0, ".avi"}}) {
        SCOPED_TRACE(extension);
        m_run.settings().applyPreset(format);
        const QStringList files = {input(QString("a") + extension),
                                   input(QString("b") + extension)};
        m_queue.append(files);
        ScriptedPrompts prompts;
        prompts.expectMessage();
        runToEnd();

        EXPECT_FALSE(m_run.encoderStarted());
        EXPECT_EQ(m_run.startFailure(), "File or command not found");
        const auto& shown = prompts.messages();
        ASSERT_EQ(shown.size(), 1) << "the second lane must not try again";
        EXPECT_EQ(shown[0].text, m_run.startFailure());
        EXPECT_EQ(m_queue.paths(), files);
        EXPECT_EQ(m_queue.busyCount(), 0);
        EXPECT_TRUE(m_run.results().isEmpty());
        EXPECT_TRUE(m_finished.isEmpty());
        EXPECT_TRUE(outputFolderEntries().isEmpty())
            << outputFolderEntries().join(", ").toStdString();
        EXPECT_FALSE(QFile::exists(work.arg(0) + "/tmp.mp4"));
        EXPECT_FALSE(QFile::exists(work.arg(1) + "/tmp.mp4"));
        m_queue.clear();
    }
}

TEST_F(ConversionRunTest, AStartWithoutDescriptorsWaitsForRoomAndNeverShowsAMessage) {
    TestPaths::copyHelperAs("fake_conv", m_program.path() + "/data", "conv");
    const struct {
        const char* name;
        int lanes;
        int format;          // 8: MP3, 0: RMVB (conv, then coder)
        QList<int> failing;  // the spawns (1, 2, ...) that find no descriptor
        QStringList files;
        QStringList reasons;  // each file's, in the order taken up; empty: converted
        QStringList order;    // what started and ended, when it matters
    } cases[] = {
        {"alone, retried after a pause", 1, 8, {1, 2}, {"a.ape", "b.ape"}, {"", ""}, {}},
        {"waits for the other lane's end",
         2,
         8,
         {2},
         {"nap-1.ape", "b.ape", "c.ape"},
         {"", "", ""},
         {"start nap-1.ape", "end nap-1.ape", "start b.ape", "start c.ape"}},
        {"a second stage waits", 1, 0, {2, 3}, {"clip.avi"}, {""}, {}},
        {"the tries run out",
         1,
         8,
         {1, 2, 3, 4, 5, 6, 7},
         {"a.ape", "b.ape"},
         {"Too many open files", ""},
         {}},
        {"a second stage's tries run out",
         1,
         0,
         {2, 3, 4, 5, 6, 7},
         {"clip.avi"},
         {"Too many open files"},
         {}},
    };
    m_run.setRoomRetryDelay(50ms);
    QStringList events;
    QObject::connect(&m_run, &ConversionRun::fileStarted, [&](int, const QString& path) {
        events << "start " + QFileInfo(path).fileName();
    });
    QObject::connect(&m_run, &ConversionRun::fileFinished, [&](int, const FileResult& r) {
        events << "end " + QFileInfo(r.input).fileName();
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_finished.clear();
        events.clear();
        m_run.settings().applyPreset(c.format);
        m_run.setLaneCount(c.lanes);
        int spawns = 0;
        DOSOutputs::setSpawnFault([&] { return c.failing.contains(++spawns) ? EMFILE : 0; });
        for (const QString& file : c.files) {
            m_queue.append(input(file));
        }
        ScriptedPrompts prompts;  // any message fails the test
        runToEnd();
        DOSOutputs::setSpawnFault(nullptr);

        EXPECT_TRUE(prompts.messages().isEmpty());
        EXPECT_TRUE(m_run.encoderStarted());
        EXPECT_TRUE(m_queue.isEmpty());
        ASSERT_EQ(m_run.results().size(), c.files.size());
        for (qsizetype i = 0; i < c.files.size(); ++i) {
            const FileResult& result = m_run.results()[i];
            EXPECT_TRUE(result.input.endsWith("/" + c.files[i])) << result.input.toStdString();
            EXPECT_EQ(result.reason, c.reasons[i]) << i;
            EXPECT_EQ(result.converted(), c.reasons[i].isEmpty()) << i;
        }
        if (!c.order.isEmpty()) {
            EXPECT_EQ(events.mid(0, c.order.size()), c.order);
        }
        const auto converted = std::count_if(c.reasons.cbegin(), c.reasons.cend(),
                                             [](const QString& r) { return r.isEmpty(); });
        EXPECT_EQ(outputFolderEntries().size(), converted)
            << outputFolderEntries().join(", ").toStdString();
        QDir(m_out.path() + "/mp3").removeRecursively();
    }
}
