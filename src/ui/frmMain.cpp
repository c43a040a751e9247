#include "frmMain.h"

#include "Artwork.h"
#include "CCommonDialogs.h"
#include "DesktopNotifier.h"
#include "FileListModel.h"
#include "FormatLabels.h"
#include "HelpAbout.h"
#include "MainWindowLayout.h"
#include "ProgressText.h"
#include "WindowChrome.h"
#include "conversion/FormatPresets.h"
#include "conversion/OutputFormat.h"
#include "conversion/RunProgress.h"
#include "cue/TrackCut.h"
#include "filelist/FileList.h"
#include "frmMenu.h"
#include "frmSuggest.h"
#include "options/OptionsFile.h"
#include "platform/Prompts.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>

#include <cmath>

using MainWindowLayout::place;

namespace {

QComboBox* comboBox(QWidget* parent, const QString& name, const QStringList& items, bool editable) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(editable);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setCurrentIndex(-1);
    return box;
}

// The box's text goes into the encoder's command line: only digits and at most one point can be
// typed (what would become an option, "128 -t 1", cannot). A word the box offers as an entry (the
// source's own rate) may stand there too, and be edited away.
class NumberOrEntry : public QRegularExpressionValidator {
public:
    explicit NumberOrEntry(QComboBox* box)
        : QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*\\.?[0-9]*")), box),
          m_box(box) {}

    State validate(QString& input, int& pos) const override {
        const State number = QRegularExpressionValidator::validate(input, pos);
        if (number != Invalid) {
            return number;
        }
        for (int i = 0; i < m_box->count(); ++i) {
            const QString entry = m_box->itemText(i);
            if (entry.startsWith(input)) {
                return entry == input ? Acceptable : Intermediate;
            }
        }
        return Invalid;
    }

private:
    const QComboBox* m_box;
};

void acceptNumbersOnly(QComboBox* box) {
    box->setValidator(new NumberOrEntry(box));
}

// Adds or removes an entry after the box's list.
void offerEntry(QComboBox* box, const QString& entry, bool offered) {
    const int at = box->findText(entry, Qt::MatchExactly);
    if (offered && at < 0) {
        box->addItem(entry);
    } else if (!offered && at >= 0) {
        box->removeItem(at);
    }
}

QLabel* label(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setWordWrap(false);
    return l;
}

}  // namespace

frmMain::frmMain(const QString& programFolder, QWidget* parent)
    : QMainWindow(parent), m_session(programFolder), lstFile(m_session.queue()), m_commands(this) {
    // The window stays alive while a long chunk of encoder output is parsed.
    run().setProgressYield([] { QCoreApplication::processEvents(); });
    // Files that fail stay listed, marked, for another start.
    run().setKeepUnconverted(true);

    Timer1.setSingleShot(true);
    Timer1.setInterval(100);
    connect(&Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);

    buildLayout();
    buildMenus();
    bindSettings();
    connectCommands();
    applyChrome();
}

frmMain::~frmMain() = default;

