// The ways files enter the main window's list: the open-file dialog, the folder scan, drops on
// the list or the drop zone, and a click on the drop zone. All of them end in AddFileRow.
#include "filelist/FileList.h"
#include "filelist/FolderScan.h"
#include "platform/Prompts.h"
#include "CCommonDialogs.h"
#include "frmMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

void frmMain::AddFileByDialog() {
    commonDialogs->setTitle(QStringLiteral("Open Files"));
    commonDialogs->setFilter(QStringLiteral("APE声音文件(*.APE, *.ape)|*.ape|所有格式文件(*.*)|*.*"));
    if (!LastAddFolder.isEmpty()) {
        commonDialogs->setPath(LastAddFolder);
    }
    if (!commonDialogs->ShowOpen()) {
        return;
    }
    const QString path = commonDialogs->FileName();
    if (!path.isEmpty()) {
        LastAddFolder = FileList::ParsePath(path);
        AddFileRow(path);
    }
    ShowHintIfEmpty();
}

QString frmMain::ShowOpenDialog(const QString& title, const QString& initialFolder,
                                const QString& filter) {
    QString folder = initialFolder.trimmed();
    if (folder.isEmpty()) {
        folder = programFolder();
    } else {
        if (!folder.endsWith(QLatin1Char('/'))) {
            folder += QLatin1Char('/');
        }
        if (!QFileInfo(folder).isDir()) {
            folder = programFolder();
        }
    }
    Prompts::FileDialogRequest request;
    request.title = title;
    request.folder = folder;
    request.filter = filter;
    return Prompts::current().openFile(request).value_or(QString());
}

void frmMain::AddFolderByDialog() {
    const auto folder = Prompts::current().chooseFolder(QStringLiteral("选择一个文件夹:"), QString());
    picText->show();
    lblText->setText(QStringLiteral("搜索文件..."));
    if (folder && !folder->isEmpty()) {
        lstAddFolder.clear();
        SearchFolder(*folder, lstAddFolder, [] { QCoreApplication::processEvents(); });
        for (const QString& path : lstAddFolder) {
            AddFileRow(path);
        }
    }
    lblText->setText(QStringLiteral("拖拽文件到这里开始转换"));
    ShowHintIfEmpty();
}

bool frmMain::DropFiles(const QMimeData* dropped) {
    if (!dropped || !dropped->hasUrls()) {
        return false;
    }
    bool any = false;
    for (const QUrl& url : dropped->urls()) {
        if (url.isLocalFile()) {
            // Whatever is dropped goes in, a folder as one row; the folder scan searches folders.
            AddFileRow(QDir::cleanPath(url.toLocalFile()));
            any = true;
        }
    }
    if (!lstFile.isEmpty()) {
        QCoreApplication::processEvents();
        picText->hide();
    }
    return any;
}

void frmMain::AddFileByDropZone() {
    const QString path = ShowOpenDialog(QStringLiteral("打开文件"), QString(), QStringLiteral("*.*|*.*"));
    if (path.isEmpty()) {
        return;
    }
    AddFileRow(path);
    ShowHintIfEmpty();
}
