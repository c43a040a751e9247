#include "process/DOSOutputs.h"

#include "platform/OpenFileLimit.h"
#include "process/CommandLineText.h"
#include "process/EncoderImageName.h"
#include "support/ScriptedPrompts.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <csignal>

namespace {

// Each test runs its own copy of the helper under a name nobody else uses, so tests running
// side by side never keep each other's runs going.
class DOSOutputsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_image = QStringLiteral("chat%1").arg(QRandomGenerator::global()->bounded(1000000));
        m_program = TestPaths::copyHelperAs(QStringLiteral("test_chatter"), m_dir.path(), m_image);
        EncoderImageName() = m_image;
        QObject::connect(&m_runner, &DOSOutputs::ReceiveOutputs,
                         [this](const QString& chunk) { m_chunks << chunk; });
        QObject::connect(&m_runner, &DOSOutputs::CommandOver, [this] { ++m_over; });
    }

    QString command(const QString& arguments) const {
        return CommandLineText::quoteArgument(m_program) + QLatin1Char(' ') + arguments;
    }

    QTemporaryDir m_dir;
    QString m_image;
    QString m_program;
    DOSOutputs m_runner;
    QStringList m_chunks;
    int m_over = 0;
};

}  // namespace

TEST_F(DOSOutputsTest, LongOutputComesInChunksOfAtMost1024BytesThatAddUpToOutputs) {
    m_runner.setCommandLine(command("text start bytes 5000 text end"));
    const QString result = m_runner.ExecuteCommand();

    ASSERT_GE(m_chunks.size(), 5);
    for (const QString& chunk : m_chunks) {
        EXPECT_LE(chunk.toUtf8().size(), DOSOutputs::kChunkBytes);
    }
    EXPECT_EQ(m_chunks.join(QString()), m_runner.Outputs());
    EXPECT_EQ(result, m_runner.Outputs());
    EXPECT_TRUE(result.startsWith("start\nabc"));
    EXPECT_TRUE(result.endsWith("fghend\n")) << "the last words must not be lost";
    EXPECT_EQ(result.size(), 6 + 5000 + 4);
    EXPECT_EQ(m_over, 1);
    EXPECT_EQ(m_runner.exitStatus(), 0);
}

TEST_F(DOSOutputsTest, SilentProgramGivesNoChunkAndOneCommandOver) {
    QSignalSpy chunks(&m_runner, &DOSOutputs::ReceiveOutputs);
    QSignalSpy over(&m_runner, &DOSOutputs::CommandOver);
    const QString result = m_runner.ExecuteCommand(command("exit 0"));
    EXPECT_EQ(chunks.count(), 0);
    EXPECT_EQ(over.count(), 1);
    EXPECT_TRUE(result.isEmpty());
    EXPECT_TRUE(m_runner.lastRunStarted());
}

TEST_F(DOSOutputsTest, ArgumentReplacesStoredCommandLineAndExitStatusStaysReadable) {
    m_runner.setCommandLine(command("text old"));
    m_runner.ExecuteCommand(command("text new exit 3"));
    EXPECT_EQ(m_runner.CommandLine(), command("text new exit 3"));
    EXPECT_EQ(m_runner.Outputs(), "new\n");
    EXPECT_EQ(m_runner.exitStatus(), 3);

    m_chunks.clear();
    m_runner.ExecuteCommand();  // empty argument: the stored command runs again
    EXPECT_EQ(m_chunks.join(QString()), "new\n");
    EXPECT_EQ(m_over, 2);
}

TEST_F(DOSOutputsTest, CharacterCutByAReadArrivesWholeInOneChunk) {
    // 1023 ASCII bytes then one three-byte character: the first read of 1024 bytes cuts it.
    m_runner.ExecuteCommand(command("sleep 150 bytes 1023 hex e69c88 text x"));
    const QString all = m_chunks.join(QString());
    EXPECT_EQ(all, m_runner.Outputs());
    EXPECT_FALSE(all.contains(QChar::ReplacementCharacter));
    EXPECT_EQ(all.right(3), QStringLiteral("月x\n"));
    for (const QString& chunk : m_chunks) {
        EXPECT_LE(chunk.toUtf8().size(), DOSOutputs::kChunkBytes);
    }
}