void frmMain::buildLayout() {
    setFont(QFont(QStringLiteral("Tahoma"), 9));
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(698, 455);  // 10470 x 6825 twips
    setCentralWidget(client);

    const QStyle* style = QApplication::style();
    const struct {
        int index;
        int left;
        QString caption;
        const char* tip;
        QStyle::StandardPixmap icon;
    } tools[] = {
        {0, 0, tr("添加文件"), "Add a File", QStyle::SP_FileIcon},
        {1, 1410, tr("添加文件夹"), "Add Files from a Folder", QStyle::SP_DirIcon},
        {2, 2820, tr("移除文件"), "Remove File(s) from List", QStyle::SP_TrashIcon},
        {4, 4230, tr("提示设置"), "Move selected Down", QStyle::SP_MessageBoxInformation},
        {5, 5640, tr("退出程序"), "Exit", QStyle::SP_DialogCloseButton},
    };
    for (const auto& t : tools) {
        auto* button = new QToolButton(client);
        button->setObjectName(QStringLiteral("CmdToolsBar%1").arg(t.index));
        button->setText(t.caption);
        button->setToolTip(QString::fromLatin1(t.tip));
        button->setIcon(style->standardIcon(t.icon));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        place(button, t.left, 0, 1420, 985);
        CmdToolsBar[static_cast<size_t>(t.index)] = button;
    }

    const auto hotSpot = [this](const QString& name, const QString& tip, bool hand) {
        auto* spot = new HotSpot(client);
        spot->setObjectName(name);
        spot->setToolTip(tip);
        if (hand) {
            spot->setCursor(Qt::PointingHandCursor);
        }
        return spot;
    };
    imgHelp = hotSpot(QStringLiteral("imgHelp"), QStringLiteral("Help & Tutorial"), true);
    place(imgHelp, 9520, 120, 225, 225);
    imgMin = hotSpot(QStringLiteral("imgMin"), QStringLiteral("Minimize Window"), true);
    place(imgMin, 9775, 135, 210, 210);
    imgExit = hotSpot(QStringLiteral("imgExit"), QStringLiteral("Exit"), true);
    place(imgExit, 10075, 150, 225, 225);
    imgBrowse =
        hotSpot(QStringLiteral("imgBrowse"), QStringLiteral("Select an Output Folder"), false);
    place(imgBrowse, 11160, 5820, 630, 330);
    imgConvert = hotSpot(QStringLiteral("imgConvert"), QString(), false);
    place(imgConvert, 7530, 7590, 2805, 1365);
    imgAdd =
        hotSpot(QStringLiteral("imgAdd"), QStringLiteral("Add a new file to file list"), false);
    place(imgAdd, 6135, 8235, 1395, 330);
    imgRemove =
        hotSpot(QStringLiteral("imgRemove"), QStringLiteral("Remove a file from file list"), false);
    place(imgRemove, 7590, 8235, 1185, 330);
    imgStart = hotSpot(QStringLiteral("imgStart"), QStringLiteral("Start Converting"), false);
    place(imgStart, 4440, 8220, 1365, 315);
    const int toolbarLefts[] = {11400, 13620, 14925, 16230, 17550, -1, 12315};
    for (size_t i = 0; i < imgToolbar.size(); ++i) {
        if (toolbarLefts[i] < 0) {
            continue;
        }
        imgToolbar[i] = hotSpot(QStringLiteral("imgToolbar%1").arg(i), QString(), false);
        place(imgToolbar[i], toolbarLefts[i], i == 1 ? 5640 : 5655, 1290, 795);
    }

    LV = new QTreeView(client);
    LV->setObjectName(QStringLiteral("LV"));
    m_listModel = new FileListModel(lstFile, LV);
    LV->setModel(m_listModel);
    LV->setRootIsDecorated(false);
    LV->setItemsExpandable(false);
    LV->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // A long name keeps its start and its end ("Album…Title.ape"); the tooltip has it whole.
    LV->setTextElideMode(Qt::ElideMiddle);
    LV->setUniformRowHeights(true);
    // The two columns fill the list's width exactly; a sideways scroll bar would only hide rows.
    LV->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    place(LV, 60, 1350, 6825, 4110);
    LV->setColumnWidth(0, 361);
    LV->setColumnWidth(1, 94);

    picText = new QFrame(client);
    picText->setObjectName(QStringLiteral("picText"));
    place(picText, 2280, 3120, 2445, 315);
    lblText = new QLabel(tr("拖拽文件到这里开始转换"), picText);
    lblText->setObjectName(QStringLiteral("lblText"));
    lblText->setStyleSheet(QStringLiteral("color: gray;"));
    lblText->setAlignment(Qt::AlignCenter);
    lblText->setGeometry(0, 0, picText->width(), picText->height());

    QLabel* Label1 = label(client, QStringLiteral("Label1"), tr("输出格式："));
    place(Label1, 7290, 1290, 900, 210);
    Label9 = label(client, QStringLiteral("Label9"),
                   shownChoice(EncoderSettings::kMp3Format).description);
    place(Label9, 7320, 1680, 2865, 375);
    QLabel* Label5 = label(client, QStringLiteral("Label5"), tr("声音频率："));
    place(Label5, 7290, 2130, 900, 210);
    cmbR = comboBox(client, QStringLiteral("cmbR"), sampleRateItems(), true);
    acceptNumbersOnly(cmbR);
    place(cmbR, 7290, 2415, 2835, 330);
    QLabel* Label6 = label(client, QStringLiteral("Label6"), tr("声音比特率："));
    place(Label6, 7290, 2910, 1080, 210);
    cmbBR = comboBox(client, QStringLiteral("cmbBR"), bitRateItems(), true);
    acceptNumbersOnly(cmbBR);
    place(cmbBR, 7290, 3225, 2835, 330);
    QLabel* Label7 = label(client, QStringLiteral("Label7"), tr("声道："));
    place(Label7, 7290, 3750, 540, 210);
    // The channel count comes from the selected entry: typed text would mean nothing.
    cmbChannel = comboBox(client, QStringLiteral("cmbChannel"), channelItems(), false);
    place(cmbChannel, 7290, 4065, 2835, 330);
    QLabel* Label8 = label(client, QStringLiteral("Label8"), tr("输出路径："));
    place(Label8, 7290, 4620, 900, 210);
    txtPath = new QLineEdit(client);
    txtPath->setObjectName(QStringLiteral("txtPath"));
    txtPath->setToolTip(QStringLiteral("Select a Folder to Output"));
    place(txtPath, 7290, 4935, 2055, 315);
    cmdBrowse = new QPushButton(tr("浏览"), client);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse->setToolTip(QStringLiteral("Select an Output Folder"));
    place(cmdBrowse, 9420, 4950, 705, 300);
    Command3 = new QPushButton(tr("立刻开始转换！"), client);
    Command3->setObjectName(QStringLiteral("Command3"));
    place(Command3, 7320, 5460, 2835, 885);
    lblPB = new QLabel(QStringLiteral("0%"), client);
    lblPB->setObjectName(QStringLiteral("lblPB"));
    place(lblPB, 3270, 5670, 345, 210);
    pb = new QProgressBar(client);
    pb->setObjectName(QStringLiteral("pb"));
    pb->setRange(0, 1000);  // tenths of a percent: the value carries a fraction
    pb->setValue(0);
    pb->setTextVisible(false);
    place(pb, 60, 5970, 6855, 315);
    lblWeb = new HotSpot(client);
    lblWeb->setObjectName(QStringLiteral("lblWeb"));
    lblWeb->setCursor(Qt::PointingHandCursor);
    place(lblWeb, 90, 6450, 2430, 195);
    lblFeed = new HotSpot(tr("意见反馈"), client);
    lblFeed->setObjectName(QStringLiteral("lblFeed"));
    lblFeed->setToolTip(QStringLiteral("Send us your suggestion or question"));
    lblFeed->setCursor(Qt::PointingHandCursor);
    place(lblFeed, 9360, 6480, 720, 195);
    // Translated captions may be longer than the design's; the link turns bold under the mouse.
    for (QLabel* caption : {Label1, Label5, Label6, Label7, Label8}) {
        MainWindowLayout::fitText(caption);
    }
    MainWindowLayout::fitText(lblFeed, false, true);

    // Hidden format and video boxes, right of the client area.
    cmbOF = comboBox(client, QStringLiteral("cmbOF"), formatItems(), false);
    place(cmbOF, 10290, 1680, 1560, 330);
    cmbS = comboBox(client, QStringLiteral("cmbS"), frameSizeItems(), true);
    place(cmbS, 10290, 2415, 1560, 330);
    cmbVB = comboBox(client, QStringLiteral("cmbVB"), videoBitRateItems(), true);
    place(cmbVB, 10290, 3225, 1560, 330);
    cmbF = comboBox(client, QStringLiteral("cmbF"), frameRateItems(), true);
    place(cmbF, 10290, 4065, 1560, 330);
    const struct {
        QString text;
        int top;
    } videoLabels[] = {{tr("视频尺寸："), 2130}, {tr("视频比特率："), 2910}, {tr("帧率："), 3750}};
    for (const auto& v : videoLabels) {
        QLabel* hidden = label(client, QString(), v.text);
        place(hidden, 11850, v.top, 1080, 210);
        hidden->hide();
    }
    for (QWidget* hidden : {static_cast<QWidget*>(cmbOF), static_cast<QWidget*>(cmbS),
                            static_cast<QWidget*>(cmbVB), static_cast<QWidget*>(cmbF)}) {
        hidden->hide();
    }

    // The picture bar, below the client area: a stretched gradient.
    imgPB = new QLabel(client);
    imgPB->setObjectName(QStringLiteral("imgPB"));
    imgPB->setScaledContents(true);
    QPixmap gradient(1, 15);
    QPainter painter(&gradient);
    QLinearGradient fill(0, 0, 0, 15);
    fill.setColorAt(0, QColor(120, 190, 255));
    fill.setColorAt(1, QColor(30, 90, 200));
    painter.fillRect(0, 0, 1, 15, fill);
    painter.end();
    imgPB->setPixmap(gradient);
    place(imgPB, 3540, 7980, 0, 195);

    picDrag = new HotSpot(client);
    picDrag->setObjectName(QStringLiteral("picDrag"));
    picDrag->setToolTip(QStringLiteral("Drag media files onto this DropZone"));
    picDrag->setPixmap(style->standardPixmap(QStyle::SP_DirOpenIcon));
    place(picDrag, 11310, 6330, 2145, 2190);

    txtAction = new QLineEdit(client);
    txtAction->setObjectName(QStringLiteral("txtAction"));
    place(txtAction, 120, 7200, 1500, 285);
    txtAction->hide();
}

