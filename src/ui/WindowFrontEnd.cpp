#include "WindowFrontEnd.h"

#include "WidgetPrompts.h"
#include "frmMain.h"

#include <QApplication>
#include <QTimer>

#include <cstring>

int windowFrontEnd(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vordana"));
    frmMain window;
    WidgetPrompts prompts(&window);
    Prompts::install(&prompts);
    if (!window.Form_Load()) {
        return 0;  // another instance runs
    }
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
