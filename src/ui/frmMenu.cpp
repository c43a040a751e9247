#include "frmMenu.h"

#include <QLineEdit>

frmMenu::frmMenu(QLineEdit* commandField, QAction* clearList, const QList<QAction*>& formats)
    : m_commandField(commandField) {
    menuFile.setTitle(QStringLiteral("File"));
    addWordItem(menuFile, tr("添加文件(&A)"), QStringLiteral("AddaFile"));
    addWordItem(menuFile, tr("添加目录(&F)"), QStringLiteral("menuAddaFolder"));
    menuFile.addSeparator();
    addWordItem(menuFile, tr("退出(&E)"), QStringLiteral("menuExit"));

    menuOptions.setTitle(QStringLiteral("Options"));
    addWordItem(menuOptions, tr("设置(&O)"), QStringLiteral("menuOption"));

    menuAbout.setTitle(QStringLiteral("About"));
    addWordItem(menuAbout, tr("帮助(&H)"), QStringLiteral("menuHelp"));
    addWordItem(menuAbout, tr("关于(&A)"), QStringLiteral("A"));

    menuRemove.setTitle(QStringLiteral("Remove"));
    addWordItem(menuRemove, tr("移除选择项"), QStringLiteral("RemoveSelected"));
    // The item belongs to the menu, so a popup finds it; the work is the menu bar's command.
    QAction* removeAll = menuRemove.addAction(tr("移除全部"));
    removeAll->setObjectName(QStringLiteral("menuRemoveAll"));
    connect(removeAll, &QAction::triggered, clearList, &QAction::trigger);
    menuFormat.setTitle(tr("输出格式"));
    menuFormat.addActions(formats);
    menuRemove.addMenu(&menuFormat);

    // The right-click menu carries its own copies of the three groups, so each menu owns its
    // items and a popup can find all of them.
    for (QMenu* group : {&menuFile, &menuOptions, &menuAbout}) {
        QMenu* copy = listMenu.addMenu(group->title());
        for (QAction* action : group->actions()) {
            if (action->isSeparator()) {
                copy->addSeparator();
            } else {
                addWordItem(*copy, action->text(), action->data().toString());
            }
        }
    }
    // The formats come last, as the same commands the menu bar offers.
    listMenu.addMenu(menuFormat.title())->addActions(formats);
}

void frmMenu::addWordItem(QMenu& menu, const QString& caption, const QString& word) {
    QAction* action = menu.addAction(caption);
    action->setData(word);
    connect(action, &QAction::triggered, this, [this, word] { m_commandField->setText(word); });
}
