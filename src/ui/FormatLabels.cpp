#include "FormatLabels.h"

#include "conversion/EncoderSettings.h"
#include "conversion/OutputFormat.h"

#include <QCoreApplication>

#include <initializer_list>

namespace {

// The words below are marked for the translation and translated when asked for, so they follow
// the translator in force; names that read the same in every language are not marked.
QString translated(const char* text) {
    return QCoreApplication::translate("FormatLabels", text);
}

QStringList translated(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* text : texts) {
        list << translated(text);
    }
    return list;
}

}  // namespace

QStringList formatItems() {
    return translated({
        "RMVB(RealPlayerRMVB)",
        "RM(RealPlayerRM)",
        "MPG(MPEG2)",
        QT_TRANSLATE_NOOP("FormatLabels", "AVI(Windows Media Player格式)"),
        QT_TRANSLATE_NOOP("FormatLabels", "MP4(高清MPEG4格式)"),
        QT_TRANSLATE_NOOP("FormatLabels", "MOV(QuickTime格式)"),
        QT_TRANSLATE_NOOP("FormatLabels", "MP4(手机MP4格式)"),
        QT_TRANSLATE_NOOP("FormatLabels", "3GP(手机3GP格式)"),
        QT_TRANSLATE_NOOP("FormatLabels", "MP3(纯音频格式)"),
        QT_TRANSLATE_NOOP("FormatLabels", "FLAC(无损音频格式)"),
        QT_TRANSLATE_NOOP("FormatLabels", "Opus(高效音频格式)"),
        QT_TRANSLATE_NOOP("FormatLabels", "AAC(M4A音频格式)"),
        QT_TRANSLATE_NOOP("FormatLabels", "Ogg Vorbis(开放音频格式)"),
    });
}

QStringList channelItems() {
    return {QCoreApplication::translate("FormatLabels", "单声道"),
            QCoreApplication::translate("FormatLabels", "双声道")};
}

QString sourceRateItem() {
    return QCoreApplication::translate("FormatLabels", "原始频率");
}

QString sourceChannelsItem() {
    return QCoreApplication::translate("FormatLabels", "原始声道");
}

QString sampleRateFromText(const QString& text) {
    return text == sourceRateItem() ? QString(EncoderSettings::kSourceRate) : text;
}

QString textOfSampleRate(const QString& sampleRate) {
    return sampleRate == EncoderSettings::kSourceRate ? sourceRateItem() : sampleRate;
}

QString sourceSizeItem() {
    return QCoreApplication::translate("FormatLabels", "原始大小");
}

QStringList frameSizeItems() {
    return {
        sourceSizeItem(),          QStringLiteral("128x96"),  QStringLiteral("160x120"),
        QStringLiteral("176x144"), QStringLiteral("320x180"), QStringLiteral("320x240"),
        QStringLiteral("352x288"), QStringLiteral("640x272"), QStringLiteral("480x480"),
        QStringLiteral("640x360"), QStringLiteral("640x480"), QStringLiteral("720x306"),
        QStringLiteral("720x320"),
    };
}

VideoSize videoSizeFromText(const QString& text) {
    return text == sourceSizeItem() ? VideoSize::source() : VideoSize::parse(text);
}

QString textOfVideoSize(const VideoSize& size) {
    return size.isSource() ? sourceSizeItem() : size.text();
}

QList<FormatChoice> formatChoices() {
    const struct {
        const char* name;  // the core's name of the format
        const char* menuText;
        const char* description;
        bool keepsSource;
    } rows[] = {
        {"mp3", "MP3", QT_TRANSLATE_NOOP("FormatLabels", "MP3 - 音乐声音格式"), false},
        {"flac", "FLAC", QT_TRANSLATE_NOOP("FormatLabels", "FLAC - 无损音频格式"), true},
        {"opus", "Opus", QT_TRANSLATE_NOOP("FormatLabels", "Opus - 高效音频格式"), true},
        {"aac", "AAC", QT_TRANSLATE_NOOP("FormatLabels", "AAC - M4A音频格式"), true},
        {"ogg", "Ogg Vorbis", QT_TRANSLATE_NOOP("FormatLabels", "Ogg Vorbis - 开放音频格式"), true},
    };
    QList<FormatChoice> list;
    for (const auto& row : rows) {
        if (const OutputFormat* format = outputFormatNamed(QString::fromLatin1(row.name))) {
            list.append({format->index, QString::fromLatin1(row.menuText),
                         translated(row.description), row.keepsSource});
        }
    }
    return list;
}

FormatChoice shownChoice(int formatIndex) {
    const QList<FormatChoice> choices = formatChoices();
    for (const FormatChoice& choice : choices) {
        if (choice.index == formatIndex) {
            return choice;
        }
    }
    return choices.first();
}
