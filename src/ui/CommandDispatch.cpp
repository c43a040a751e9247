// Command dispatch of the main window: every menu item, tool button and command word ends in
// exactly one operation.
#include "Artwork.h"
#include "HelpAbout.h"
#include "WindowChrome.h"
#include "frmMain.h"
#include "frmMenu.h"
#include "frmOptions.h"
#include "frmSuggest.h"
#include "options/OptionsFile.h"
#include "platform/Prompts.h"

#include <array>

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>

namespace {

// A click of a button or hot-spot triggers its command.
void triggerOnClick(QObject* source, QAction* command) {
    if (auto* button = qobject_cast<QAbstractButton*>(source)) {
        QObject::connect(button, &QAbstractButton::clicked, command, &QAction::trigger);
    } else if (auto* spot = qobject_cast<HotSpot*>(source)) {
        QObject::connect(spot, &HotSpot::clicked, command, &QAction::trigger);
    }
}

// The small windows' chrome: their action and back buttons light up, the exit button too, and
// they drag by their background.
void attachChrome(QDialog* window, HotSpot* action, const QString& caption, HotSpot* back,
                  HotSpot* exit) {
    auto* chrome = new WindowChrome(window, window);
    chrome->addHotSpot(exit, Artwork::roundButton(Artwork::Glyph::Exit, exit->size(), true));
    chrome->addHotSpot(back, Artwork::textButton(frmMain::tr("返回"), back->size(), true));
    chrome->addHotSpot(action, Artwork::textButton(caption, action->size(), true));
    for (HotSpot* spot : {action, back, exit}) {
        WindowChrome::setHandPointer(spot);
    }
}

}  // namespace

void frmMain::connectCommands() {
    // Each command's one operation.
    MainCommands& c = m_commands;
    connect(&c.addFile, &QAction::triggered, this, &frmMain::AddFileByDialog);
    connect(&c.addFolder, &QAction::triggered, this, &frmMain::AddFolderByDialog);
    connect(&c.exit, &QAction::triggered, this, &frmMain::imgExit_Click);
    connect(&c.removeSelected, &QAction::triggered, this, &frmMain::RemoveSelectedRow);
    connect(&c.clearList, &QAction::triggered, this, &frmMain::ClearList);
    connect(&c.options, &QAction::triggered, this, &frmMain::showOptionsWindow);
    connect(&c.about, &QAction::triggered, this, [] { showAbout(); });
    connect(&c.removeMenu, &QAction::triggered, this,
            [this] { Prompts::current().popupMenu(&menus().menuRemove); });
    connect(&c.help, &QAction::triggered, this, &frmMain::imgHelp_Click);
    connect(&c.notice, &QAction::triggered, this, [] {
        Prompts::current().message(noticeText(), Prompts::applicationTitle(), Prompts::Icon::None);
    });
    connect(&c.start, &QAction::triggered, this, &frmMain::startOrStop);
    connect(&c.stop, &QAction::triggered, this, &frmMain::stopRun);
    connect(&c.browse, &QAction::triggered, this, &frmMain::imgBrowse_Click);
    // A format is chosen by selecting it in the format box, which applies its presets.
    connect(&c.formatGroup, &QActionGroup::triggered, this,
            [this](QAction* format) { cmbOF->setCurrentIndex(format->data().toInt()); });

    // The buttons and hot-spots that reach them.
    for (QObject* button : {static_cast<QObject*>(Command3), static_cast<QObject*>(imgStart),
                            static_cast<QObject*>(imgConvert)}) {
        triggerOnClick(button, &c.start);
    }
    triggerOnClick(imgAdd, &c.addFile);
    triggerOnClick(imgRemove, &c.removeSelected);
    triggerOnClick(imgExit, &c.exit);
    triggerOnClick(imgHelp, &c.help);
    triggerOnClick(imgBrowse, &c.browse);
    triggerOnClick(cmdBrowse, &c.browse);
    connect(picDrag, &HotSpot::clicked, this, &frmMain::AddFileByDropZone);
    connect(lblWeb, &HotSpot::clicked, this, [] { openWebSite(); });
    connect(lblFeed, &HotSpot::clicked, this, &frmMain::showFeedbackWindow);
    for (size_t i = 0; i < CmdToolsBar.size(); ++i) {
        if (CmdToolsBar[i]) {
            connect(CmdToolsBar[i], &QToolButton::clicked, this,
                    [this, i] { CmdToolsBar_Click(static_cast<int>(i)); });
        }
    }
    for (size_t i = 0; i < imgToolbar.size(); ++i) {
        if (imgToolbar[i]) {
            connect(imgToolbar[i], &HotSpot::clicked, this,
                    [this, i] { imgToolbar_Click(static_cast<int>(i)); });
        }
    }
    connect(txtAction, &QLineEdit::textChanged, this, &frmMain::txtAction_Change);

    LV->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LV, &QWidget::customContextMenuRequested, this,
            [this] { Prompts::current().popupMenu(&menus().listMenu); });

    // Files dropped on the list or on the drop zone. The list view hands its own drop
    // permission to its viewport, so both must accept drops.
    LV->setAcceptDrops(true);
    for (QWidget* target :
         {static_cast<QWidget*>(LV->viewport()), static_cast<QWidget*>(picDrag)}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
}

