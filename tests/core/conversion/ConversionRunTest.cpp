#include "conversion/ConversionRun.h"

#include "filelist/FileQueue.h"
#include "platform/PrivateTempFolder.h"
#include "process/EncoderImageName.h"
#include "support/ScriptedPrompts.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

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
                         [this](const FileResult& r) { m_finished << r; });
        QObject::connect(&m_run, &ConversionRun::outputFolderChanged,
                         [this](const QString& folder) { m_folderChanges << folder; });
        QObject::connect(&m_run, &ConversionRun::progressChanged,
                         [this](const ProgressDisplay& d) { m_labels << d.label; });
    }

    QString input(const QString& name) {
        const QString path = m_in.path() + "/" + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return path;
    }

    QTemporaryDir m_program;
    QTemporaryDir m_in;
    QTemporaryDir m_out;
    FileQueue m_queue;
    ConversionRun m_run{m_queue};
    QList<FileResult> m_finished;
    QStringList m_folderChanges;
    QStringList m_labels;
};

}  // namespace

TEST_F(ConversionRunTest, ConvertsTheQueueInOrderAndEmptiesIt) {
    m_queue.append(input("one.ape"));
    m_queue.append(input("two.x.ape"));
    m_run.RunQueue();

    EXPECT_TRUE(m_queue.isEmpty());
    ASSERT_EQ(m_finished.size(), 2);
    EXPECT_TRUE(m_finished[0].input.endsWith("/one.ape"));
    EXPECT_TRUE(m_finished[1].input.endsWith("/two.x.ape"));
    for (const FileResult& r : m_finished) {
        EXPECT_TRUE(r.converted) << r.message.toStdString();
        EXPECT_TRUE(QFileInfo(r.output).isFile()) << r.output.toStdString();
        EXPECT_TRUE(r.output.startsWith(m_out.path() + "/mp3/")) << r.output.toStdString();
    }
    EXPECT_TRUE(QFileInfo(m_finished[1].output).fileName().startsWith("two_"));
    EXPECT_EQ(EncoderImageName(), "coder");
    EXPECT_EQ(m_run.DurationSeconds(), 0) << "each file starts with an unknown duration";
    EXPECT_TRUE(QFileInfo(PrivateTempFolder::path()).isDir());
    EXPECT_FALSE(m_run.isRunning());
}

TEST_F(ConversionRunTest, OutputFolderGetsItsSeparatorOnceBeforeTheFirstFile) {
    m_queue.append(input("a.ape"));
    m_queue.append(input("b.ape"));
    m_run.RunQueue();
    EXPECT_EQ(m_folderChanges, QStringList{m_out.path() + "/mp3/"});
    EXPECT_EQ(m_run.settings().outputFolder, m_out.path() + "/mp3/");
}

TEST_F(ConversionRunTest, FileAddedDuringTheRunIsConvertedInTheSameRun) {
    m_queue.append(input("first.ape"));
    const QString late = input("late.ape");
    QObject::connect(&m_run, &ConversionRun::fileStarted, [&](const QString& path) {
        if (path.endsWith("/first.ape")) {
            m_queue.append(late);
        }
    });
    m_run.RunQueue();
    ASSERT_EQ(m_finished.size(), 2);
    EXPECT_EQ(m_finished[1].input, late);
    EXPECT_TRUE(m_finished[1].converted);
    EXPECT_TRUE(m_queue.isEmpty());
}

TEST_F(ConversionRunTest, FailedFileLeavesTheQueueReportedAndWithoutPartialOutput) {
    m_queue.append(input("will-fail.ape"));
    m_queue.append(input("fine.ape"));
    m_queue.append(input("silent.ape"));
    m_run.RunQueue();

    ASSERT_EQ(m_finished.size(), 3);
    EXPECT_FALSE(m_finished[0].converted);
    EXPECT_TRUE(m_finished[0].message.startsWith("coder: conversion failed: "))
        << m_finished[0].message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_finished[0].output)) << "partial output must go";
    EXPECT_TRUE(m_finished[1].converted);
    EXPECT_TRUE(m_finished[2].converted) << "no progress output is no failure";
    EXPECT_EQ(m_run.failedCount(), 1);
    EXPECT_EQ(m_run.results().size(), 3);
    EXPECT_TRUE(m_queue.isEmpty());
}

TEST_F(ConversionRunTest, ProgressFollowsTheEncoderToComplete) {
    m_queue.append(input("a.ape"));
    m_run.RunQueue();
    ASSERT_FALSE(m_labels.isEmpty());
    EXPECT_EQ(m_labels.last(), QString::fromUtf8("完成 100%"));
    EXPECT_EQ(m_run.display().pbValue, 100.0);
}

TEST_F(ConversionRunTest, EncoderThatCannotStartEndsTheRunOnceAndKeepsTheFiles) {
    QFile::remove(m_program.path() + "/data/coder");
    m_queue.append(input("a.ape"));
    m_queue.append(input("b.ape"));
    ScriptedPrompts prompts;
    prompts.expectMessage();
    m_run.RunQueue();

    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, "File or command not found");
    EXPECT_FALSE(m_run.encoderStarted());
    EXPECT_EQ(m_queue.count(), 2);
    EXPECT_TRUE(m_finished.isEmpty());
    EXPECT_FALSE(m_run.isRunning());
}

TEST_F(ConversionRunTest, ExistingOutputIsNeverOverwritten) {
    // Convert the same input twice: the second run must pick a new name even within one second.
    m_run.setClock([] { return QTime(9, 5, 3); });
    const QString path = input("same.ape");
    m_queue.append(path);
    m_queue.append(path);
    m_run.RunQueue();
    ASSERT_EQ(m_finished.size(), 2);
    EXPECT_EQ(QFileInfo(m_finished[0].output).fileName(), "same_953.mp3");
    EXPECT_EQ(QFileInfo(m_finished[1].output).fileName(), "same_953-2.mp3");
}
