#pragma once

#include <QString>

// The image name ("coder", "conv", ...) of the encoder being run, program-wide. The conversion
// sets it before every run; the console runner reads it to decide that the encoder has ended.
QString& EncoderImageName();
