// The ways files enter the main window's list: the open-file dialog, the folder scan, drops on
// the list or the drop zone, and a click on the drop zone. All of them end in AddFileRow.
#include "CCommonDialogs.h"
#include "ProgressText.h"
#include "filelist/FileList.h"
#include "filelist/InputGathering.h"
#include "filelist/NativeNames.h"
#include "frmMain.h"
#include "platform/Prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

void frmMain::AddFileByDialog() {
    commonDialogs->setTitle(QStringLiteral("Open Files"));
    //: Descriptions and patterns in pairs, split by |; a translation keeps the patterns as they are
    commonDialogs->setFilter(
        tr("APE声音文件(*.APE, *.ape)|*.ape|CUE文件(*.cue)|*.cue|所有格式文件(*.*)|*.*"));
    if (!LastAddFolder.isEmpty()) {
        commonDialogs->setPath(LastAddFolder);
    }
    if (!commonDialogs->ShowOpen()) {
        return;
    }
    const QString path = commonDialogs->FileName();
    if (!path.isEmpty()) {
        LastAddFolder = FileList::ParsePath(path);
        AddPath(path);
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
    const auto folder = Prompts::current().chooseFolder(tr("选择一个文件夹:"), QString());
    picText->show();
    lblText->setText(tr("搜索文件..."));
    if (folder && !folder->isEmpty()) {
        // An album image with a CUE sheet comes in as its tracks: people who add an album folder
        // want its songs.
        GatherOptions options;
        options.yield = [] { QCoreApplication::processEvents(); };
        const Gathered found = gatherFolder(*folder, options);
        lstAddFolder.clear();
        for (const FileQueue::Item& item : found.items) {
            lstAddFolder << item.path;
        }
        AddGathered(found);
    }
    lblText->setText(tr("拖拽文件到这里开始转换"));
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
            AddPath(QDir::cleanPath(url.toLocalFile()));
            any = true;
        }
    }
    if (!lstFile.isEmpty()) {
        QCoreApplication::processEvents();
        picText->hide();
    }
    return any;
}

void frmMain::AddPath(const QString& path) {
    if (path.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive)) {
        AddGathered(gatherFile(path, GatherOptions{}));
    } else {
        AddFileRow(path);
    }
}

void frmMain::AddGathered(const Gathered& gathered) {
    lstFile.append(gathered.items);
    if (gathered.problems.isEmpty() && gathered.warnings.isEmpty()) {
        return;
    }
    QStringList parts;
    if (!gathered.problems.isEmpty()) {
        parts << fileListMessage(tr("以下文件无法使用："), gathered.problems, filesThatFit());
    }
    if (!gathered.warnings.isEmpty()) {
        QString text = tr("注意：");
        for (const QString& warning : gathered.warnings) {
            text += QStringLiteral("\n") + NativeNames::shown(warning);
        }
        parts << text;
    }
    Prompts::current().message(parts.join(QStringLiteral("\n\n")), tr("添加"),
                               Prompts::Icon::Exclamation);
}

void frmMain::AddPaths(const QStringList& paths) {
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir()) {
            AddGathered(gatherFolder(path, GatherOptions{}));
        } else {
            AddPath(path);
        }
    }
    ShowHintIfEmpty();
}

void frmMain::AddFileByDropZone() {
    const QString path = ShowOpenDialog(tr("打开文件"), QString(), QStringLiteral("*.*|*.*"));
    if (path.isEmpty()) {
        return;
    }
    AddFileRow(path);
    ShowHintIfEmpty();
}
