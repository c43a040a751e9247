#include "frmOptions.h"

#include "text/LeadingNumber.h"

#include "MainWindowLayout.h"
#include "platform/Prompts.h"
#include "platform/UsableCores.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace {

using MainWindowLayout::place;

// The window's client area in twips; at 15 twips per pixel this is its size in pixels at any
// density, since display scaling keeps pixel sizes.
constexpr int kClientWidthTwips = 4575;
constexpr int kClientHeightTwips = 1800;
constexpr double kDesign = MainWindowLayout::kDesignTwipsPerPixel;

}  // namespace

frmOptions::frmOptions(OptionsRecord& record, const QString& optionsPath, QWidget* parent)
    : QDialog(parent), m_record(record), m_optionsPath(optionsPath) {
    buildLayout();
    MainWindowLayout::scale(this, MainWindowLayout::twipsPerPixelX(this),
                            MainWindowLayout::twipsPerPixelY(this));
    Form_Load();
}

frmOptions::~frmOptions() = default;

void frmOptions::buildLayout() {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(tr("选项设置"));
    setFont(QFont(QStringLiteral("Tahoma"), 9));
    setModal(true);
    setFixedSize(static_cast<int>(std::lround(kClientWidthTwips / kDesign)),
                 static_cast<int>(std::lround(kClientHeightTwips / kDesign)));

    // Created first so that the tab order runs check box, from h/m/s, to h/m/s.
    chkMC = new QCheckBox(QStringLiteral("Music Cutter"), this);
    chkMC->setObjectName(QStringLiteral("chkMC"));
    place(chkMC, 4140, 960, 195, 190);
    chkMC->hide();

    const auto timeField = [this](const char* name, int left, int top) {
        auto* field = new QLineEdit(QStringLiteral("0"), this);
        field->setObjectName(QLatin1String(name));
        place(field, left, top, 375, 285);
        field->hide();
        field->setEnabled(false);
        return field;
    };
    // Under the two buttons; nothing ever shows them.
    txtFromH = timeField("txtFromH", 810, 1270);
    txtFromM = timeField("txtFromM", 1230, 1270);
    txtFromS = timeField("txtFromS", 1650, 1270);
    txtToH = timeField("txtToH", 810, 1630);
    txtToM = timeField("txtToM", 1230, 1630);
    txtToS = timeField("txtToS", 1650, 1630);

    Label1 = new QLabel(tr("转换完毕声音提示"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    place(Label1, 810, 390, 1575, 315);
    MainWindowLayout::fitText(Label1);

    cmbSR = new QComboBox(this);
    cmbSR->setObjectName(QStringLiteral("cmbSR"));
    cmbSR->addItems({QStringLiteral("ON"), QStringLiteral("OFF")});
    // No entry until the record selects one, so a value the list cannot show stays unselected
    // and is stored back as -1 (still silent) instead of turning the sound on.
    cmbSR->setCurrentIndex(-1);
    place(cmbSR, 2460, 390, 1305, 315);

    Label2 = new QLabel(tr("同时转换文件数"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    place(Label2, 810, 765, 1575, 315);
    spnFiles = new QSpinBox(this);
    spnFiles->setObjectName(QStringLiteral("spnFiles"));
    spnFiles->setRange(1, maxFilesAtOnce());
    place(spnFiles, 2460, 765, 1305, 315);

    Command1 = new QPushButton(tr("确定"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    place(Command1, 810, 1140, 1305, 375);
    Command2 = new QPushButton(tr("返回"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    place(Command2, 2460, 1140, 1305, 375);

    // The image buttons lie beyond the client area: out of sight, but they keep their clicks.
    const auto hotSpot = [this](const char* name, const QString& tip) {
        auto* spot = new HotSpot(this);
        spot->setObjectName(QLatin1String(name));
        spot->setToolTip(tip);
        spot->setCursor(Qt::PointingHandCursor);
        return spot;
    };
    imgOK = hotSpot("imgOK", QStringLiteral("OK"));
    place(imgOK, 6120, 3150, 870, 270);
    imgBack = hotSpot("imgBack", QStringLiteral("Back"));
    place(imgBack, 7290, 3150, 870, 270);
    imgExit = hotSpot("imgExit", QStringLiteral("Exit"));
    place(imgExit, 6660, 330, 225, 225);

    connect(chkMC, &QCheckBox::stateChanged, this, &frmOptions::chkMC_Click);
    connect(Command1, &QPushButton::clicked, this, &frmOptions::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmOptions::Command2_Click);
    connect(imgOK, &HotSpot::clicked, this, &frmOptions::imgOK_Click);
    connect(imgBack, &HotSpot::clicked, this, &frmOptions::imgBack_Click);
    connect(imgExit, &HotSpot::clicked, this, &frmOptions::imgExit_Click);
}

void frmOptions::Form_Load() {
    if (m_record.SoundReminder >= 0 && m_record.SoundReminder < cmbSR->count()) {
        cmbSR->setCurrentIndex(m_record.SoundReminder);
    }
    spnFiles->setValue(filesAtOnce(m_record));
    // The box has no third state to show; only 1 counts as checked anyway.
    chkMC->setChecked(m_record.MusicCutter == 1);
    if (chkMC->isChecked()) {
        setTimeFieldsEnabled(true);
        const Hms from = HmsFromSeconds(m_record.CutFrom);
        const Hms to = HmsFromSeconds(m_record.CutTo);
        txtFromH->setText(from.hours);
        txtFromM->setText(from.minutes);
        txtFromS->setText(from.seconds);
        txtToH->setText(to.hours);
        txtToM->setText(to.minutes);
        txtToS->setText(to.seconds);
    } else {
        setTimeFieldsEnabled(false);
    }
}

void frmOptions::chkMC_Click() {
    setTimeFieldsEnabled(chkMC->isChecked());
}

void frmOptions::setTimeFieldsEnabled(bool enabled) {
    for (QLineEdit* field : {txtFromH, txtFromM, txtFromS, txtToH, txtToM, txtToS}) {
        field->setEnabled(enabled);
    }
}

void frmOptions::imgOK_Click() {
    const struct {
        QLineEdit* field;
        QString caption;
        QString text;
    } checks[] = {
        {txtFromM, tr("分钟"), tr("分钟必须小于60")},
        {txtToM, tr("分钟"), tr("分钟必须小于60")},
        {txtFromS, tr("秒"), tr("秒必须小于60")},
        {txtToS, tr("秒"), tr("秒必须小于60")},
    };
    for (const auto& check : checks) {
        if (leadingNumber(check.field->text()) > 59.0) {
            Prompts::current().message(check.text, check.caption, Prompts::Icon::Exclamation,
                                       Prompts::Buttons::Ok);
            // A disabled field takes no focus; the warning has been given all the same.
            check.field->setFocus(Qt::OtherFocusReason);
            return;
        }
    }

    bool allZero = true;
    for (const QLineEdit* field : {txtFromH, txtFromM, txtFromS, txtToH, txtToM, txtToS}) {
        allZero = allZero && leadingNumber(field->text()) == 0.0;
    }
    if (allZero) {
        chkMC->setChecked(false);
    }

    // The fields count as they stand, also while disabled.
    m_record.SoundReminder = static_cast<qint16>(cmbSR->currentIndex());
    m_record.MusicCutter = chkMC->isChecked() ? 1 : 0;
    m_record.CutFrom = SecondsFromHms(txtFromH->text(), txtFromM->text(), txtFromS->text());
    m_record.CutTo = SecondsFromHms(txtToH->text(), txtToM->text(), txtToS->text());
    const int files = spnFiles->value();
    m_record.FilesAtOnce = m_record.FilesAtOnce == 0 && files == usableCores() ? 0 : files;
    // A file that cannot be written is not reported; the record holds the new values anyway.
    SaveOptionsFile(m_record, m_optionsPath);
    accept();
}

void frmOptions::imgBack_Click() {
    reject();
}

void frmOptions::imgExit_Click() {
    reject();
}
