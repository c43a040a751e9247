// coder2: coder for the phone formats (MP4 and 3GP for phones). It takes the same ffmpeg-style
// command line,
//   coder2 -i INPUT -y -s 320x240 -vcodec mpeg4 -acodec amr_nb -ac 1 -ar 8000 -ab 12.2k OUT.3gp
// and works as coder does, but AMR narrow-band audio, which Debian's ffmpeg cannot encode, is
// written as AAC with the asked rate, channels and bit rate (a note says so). AAC plays in 3GP
// and MP4 files wherever AMR does.

#include "common/Adapter.h"

int main(int argc, char** argv) {
    return runAdapter({"coder2",
                       "coder2 [ffmpeg options] -i INPUT [output options] OUTPUT",
                       ProgressStyle::Ffmpeg,
                       [](const std::vector<std::string>& arguments) {
                           return translateArguments(arguments, {.amrStandIn = true});
                       },
                       {}},
                      argc, argv);
}
