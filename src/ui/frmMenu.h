#pragma once

#include <QMenu>
#include <QObject>

class QAction;
class QLineEdit;

// The popup menus. Never shown as a window: it holds four groups ("File", "Options", "About",
// "Remove") whose items write a command word into the main window's command field, plus the
// list's right-click menu offering the first three groups and the formats. The remove group also
// offers the output formats (输出格式), the main window's own format commands.
class frmMenu : public QObject {
    Q_OBJECT

public:
    // `commandField` is the main window's txtAction; `clearList` is the command that empties the
    // list, which the one item without a word (menuRemoveAll) triggers; `formats` are the
    // format commands.
    frmMenu(QLineEdit* commandField, QAction* clearList, const QList<QAction*>& formats);

    QMenu menuFile;
    QMenu menuOptions;
    QMenu menuAbout;
    QMenu menuRemove;
    // The remove group's 输出格式 submenu, holding the main window's format commands.
    QMenu menuFormat;
    QMenu listMenu;  // right click on the list: File, Options, About and 输出格式

private:
    void addWordItem(QMenu& menu, const QString& caption, const QString& word);
    QLineEdit* m_commandField;
};
