#pragma once

#include "HotSpot.h"
#include "MainCommands.h"
#include "conversion/ConversionRun.h"
#include "filelist/FileQueue.h"
#include "filelist/InputGathering.h"
#include "session/Session.h"

#include <QLabel>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>

#include <array>
#include <memory>

class CCommonDialogs;
class FileListModel;
class RunProgress;
class QMimeData;
class frmMenu;
class frmSuggest;
class WindowChrome;
class QComboBox;
struct OutputFormat;
class QFrame;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class QTreeView;
class SingleInstance;

// The main window: the file list, the audio settings, the start button and the progress display,
// bound to the conversion core. Control and handler names follow the program's conventions
// (LV, lstFile, cmbBR, Command3, imgStart_Click, ...).
class frmMain : public QMainWindow {
    Q_OBJECT

    // First of all members: the queue and the run that the controls below are bound to.
    Session m_session;

public:
    // `programFolder` holds data/coder, setup.ini, options.ini and sound.wav (the folder of the
    // running program unless a test gives another).
    explicit frmMain(const QString& programFolder = QString(), QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up before the window is shown; false when another instance runs (then the process
    // ends without a window).
    bool Form_Load();
    // The exit command: stores the last-used settings, then closes the window.
    void imgExit_Click();

    // File list.
    void AddFileRow(const QString& path);
    // A path the user picked or dropped: a CUE sheet adds its tracks, anything else one row.
    void AddPath(const QString& path);
    // Rows for what was gathered (files and tracks); sheets that could not be used are told.
    void AddGathered(const Gathered& gathered);
    // Files and folders named on the command line (or by a second start): folders are searched
    // as by the folder button, files come in as picked ones.
    void AddPaths(const QStringList& paths);
    // The instance lock taken by Form_Load (its socket path is where a second start reaches us).
    const SingleInstance* instance() const { return m_instance.get(); }
    void RemoveSelectedRow();
    void ClearList();
    void ShowHintIfEmpty();

    // Conversion run. RunQueue starts it and returns; the end of the run (folder, sound,
    // "Done.") follows when the run says it has finished. The options' files at once set how
    // many files convert together; with more than one, each converting row shows its percent and
    // the bar the whole run's. A start during a run is ignored; the start button stops it
    // instead (stopRun: its encoders end, what they half wrote goes, every file not converted
    // stays listed, the label reads "已停止").
    void imgStart_Click();
    void startOrStop();
    void stopRun();
    void Command3_Click() { startOrStop(); }
    void imgConvert_Click() { imgStart_Click(); }
    void RunQueue();
    bool isConverting() const { return m_session.isConverting() || m_startPending; }

    // Output format selection applies the format's presets, after the label, the format
    // commands and the boxes show what the format takes.
    void cmbOF_Click();

    // Getting files in: the open-file dialog, the folder scan, drops on the list or the drop
    // zone, and a click on the drop zone.
    void AddFileByDialog();
    QString ShowOpenDialog(const QString& title, const QString& initialFolder,
                           const QString& filter);
    void AddFolderByDialog();
    // Adds the local files of a drop; true when the data held any.
    bool DropFiles(const QMimeData* dropped);
    void AddFileByDropZone();

    // The output folder chosen in the folder browser (a cancel restores the default).
    void imgBrowse_Click();
    void cmdBrowse_Click() { imgBrowse_Click(); }

    // Command dispatch: the command bus, the toolbar actions and the tool buttons.
    void txtAction_Change();
    void imgToolbar_Click(int Index);
    void CmdToolsBar_Click(int Index);
    void imgHelp_Click();
    void showOptionsWindow();
    void showFeedbackWindow();
    frmMenu& menus();
    MainCommands& commands() { return m_commands; }
    WindowChrome* chrome() const { return m_chrome; }

    // Display scaling for a display of x, y twips per pixel (15 = 96 dpi, nothing changes).
    void scaleForDisplay(double x, double y);

    QString programFolder() const { return m_session.files().folder(); }
    Session& session() { return m_session; }
    ConversionRun& run() { return m_session.run(); }

    // The queue the list shows, and the folder the open-file dialog starts in next.
    FileQueue& lstFile;
    QString LastAddFolder;

    // The progress bar's value with its fraction (the bar itself shows whole percents), and the
    // picture bar's width in twips.
    double pbValue() const { return m_pbValue; }
    double barTwips() const { return m_barTwips; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void buildMenus();
    void connectCommands();
    void applyChrome();
    void bindSettings();
    void Timer1_Timer();
    void showProgress(const ProgressReport& report);
    void showBar(double pbValue, double twips, const QString& label);
    void showLabel(const QString& text);
    void showLaneProgress(int lane, const ProgressReport& report);
    void showRunShare();
    void showStartAsStop(bool running);
    void setRunControlsEnabled(bool enabled);
    void showFormat(const OutputFormat& format);
    void enableFormatBoxes();
    void onRunFinished();
    void restoreControls();
    void showStopped();
    // How many files a list of files with reasons may name and the box still fit the screen.
    int filesThatFit() const;
    void finishRun();
    void Form_Unload();
    int selectedIndex(const QComboBox* box) const;

    // The files the last folder scan found, and the timer that starts a run once the window
    // has shown its disabled controls (a start is pending until then).
    QStringList lstAddFolder;
    QTimer Timer1;
    bool m_startPending = false;
    // Controls, by their documented names; each widget's object name is the same, so tests and
    // tools find them by it.
    QTreeView* LV = nullptr;
    FileListModel* m_listModel = nullptr;
    // The whole run's progress while more than one file converts at once.
    std::unique_ptr<RunProgress> m_runProgress;
    QFrame* picText = nullptr;
    QLabel* lblText = nullptr;
    QLabel* Label9 = nullptr;
    QComboBox* cmbOF = nullptr;
    QComboBox* cmbBR = nullptr;
    QComboBox* cmbR = nullptr;
    QComboBox* cmbChannel = nullptr;
    QComboBox* cmbS = nullptr;
    QComboBox* cmbVB = nullptr;
    QComboBox* cmbF = nullptr;
    QLineEdit* txtPath = nullptr;
    QLineEdit* txtAction = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QPushButton* Command3 = nullptr;
    QLabel* lblPB = nullptr;
    QProgressBar* pb = nullptr;
    QLabel* imgPB = nullptr;
    HotSpot* lblWeb = nullptr;
    HotSpot* lblFeed = nullptr;
    HotSpot* picDrag = nullptr;
    HotSpot* imgHelp = nullptr;
    HotSpot* imgMin = nullptr;
    HotSpot* imgExit = nullptr;
    HotSpot* imgBrowse = nullptr;
    HotSpot* imgConvert = nullptr;
    HotSpot* imgAdd = nullptr;
    HotSpot* imgRemove = nullptr;
    HotSpot* imgStart = nullptr;
    std::array<HotSpot*, 7> imgToolbar{};
    std::array<QToolButton*, 8> CmdToolsBar{};  // elements 0, 1, 2, 4 and 5 exist
    QWidget* client = nullptr;                  // the designed client area
    std::unique_ptr<CCommonDialogs> commonDialogs;

    std::unique_ptr<SingleInstance> m_instance;
    MainCommands m_commands;
    double m_pbValue = 0.0;
    double m_barTwips = 0.0;
    bool m_unloaded = false;
    std::unique_ptr<frmMenu> m_menus;
    WindowChrome* m_chrome = nullptr;
    std::unique_ptr<frmSuggest> m_feedback;
};
