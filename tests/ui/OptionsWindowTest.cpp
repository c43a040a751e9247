#include "frmOptions.h"

#include "platform/UsableCores.h"
#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include <functional>
#include <string>

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

std::string fields(const OptionsRecord& r) {
    return std::to_string(r.SoundReminder) + " " + std::to_string(r.MusicCutter) + " " +
           std::to_string(r.CutFrom) + " " + std::to_string(r.CutTo);
}

QList<QLineEdit*> timeFields(const frmOptions& w) {
    return {w.txtFromH, w.txtFromM, w.txtFromS, w.txtToH, w.txtToM, w.txtToS};
}

void setTimes(const frmOptions& w, const QStringList& texts) {
    for (int i = 0; i < 6; ++i) {
        timeFields(w)[i]->setText(texts[i]);
    }
}

QStringList times(const frmOptions& w) {
    QStringList texts;
    for (const QLineEdit* field : timeFields(w)) {
        texts << field->text();
    }
    return texts;
}

class OptionsWindowTest : public ::testing::Test {
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("options.ini")); }
    QByteArray written() const {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }

    QTemporaryDir m_dir;
    ScriptedPrompts m_prompts;
};

TEST_F(OptionsWindowTest, ShowsOnlyTheSoundSwitchAndTheTwoButtons) {
    OptionsRecord record;
    frmOptions w(record, path());
    w.show();
    EXPECT_EQ(w.windowTitle(), u("选项设置"));
    EXPECT_EQ(w.size(), QSize(305, 120));
    EXPECT_EQ(w.Label1->text(), u("转换完毕声音提示"));
    EXPECT_EQ(w.cmbSR->itemText(1), "OFF");
    EXPECT_EQ(w.Command1->geometry(), QRect(54, 76, 87, 25));
    EXPECT_EQ(w.Command2->geometry(), QRect(164, 76, 87, 25));
    EXPECT_TRUE(w.cmbSR->isVisible() && w.Command2->isVisible());
    EXPECT_FALSE(w.chkMC->isVisible());
    for (const QLineEdit* field : timeFields(w)) {
        EXPECT_FALSE(field->isVisible()) << field->objectName().toStdString();
    }
}

TEST_F(OptionsWindowTest, FilesAtOnceOffersTheDefaultAndStoresOnlyAChoice) {
    OptionsRecord record;
    frmOptions w(record, path());
    w.show();
    EXPECT_EQ(w.Label2->text(), u("同时转换文件数"));
    EXPECT_TRUE(w.spnFiles->isVisible());
    EXPECT_EQ(w.spnFiles->value(), usableCores());
    EXPECT_EQ(w.spnFiles->minimum(), 1);
    EXPECT_EQ(w.spnFiles->maximum(), 2 * usableCores());
    w.imgOK_Click();
    EXPECT_EQ(record.FilesAtOnce, 0) << "left at the default, it follows the machine";
    EXPECT_EQ(written(), "0\r\n0\r\n0\r\n0\r\n");

    frmOptions chosen(record, path());
    chosen.spnFiles->setValue(1);
    chosen.imgOK_Click();
    EXPECT_EQ(record.FilesAtOnce, 1);
    EXPECT_EQ(written(), "0\r\n0\r\n0\r\n0\r\n1\r\n");
    EXPECT_EQ(frmOptions(record, path()).spnFiles->value(), 1);
}

TEST_F(OptionsWindowTest, OpeningLoadsTheRecord) {
    OptionsRecord checked{1, 1, 3725, 5025};
    frmOptions a(checked, path());
    EXPECT_EQ(a.cmbSR->currentText(), "OFF");
    EXPECT_TRUE(a.chkMC->isChecked() && a.txtToS->isEnabled());
    EXPECT_EQ(times(a), QStringList({"1", "2", "5", "1", "23", "45"}));

    // Unchecked: the fields stay disabled at 0 whatever the record holds, and OK stores 0.
    OptionsRecord unchecked{0, 0, 3725, 5025};
    frmOptions b(unchecked, path());
    EXPECT_EQ(b.cmbSR->currentText(), "ON");
    EXPECT_FALSE(b.txtFromH->isEnabled());
    b.imgOK_Click();
    EXPECT_EQ(fields(unchecked), "0 0 0 0");

    // A value the list cannot show selects nothing, and the sound stays off.
    OptionsRecord odd{7, 2, -1, 0};
    frmOptions c(odd, path());
    EXPECT_EQ(c.cmbSR->currentIndex(), -1);
    c.imgOK_Click();
    EXPECT_EQ(fields(odd), "-1 0 0 0");
}

