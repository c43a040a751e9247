#include "conversion/CommandPieces.h"

#include "process/CommandLineText.h"

namespace CommandPieces {

namespace {

// A file name may hold 255 bytes; the encoder's partial file adds "." and ".part".
constexpr qsizetype kNameBytes = 255 - 6;

// `base` cut to at most `bytes` bytes of UTF-8, never inside a character.
QString fitBase(const QString& base, qsizetype bytes) {
    QString fitted;
    qsizetype used = 0;
    for (qsizetype i = 0; i < base.size();) {
        const qsizetype length = base.at(i).isHighSurrogate() && i + 1 < base.size() ? 2 : 1;
        const QString character = base.mid(i, length);
        const qsizetype size = character.toUtf8().size();
        if (used + size > bytes) {
            break;
        }
        fitted += character;
        used += size;
        i += length;
    }
    return fitted;
}

}  // namespace

QString encoderPath(const PlatformDescription& platform, const QString& encoder) {
    return platform.programFolder + platform.separator + QStringLiteral("data") +
           platform.separator + platform.imageName(encoder);
}

QString freeOutputName(const QString& folder, const QString& base, const QString& tail,
                       const QString& extension,
                       const std::function<bool(const QString&)>& nameTaken) {
    for (int n = 1;; ++n) {
        const QString suffix =
            tail + (n == 1 ? QString() : QLatin1Char('-') + QString::number(n)) + extension;
        const QString name = folder + fitBase(base, kNameBytes - suffix.toUtf8().size()) + suffix;
        if (!nameTaken || !nameTaken(name)) {
            return name;
        }
    }
}

QString intermediatePath(const PlatformDescription& platform) {
    return platform.temporaryFolder + platform.separator + QStringLiteral("tmp.mp4");
}

QString intermediateArgument(const QString& path) {
    const bool needsQuotes = path.contains(QLatin1Char(' ')) || path.contains(QLatin1Char('\t')) ||
                             path.contains(QLatin1Char('"'));
    return needsQuotes ? CommandLineText::quoteArgument(path) : path;
}

}  // namespace CommandPieces
