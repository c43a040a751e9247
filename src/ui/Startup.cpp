// Start-up, exit and unload of the main window.
#include "CCommonDialogs.h"
#include "MainWindowLayout.h"
#include "SkinModule.h"
#include "frmMain.h"
#include "platform/PrivateTempFolder.h"
#include "platform/SingleInstance.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>

#include <optional>

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

}  // namespace

bool frmMain::Form_Load() {
    m_instance = std::make_unique<SingleInstance>(programFolder());
    if (!m_instance->isFirst()) {
        return false;
    }

    SkinH_Attach();
    SkinH_Aero(this);
    SkinH_Aero_Adjust(220, 0, 0, 0, 0, 0, 0, 0, 0);

    commonDialogs = std::make_unique<CCommonDialogs>();
    commonDialogs->Init(this);

    QCoreApplication::processEvents();
    showProgress(ProgressReport{});
    lblPB->setText(QStringLiteral("0%"));

    cmbBR->setCurrentIndex(7);
    cmbR->setCurrentIndex(1);
    cmbChannel->setCurrentIndex(1);
    cmbOF->setCurrentIndex(0);
    // The window says "MP3": without a user's setup.ini the MP3 format is the one in force.
    cmbOF->setCurrentIndex(EncoderSettings::kMp3Format);

    const QString defaultFolder = m_session.defaultOutputFolder();
    txtPath->setText(defaultFolder);

    const RestoredSetup restored = m_session.restoreSetup();
    // A position the box does not offer for the format in force (the source's channels while
    // MP3 is selected) is not restored.
    const auto select = [](QComboBox* box, std::optional<int> index) {
        if (index && *index < box->count()) {
            box->setCurrentIndex(*index);
        }
    };
    select(cmbBR, restored.bitRateIndex);
    select(cmbR, restored.sampleRateIndex);
    select(cmbChannel, restored.channelIndex);
    if (restored.outputFolder) {
        txtPath->setText(*restored.outputFolder);
    }
    select(cmbOF, restored.formatIndex);
    if (txtPath->text().isEmpty()) {
        txtPath->setText(defaultFolder);
    }

    setWindowTitle(QStringLiteral("Vordana"));
    lblWeb->setText(QStringLiteral("Vordana"));

    m_session.loadOptions();

    scaleForDisplay(MainWindowLayout::twipsPerPixelX(this), MainWindowLayout::twipsPerPixelY(this));
    return true;
}

void frmMain::imgExit_Click() {
    m_session.saveSetup(selectedIndex(cmbBR), selectedIndex(cmbR), cmbChannel->currentIndex(),
                        txtPath->text(), cmbOF->currentIndex());
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
    const QString temporary = PrivateTempFolder::ensure();
    if (!temporary.isEmpty()) {
        deleteWithRetries(temporary + QStringLiteral("/tmpfile.wav"));
        deleteWithRetries(temporary + QStringLiteral("/tmpfile1.mp3"));
    }
    // The process ends now, a run or not: no further file starts, and the instance lock is free
    // for the next start at once. An encoder at work finishes its file on its own and publishes
    // it complete (or leaves nothing).
    m_instance.reset();
    QCoreApplication::quit();
}