void frmMain::buildMenus() {
    QMenu* menuFile = menuBar()->addMenu(tr("文件"));
    menuFile->addAction(&m_commands.addFile);
    menuFile->addAction(&m_commands.addFolder);
    menuFile->addSeparator();
    menuFile->addAction(&m_commands.exit);
    QMenu* menuOperate = menuBar()->addMenu(tr("文件操作"));
    menuOperate->addAction(&m_commands.start);
    menuOperate->addSeparator();
    menuOperate->addAction(&m_commands.removeSelected);
    menuOperate->addAction(&m_commands.clearList);
    menuOperate->addSeparator();
    QMenu* menuFormat = menuOperate->addMenu(tr("输出格式"));
    menuFormat->setObjectName(QStringLiteral("menuFormat"));
    menuFormat->addActions(m_commands.formats);
    QMenu* menuR = menuBar()->addMenu(tr("提示设置"));
    menuR->addAction(&m_commands.options);
    QMenu* menuA = menuBar()->addMenu(tr("关于"));
    menuA->addAction(&m_commands.help);
    menuA->addAction(&m_commands.about);
    // Esc belongs to no menu; the window holds it.
    addAction(&m_commands.stop);
}

void frmMain::bindSettings() {
    EncoderSettings& settings = run().settings();
    connect(cmbBR, &QComboBox::currentTextChanged, this,
            [&settings](const QString& text) { settings.bitRate = text; });
    connect(cmbR, &QComboBox::currentTextChanged, this,
            [&settings](const QString& text) { settings.sampleRate = sampleRateFromText(text); });
    connect(cmbChannel, &QComboBox::currentIndexChanged, this,
            [&settings](int index) { settings.channelIndex = index; });
    connect(cmbVB, &QComboBox::currentTextChanged, this,
            [&settings](const QString& text) { settings.videoBitRate = text; });
    connect(cmbF, &QComboBox::currentTextChanged, this,
            [&settings](const QString& text) { settings.frameRate = text; });
    connect(cmbS, &QComboBox::currentTextChanged, this,
            [&settings](const QString& text) { settings.frameSize = videoSizeFromText(text); });
    connect(txtPath, &QLineEdit::textChanged, this,
            [&settings](const QString& text) { settings.outputFolder = text; });
    connect(cmbOF, &QComboBox::currentIndexChanged, this, [this, &settings](int index) {
        settings.formatIndex = index;
        cmbOF_Click();
    });
    connect(&run(), &ConversionRun::outputFolderChanged, txtPath, &QLineEdit::setText);
    connect(&run(), &ConversionRun::fileStarted, this, [this](int lane) {
        if (m_runProgress) {
            m_listModel->showPercent(run().entryId(lane), 0);
        }
    });
    connect(&run(), &ConversionRun::progressChanged, this, &frmMain::showLaneProgress);
    connect(&run(), &ConversionRun::fileFinished, this,
            [this](int lane) { m_listModel->clearPercent(run().entryId(lane)); });
    connect(&run(), &ConversionRun::runFinished, this, &frmMain::onRunFinished);
}

