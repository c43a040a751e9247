#pragma once

#include "HotSpot.h"
#include "options/OptionsFile.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The options window. The user sees the finishing sound's switch and how many files convert at
// once (同时转换文件数: 1 to maxFilesAtOnce(); a default left as it is stays unchosen, so it keeps
// following the cores this process may use); the "Music Cutter" box and
// its six clip fields are kept hidden but are still loaded, checked and stored. The window edits
// `record` in place and writes it to `optionsPath` only on OK; every other way out (back, exit,
// Escape, the caption's close button) leaves both as they were.
//
// The caller shows it modally through Prompts::showModal; everything here works without exec(),
// so a test can drive the controls and handlers directly.
class frmOptions : public QDialog {
    Q_OBJECT

public:
    frmOptions(OptionsRecord& record, const QString& optionsPath, QWidget* parent = nullptr);
    ~frmOptions() override;

    // Checks the minute and second fields, stores the controls into the record, saves the file
    // and closes. A field over 59 is reported, gets the focus, and nothing is stored.
    void imgOK_Click();
    void Command1_Click() { imgOK_Click(); }
    // Close without storing anything.
    void imgBack_Click();
    void imgExit_Click();
    void Command2_Click() { imgExit_Click(); }
    // Enables the six time fields while the box is checked; their text stays as it is.
    void chkMC_Click();

    // Controls, by their documented names.
    QLabel* Label1 = nullptr;
    QComboBox* cmbSR = nullptr;  // "ON" (0), "OFF" (1); its index is SoundReminder
    QLabel* Label2 = nullptr;
    QSpinBox* spnFiles = nullptr;  // FilesAtOnce
    QCheckBox* chkMC = nullptr;
    QLineEdit* txtFromH = nullptr;
    QLineEdit* txtFromM = nullptr;
    QLineEdit* txtFromS = nullptr;
    QLineEdit* txtToH = nullptr;
    QLineEdit* txtToM = nullptr;
    QLineEdit* txtToS = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    HotSpot* imgOK = nullptr;
    HotSpot* imgBack = nullptr;
    HotSpot* imgExit = nullptr;

private:
    void buildLayout();
    void Form_Load();
    void setTimeFieldsEnabled(bool enabled);

    OptionsRecord& m_record;
    QString m_optionsPath;
};
