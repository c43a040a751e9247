// The window as the benchmark drives it: loads the main window over a program folder
// (offscreen), queues the files, presses the start button and ends when the run has ended.
//   window_bench PROGRAM_FOLDER OUTPUT_FOLDER FILES_AT_ONCE FILE...
// FILES_AT_ONCE 0 leaves the window's own default (the options, else the cores this process
// may use). Exit status 0 when every file converted, 1 otherwise, 2 for bad usage.
#include "frmMain.h"
#include "options/OptionsFile.h"
#include "platform/ConsolePrompts.h"

#include <QApplication>
#include <QLineEdit>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    bool number = false;
    const int filesAtOnce = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt(&number) : 0;
    if (argc < 5 || !number || filesAtOnce < 0) {
        std::fputs("usage: window_bench PROGRAM_FOLDER OUTPUT_FOLDER FILES_AT_ONCE FILE...\n",
                   stderr);
        return 2;
    }
    ConsolePrompts prompts;
    Prompts::install(&prompts);
    frmMain window(QString::fromLocal8Bit(argv[1]));
    if (!window.Form_Load()) {
        return 2;
    }
    if (filesAtOnce > 0) {
        Options().FilesAtOnce = filesAtOnce;
    }
    window.findChild<QLineEdit*>(QStringLiteral("txtPath"))
        ->setText(QString::fromLocal8Bit(argv[2]));
    for (int i = 4; i < argc; ++i) {
        window.AddFileRow(QString::fromLocal8Bit(argv[i]));
    }
    // After the window's own end of the run (it was connected first).
    QObject::connect(&window.run(), &ConversionRun::runFinished, &app,
                     [&window] { QApplication::exit(window.run().failedCount() == 0 ? 0 : 1); });
    window.Command3_Click();
    const int status = QApplication::exec();
    Prompts::install(nullptr);
    return status;
}