void frmMain::cmbOF_Click() {
    const OutputFormat* format = outputFormat(cmbOF->currentIndex());
    if (!format) {
        return;
    }
    showFormat(*format);
    const FormatPreset& preset = format->preset;
    // A preset text also selects the list entry of that text (or none), so what setup.ini
    // stores is what the box shows.
    const auto write = [](QComboBox* box, const std::optional<QString>& text) {
        if (text) {
            box->setCurrentIndex(box->findText(*text, Qt::MatchExactly));
            box->setEditText(*text);
        }
    };
    write(cmbVB, preset.videoBitRate);
    write(cmbF, preset.frameRate);
    if (preset.frameSize) {
        write(cmbS, textOfVideoSize(*preset.frameSize));
    }
    if (preset.sampleRate) {
        write(cmbR, textOfSampleRate(*preset.sampleRate));
    }
    write(cmbBR, preset.bitRate);
    if (preset.channelIndex < cmbChannel->count()) {
        cmbChannel->setCurrentIndex(preset.channelIndex);
    }
    // Settings without a box of their own.
    EncoderSettings& settings = run().settings();
    settings.level = preset.level.value_or(settings.level);
    settings.quality = preset.quality.value_or(settings.quality);
    settings.vbr = preset.vbr.value_or(settings.vbr);
}