TEST_F(OptionsWindowTest, OkWarnsAboutMinutesBeforeSecondsAndFocusesTheField) {
    OptionsRecord record{0, 1, 0, 0};
    frmOptions w(record, path());
    w.show();
    QApplication::setActiveWindow(&w);
    // The window keeps the fields hidden, where no focus can go; shown, they must get it.
    for (QLineEdit* field : timeFields(w)) {
        field->show();
    }
    setTimes(w, {"0", "0", "61", "0", "60", "0"});
    m_prompts.expectMessage();
    w.imgOK_Click();
    w.txtToM->setText("59");
    m_prompts.expectMessage();
    w.Command1_Click();

    ASSERT_EQ(m_prompts.messages().size(), 2);
    EXPECT_EQ(m_prompts.messages()[0].text, u("分钟必须小于60"));
    EXPECT_EQ(m_prompts.messages()[0].caption, u("分钟"));
    EXPECT_EQ(m_prompts.messages()[1].text, u("秒必须小于60"));
    EXPECT_EQ(m_prompts.messages()[1].caption, u("秒"));
    EXPECT_EQ(m_prompts.messages()[1].icon, Prompts::Icon::Exclamation);
    EXPECT_EQ(QApplication::focusWidget(), w.txtFromS);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(fields(record), "0 1 0 0");
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(OptionsWindowTest, OnlyALeadingNumberOver59Fails) {
    const auto okAccepts = [this](const QString& text) {
        SCOPED_TRACE(text.toStdString());
        OptionsRecord record{0, 1, 0, 0};
        frmOptions w(record, path());
        w.txtToS->setText(text);
        w.imgOK_Click();
        return w.result() == QDialog::Accepted;
    };
    for (const QString text : {"59", "5 9", "1e3", "-100", "x60", ""}) {
        EXPECT_TRUE(okAccepts(text));
    }
    for (const QString text : {"59.5", "60", " +60", "60abc", "1000000000000000000000000000000"}) {
        m_prompts.expectMessage();
        EXPECT_FALSE(okAccepts(text));
    }
    EXPECT_EQ(m_prompts.messages().size(), 5);
}

TEST_F(OptionsWindowTest, AllZeroTimesUncheckMusicCutter) {
    OptionsRecord record{0, 1, 0, 0};
    frmOptions w(record, path());
    setTimes(w, {"0", "", "abc", "-0", "0.0", " 0"});
    emit w.imgOK->clicked();
    EXPECT_FALSE(w.chkMC->isChecked() || w.txtFromH->isEnabled());
    EXPECT_EQ(written(), "0\r\n0\r\n0\r\n0\r\n");

    // Half a second is not zero: the box stays checked though the time rounds to 0.
    record = {0, 1, 0, 0};
    frmOptions v(record, path());
    setTimes(v, {"0", "0", "0.5", "0", "0", "0"});
    v.imgOK_Click();
    EXPECT_EQ(fields(record), "0 1 0 0");
}

TEST_F(OptionsWindowTest, EveryOtherWayOutDiscardsTheEdits) {
    const std::function<void(frmOptions&)> ways[] = {
        [](frmOptions& w) { emit w.imgBack->clicked(); },
        [](frmOptions& w) { emit w.imgExit->clicked(); },
        [](frmOptions& w) { w.Command2->click(); },
        [](frmOptions& w) { w.close(); },
    };
    for (const auto& leave : ways) {
        OptionsRecord record{0, 1, 90, 120};
        frmOptions w(record, path());
        w.show();
        w.cmbSR->setCurrentIndex(1);
        setTimes(w, {"1", "2", "3", "4", "5", "6"});
        leave(w);
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(fields(record), "0 1 90 120");
        EXPECT_FALSE(QFile::exists(path()));
        EXPECT_EQ(times(frmOptions(record, path())), QStringList({"0", "1", "30", "0", "2", "0"}));
    }
}

TEST_F(OptionsWindowTest, OkWritesTheFileAndReopeningShowsIt) {
    OptionsRecord record;
    frmOptions w(record, path());
    m_prompts.expectModal([](QObject* window) {
        auto* options = qobject_cast<frmOptions*>(window);
        ASSERT_NE(options, nullptr);
        options->cmbSR->setCurrentIndex(1);
        options->chkMC->setChecked(true);
        setTimes(*options, {"0", "01", "30", "0", "2", "0"});
        options->Command1->click();
    });
    Prompts::current().showModal(&w);
    EXPECT_EQ(written(), "1\r\n1\r\n90\r\n120\r\n");

    OptionsRecord loaded;
    LoadOptionsFile(loaded, path());
    frmOptions reopened(loaded, path());
    EXPECT_EQ(reopened.cmbSR->currentText(), "OFF");
    EXPECT_TRUE(reopened.chkMC->isChecked());
    EXPECT_EQ(times(reopened), QStringList({"0", "1", "30", "0", "2", "0"}));
}

}  // namespace
