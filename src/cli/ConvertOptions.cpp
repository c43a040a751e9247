#include "ConvertOptions.h"

#include "conversion/EncoderSettings.h"
#include "conversion/FormatPresets.h"
#include "text/LeadingNumber.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

const char* const kFormatNames[] = {"rmvb", "rm",        "mpg", "avi", "mp4",
                                    "mov",  "phone-mp4", "3gp", "mp3"};

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

}  // namespace

std::optional<int> formatFromName(const QString& name) {
    bool number = false;
    const int index = name.toInt(&number);
    if (number) {
        return index >= 0 && index <= 8 ? std::optional<int>(index) : std::nullopt;
    }
    for (int i = 0; i <= 8; ++i) {
        if (name.compare(QLatin1String(kFormatNames[i]), Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return std::nullopt;
}

QString convertUsage() {
    const EncoderSettings mp3 = EncoderSettings::mp3Defaults();
    return QStringLiteral(
               "usage: vordana --convert [OPTION]... [--] PATH...\n"
               "Converts each file (to MP3 unless --format says otherwise); folders are "
               "searched for .ape files\n"
               "(for a video format: for video files), without following links to folders.\n"
               "An album image with a CUE sheet (a .cue beside it, or one in its tag) becomes "
               "one MP3 per track;\n"
               "a .cue file converts the tracks it lists.\n"
               "\n"
               "  -o, --output DIR       where the results go (default: the output folder)\n"
               "      --format N|NAME    0-8 or rmvb, rm, mpg, avi, mp4, mov, phone-mp4, 3gp, "
               "mp3 (default mp3)\n"
               "      --bitrate N        audio bit rate in kbit/s (MP3 default %1)\n"
               "      --rate N           sample rate in Hz (MP3 default %2)\n"
               "      --channels 1|2     mono or stereo (default 2)\n"
               "      --size WxH|original   video frame size\n"
               "      --video-bitrate N  video bit rate in kbit/s\n"
               "      --fps N            frame rate\n"
               "  -j, --jobs N           files at once (default: one per core)\n"
               "      --no-split         convert album images whole, not track by track\n"
               "      --cue-encoding NAME   the CUE sheets' text encoding (e.g. GB18030)\n"
               "  -q, --quiet            no progress; only failures and the summary\n"
               "      --json             the results as one JSON document on standard output\n"
               "  -h, --help             this text\n"
               "      --version          the program's version\n"
               "\n"
               "Progress and messages go to standard error, results to standard output.\n"
               "Exit status: 0 when every file converted, 1 when any did not, 2 for bad usage,\n"
               "128 + the signal when stopped by one (130 for Ctrl-C).\n")
        .arg(mp3.bitRate, mp3.sampleRate);
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
    const QCommandLineOption jobs({QStringLiteral("j"), QStringLiteral("jobs")}, QString(),
                                  QStringLiteral("N"));
    const QCommandLineOption quiet(QStringList{QStringLiteral("q"), QStringLiteral("quiet")});
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption noSplit(QStringLiteral("no-split"));
    const QCommandLineOption cueEncoding(QStringLiteral("cue-encoding"), QString(),
                                         QStringLiteral("NAME"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({convert, output, format, bitRate, rate, channels, size, videoBitRate, fps,
                       jobs, quiet, json, noSplit, cueEncoding, help, version});

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
            return bad(QStringLiteral("--format takes 0 to 8 or rmvb, rm, mpg, avi, mp4, mov, "
                                      "phone-mp4, 3gp, mp3, not %1")
                           .arg(quoted(value(format))));
        }
        wanted.format = *index;
    }
    // Numbers only: these texts go into the encoder's command line.
    const struct {
        const QCommandLineOption* option;
        std::optional<QString>* target;
        const char* what;
    } numbers[] = {{&bitRate, &wanted.bitRate, "a bit rate in kbit/s"},
                   {&rate, &wanted.sampleRate, "a sample rate in Hz"},
                   {&videoBitRate, &wanted.videoBitRate, "a video bit rate in kbit/s"},
                   {&fps, &wanted.frameRate, "a frame rate"}};
    for (const auto& number : numbers) {
        if (!parser.isSet(*number.option)) {
            continue;
        }
        const QString text = value(*number.option);
        if (!isPlainNumber(text)) {
            return bad(
                QStringLiteral("--%1 takes %2 (digits and at most one point), not %3")
                    .arg(number.option->names().last(), QLatin1String(number.what), quoted(text)));
        }
        *number.target = text;
    }
    if (parser.isSet(channels)) {
        const QString text = value(channels);
        if (text != QLatin1String("1") && text != QLatin1String("2")) {
            return bad(QStringLiteral("--channels takes 1 or 2, not %1").arg(quoted(text)));
        }
        wanted.channelIndex = text.toInt() - 1;
    }
    if (parser.isSet(size)) {
        const QString text = value(size);
        static const QRegularExpression dimensions(
            QStringLiteral("^[1-9][0-9]{0,4}x[1-9][0-9]{0,4}$"));
        if (text == QLatin1String("original")) {
            wanted.frameSize = frameSizeItems().first();  // the source's own size
        } else if (dimensions.match(text).hasMatch()) {
            wanted.frameSize = text;
        } else {
            return bad(
                QStringLiteral("--size takes WIDTHxHEIGHT or original, not %1").arg(quoted(text)));
        }
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
