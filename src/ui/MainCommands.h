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
    QAction addFile{QStringLiteral("添加文件"), this};             // menuAdd
    QAction addFolder{QStringLiteral("添加文件夹"), this};         // menuAddFolder
    QAction exit{QStringLiteral("退出程序"), this};                // menuExit
    QAction removeSelected{QStringLiteral("移除选中文件"), this};  // menuDelete
    QAction clearList{QStringLiteral("移除全部"), this};           // menuClear
    QAction options{QStringLiteral("提示设置"), this};             // menuReminder
    QAction about{QStringLiteral("关于"), this};                   // menuAbout
    QAction removeMenu{this};                    // the remove group as a popup menu
    QAction help{QStringLiteral("帮助"), this};  // menuHelp
    QAction notice{this};                        // the maker's notice
    // Starts the run, or stops the one under way (its text says which).
    QAction start{QStringLiteral("立刻开始转换！"), this};  // menuStart
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
