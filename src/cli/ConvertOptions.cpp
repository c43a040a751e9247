#include "ConvertOptions.h"

#include "conversion/EncoderSettings.h"
#include "conversion/OutputFormat.h"
#include "text/LeadingNumber.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

}  // namespace

std::optional<int> formatFromName(const QString& name) {
    bool number = false;
    const int index = name.toInt(&number);
    const OutputFormat* format = number ? outputFormat(index) : outputFormatNamed(name);
    return format ? std::optional<int>(format->index) : std::nullopt;
}

namespace {

// "rmvb, rm, ..., ogg"
QString formatNames() {
    QStringList names;
    for (const OutputFormat& format : outputFormats()) {
        names << format.name;
    }
    return names.join(QStringLiteral(", "));
}

}  // namespace

QString convertUsage() {
    const EncoderSettings mp3 = EncoderSettings::mp3Defaults();
    return QStringLiteral(
               "usage: vordana --convert [OPTION]... [--] PATH...\n"
               "Converts each file (to MP3 unless --format says otherwise); folders are "
               "searched for .ape files\n"
               "(for a video format: for video files), without following links to folders.\n"
               "An album image with a CUE sheet (a .cue beside it, or one in its tag) becomes "
               "one file per track;\n"
               "a .cue file converts the tracks it lists.\n"
               "\n"
               "  -o, --output DIR       where the results go (default: the output folder)\n"
               "      --format N|NAME    0-12 or %3 (default mp3)\n"
               "                         audio: mp3, flac (lossless, checked bit for bit), opus,\n"
               "                         aac (.m4a), ogg (Vorbis); the others are video formats\n"
               "      --bitrate N        audio bit rate in kbit/s (MP3 %1, Opus 160, AAC 256)\n"
               "      --rate N|source    sample rate in Hz (MP3 %2; the others keep the "
               "source's)\n"
               "      --channels 1|2|source   mono, stereo or the source's (MP3: stereo)\n"
               "      --vbr 0-9          MP3 with a variable bit rate (LAME's V levels) instead\n"
               "      --level 0-8        FLAC compression level (default 5)\n"
               "      --quality N        Ogg Vorbis quality (default 6)\n"
               "      --size WxH|original   video frame size\n"
               "      --video-bitrate N  video bit rate in kbit/s\n"
               "      --fps N            frame rate\n"
               "      --keep-names       name each output after the input's whole name, without "
               "time stamp\n"
               "      --tree             mirror the folders given under the output folder\n"
               "      --skip-existing    with --keep-names: skip inputs whose output is there\n"
               "  -j, --jobs N           files at once (default: one per core)\n"
               "      --no-split         convert album images whole, not track by track\n"
               "      --cue-encoding NAME   the CUE sheets' text encoding (e.g. GB18030)\n"
               "  -q, --quiet            no progress; only failures and the summary\n"
               "      --json             the results as one JSON document on standard output\n"
               "  -h, --help             this text\n"
               "      --version          the program's version\n"
               "\n"
               "Progress and messages go to standard error, results to standard output.\n"
               "Exit status: 0 when every file converted (or was skipped), 1 when any did not, "
               "2 for bad usage,\n"
               "128 + the signal when stopped by one (130 for Ctrl-C).\n")
        .arg(mp3.bitRate, mp3.sampleRate, formatNames());
}

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    ParsedCommandLine parsed;
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption convert(QStringLiteral("convert"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")}, QString(),
                                    QStringLiteral("DIR"));
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("N"));
    const QCommandLineOption bitRate(QStringLiteral("bitrate"), QString(), QStringLiteral("N"));
    const QCommandLineOption rate(QStringLiteral("rate"), QString(), QStringLiteral("N"));
    const QCommandLineOption channels(QStringLiteral("channels"), QString(), QStringLiteral("N"));
    const QCommandLineOption size(QStringLiteral("size"), QString(), QStringLiteral("WxH"));
    const QCommandLineOption videoBitRate(QStringLiteral("video-bitrate"), QString(),
                                          QStringLiteral("N"));
    const QCommandLineOption fps(QStringLiteral("fps"), QString(), QStringLiteral("N"));
    const QCommandLineOption level(QStringLiteral("level"), QString(), QStringLiteral("N"));
    const QCommandLineOption quality(QStringLiteral("quality"), QString(), QStringLiteral("N"));
    const QCommandLineOption vbr(QStringLiteral("vbr"), QString(), QStringLiteral("N"));
    const QCommandLineOption keepNames(QStringLiteral("keep-names"));
    const QCommandLineOption tree(QStringLiteral("tree"));
    const QCommandLineOption skipExisting(QStringLiteral("skip-existing"));
    const QCommandLineOption jobs({QStringLiteral("j"), QStringLiteral("jobs")}, QString(),
                                  QStringLiteral("N"));
    const QCommandLineOption quiet(QStringList{QStringLiteral("q"), QStringLiteral("quiet")});
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption noSplit(QStringLiteral("no-split"));
    const QCommandLineOption cueEncoding(QStringLiteral("cue-encoding"), QString(),
                                         QStringLiteral("NAME"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({convert,   output,       format,       bitRate, rate,    channels,
                       size,      videoBitRate, fps,          level,   quality, vbr,
                       keepNames, tree,         skipExisting, jobs,    quiet,   json,
                       noSplit,   cueEncoding,  help,         version});

    const bool understood = parser.parse(arguments);
    // Help and version answer whatever else the line holds, even a mistake; after "--" they
    // would be file names.
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    const QStringList options = arguments.mid(1, end < 0 ? -1 : end - 1);
    if (options.contains(QStringLiteral("-h")) || options.contains(QStringLiteral("--help"))) {
        parsed.outcome = ParsedCommandLine::Outcome::Help;
        return parsed;
    }
    if (understood && parser.isSet(version)) {
        parsed.outcome = ParsedCommandLine::Outcome::Version;
        return parsed;
    }
    const auto bad = [&parsed](const QString& error) {
        parsed.outcome = ParsedCommandLine::Outcome::BadUsage;
        parsed.error = error;
        return parsed;
    };
    if (!understood) {
        return bad(parser.errorText());
    }

    ConvertOptions& wanted = parsed.options;
    // Every value given twice takes the last one, as is usual.
    const auto value = [&parser](const QCommandLineOption& option) {
        return parser.values(option).last();
    };
    if (parser.isSet(output)) {
        wanted.outputFolder = value(output);
        if (wanted.outputFolder.isEmpty()) {
            return bad(QStringLiteral("--output needs a folder"));
        }
    }
    if (parser.isSet(format)) {
        const auto index = formatFromName(value(format));
        if (!index) {
            return bad(QStringLiteral("--format takes 0 to %1 or %2, not %3")
                           .arg(outputFormats().size() - 1)
                           .arg(formatNames(), quoted(value(format))));
        }
        wanted.format = *index;
    }
    const OutputFormat& chosen = *outputFormat(wanted.format);
    // Numbers only: these texts go into the encoder's command line. The options that belong to
    // one format are mistakes with another; the older ones are only said to be unused.
    const struct {
        const QCommandLineOption* option;
        std::optional<QString>* target;
        const char* what;
        Setting setting;
        bool ownFormatOnly;
    } numbers[] = {
        {&bitRate, &wanted.bitRate, "a bit rate in kbit/s", Setting::BitRate, false},
        {&rate, &wanted.sampleRate, "a sample rate in Hz or source", Setting::SampleRate, false},
        {&videoBitRate, &wanted.videoBitRate, "a video bit rate in kbit/s", Setting::VideoBitRate,
         false},
        {&fps, &wanted.frameRate, "a frame rate", Setting::FrameRate, false},
        {&level, &wanted.level, "a level from 0 to 8", Setting::Level, true},
        {&quality, &wanted.quality, "a quality from 0 to 10", Setting::Quality, true},
        {&vbr, &wanted.vbr, "a level from 0 to 9", Setting::Vbr, true},
    };
    for (const auto& number : numbers) {
        if (!parser.isSet(*number.option)) {
            continue;
        }
        const QString name = number.option->names().last();
        const QString text = value(*number.option);
        const bool source = number.setting == Setting::SampleRate &&
                            text == EncoderSettings::kSourceRate && !chosen.video;
        const double limit = number.setting == Setting::Level     ? 8.0
                             : number.setting == Setting::Quality ? 10.0
                             : number.setting == Setting::Vbr     ? 9.0
                                                                  : -1.0;
        const bool whole = number.setting == Setting::Level || number.setting == Setting::Vbr;
        if (!source && (!isPlainNumber(text) || (limit >= 0.0 && leadingNumber(text) > limit) ||
                        (whole && text.contains(QLatin1Char('.'))))) {
            return bad(QStringLiteral("--%1 takes %2 (digits and at most one point), not %3")
                           .arg(name, QLatin1String(number.what), quoted(text)));
        }
        if (!chosen.uses(number.setting)) {
            const QString unused = QStringLiteral("--%1 does not apply to the %2 format")
                                       .arg(name, QString(chosen.name));
            if (number.ownFormatOnly) {
                return bad(unused);
            }
            parsed.warnings << unused + QStringLiteral("; it is left out");
        }
        *number.target = text;
    }
    if (parser.isSet(channels)) {
        const QString text = value(channels);
        if (text == QLatin1String("source") && !chosen.video) {
            wanted.channelIndex = EncoderSettings::kSourceChannels;
        } else if (text == QLatin1String("1") || text == QLatin1String("2")) {
            wanted.channelIndex = text.toInt() - 1;
        } else {
            return bad(QStringLiteral("--channels takes 1, 2 or source, not %1").arg(quoted(text)));
        }
    }
    if (parser.isSet(size)) {
        const QString text = value(size);
        static const QRegularExpression dimensions(
            QStringLiteral("^[1-9][0-9]{0,4}x[1-9][0-9]{0,4}$"));
        if (text == QLatin1String("original")) {
            wanted.frameSize = VideoSize::source();
        } else if (dimensions.match(text).hasMatch()) {
            wanted.frameSize = VideoSize::parse(text);
        } else {
            return bad(
                QStringLiteral("--size takes WIDTHxHEIGHT or original, not %1").arg(quoted(text)));
        }
    }
    wanted.keepNames = parser.isSet(keepNames);
    wanted.tree = parser.isSet(tree);
    wanted.skipExisting = parser.isSet(skipExisting);
    if (wanted.skipExisting && !wanted.keepNames) {
        return bad(QStringLiteral(
            "--skip-existing needs --keep-names: outputs with a time stamp are never there yet"));
    }
    if (parser.isSet(jobs)) {
        const QString text = value(jobs);
        bool number = false;
        const int count = text.toInt(&number);
        if (!number || count < 1 || count > 1024) {
            return bad(QStringLiteral("--jobs takes a whole number from 1 to 1024, not %1")
                           .arg(quoted(text)));
        }
        wanted.jobs = count;
    }
    wanted.splitImages = !parser.isSet(noSplit);
    if (parser.isSet(cueEncoding)) {
        wanted.cueEncoding = value(cueEncoding);
        if (wanted.cueEncoding.isEmpty()) {
            return bad(QStringLiteral("--cue-encoding needs an encoding's name, e.g. GB18030"));
        }
    }
    wanted.quiet = parser.isSet(quiet);
    wanted.json = parser.isSet(json);
    wanted.paths = parser.positionalArguments();
    if (wanted.paths.isEmpty()) {
        return bad(QStringLiteral("no file or folder to convert"));
    }
    parsed.outcome = ParsedCommandLine::Outcome::Convert;
    return parsed;
}
