#include "conversion/OutputFormat.h"

#include "conversion/CommandTemplate.h"

namespace {

using L = QLatin1String;

// The video targets' first stage when a second one makes the final file: the source becomes an
// MPEG-4 AVI intermediate, whatever the settings.
constexpr L kToIntermediate(
    " {input} -oac mp3lame -lameopts preset=320 -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1200 "
    "-of avi -o {intermediate}");
constexpr L kMpeg1(
    " {input} -oac lavc -lavcopts acodec=mp2:abitrate={bitrate} -ovc lavc -lavcopts "
    "vcodec=mpeg1video:vbitrate={vbitrate}:vpass=1 -ofps {fps} -of lavf -lavfopts "
    "format=yuv4mpeg -o {output}");
// RealMedia at the source's size takes none of the settings.
constexpr L kRealMediaSized(
    " -i {intermediate} -y -s {size} -vcodec rv10 -b {vbitrate}k -f rm -ar {rate} -ab {bitrate}k "
    "-ac {channels} {output}");
constexpr L kRealMediaAtSourceSize(
    " -i {intermediate} -y -vcodec rv10 -b 1200k -f rm  -ab 128k -ac 2 {output}");
// Phones take 320x240 unless a size is chosen; AMR narrow-band audio.
constexpr L kPhone(
    " -i {intermediate} -y -s {size} -vcodec mpeg4 -acodec amr_nb -ac 1 -ar 8000 -ab 12.2k "
    "{output}");

const FormatStage kIntermediateStage{L("conv"), RunnerChoice::objDOS, kToIntermediate};

FormatPreset videoPreset(const char* videoBitRate, const char* frameRate, VideoSize size,
                         const char* sampleRate, const char* bitRate, int channelIndex) {
    FormatPreset preset;
    preset.videoBitRate = QString::fromLatin1(videoBitRate);
    preset.frameRate = QString::fromLatin1(frameRate);
    preset.frameSize = size;
    preset.sampleRate = QString::fromLatin1(sampleRate);
    preset.bitRate = QString::fromLatin1(bitRate);
    preset.channelIndex = channelIndex;
    return preset;
}

// Audio presets leave the video settings alone. The new audio targets keep the source's rate
// and channels unless told otherwise.
FormatPreset audioPreset(const char* sampleRate, const char* bitRate, int channelIndex) {
    FormatPreset preset;
    preset.sampleRate = QString::fromLatin1(sampleRate);
    if (bitRate) {
        preset.bitRate = QString::fromLatin1(bitRate);
    }
    preset.channelIndex = channelIndex;
    return preset;
}

QList<OutputFormat> makeFormats() {
    // "1200", "24" and "28000" are deliberately not items of the suggestion lists.
    const VideoSize source = VideoSize::source();
    const VideoSize phone = VideoSize::of(320, 240);
    const FormatStage coder{L("coder"), RunnerChoice::objffmpeg, L("")};
    const auto stage = [&coder](const L& arguments) {
        FormatStage s = coder;
        s.arguments = arguments;
        return s;
    };
    FormatStage realMedia = stage(kRealMediaSized);
    realMedia.atSourceSize = kRealMediaAtSourceSize;
    FormatStage phoneStage{L("coder2"), RunnerChoice::objffmpeg, kPhone, L(""), L("320x240")};

    FormatPreset mp3 = audioPreset("48000", "320", 1);
    mp3.vbr = QString();  // a constant bit rate unless asked
    FormatPreset flac = audioPreset("source", nullptr, 2);
    flac.level = QStringLiteral("5");
    FormatPreset vorbis = audioPreset("source", nullptr, 2);
    vorbis.quality = QStringLiteral("6");

    return {
        {0, L("rmvb"), L(".rmvb"), true, kIntermediateStage, realMedia,
         videoPreset("1200", "29", source, "44100", "320", 1)},
        {1, L("rm"), L(".rm"), true, kIntermediateStage, realMedia,
         videoPreset("1200", "29", source, "44100", "320", 1)},
        {2,
         L("mpg"),
         L(".mpg"),
         true,
         {L("conv"), RunnerChoice::objDOS, kMpeg1},
         std::nullopt,
         videoPreset("600", "24", source, "28000", "64", 1)},
        {3,
         L("avi"),
         L(".avi"),
         true,
         {L("conv"), RunnerChoice::objDOS, kMpeg1},
         std::nullopt,
         videoPreset("600", "24", source, "28000", "64", 1)},
        {4,
         L("mp4"),
         L(".mp4"),
         true,
         {L("conv"), RunnerChoice::objDOS,
          L(" {input} -oac mp3lame -lameopts preset={bitrate} -ovc lavc -lavcopts "
            "vcodec=mpeg4:vbitrate={vbitrate} -of avi -o {output}")},
         std::nullopt,
         videoPreset("1200", "29", source, "48000", "320", 1)},
        {5, L("mov"), L(".mov"), true, kIntermediateStage,
         stage(L(" -i {intermediate} -y [-s {size} ]-ac 2 -ar 48000 -ab 128k {output}")),
         videoPreset("256", "29", source, "48000", "64", 1)},
        {6, L("phone-mp4"), L(".mp4"), true, kIntermediateStage, phoneStage,
         videoPreset("128", "29", phone, "8000", "12.2", 0)},
        {7, L("3gp"), L(".3gp"), true, kIntermediateStage, phoneStage,
         videoPreset("128", "29", phone, "8000", "12.2", 0)},
        {8, L("mp3"), L(".mp3"), false,
         stage(L("{cut} -i {input} -y -vn[ -ar {rate}][ -ab {bitrate}k][ -q:a {vbr}][ -ac "
                 "{channels}]{tags} {output}")),
         std::nullopt, mp3},
        {9, L("flac"), L(".flac"), false,
         stage(L("{cut} -i {input} -y -vn[ -ar {rate}] -c:a flac -compression_level {level}[ -ac "
                 "{channels}]{tags} {output}")),
         std::nullopt, flac},
        {10, L("opus"), L(".opus"), false,
         stage(L("{cut} -i {input} -y -vn -ar 48000 -c:a libopus -b:a {bitrate}k[ -ac "
                 "{channels}]{tags} {output}")),
         std::nullopt, audioPreset("48000", "160", 2)},
        {11, L("aac"), L(".m4a"), false,
         stage(L("{cut} -i {input} -y -vn[ -ar {rate}] -c:a aac -b:a {bitrate}k[ -ac "
                 "{channels}]{tags} {output}")),
         std::nullopt, audioPreset("source", "256", 2)},
        {12, L("ogg"), L(".ogg"), false,
         stage(L("{cut} -i {input} -y -vn[ -ar {rate}] -c:a libvorbis -q:a {quality}[ -ac "
                 "{channels}]{tags} {output}")),
         std::nullopt, vorbis},
    };
}

struct SettingName {
    Setting setting;
    L placeholder;
    L words;
};

constexpr SettingName kSettingNames[] = {
    {Setting::SampleRate, L("rate"), L("sample rate")},
    {Setting::BitRate, L("bitrate"), L("bit rate")},
    {Setting::Channels, L("channels"), L("channels")},
    {Setting::VideoBitRate, L("vbitrate"), L("video bit rate")},
    {Setting::FrameRate, L("fps"), L("frame rate")},
    {Setting::FrameSize, L("size"), L("video size")},
    {Setting::Level, L("level"), L("compression level")},
    {Setting::Quality, L("quality"), L("quality")},
    {Setting::Vbr, L("vbr"), L("VBR level")},
};

const SettingName& nameOf(Setting setting) {
    for (const SettingName& name : kSettingNames) {
        if (name.setting == setting) {
            return name;
        }
    }
    return kSettingNames[0];
}

bool mentions(const FormatStage& stage, const QString& placeholder) {
    return CommandTemplate::allNames(stage.arguments).contains(placeholder) ||
           CommandTemplate::allNames(stage.atSourceSize).contains(placeholder);
}

}  // namespace

