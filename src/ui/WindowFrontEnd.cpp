#include "WindowFrontEnd.h"

#include "InstanceChannel.h"
#include "WidgetPrompts.h"
#include "filelist/NativeNames.h"
#include "frmMain.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <cstring>

int windowFrontEnd(int argc, char** argv) {
    // Files and folders named on the command line ("Open with" from a file manager too).
    QStringList paths;
    const bool screenshot = argc > 2 && std::strcmp(argv[1], "--screenshot") == 0;
    if (!screenshot) {
        for (const QString& argument : NativeNames::argumentsOf(argc, argv).mid(1)) {
            if (argument != QLatin1String("--")) {
                paths << QFileInfo(argument).absoluteFilePath();
            }
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vordana"));
    frmMain window;
    WidgetPrompts prompts(&window);
    Prompts::install(&prompts);
    if (!window.Form_Load()) {
        // Another window runs: it takes our files, and we end.
        if (!paths.isEmpty() && window.instance() &&
            !InstanceChannel::handOver(window.instance()->socketPath(), paths)) {
            std::fputs("vordana: the running window did not take the files\n", stderr);
            return 1;
        }
        return 0;
    }
    InstanceChannel channel(window.instance()->socketPath(), [&window](const QStringList& more) {
        window.AddPaths(more);
        window.raise();
        window.activateWindow();
    });
    window.AddPaths(paths);
    window.show();
    // --screenshot FILE: save a picture of the window once it is on screen, then end
    // (for the documentation; scripts/screenshot.sh runs it under a virtual display).
    if (argc > 2 && std::strcmp(argv[1], "--screenshot") == 0) {
        const QString file = QString::fromLocal8Bit(argv[2]);
        QTimer::singleShot(1000, &window, [&window, file] {
            const bool saved = window.grab().save(file);
            QCoreApplication::exit(saved ? 0 : 1);
        });
    }
    const int status = QApplication::exec();
    Prompts::install(nullptr);
    return status;
}
