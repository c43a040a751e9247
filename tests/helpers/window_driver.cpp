// Runs the real main window in a process of its own, the way a user would: loads it over a
// program folder, queues the given files, starts the conversion and presses the exit button
// after a while, one file at a time. Tests watch what the process and its encoder leave behind.
//   window_driver PROGRAM_FOLDER OUTPUT_FOLDER EXIT_AFTER_MS FILE...
#include "frmMain.h"
#include "options/OptionsFile.h"
#include "platform/ConsolePrompts.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 5) {
        std::fputs("usage: window_driver PROGRAM_FOLDER OUTPUT_FOLDER EXIT_AFTER_MS FILE...\n",
                   stderr);
        return 2;
    }
    ConsolePrompts prompts;
    Prompts::install(&prompts);
    frmMain window(QString::fromLocal8Bit(argv[1]));
    if (!window.Form_Load()) {
        return 3;
    }
    Options().FilesAtOnce = 1;
    window.findChild<QLineEdit*>(QStringLiteral("txtPath"))
        ->setText(QString::fromLocal8Bit(argv[2]));
    for (int i = 4; i < argc; ++i) {
        window.AddFileRow(QString::fromLocal8Bit(argv[i]));
    }
    window.Command3_Click();
    QTimer::singleShot(QString::fromLocal8Bit(argv[3]).toInt(), &window, [&window] {
        std::fputs("exit pressed\n", stdout);
        std::fflush(stdout);
        window.imgExit_Click();
    });
    const int status = QApplication::exec();
    Prompts::install(nullptr);
    return status;
}
