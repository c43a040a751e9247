#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

// `vordana --convert [--output DIR] [--bitrate TEXT] [--rate TEXT] [--channels 1|2] PATH...`:
// the conversion without a window. Files are queued as given; folders are searched for .ape
// files as the window's folder scan does.
struct ConvertOptions {
    QString outputFolder;  // empty: the program folder's "output"
    QString bitRate;       // parseConvertArguments starts from the MP3 presets
    QString sampleRate;
    int channelIndex = 1;  // 0 mono, 1 stereo
    QStringList paths;
};

// Parses the arguments after --convert. Gives nothing, with the reason in `error`, for bad usage.
std::optional<ConvertOptions> parseConvertArguments(const QStringList& arguments, QString* error);

QString convertUsage();

// Exit statuses of `vordana --convert`; a batch stopped by a signal exits 128 + its number
// (130 for Ctrl-C), as a shell reports it.
enum ConvertExit { kAllConverted = 0, kSomeFailed = 1, kBadUsage = 2 };

// Converts and reports to `out` (progress, summary) and `err` (messages). Returns a ConvertExit.
int runConvert(const ConvertOptions& options, FILE* out, FILE* err);

// `vordana --convert ...` as a whole: parses argv (argv[1] is "--convert"), converts, and
// returns the process's exit status.
int convertFrontEnd(int argc, char** argv);