TEST_F(DOSOutputsTest, EventsAreServedWhileTheProgramRuns) {
    bool timerFired = false;
    bool overBeforeTimer = false;
    QObject::connect(&m_runner, &DOSOutputs::CommandOver, [&] { overBeforeTimer = !timerFired; });
    QTimer::singleShot(100, [&] { timerFired = true; });
    m_runner.ExecuteCommand(command("sleep 400"));
    EXPECT_TRUE(timerFired);
    EXPECT_FALSE(overBeforeTimer);
}

TEST_F(DOSOutputsTest, AStrangersProcessOfTheSameNameNeverHoldsTheRun) {
    // Another program of that name (another user's, another Vordana's) is not in our tree.
    QProcess other;
    other.start(m_program, {"sleep", "5000"});
    ASSERT_TRUE(other.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    m_runner.ExecuteCommand(command("text quick"));
    const qint64 elapsed = clock.elapsed();
    other.kill();
    other.waitForFinished();
    EXPECT_LT(elapsed, 2000) << "the run waited for a process that is not its own";
    EXPECT_EQ(m_runner.Outputs(), "quick\n");
    EXPECT_EQ(m_over, 1);
}

TEST_F(DOSOutputsTest, DescendantOfTheSameNameKeepsTheRunGoingAndIsHeard) {
    // The program ends at once and leaves a child of its own name to finish the work.
    QElapsedTimer clock;
    clock.start();
    m_runner.ExecuteCommand(command("detach 0 sleep 600 text late"));
    EXPECT_GE(clock.elapsed(), 550);
    EXPECT_EQ(m_runner.Outputs(), "late\n");
    EXPECT_EQ(m_runner.exitStatus(), 0);
    EXPECT_EQ(m_over, 1);
}

TEST_F(DOSOutputsTest, EverythingWrittenBeforeTheEndIsDeliveredBeforeCommandOver) {
    // A program that writes more than one chunk and ends at once: its end and its output arrive
    // together, and the output must still come first, every time.
    for (int round = 0; round < 150; ++round) {
        m_chunks.clear();
        QString before;
        const auto over = QObject::connect(&m_runner, &DOSOutputs::CommandOver,
                                           [&] { before = m_chunks.join(QString()); });
        m_runner.ExecuteCommand(command("bytes 3000"));
        QObject::disconnect(over);
        ASSERT_EQ(before.size(), 3000) << "round " << round;
        ASSERT_EQ(m_runner.Outputs().size(), 3000) << "round " << round;
    }
}

TEST_F(DOSOutputsTest, StartReturnsAtOnceAndTheEndComesAsAnEvent) {
    QSignalSpy over(&m_runner, &DOSOutputs::CommandOver);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(m_runner.start(command("sleep 300 text done")));
    EXPECT_LT(clock.elapsed(), 200);
    EXPECT_TRUE(m_runner.isRunning());
    EXPECT_FALSE(m_runner.start(command("text second"))) << "one run at a time";
    ASSERT_TRUE(over.wait(5000));
    EXPECT_FALSE(m_runner.isRunning());
    EXPECT_EQ(m_runner.Outputs(), "done\n");
}

TEST_F(DOSOutputsTest, TerminateEndsTheProgramAndKillsOneThatIgnoresIt) {
    QSignalSpy over(&m_runner, &DOSOutputs::CommandOver);
    ASSERT_TRUE(m_runner.start(command("sleep 20000")));
    QElapsedTimer clock;
    clock.start();
    m_runner.terminate(std::chrono::milliseconds(2000));
    ASSERT_TRUE(over.wait(5000));
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_EQ(m_runner.endingSignal(), SIGTERM);
    EXPECT_EQ(m_runner.exitStatus(), 128 + SIGTERM);

    // A program that shrugs off SIGTERM gets SIGKILL once the grace time is over, and so does
    // the child it left behind.
    ASSERT_TRUE(m_runner.start(command("ignoreterm 0 detach 0 sleep 20000")));
    QThread::msleep(100);
    clock.restart();
    m_runner.terminate(std::chrono::milliseconds(300));
    ASSERT_TRUE(over.wait(5000));
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(over.count(), 2);
}

TEST_F(DOSOutputsTest, RunLastsAsLongAsItsOwnProgramWhateverTheImageName) {
    // The run must not end while its program runs, even when the image name it waits for is
    // not the program's own (or not yet: a new process takes its name a moment after it starts).
    EncoderImageName() = QStringLiteral("no-such-image");
    QElapsedTimer clock;
    clock.start();
    m_runner.ExecuteCommand(command("sleep 300 text late"));
    EXPECT_GE(clock.elapsed(), 290);
    EXPECT_EQ(m_runner.Outputs(), "late\n");
    EXPECT_EQ(m_runner.exitStatus(), 0);
}

TEST_F(DOSOutputsTest, FailuresToStartAreReportedAndRaiseNoEvent) {
    ScriptedPrompts prompts;
    prompts.expectMessage();
    prompts.expectMessage();
    EXPECT_TRUE(m_runner.ExecuteCommand().isEmpty());
    EXPECT_TRUE(m_runner.ExecuteCommand(m_dir.path() + "/missing/coder -i x").isEmpty());

    ASSERT_EQ(prompts.messages().size(), 2);
    EXPECT_EQ(prompts.messages()[0].text, "Command Line empty");
    EXPECT_EQ(prompts.messages()[1].text, "File or command not found");
    EXPECT_EQ(prompts.messages()[1].icon, Prompts::Icon::Critical);
    EXPECT_EQ(prompts.messages()[1].caption, Prompts::applicationTitle());
    EXPECT_EQ(m_over, 0);
    EXPECT_TRUE(m_chunks.isEmpty());
    EXPECT_FALSE(m_runner.lastRunStarted());
}

TEST_F(DOSOutputsTest, ProgramFolderWithBlanksNeedsNoQuotes) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/my app";
    ASSERT_TRUE(QDir().mkpath(folder + "/data"));
    const QString program = TestPaths::copyHelperAs("test_chatter", folder + "/data", m_image);
    m_runner.ExecuteCommand(program + " text \"a b\"");
    EXPECT_EQ(m_runner.Outputs(), "a b\n");

    // A program at a prefix of that folder ("<dir>/my") would be taken by the blank rule; the
    // program the caller names is the one that runs.
    TestPaths::copyHelperAs("test_chatter", dir.path(), "my");
    m_runner.ExecuteCommand(program + " text right", program);
    EXPECT_EQ(m_runner.Outputs(), "right\n");
}

