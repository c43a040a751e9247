#include "app/ConvertCommand.h"
#include "ui/WidgetPrompts.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

int convertWithoutWindow(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vordana"));
    QString error;
    const auto options = parseConvertArguments(QCoreApplication::arguments().mid(2), &error);
    if (!options) {
        std::fprintf(stderr, "vordana: %s\n%s", error.toUtf8().constData(),
                     convertUsage().toUtf8().constData());
        return kBadUsage;
    }
    return runConvert(*options, stdout, stderr);
}

}  // namespace

int main(int argc, char** argv) {
    // --convert needs no display, so it must not start the GUI application.
    if (argc > 1 && std::strcmp(argv[1], "--convert") == 0) {
        return convertWithoutWindow(argc, argv);
    }
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(convertUsage().toUtf8().constData(), stdout);
        return 0;
    }

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
    return QApplication::exec();
}