void frmMain::showFormat(const OutputFormat& format) {
    const FormatChoice shown = shownChoice(format.index);
    Label9->setText(shown.description);
    // A video target checks no format command: it is not one of theirs.
    for (QAction* command : m_commands.formats) {
        command->setChecked(command->data().toInt() == format.index);
    }
    offerEntry(cmbR, sourceRateItem(), shown.keepsSource);
    offerEntry(cmbChannel, sourceChannelsItem(), shown.keepsSource);
    enableFormatBoxes();
}

void frmMain::enableFormatBoxes() {
    // A box whose value the format's command lines do not take is off (Opus always encodes at
    // 48000 Hz, FLAC and Vorbis have no bit rate). The format box is off during a run, and so are
    // these then.
    const OutputFormat* shown = outputFormat(shownChoice(cmbOF->currentIndex()).index);
    const bool on = cmbOF->isEnabled() && shown;
    cmbBR->setEnabled(on && shown->uses(Setting::BitRate));
    cmbR->setEnabled(on && shown->uses(Setting::SampleRate));
}

int frmMain::selectedIndex(const QComboBox* box) const {
    return box->isEditable() ? box->findText(box->currentText(), Qt::MatchExactly)
                             : box->currentIndex();
}

void frmMain::AddFileRow(const QString& path) {
    lstFile.append(path);
}

