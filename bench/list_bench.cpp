// How long the main window takes with a long list: a folder tree of 10,000 .ape files (50
// folders of 200) added with the folder scan, one row removed from the middle, then the whole
// list cleared. Runs offscreen; prints each time and the longest stretch the window went
// without serving its events while it cleared.
//   list_bench [FILES]      (default 10000)
#include "frmMain.h"
#include "platform/ConsolePrompts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

namespace {

// Answers the folder dialog with the tree; every other prompt as on a console.
class TreePrompts : public ConsolePrompts {
public:
    explicit TreePrompts(QString folder) : m_folder(std::move(folder)) {}
    std::optional<QString> chooseFolder(const QString&, const QString&) override {
        return m_folder;
    }

private:
    QString m_folder;
};

double ms(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    QTemporaryDir tree;
    QTemporaryDir program;
    const int perFolder = 200;
    for (int i = 0; i < files; ++i) {
        const QString folder = QStringLiteral("%1/album %2").arg(tree.path()).arg(i / perFolder);
        if (i % perFolder == 0) {
            QDir().mkpath(folder);
        }
        QFile(QStringLiteral("%1/track %2.ape").arg(folder).arg(i % perFolder))
            .open(QIODevice::WriteOnly);
    }
    TreePrompts prompts(tree.path());
    Prompts::install(&prompts);
    frmMain window(program.path());
    window.Form_Load();
    window.show();
    QApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    window.AddFolderByDialog();
    QApplication::processEvents();
    std::printf("add %d files (scan and fill): %.1f ms\n", static_cast<int>(window.lstFile.count()),
                ms(clock));

    auto* list = window.findChild<QTreeView*>(QStringLiteral("LV"));
    list->setCurrentIndex(list->model()->index(files / 2, 0));
    clock.restart();
    window.RemoveSelectedRow();
    QApplication::processEvents();
    std::printf("remove the selected row in the middle: %.2f ms\n", ms(clock));

    // The longest gap between two turns of a timer that wants to run all the time is the
    // longest the window went without its events.
    QElapsedTimer gap;
    double longest = 0.0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, ms(gap));
        gap.restart();
    });
    ticker.start(0);
    gap.start();
    clock.restart();
    window.ClearList();
    const double cleared = ms(clock);
    longest = std::max(longest, ms(gap));
    std::printf("clear %d rows: %.1f ms (longest without events: %.1f ms)\n", files - 1, cleared,
                longest);
    Prompts::install(nullptr);
    return window.lstFile.isEmpty() ? 0 : 1;
}
