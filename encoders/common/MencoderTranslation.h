#pragma once

#include "ArgumentTranslation.h"

#include <string>
#include <vector>

// Builds ffmpeg's arguments for conv's mencoder-style command line (argv without the program
// name), for instance
//   INPUT -oac mp3lame -lameopts preset=320 -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1200
//         -of avi -o OUTPUT
// Understood: -oac mp3lame (with -lameopts preset=KBITS, or preset=insane|extreme|standard|
// medium), -oac lavc (with -lavcopts acodec=NAME:abitrate=KBITS), -ovc lavc (with -lavcopts
// vcodec=NAME:vbitrate=RATE; up to 16000 it counts kbit/s, above that bit/s), -oac/-ovc copy,
// -ofps RATE, -of and -lavfopts format=NAME, -o OUTPUT. Other -lavcopts settings (vpass=1) are
// left to ffmpeg's defaults.
// The container follows the output's extension, whatever -of says: what mencoder would write
// there (raw yuv4mpeg video in an .mpg, an AVI in an .mp4) plays nowhere, and the name is what
// players go by. -of only counts for a name without a known extension. ffmpeg takes the
// input's first video stream (never a cover picture) and its first audio stream, if any; an
// input without video fails. MP2 audio and MPEG-1/2 video get the nearest sample rate, bit rate
// and frame rate their encoders take, each change said in a note.
ArgumentTranslation translateMencoderArguments(const std::vector<std::string>& convArguments);
