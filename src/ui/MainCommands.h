#pragma once

#include <QAction>
#include <QActionGroup>
#include <QList>
#include <QObject>

#include <array>

// One QAction per command of the main window, each bound to the one operation that does the
// work. The menu bar shows them; the tool buttons, hot-spots, toolbar numbers and command words
// only trigger them, so every way to a command ends in the same place. The menus show their
// keys.
class MainCommands : public QObject {
    Q_OBJECT

public:
    explicit MainCommands(QObject* parent = nullptr);

    // Named after the menu bar items that show them, where they have one.
    QAction addFile{tr("添加文件"), this};             // menuAdd
    QAction addFolder{tr("添加文件夹"), this};         // menuAddFolder
    QAction exit{tr("退出程序"), this};                // menuExit
    QAction removeSelected{tr("移除选中文件"), this};  // menuDelete
    QAction clearList{tr("移除全部"), this};           // menuClear
    QAction options{tr("提示设置"), this};             // menuReminder
    QAction about{tr("关于"), this};                   // menuAbout
    QAction removeMenu{this};                          // the remove group as a popup menu
    QAction help{tr("帮助"), this};                    // menuHelp
    QAction notice{this};                              // the maker's notice
    // Starts the run, or stops the one under way (its text says which).
    QAction start{tr("立刻开始转换！"), this};  // menuStart
    QAction stop{this};  // Esc: stops the run under way (on only during a run)
    QAction browse{this};
    // The 输出格式 submenus: one checkable action per offered format (formatChoices()), exclusive,
    // its data the format index, its object name menuFormat<index>.
    QActionGroup formatGroup{this};
    QList<QAction*> formats;

    // The words the popup menus write into the command field, each with its command, in the
    // order the field is tested against them.
    struct Word {
        const char* word;
        QAction* action;
    };
    const std::array<Word, 7> words{{{"RemoveSelected", &removeSelected},
                                     {"A", &notice},
                                     {"AddaFile", &addFile},
                                     {"menuAddaFolder", &addFolder},
                                     {"menuExit", &exit},
                                     {"menuHelp", &help},
                                     {"menuOption", &options}}};
};
