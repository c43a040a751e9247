#include "FormatLabels.h"

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
