#include "conversion/FormatPresets.h"

#include <iterator>

const QStringList& formatItems() {
    static const QStringList items = {
        QStringLiteral("RMVB(RealPlayerRMVB)"), QStringLiteral("RM(RealPlayerRM)"),
        QStringLiteral("MPG(MPEG2)"),           QStringLiteral("AVI(Windows Media Player格式)"),
        QStringLiteral("MP4(高清MPEG4格式)"),   QStringLiteral("MOV(QuickTime格式)"),
        QStringLiteral("MP4(手机MP4格式)"),     QStringLiteral("3GP(手机3GP格式)"),
        QStringLiteral("MP3(纯音频格式)"),
    };
    return items;
}

const QStringList& bitRateItems() {
    static const QStringList items = {
        QStringLiteral("10.2"), QStringLiteral("12.2"), QStringLiteral("32"),
        QStringLiteral("48"),   QStringLiteral("56"),   QStringLiteral("64"),
        QStringLiteral("80"),   QStringLiteral("96"),   QStringLiteral("112"),
        QStringLiteral("128"),  QStringLiteral("192"),  QStringLiteral("224"),
        QStringLiteral("256"),  QStringLiteral("320"),
    };
    return items;
}

const QStringList& sampleRateItems() {
    // 12050 is what the list has always offered, not a typo for 11025 or 12000.
    static const QStringList items = {
        QStringLiteral("48000"), QStringLiteral("44100"), QStringLiteral("32000"),
        QStringLiteral("24000"), QStringLiteral("22050"), QStringLiteral("16000"),
        QStringLiteral("12050"), QStringLiteral("8000"),
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

const QStringList& videoBitRateItems() {
    static const QStringList items = {
        QStringLiteral("40"),   QStringLiteral("80"),   QStringLiteral("120"),
        QStringLiteral("128"),  QStringLiteral("256"),  QStringLiteral("384"),
        QStringLiteral("512"),  QStringLiteral("600"),  QStringLiteral("640"),
        QStringLiteral("768"),  QStringLiteral("800"),  QStringLiteral("900"),
        QStringLiteral("1000"), QStringLiteral("1500"),
    };
    return items;
}

const QStringList& frameRateItems() {
    static const QStringList items = {QStringLiteral("15"), QStringLiteral("23"),
                                      QStringLiteral("29")};
    return items;
}

namespace {

struct PresetRow {
    const char* videoBitRate;  // nullptr: the video boxes are not touched
    const char* frameRate;
    const char* frameSize;
    const char* sampleRate;
    const char* bitRate;
    int channelIndex;
};

// Rows in format order. "1200", "24" and "28000" are deliberately not list items.
constexpr PresetRow kPresets[] = {
    {"1200", "29", "原始大小", "44100", "320", 1},   // RMVB
    {"1200", "29", "原始大小", "44100", "320", 1},   // RM
    {"600", "24", "原始大小", "28000", "64", 1},     // MPG
    {"600", "24", "原始大小", "28000", "64", 1},     // AVI
    {"1200", "29", "原始大小", "48000", "320", 1},   // MP4 high quality
    {"256", "29", "原始大小", "48000", "64", 1},     // MOV
    {"128", "29", "320x240", "8000", "12.2", 0},     // MP4 phone
    {"128", "29", "320x240", "8000", "12.2", 0},     // 3GP
    {nullptr, nullptr, nullptr, "48000", "320", 1},  // MP3: video boxes untouched
};

std::optional<QString> optionalText(const char* utf8) {
    return utf8 ? std::optional<QString>(QString::fromUtf8(utf8)) : std::nullopt;
}

}  // namespace

std::optional<FormatPreset> presetFor(int formatIndex) {
    if (formatIndex < 0 || formatIndex >= static_cast<int>(std::size(kPresets))) {
        return std::nullopt;
    }
    const PresetRow& row = kPresets[formatIndex];
    return FormatPreset{optionalText(row.videoBitRate), optionalText(row.frameRate),
                        optionalText(row.frameSize),    QString::fromUtf8(row.sampleRate),
                        QString::fromUtf8(row.bitRate), row.channelIndex};
}
