// conv: the program's video encoder for the one-stage video formats and the first stage of the
// two-stage ones. It takes a mencoder-style command line,
//   conv INPUT -oac mp3lame -lameopts preset=320 -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1200
//        -of avi -o OUTPUT
// translates it for Debian's ffmpeg (see MencoderTranslation.h) and prints mencoder-style status
// lines, "Pos:   2.3s     56f ( 5%) ...", at least every half second, and "(100%)" once the
// output is complete. Notes and the failure line start with "conv: "; files, signals and exit
// status are handled as coder handles them.

#include "common/Adapter.h"
#include "common/MencoderTranslation.h"

int main(int argc, char** argv) {
    return runAdapter({"conv",
                       "conv INPUT [-oac ...] [-ovc ...] [-ofps RATE] -o OUTPUT",
                       ProgressStyle::Mencoder,
                       translateMencoderArguments,
                       {}},
                      argc, argv);
}