QLatin1String placeholderOf(Setting setting) {
    return nameOf(setting).placeholder;
}

QLatin1String wordsFor(Setting setting) {
    return nameOf(setting).words;
}

bool OutputFormat::uses(Setting setting) const {
    const QString placeholder = placeholderOf(setting);
    return mentions(first, placeholder) || (second && mentions(*second, placeholder));
}

const QStringList& OutputFormat::searchedExtensions() const {
    static const QStringList audio = {QStringLiteral("ape")};
    static const QStringList videos = {
        QStringLiteral("avi"),  QStringLiteral("mp4"),  QStringLiteral("m4v"),
        QStringLiteral("mkv"),  QStringLiteral("mov"),  QStringLiteral("flv"),
        QStringLiteral("wmv"),  QStringLiteral("mpg"),  QStringLiteral("mpeg"),
        QStringLiteral("rm"),   QStringLiteral("rmvb"), QStringLiteral("3gp"),
        QStringLiteral("webm"), QStringLiteral("ts")};
    return video ? videos : audio;
}

const QList<OutputFormat>& outputFormats() {
    static const QList<OutputFormat> formats = makeFormats();
    return formats;
}

const OutputFormat* outputFormat(int index) {
    const QList<OutputFormat>& formats = outputFormats();
    return index >= 0 && index < formats.size() ? &formats.at(index) : nullptr;
}

const OutputFormat* outputFormatNamed(QStringView name) {
    for (const OutputFormat& format : outputFormats()) {
        if (name.compare(format.name, Qt::CaseInsensitive) == 0) {
            return &format;
        }
    }
    return nullptr;
}
