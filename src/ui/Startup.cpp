// Start-up, exit and unload of the main window.
#include "options/SetupIni.h"
#include "options/OptionsFile.h"
#include "platform/PrivateTempFolder.h"
#include "platform/SingleInstance.h"
#include "CCommonDialogs.h"
#include "MainWindowLayout.h"
#include "SkinModule.h"
#include "frmMain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>

namespace {

// Deleting a temporary file is retried while it is there, but a file that can never go (read
// only, held by another program) must not keep the program from ending.
constexpr int kDeleteAttempts = 50;

void deleteWithRetries(const QString& path) {
    for (int attempt = 0; attempt < kDeleteAttempts && QFile::exists(path); ++attempt) {
        QFile::remove(path);
        QCoreApplication::processEvents();
    }
}

void selectIfInList(QComboBox* box, const QString& value) {
    const auto index = setupIndexValue(value);
    if (index && *index >= 0 && *index < box->count()) {
        box->setCurrentIndex(*index);
    }
}

}  // namespace

bool frmMain::Form_Load() {
    static std::unique_ptr<SingleInstance> instance;
    instance = std::make_unique<SingleInstance>(m_programFolder);
    if (!instance->isFirst()) {
        return false;
    }

    SkinH_Attach();
    SkinH_Aero(this);
    SkinH_Aero_Adjust(220, 0, 0, 0, 0, 0, 0, 0, 0);

    commonDialogs = std::make_unique<CCommonDialogs>();
    commonDialogs->Init(this);

    m_run.objffmpeg();  // the two runners live with the conversion run
    QCoreApplication::processEvents();
    showProgress(ProgressDisplay{});
    lblPB->setText(QStringLiteral("0%"));

    cmbBR->setCurrentIndex(7);
    cmbR->setCurrentIndex(1);
    cmbChannel->setCurrentIndex(1);
    cmbOF->setCurrentIndex(0);
    // The window says "MP3": without a user's setup.ini the MP3 format is the one in force.
    cmbOF->setCurrentIndex(8);

    const QString defaultFolder = m_programFolder + QStringLiteral("/output");
    txtPath->setText(defaultFolder);

    QFile setup(m_programFolder + QStringLiteral("/setup.ini"));
    if (setup.open(QIODevice::ReadOnly)) {
        const SetupIniLines lines = parseSetupIni(setup.read(64 * 1024));
        const QList<QString>& v = lines.values;
        if (v.size() > 0) {
            selectIfInList(cmbBR, v[0]);
        }
        if (v.size() > 1) {
            selectIfInList(cmbR, v[1]);
        }
        if (v.size() > 2) {
            selectIfInList(cmbChannel, v[2]);
        }
        if (v.size() > 3) {
            txtPath->setText(v[3]);
        }
        if (v.size() > 4) {
            selectIfInList(cmbOF, v[4]);
        }
    }
    if (txtPath->text().isEmpty()) {
        txtPath->setText(defaultFolder);
    }

    setWindowTitle(QStringLiteral("Vordana"));
    lblWeb->setText(QStringLiteral("Vordana"));

    LoadOptionsFile(Options(), m_programFolder + QStringLiteral("/options.ini"));

    scaleForDisplay(MainWindowLayout::twipsPerPixelX(this), MainWindowLayout::twipsPerPixelY(this));
    return true;
}

void frmMain::imgExit_Click() {
    writeSetupIni(
        m_programFolder + QStringLiteral("/setup.ini"),
        formatSetupIni(selectedIndex(cmbBR), selectedIndex(cmbR), cmbChannel->currentIndex(),
                       txtPath->text(), cmbOF->currentIndex()));
    close();
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload() {
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    const QString temporary = PrivateTempFolder::path();
    deleteWithRetries(temporary + QStringLiteral("/tmpfile.wav"));
    deleteWithRetries(temporary + QStringLiteral("/tmpfile1.mp3"));
    QCoreApplication::quit();
}
