#include "FormatLabels.h"

#include "conversion/EncoderSettings.h"
#include "conversion/OutputFormat.h"

const QStringList& formatItems() {
    static const QStringList items = {
        QStringLiteral("RMVB(RealPlayerRMVB)"),
        QStringLiteral("RM(RealPlayerRM)"),
        QStringLiteral("MPG(MPEG2)"),
        QStringLiteral("AVI(Windows Media Player格式)"),
        QStringLiteral("MP4(高清MPEG4格式)"),
        QStringLiteral("MOV(QuickTime格式)"),
        QStringLiteral("MP4(手机MP4格式)"),
        QStringLiteral("3GP(手机3GP格式)"),
        QStringLiteral("MP3(纯音频格式)"),
        QStringLiteral("FLAC(无损音频格式)"),
        QStringLiteral("Opus(高效音频格式)"),
        QStringLiteral("AAC(M4A音频格式)"),
        QStringLiteral("Ogg Vorbis(开放音频格式)"),
    };
    return items;
}

const QStringList& channelItems() {
    static const QStringList items = {QStringLiteral("单声道"), QStringLiteral("双声道")};
    return items;
}

const QString& sourceRateItem() {
    static const QString item = QStringLiteral("原始频率");
    return item;
}

const QString& sourceChannelsItem() {
    static const QString item = QStringLiteral("原始声道");
    return item;
}

QString sampleRateFromText(const QString& text) {
    return text == sourceRateItem() ? QString(EncoderSettings::kSourceRate) : text;
}

QString textOfSampleRate(const QString& sampleRate) {
    return sampleRate == EncoderSettings::kSourceRate ? sourceRateItem() : sampleRate;
}

const QStringList& frameSizeItems() {
    static const QStringList items = {
        QStringLiteral("原始大小"), QStringLiteral("128x96"),  QStringLiteral("160x120"),
        QStringLiteral("176x144"),  QStringLiteral("320x180"), QStringLiteral("320x240"),
        QStringLiteral("352x288"),  QStringLiteral("640x272"), QStringLiteral("480x480"),
        QStringLiteral("640x360"),  QStringLiteral("640x480"), QStringLiteral("720x306"),
        QStringLiteral("720x320"),
    };
    return items;
}

VideoSize videoSizeFromText(const QString& text) {
    return text == frameSizeItems().first() ? VideoSize::source() : VideoSize::parse(text);
}

QString textOfVideoSize(const VideoSize& size) {
    return size.isSource() ? frameSizeItems().first() : size.text();
}

const QList<FormatChoice>& formatChoices() {
    static const QList<FormatChoice> choices = [] {
        const struct {
            const char* name;  // the core's name of the format
            const char* menuText;
            const char* description;
            bool keepsSource;
        } rows[] = {
            {"mp3", "MP3", "MP3 - 音乐声音格式", false},
            {"flac", "FLAC", "FLAC - 无损音频格式", true},
            {"opus", "Opus", "Opus - 高效音频格式", true},
            {"aac", "AAC", "AAC - M4A音频格式", true},
            {"ogg", "Ogg Vorbis", "Ogg Vorbis - 开放音频格式", true},
        };
        QList<FormatChoice> list;
        for (const auto& row : rows) {
            if (const OutputFormat* format = outputFormatNamed(QString::fromLatin1(row.name))) {
                list.append({format->index, QString::fromUtf8(row.menuText),
                             QString::fromUtf8(row.description), row.keepsSource});
            }
        }
        return list;
    }();
    return choices;
}

const FormatChoice& shownChoice(int formatIndex) {
    for (const FormatChoice& choice : formatChoices()) {
        if (choice.index == formatIndex) {
            return choice;
        }
    }
    return formatChoices().first();
}
