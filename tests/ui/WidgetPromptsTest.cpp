#include "WidgetPrompts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

namespace {

// A silent 16-bit mono wave file of `ms` milliseconds at 8000 Hz. A chunk between the format
// and the data checks that the reader skips what it does not need.
QString writeWav(const QString& folder, int ms) {
    const quint32 dataBytes = static_cast<quint32>(ms) * 16u;
    QByteArray wav;
    auto u32 = [&wav](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        wav.append(b, 4);
    };
    auto u16 = [&wav](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        wav.append(b, 2);
    };
    wav.append("RIFF");
    u32(4 + (8 + 16) + (8 + 4) + 8 + dataBytes);
    wav.append("WAVEfmt ");
    u32(16);
    u16(1);      // PCM
    u16(1);      // mono
    u32(8000);   // samples per second
    u32(16000);  // bytes per second
    u16(2);
    u16(16);
    wav.append("LIST");
    u32(4);
    wav.append("INFO");
    wav.append("data");
    u32(dataBytes);
    wav.append(QByteArray(static_cast<qsizetype>(dataBytes), '\0'));
    const QString path = folder + QStringLiteral("/half.wav");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size()) {
        return {};
    }
    return path;
}

QStringList g_logged;

void recordMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    g_logged << text;
}

}  // namespace

TEST(WidgetPromptsTest, FilterPairsBecomeQtNameFilters) {
    EXPECT_EQ(WidgetPrompts::nameFilters(
                  QStringLiteral("APE声音文件(*.APE, *.ape)|*.ape|所有格式文件(*.*)|*.*")),
              (QStringList{QStringLiteral("APE声音文件(*.APE, *.ape) (*.ape)"),
                           QStringLiteral("所有格式文件(*.*) (*)")}));
    EXPECT_EQ(WidgetPrompts::nameFilters(QStringLiteral("Sound|*.wav; *.mp3|Dangling")),
              QStringList{QStringLiteral("Sound (*.wav *.mp3)")});
    EXPECT_TRUE(WidgetPrompts::nameFilters(QString()).isEmpty());

    // 0x00BBGGRR: red is the low byte.
    const QColor color = WidgetPrompts::toQColor(0x00332211u);
    EXPECT_EQ(color, QColor(0x11, 0x22, 0x33));
    EXPECT_EQ(WidgetPrompts::fromQColor(color), 0x00332211u);
}

TEST(WidgetPromptsTest, WaveLengthComesFromTheHeader) {
    QTemporaryDir folder;
    const QString wav = writeWav(folder.path(), 500);
    ASSERT_FALSE(wav.isEmpty());
    EXPECT_EQ(WidgetPrompts::wavLengthMs(wav), 500);

    const QString notWav = folder.path() + QStringLiteral("/text.wav");
    QFile file(notWav);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("RIFF but nothing more");
    file.close();
    EXPECT_FALSE(WidgetPrompts::wavLengthMs(notWav).has_value());
    EXPECT_FALSE(WidgetPrompts::wavLengthMs(folder.path() + QStringLiteral("/none.wav")));
}

TEST(WidgetPromptsTest, PlaySoundReturnsInTimeAndQuietly) {
    QTemporaryDir folder;
    const QString wav = writeWav(folder.path(), 500);
    ASSERT_FALSE(wav.isEmpty());
    WidgetPrompts prompts;
    g_logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordMessage);

    QElapsedTimer clock;
    clock.start();
    prompts.playSound(folder.path() + QStringLiteral("/missing.wav"));
    const qint64 missingMs = clock.restart();
    prompts.playSound(wav);
    const qint64 playedMs = clock.elapsed();

    qInstallMessageHandler(previous);
    EXPECT_LT(missingMs, 100);
    EXPECT_LT(playedMs, 500 + 1000 + 500);
    EXPECT_TRUE(g_logged.isEmpty()) << g_logged.join(QLatin1Char('\n')).toStdString();
}

TEST(WidgetPromptsTest, MessageBoxShowsWhatWasAskedAndReportsTheAnswer) {
    struct Case {
        Prompts::Icon icon;
        Prompts::Buttons buttons;
        QMessageBox::StandardButton click;
        QMessageBox::Icon expectedIcon;
        QMessageBox::StandardButtons expectedButtons;
        QMessageBox::StandardButton expectedDefault;
        Prompts::Answer expectedAnswer;
    };
    const Case cases[] = {
        {Prompts::Icon::Information, Prompts::Buttons::Ok, QMessageBox::Ok,
         QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok, Prompts::Answer::Ok},
        {Prompts::Icon::Exclamation, Prompts::Buttons::OkCancel, QMessageBox::Cancel,
         QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok,
         Prompts::Answer::Cancel},
        {Prompts::Icon::Question, Prompts::Buttons::YesNo, QMessageBox::Yes, QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, Prompts::Answer::Yes},
        {Prompts::Icon::Critical, Prompts::Buttons::YesNoCancel, QMessageBox::No,
         QMessageBox::Critical, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
         QMessageBox::Yes, Prompts::Answer::No},
    };
    QWidget owner;
    WidgetPrompts prompts(&owner);
    for (const Case& c : cases) {
        struct Seen {
            bool found = false;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            QMessageBox::StandardButtons buttons;
            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
            QString title;
            Qt::TextFormat format = Qt::AutoText;
            QWidget* parent = nullptr;
        } seen;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                return;
            }
            poll.stop();
            seen = {true,
                    box->icon(),
                    box->standardButtons(),
                    box->standardButton(box->defaultButton()),
                    box->windowTitle(),
                    box->textFormat(),
                    box->parentWidget()};
            // Close the box even when the wanted button is missing, so a fault cannot hang.
            if (QAbstractButton* button = box->button(c.click)) {
                button->click();
            } else {
                box->reject();
            }
        });
        poll.start(10);
        const Prompts::Answer answer =
            prompts.message(QStringLiteral("<b>a < b</b>"), QString(), c.icon, c.buttons);
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(seen.icon, c.expectedIcon);
        EXPECT_EQ(seen.buttons, c.expectedButtons);
        EXPECT_EQ(seen.defaultButton, c.expectedDefault);
        EXPECT_EQ(answer, c.expectedAnswer);
        EXPECT_EQ(seen.title, Prompts::applicationTitle());
        EXPECT_EQ(seen.format, Qt::PlainText);
        EXPECT_EQ(seen.parent, &owner);
    }
}
