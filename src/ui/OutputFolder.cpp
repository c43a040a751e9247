// Choosing the output folder in the folder browser.
#include "frmMain.h"
#include "platform/Prompts.h"

#include <QLineEdit>

void frmMain::imgBrowse_Click() {
    const auto folder = Prompts::current().chooseFolder(tr("请选择一个文件夹:"), txtPath->text());
    // A cancel brings back the default folder: backing out of the browser is the way back to it.
    txtPath->setText(folder && !folder->isEmpty() ? *folder : m_session.defaultOutputFolder());
}