frmMenu& frmMain::menus() {
    if (!m_menus) {
        m_menus = std::make_unique<frmMenu>(txtAction, &m_commands.clearList, m_commands.formats);
    }
    return *m_menus;
}

void frmMain::txtAction_Change() {
    // Each word is tested against the field as it is at that moment: an action may change it.
    for (const MainCommands::Word& entry : m_commands.words) {
        if (txtAction->text() == QLatin1String(entry.word)) {
            entry.action->trigger();
        }
    }
    // Emptying the field raises this handler once more, which finds nothing to do.
    txtAction->setText(QString());
}

void frmMain::imgToolbar_Click(int Index) {
    const std::array<QAction*, 7> actions = {&m_commands.addFile,  &m_commands.removeMenu,
                                             &m_commands.options,  &m_commands.help,
                                             &m_commands.exit,     nullptr,
                                             &m_commands.addFolder};
    if (Index >= 0 && Index < static_cast<int>(actions.size()) &&
        actions[static_cast<size_t>(Index)]) {
        actions[static_cast<size_t>(Index)]->trigger();
    }
}

void frmMain::CmdToolsBar_Click(int Index) {
    // Buttons 0, 1, 2, 4 and 5 exist; each stands for a toolbar action number.
    static constexpr int kToolbarAction[8] = {0, 6, 1, -1, 2, 4, -1, -1};
    if (Index >= 0 && Index < 8 && kToolbarAction[Index] >= 0) {
        imgToolbar_Click(kToolbarAction[Index]);
    }
}

void frmMain::imgHelp_Click() {
    openHelp(m_session.files().help());
    imgHelp->rest();  // at rest when the user comes back
}

void frmMain::showOptionsWindow() {
    QDir().mkpath(m_session.files().settingsFolder());  // the user's folder may not be there yet
    frmOptions window(Options(), m_session.files().optionsIni());
    attachChrome(&window, window.imgOK, tr("确定"), window.imgBack, window.imgExit);
    Prompts::current().showModal(&window);
}

void frmMain::showFeedbackWindow() {
    if (!m_feedback) {
        m_feedback = std::make_unique<frmSuggest>();
        attachChrome(m_feedback.get(), m_feedback->imgSend, tr("发送"), m_feedback->imgBack,
                     m_feedback->imgExit);
    }
    Prompts::current().showModal(m_feedback.get());
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    const bool dropTarget = watched == LV->viewport() || watched == picDrag;
    if (dropTarget && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (drag->mimeData()->hasUrls()) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
    }
    if (dropTarget && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        drop->setDropAction(Qt::CopyAction);
        if (DropFiles(drop->mimeData())) {
            drop->accept();
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