TEST_F(DOSOutputsTest, AFailedStartKeepsItsErrorAndReleasesThePipe) {
    const QString plainFile = m_dir.path() + "/not-a-program";
    QFile(plainFile).open(QIODevice::WriteOnly);
    const struct {
        QString commandLine;
        int fault;     // what the spawn is made to fail with (0: nothing)
        bool retries;  // the owner retries passing failures itself
        int error;
        QString message;  // shown, or empty when nothing is
    } cases[] = {
        {"", 0, false, EINVAL, "Command Line empty"},
        {m_dir.path() + "/missing/coder -i x", 0, true, ENOENT, "File or command not found"},
        {"no-such-program-anywhere x", 0, false, ENOENT, "File or command not found"},
        {plainFile + " -i x", 0, true, EACCES, "Cannot start " + plainFile + ": Permission denied"},
        {command("text x"), EMFILE, false, EMFILE,
         "Cannot start " + m_program + ": Too many open files"},
        {command("text x"), EMFILE, true, EMFILE, ""},
        {command("text x"), EAGAIN, true, EAGAIN, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine.toStdString() + " " + std::to_string(c.fault));
        ScriptedPrompts prompts;
        if (!c.message.isEmpty()) {
            prompts.expectMessage();
        }
        DOSOutputs runner;
        QSignalSpy over(&runner, &DOSOutputs::CommandOver);
        runner.setRetriesPassingFailures(c.retries);
        DOSOutputs::setSpawnFault([&c] { return c.fault; });
        const int openBefore = OpenFileLimit::openNow();
        EXPECT_FALSE(runner.start(c.commandLine));
        DOSOutputs::setSpawnFault(nullptr);

        EXPECT_EQ(OpenFileLimit::openNow(), openBefore) << "the pipe was not closed";
        EXPECT_EQ(runner.startError(), c.error);
        EXPECT_EQ(DOSOutputs::isPassingStartError(c.error), c.error == EMFILE || c.error == EAGAIN);
        EXPECT_EQ(prompts.messages().size(), c.message.isEmpty() ? 0 : 1);
        if (!c.message.isEmpty()) {
            EXPECT_EQ(prompts.messages().value(0).text, c.message);
            EXPECT_EQ(runner.startFailure(), c.message);
        }
        EXPECT_FALSE(runner.lastRunStarted());
        QCoreApplication::processEvents();
        EXPECT_EQ(over.count(), 0);
    }
    // The next start that finds room starts, and forgets the error.
    EXPECT_EQ(m_runner.ExecuteCommand(command("text fine")), "fine\n");
    EXPECT_EQ(m_runner.startError(), 0);
}