void frmMain::RemoveSelectedRow() {
    if (!lstFile.isEmpty()) {
        QList<qsizetype> rows;
        for (const QModelIndex& selected : LV->selectionModel()->selectedRows()) {
            rows << selected.row();
        }
        if (rows.isEmpty() && LV->currentIndex().isValid()) {
            rows << LV->currentIndex().row();
        }
        // Files being converted keep their rows until their encoders end.
        m_session.removeRows(rows);
        // The row that took the place of the removed ones is the next to go.
        const QModelIndex current = LV->currentIndex();
        if (current.isValid() && !LV->selectionModel()->hasSelection()) {
            LV->selectionModel()->select(
                current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
    }
    if (lstFile.isEmpty()) {
        picText->show();
    }
}

void frmMain::ClearList() {
    // The list empties from the top and repaints while it empties: rows go in blocks for at
    // most kSliceMs at a time, then the window gets its events. The number of removals is fixed
    // when the clear starts, and the row of a file being converted stays.
    constexpr qint64 kSliceMs = 16;
    constexpr qsizetype kBlock = 256;
    qsizetype left = lstFile.count();
    while (left > 0 && lstFile.busyCount() < lstFile.count()) {
        QElapsedTimer slice;
        slice.start();
        while (left > 0 && lstFile.busyCount() < lstFile.count() && slice.elapsed() < kSliceMs) {
            const qsizetype before = lstFile.count();
            lstFile.removeFrontFree(qMin(left, kBlock));
            left -= before - lstFile.count();
        }
        QCoreApplication::processEvents();
    }
    // The hint belongs to an empty list: a converting row that stays is not hidden under it.
    ShowHintIfEmpty();
}

void frmMain::ShowHintIfEmpty() {
    picText->setVisible(lstFile.isEmpty());
}

void frmMain::setRunControlsEnabled(bool enabled) {
    for (QToolButton* button : CmdToolsBar) {
        if (button) {
            button->setEnabled(enabled);
        }
    }
    // The start button stays: during a run it stops it.
    for (QWidget* w : std::initializer_list<QWidget*>{cmbOF, cmbR, cmbBR, cmbS, cmbVB, cmbF,
                                                      cmbChannel, imgConvert, lblFeed}) {
        w->setEnabled(enabled);
    }
    m_commands.formatGroup.setEnabled(enabled);
    enableFormatBoxes();
}

void frmMain::imgStart_Click() {
    if (lstFile.isEmpty()) {
        Prompts::current().message(tr("请先添加一个文件"), tr("添加"), Prompts::Icon::Exclamation);
        return;
    }
    if (isConverting()) {
        return;  // a run is under way and converts everything queued
    }
    setRunControlsEnabled(false);
    showStartAsStop(true);
    m_startPending = true;
    Timer1.start();
}

void frmMain::startOrStop() {
    if (isConverting()) {
        stopRun();
    } else {
        imgStart_Click();
    }
}

void frmMain::stopRun() {
    if (run().isRunning()) {
        run().cancel();  // runFinished follows once its encoders have ended
    } else if (m_startPending) {
        m_startPending = false;
        Timer1.stop();
        showStartAsStop(false);
        showStopped();
    }
}

void frmMain::Timer1_Timer() {
    Timer1.stop();
    QCoreApplication::processEvents();
    if (m_startPending) {  // not stopped meanwhile
        m_startPending = false;
        RunQueue();
    }
}

void frmMain::RunQueue() {
    run().setLaneCount(filesAtOnce(Options()));
    if (run().laneCount() > 1) {
        m_runProgress = std::make_unique<RunProgress>(run(), lstFile);
        connect(m_runProgress.get(), &RunProgress::changed, this, &frmMain::showRunShare);
    }
    run().RunQueue();
}

void frmMain::onRunFinished() {
    m_runProgress.reset();
    m_listModel->clearPercents();
    showStartAsStop(false);
    if (run().wasCancelled()) {
        showStopped();
        return;
    }
    if (!run().encoderStarted()) {
        // The runner has said "File or command not found"; the files stay for another try.
        setRunControlsEnabled(true);
        for (QWidget* w : {static_cast<QWidget*>(imgAdd), static_cast<QWidget*>(imgRemove),
                           static_cast<QWidget*>(imgStart), static_cast<QWidget*>(imgBrowse)}) {
            w->setEnabled(true);
        }
        showProgress(ProgressReport{});
        return;
    }
    finishRun();
}

void frmMain::finishRun() {
    if (!isActiveWindow()) {
        DesktopNotifier::runEnded(run().results());
    }
    Prompts& prompts = Prompts::current();
    prompts.openUrl(txtPath->text());
    if (Options().SoundReminder == 0) {
        prompts.playSound(m_session.files().sound());
    }
    restoreControls();

    const int failed = run().failedCount();
    showProgress(ProgressReport{});
    showLabel(failed == 0 ? QStringLiteral("Done.") : tr("部分文件转换失败"));
    if (failed > 0) {
        prompts.message(failureMessage(run().results(), filesThatFit()), tr("转换"),
                        Prompts::Icon::Exclamation);
    }
}

int frmMain::filesThatFit() const {
    // Each file takes three lines of the box.
    const QScreen* screen = this->screen();
    const int lines = screen ? screen->availableGeometry().height() / fontMetrics().height() : 30;
    return qMax(3, lines / 3 - 3);
}

void frmMain::showStopped() {
    // A stop is no failure: no sound, no folder, no message.
    restoreControls();
    showProgress(ProgressReport{});
    showLabel(tr("已停止"));
}

void frmMain::restoreControls() {
    picDrag->show();
    Command3->setEnabled(true);
    lblFeed->setEnabled(true);
    for (QWidget* w : {static_cast<QWidget*>(imgAdd), static_cast<QWidget*>(imgRemove),
                       static_cast<QWidget*>(imgStart), static_cast<QWidget*>(imgBrowse),
                       static_cast<QWidget*>(imgConvert)}) {
        w->setEnabled(true);
    }
    setRunControlsEnabled(true);
}

void frmMain::showProgress(const ProgressReport& report) {
    showBar(report.pbValue, barWidthTwips(report), progressLabel(report));
}

void frmMain::showBar(double pbValue, double twips, const QString& label) {
    m_pbValue = pbValue;
    m_barTwips = twips;
    pb->setValue(static_cast<int>(std::lround(pbValue * 10.0)));
    QRectF bar = MainWindowLayout::twips(imgPB);
    place(imgPB, static_cast<int>(bar.left()), static_cast<int>(bar.top()),
          static_cast<int>(std::lround(m_barTwips)), static_cast<int>(bar.height()));
    showLabel(label);
}

void frmMain::showLaneProgress(int lane, const ProgressReport& report) {
    if (!m_runProgress) {
        showProgress(report);  // one file at a time: its encoder's own display
        return;
    }
    m_listModel->showPercent(run().entryId(lane),
                             report.complete ? 100 : static_cast<int>(report.fraction * 100.0));
}

void frmMain::showRunShare() {
    const double share = m_runProgress->share();
    showBar(share * 100.0, share * kFullBarTwips, runShareLabel(share));
}

void frmMain::showStartAsStop(bool running) {
    const QString text = running ? tr("停止转换") : tr("立刻开始转换！");
    Command3->setText(text);
    m_commands.start.setText(text);
    m_commands.stop.setEnabled(running);
}

void frmMain::showLabel(const QString& text) {
    lblPB->setText(text);
    lblPB->adjustSize();
}

void frmMain::scaleForDisplay(double x, double y) {
    // The output folder's font is scaled once more than the rest: its box keeps its size in
    // pixels, and a long path shows more of itself in the smaller text.
    QFont font = txtPath->font();
    font.setPointSizeF(font.pointSizeF() * y / MainWindowLayout::kDesignTwipsPerPixel);
    txtPath->setFont(font);
    MainWindowLayout::scale(client, x, y);
}

void frmMain::applyChrome() {
    using Artwork::Glyph;
    // The round buttons at the top right keep a quiet picture of their own beneath them, so the
    // user can find them while they are at rest; the hot-spot on top shows the lit look.
    const struct {
        HotSpot* spot;
        Glyph glyph;
    } round[] = {{imgHelp, Glyph::Help}, {imgMin, Glyph::Minimise}, {imgExit, Glyph::Exit}};
    for (const auto& r : round) {
        auto* rest = new QLabel(client);
        rest->setObjectName(r.spot->objectName() + QStringLiteral("Rest"));
        rest->setGeometry(r.spot->geometry());
        rest->setPixmap(Artwork::roundButton(r.glyph, r.spot->size(), false));
        rest->setAttribute(Qt::WA_TransparentForMouseEvents);
        rest->stackUnder(r.spot);
        WindowChrome::setHandPointer(r.spot);
    }

    auto* chrome = new WindowChrome(this, client);
    chrome->addHotSpot(imgHelp, Artwork::roundButton(Glyph::Help, imgHelp->size(), true));
    chrome->addHotSpot(imgExit, Artwork::roundButton(Glyph::Exit, imgExit->size(), true));
    chrome->addHotSpot(imgBrowse, Artwork::browseButton(imgBrowse->size(), true),
                       PressLook::PressedPicture, Artwork::browseButton(imgBrowse->size(), false));
    chrome->addHotSpot(imgMin, Artwork::roundButton(Glyph::Minimise, imgMin->size(), true));
    chrome->setMinimiseButton(imgMin);
    for (HotSpot* plain : {imgStart, imgAdd, imgRemove}) {
        chrome->addHotSpot(plain, QPixmap(), PressLook::RemovePicture);
    }
    const struct {
        Glyph glyph;
        QString caption;
    } tools[] = {{Glyph::AddFile, tr("添加文件")},    {Glyph::RemoveFile, tr("移除文件")},
                 {Glyph::Options, tr("提示设置")},    {Glyph::Help, tr("帮助")},
                 {Glyph::Exit, tr("退出程序")},       {Glyph::AddFile, QString()},
                 {Glyph::AddFolder, tr("添加文件夹")}};
    QList<HotSpot*> group;
    QList<QPixmap> lit;
    for (size_t i = 0; i < imgToolbar.size(); ++i) {
        if (imgToolbar[i]) {
            group << imgToolbar[i];
            lit << Artwork::toolbarButton(tools[i].glyph, tools[i].caption, imgToolbar[i]->size(),
                                          true);
        }
    }
    chrome->addToolbarGroup(group, lit);
    chrome->addHotSpot(imgConvert,
                       Artwork::convertButton(tr("立刻开始转换！"), imgConvert->size(), true),
                       PressLook::RemovePicture);
    chrome->setBoldOnHover(lblFeed);
    WindowChrome::setHandPointer(lblFeed);
    WindowChrome::setHandPointer(lblWeb);
    m_chrome = chrome;
}
