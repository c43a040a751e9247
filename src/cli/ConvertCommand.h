#pragma once

#include "ConvertOptions.h"

#include <QStringList>

#include <cstdio>

// `vordana --convert [OPTION]... PATH...`: the conversion without a window. Files are queued as
// given; folders are searched as the window's folder scan does. Progress and messages go to
// `err`, results (done lines and the summary, or one JSON document) to `out`. Returns the exit
// status (see ConvertExit).
int runConvert(const ConvertOptions& options, FILE* out, FILE* err);

// The command-line front end as a whole (also --help and --version, which need no display):
// parses argv, converts, returns the process's exit status.
int convertFrontEnd(int argc, char** argv);
