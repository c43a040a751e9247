#include "CCommonDialogs.h"

#include "platform/Prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString upToNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

// Folder part of a chosen file, without the last separator ("/music/A/B.ape" -> "/music/A").
QString folderOf(const QString& file) {
    const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : file.left(slash);
}

QString nameOf(const QString& file) {
    return file.mid(file.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace

QString CCommonDialogs::Title() const {
    return upToNul(m_title);
}

QString CCommonDialogs::Path() const {
    return upToNul(m_path);
}

QString CCommonDialogs::FileTitle() const {
    return upToNul(m_fileTitle);
}

QString CCommonDialogs::FileName() const {
    return upToNul(m_fileName);
}

void CCommonDialogs::takeChosenFile(const QString& chosen) {
    m_fileName = chosen;
    m_fileTitle = nameOf(chosen);
    m_path = folderOf(chosen);
}

bool CCommonDialogs::ShowOpen() {
    Prompts::FileDialogRequest request;
    request.title = Title();
    request.folder = m_openFolder.isEmpty() ? QDir::currentPath() : m_openFolder;
    request.filter = m_filter;
    // No length limit: paths here are often longer than 260 characters.
    request.fileName = FileName();
    request.defaultExtension = m_defExt;
    const std::optional<QString> chosen = Prompts::current().openFile(request);
    if (!chosen) {
        return false;
    }
    takeChosenFile(*chosen);
    // absolutePath, not Path: a file in the root folder has an empty Path but starts at "/".
    m_openFolder = QFileInfo(*chosen).absolutePath();
    return true;
}

bool CCommonDialogs::ShowSave() {
    // The folder is corrected and stored back before the dialog, so it stays corrected even
    // when the user cancels.
    if (m_path.trimmed().isEmpty()) {
        m_path = QCoreApplication::applicationDirPath();
    } else {
        if (!m_path.endsWith(QLatin1Char('/'))) {
            m_path += QLatin1Char('/');
        }
        if (!QFileInfo(m_path).isDir()) {
            m_path = QCoreApplication::applicationDirPath();
        }
    }

    Prompts::FileDialogRequest request;
    request.title = QStringLiteral("Save");
    request.folder = m_path;
    request.filter = m_filter.trimmed().isEmpty() ? QStringLiteral("*.*|*.*") : m_filter;
    const std::optional<QString> chosen = Prompts::current().saveFile(request);
    if (!chosen) {
        return false;
    }
    takeChosenFile(*chosen);
    return true;
}

bool CCommonDialogs::ShowFolder() {
    // No start folder: the folder dialog begins at its own default (the home folder).
    const std::optional<QString> folder = Prompts::current().chooseFolder(Title(), QString());
    if (!folder) {
        return false;
    }
    m_path = *folder;
    m_fileName.clear();
    m_fileTitle.clear();
    return true;
}

bool CCommonDialogs::ShowColor(bool fullOpen) {
    const std::optional<quint32> chosen = Prompts::current().chooseColor(m_color, fullOpen);
    if (!chosen) {
        return false;
    }
    m_color = *chosen;
    return true;
}

bool CCommonDialogs::ShowFont() {
    Prompts::FontChoice initial;
    initial.name = m_fontName;
    initial.pointSize = m_fontSize;
    initial.bold = m_fontBold;
    initial.italic = m_fontItalic;
    initial.underline = m_fontUnderline;
    initial.color = m_color;
    const std::optional<Prompts::FontChoice> chosen = Prompts::current().chooseFont(initial);
    if (!chosen) {
        return false;
    }
    // Underline and colour are offered to the dialog but deliberately not taken back.
    m_fontName = upToNul(chosen->name);
    m_fontSize = chosen->pointSize;
    m_fontBold = chosen->bold;
    m_fontItalic = chosen->italic;
    return true;
}

bool CCommonDialogs::ShowPrinter() {
    return Prompts::current().printDialog();
}

bool CCommonDialogs::ShowPrinterProperties() {
    return Prompts::current().printerProperties();
}
