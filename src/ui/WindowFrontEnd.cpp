#include "WindowFrontEnd.h"

#include "InstanceChannel.h"
#include "WidgetPrompts.h"
#include "WindowLanguage.h"
#include "filelist/NativeNames.h"
#include "frmMain.h"
#include "platform/ProgramFiles.h"
#include "platform/SingleInstance.h"
#include "text/PrintableText.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kBadUsage = 2;

// Qt's own options that take a value (QGuiApplication reads them), and those that take none.
bool isQtOption(const char* word, bool* takesValue) {
    static const char* const withValue[] = {
        "-platform", "-platformpluginpath", "-platformtheme",   "-plugin",
        "-display",  "-geometry",           "-qwindowgeometry", "-qwindowtitle",
        "-style",    "-stylesheet",         "-session"};
    for (const char* option : withValue) {
        if (std::strcmp(word, option) == 0) {
            *takesValue = true;
            return true;
        }
    }
    *takesValue = false;
    return std::strcmp(word, "-reverse") == 0;
}

// Whether a local stream socket named `path` accepts a connection.
bool connectsTo(const QByteArray& path, bool abstractName) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstractName ? 1 : 0;  // an abstract name starts with a NUL byte
    const size_t length =
        qMin(static_cast<size_t>(path.size()), sizeof address.sun_path - 1 - offset);
    std::memcpy(address.sun_path + offset, path.constData(), length);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + length +
                                             (abstractName ? 0 : 1));
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0;
    ::close(fd);
    return connected;
}

// Whether a platform for windows can be had: one named by the environment or -platform is
// trusted; otherwise the X server of $DISPLAY must answer or $WAYLAND_DISPLAY be set. Without
// this check Qt aborts the process.
bool displayAvailable(int argc, char** argv) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return true;
    }
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0) {
            return true;
        }
    }
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        return false;
    }
    // ":N" or ":N.S" is the local server's socket; anything else (host:N) is left to Qt.
    if (!display.startsWith(':')) {
        return true;
    }
    const QByteArray path = "/tmp/.X11-unix/X" + display.mid(1).split('.').value(0);
    // The server listens on that file, or in the abstract namespace under the same name.
    return connectsTo(path, false) || connectsTo(path, true);
}

}  // namespace

int windowFrontEnd(int argc, char** argv) {
    // Files and folders named on the command line ("Open with" from a file manager too); an
    // option nobody knows is a mistake, as it is with --convert.
    const bool screenshot = argc > 2 && std::strcmp(argv[1], "--screenshot") == 0;
    const QStringList arguments = NativeNames::argumentsOf(argc, argv);
    QStringList paths;
    bool options = true;
    for (int i = screenshot ? 3 : 1; i < argc; ++i) {
        bool takesValue = false;
        if (options && std::strcmp(argv[i], "--") == 0) {
            options = false;
        } else if (options && isQtOption(argv[i], &takesValue)) {
            i += takesValue ? 1 : 0;
        } else if (options && argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "vordana: unknown option %s (see vordana --help)\n",
                         printable(QString::fromLocal8Bit(argv[i])).toUtf8().constData());
            return kBadUsage;
        } else {
            paths << QFileInfo(arguments.at(i)).absoluteFilePath();
        }
    }
    if (!displayAvailable(argc, argv)) {
        std::fputs(
            "vordana: no display: the window cannot open; use --convert to convert "
            "without one\n",
            stderr);
        return kBadUsage;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vordana"));
    // Before the window: its texts are set as its controls are made.
    const QString programFolder = ProgramFiles::runningProgramFolder();
    const WindowTranslation translation(windowLanguage(), programFolder);
    if (!translation.loaded()) {
        std::fprintf(stderr, "vordana: warning: cannot read %s; the window stays in Chinese\n",
                     printable(WindowTranslation::englishFile(programFolder)).toUtf8().constData());
    }
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
    if (screenshot) {
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
