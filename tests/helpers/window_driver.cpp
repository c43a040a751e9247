// Runs the real main window in a process of its own, the way a user would: loads it over a
// program folder, queues the given files, starts the conversion and presses the exit button
// after a while, one file at a time. Tests watch what the process and its encoder leave behind.
//   window_driver [--files-at-once N] PROGRAM_FOLDER OUTPUT_FOLDER EXIT_AFTER_MS FILE...
// EXIT_AFTER_MS 0: the program ends with the run instead, with status 0 when every file
// converted and 1 otherwise (bench/window-bench.sh times it so). --files-at-once 0 leaves the
// window's own choice (the options, else the cores this process may use).
#include "frmMain.h"
#include "options/OptionsFile.h"
#include "platform/ConsolePrompts.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    int filesAtOnce = 1;
    bool ok = true;
    if (args.value(0) == QLatin1String("--files-at-once")) {
        filesAtOnce = args.value(1).toInt(&ok);
        args = args.mid(2);
    }
    const int exitAfterMs = args.value(2).toInt();
    if (args.size() < 4 || !ok || filesAtOnce < 0) {
        std::fputs(
            "usage: window_driver [--files-at-once N] PROGRAM_FOLDER OUTPUT_FOLDER "
            "EXIT_AFTER_MS FILE...\n",
            stderr);
        return 2;
    }
    ConsolePrompts prompts;
    Prompts::install(&prompts);
    frmMain window(args.at(0));
    if (!window.Form_Load()) {
        return 3;
    }
    if (filesAtOnce > 0) {
        Options().FilesAtOnce = filesAtOnce;
    }
    window.findChild<QLineEdit*>(QStringLiteral("txtPath"))->setText(args.at(1));
    for (const QString& file : args.mid(3)) {
        window.AddFileRow(file);
    }
    window.Command3_Click();
    if (exitAfterMs > 0) {
        QTimer::singleShot(exitAfterMs, &window, [&window] {
            std::fputs("exit pressed\n", stdout);
            std::fflush(stdout);
            window.imgExit_Click();
        });
    } else {
        // After the window's own end of the run (it was connected first).
        QObject::connect(&window.run(), &ConversionRun::runFinished, &app, [&window] {
            QApplication::exit(window.run().failedCount() == 0 ? 0 : 1);
        });
    }
    const int status = QApplication::exec();
    Prompts::install(nullptr);
    return status;
}
