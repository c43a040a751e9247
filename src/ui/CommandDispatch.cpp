// Command dispatch of the main window: every menu item, tool button and command word ends in
// exactly one operation.
#include "options/OptionsFile.h"
#include "frmOptions.h"
#include "platform/Prompts.h"
#include "Artwork.h"
#include "HelpAbout.h"
#include "WindowChrome.h"
#include "frmMain.h"
#include "frmMenu.h"
#include "frmSuggest.h"

#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// The small windows' chrome: their action and back buttons light up, the exit button too, and
// they drag by their background.
void attachChrome(QDialog* window, HotSpot* action, const QString& caption, HotSpot* back,
                  HotSpot* exit) {
    auto* chrome = new WindowChrome(window, window);
    chrome->addHotSpot(exit, Artwork::roundButton(Artwork::Glyph::Exit, exit->size(), true));
    chrome->addHotSpot(back, Artwork::textButton(QString::fromUtf8("返回"), back->size(), true));
    chrome->addHotSpot(action, Artwork::textButton(caption, action->size(), true));
    for (HotSpot* spot : {action, back, exit}) {
        WindowChrome::setHandPointer(spot);
    }
}

}  // namespace

void frmMain::connectCommands() {
    connect(Command3, &QPushButton::clicked, this, &frmMain::Command3_Click);
    connect(imgStart, &HotSpot::clicked, this, &frmMain::imgStart_Click);
    connect(imgConvert, &HotSpot::clicked, this, &frmMain::imgConvert_Click);
    connect(imgAdd, &HotSpot::clicked, this, &frmMain::AddFileByDialog);
    connect(imgRemove, &HotSpot::clicked, this, &frmMain::RemoveSelectedRow);
    connect(imgExit, &HotSpot::clicked, this, &frmMain::imgExit_Click);
    connect(imgHelp, &HotSpot::clicked, this, &frmMain::imgHelp_Click);
    connect(imgBrowse, &HotSpot::clicked, this, &frmMain::imgBrowse_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmMain::cmdBrowse_Click);
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
        m_menus = std::make_unique<frmMenu>(txtAction, [this] { ClearList(); });
    }
    return *m_menus;
}

void frmMain::txtAction_Change() {
    // Each word is tested against the field as it is at that moment: an action may change it.
    const auto is = [this](const char* word) { return txtAction->text() == QLatin1String(word); };
    if (is("RemoveSelected")) {
        RemoveSelectedRow();
    }
    if (is("A")) {
        Prompts::current().message(noticeText(), Prompts::applicationTitle(), Prompts::Icon::None);
    }
    if (is("AddaFile")) {
        AddFileByDialog();
    }
    if (is("menuAddaFolder")) {
        imgToolbar_Click(6);
    }
    if (is("menuExit")) {
        imgExit_Click();
    }
    if (is("menuHelp")) {
        imgHelp_Click();
    }
    if (is("menuOption")) {
        imgToolbar_Click(2);
    }
    // Emptying the field raises this handler once more, which finds nothing to do.
    txtAction->setText(QString());
}

void frmMain::imgToolbar_Click(int Index) {
    switch (Index) {
        case 0:
            AddFileByDialog();
            break;
        case 1:
            Prompts::current().popupMenu(&menus().menuRemove);
            break;
        case 2:
            showOptionsWindow();
            break;
        case 3:
            imgHelp_Click();
            break;
        case 4:
            imgExit_Click();
            break;
        case 6:
            AddFolderByDialog();
            break;
        default:
            break;
    }
}

void frmMain::CmdToolsBar_Click(int Index) {
    switch (Index) {
        case 0:
            imgToolbar_Click(0);
            break;
        case 1:
            imgToolbar_Click(6);
            break;
        case 2:
            imgToolbar_Click(1);
            break;
        case 4:
            imgToolbar_Click(2);
            break;
        case 5:
            imgToolbar_Click(4);
            break;
        default:
            break;  // 3, 6, 7 have no button; anything else is not an index at all
    }
}

void frmMain::imgHelp_Click() {
    openHelp(m_session.files().help());
    imgHelp->rest();  // at rest when the user comes back
}

void frmMain::showOptionsWindow() {
    frmOptions window(Options(), m_session.files().optionsIni());
    attachChrome(&window, window.imgOK, QString::fromUtf8("确定"), window.imgBack, window.imgExit);
    Prompts::current().showModal(&window);
}

void frmMain::showFeedbackWindow() {
    if (!m_feedback) {
        m_feedback = std::make_unique<frmSuggest>();
        attachChrome(m_feedback.get(), m_feedback->imgSend, QString::fromUtf8("发送"),
                     m_feedback->imgBack, m_feedback->imgExit);
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
