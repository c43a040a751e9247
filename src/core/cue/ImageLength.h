#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <optional>

// How long an album image plays. A sheet does not say where its last track ends (at the end of
// the image), so this gives that track's length before its encoder does.
struct ImageLength {
    double seconds = 0.0;
    bool exact = false;  // from the file's header; otherwise estimated from its size

    // Monkey's Audio images from their header; anything else (and an APE file whose header
    // cannot be read) from its size: a WAV at the rate of CD audio, other files at about 60 % of
    // it, which is what lossless compression makes of CD audio.
    static ImageLength of(const QString& path);

    // Seconds `bytes` of losslessly compressed CD audio hold, roughly.
    static double estimatedSeconds(qint64 bytes);

    // The length a Monkey's Audio header at the start of `head` announces; nothing when `head`
    // holds no such header.
    static std::optional<double> monkeysAudioSeconds(QByteArrayView head);
};
