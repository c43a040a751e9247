#include "HelpAbout.h"
#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

namespace {

// Scripted prompts that also note the buttons each message box was given.
class PromptsWithButtons : public ScriptedPrompts {
public:
    Answer message(const QString& text, const QString& caption, Icon icon,
                   Buttons buttons) override {
        m_buttons << buttons;
        return ScriptedPrompts::message(text, caption, icon, buttons);
    }
    QList<Buttons> m_buttons;
};

QString shipped(const char* name) {
    return QStringLiteral(VORDANA_TESTS_SOURCE_DIR "/../resources/") + QLatin1String(name);
}

}  // namespace

TEST(HelpAbout, AboutIsOneLineUnderItsTitleWithOkOnly) {
    PromptsWithButtons prompts;
    prompts.expectMessage();
    showAbout();
    ASSERT_EQ(prompts.messages().size(), 1);
    const auto& box = prompts.messages().front();
    EXPECT_EQ(box.caption, QString::fromUtf8("关于"));
    EXPECT_EQ(box.icon, Prompts::Icon::None);
    EXPECT_EQ(prompts.m_buttons, QList<Prompts::Buttons>{Prompts::Buttons::Ok});
    EXPECT_EQ(box.text, "Vordana Project - Vordana https://www.vordana.example/ @2026");
}

TEST(HelpAbout, HelpAndWebLinkOpenTheirTargetsWithoutAWordOfOurs) {
    ScriptedPrompts prompts;  // fails the test on any message box
    QTemporaryDir program;
    ASSERT_TRUE(program.isValid());
    openHelp(program.path() + "/help.html");  // not there: still handed to the desktop, no message
    openWebSite();
    EXPECT_EQ(prompts.opened(),
              QStringList({program.path() + "/help.html", "https://www.vordana.example/"}));

    const QStringList notice = noticeText().split("\r\n");
    ASSERT_EQ(notice.size(), 3) << noticeText().toStdString();
    EXPECT_TRUE(notice[0].contains("Vordana Project") && notice[0].contains("2026"));
    EXPECT_EQ(notice[2], makerWebAddress());
}

TEST(HelpAbout, ShippedFilesAreThereAndTheSoundIsPlainShortPcm) {
    QFile help(shipped("help.html"));
    ASSERT_TRUE(help.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(help.readAll());
    EXPECT_TRUE(page.contains("charset=\"utf-8\"", Qt::CaseInsensitive));
    EXPECT_TRUE(page.contains(QString::fromUtf8("添加文件")) && page.contains("Add files"));

    QFile sound(shipped("sound.wav"));
    ASSERT_TRUE(sound.open(QIODevice::ReadOnly));
    const QByteArray wav = sound.readAll();
    const int size = static_cast<int>(wav.size());
    ASSERT_GE(size, 44);
    EXPECT_LT(size, 30 * 1024);
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(wav.constData() + at); };
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(wav.constData() + at); };
    const auto level = [&](int at) {
        return std::abs(static_cast<int>(qFromLittleEndian<qint16>(wav.constData() + at)));
    };
    EXPECT_EQ(wav.left(4), "RIFF");
    EXPECT_EQ(u32(4), quint32(size - 8));
    EXPECT_EQ(wav.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(u32(16), 16u);     // plain PCM format block
    EXPECT_EQ(u16(20), 1u);      // PCM
    EXPECT_EQ(u16(22), 1u);      // mono
    EXPECT_EQ(u32(24), 22050u);  // samples per second
    EXPECT_EQ(u16(34), 16u);     // bits per sample
    EXPECT_EQ(wav.mid(36, 4), "data");
    EXPECT_EQ(u32(40), quint32(size - 44));
    const int samples = (size - 44) / 2;
    EXPECT_NEAR(samples / 22050.0, 0.5, 0.1);

    // Audible, unclipped, and silent at both ends so it neither clicks nor cuts off.
    int peak = 0;
    for (int i = 0; i < samples; ++i) {
        peak = std::max(peak, level(44 + 2 * i));
    }
    EXPECT_GT(peak, 8000);
    EXPECT_LT(peak, 32767);
    EXPECT_LT(level(44), 200);
    EXPECT_LT(level(size - 2), 200);
}
