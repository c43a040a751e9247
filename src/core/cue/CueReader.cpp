#include "cue/CueReader.h"

#include <QFileInfo>
#include <QSet>

#include "cue/ApeTag.h"
#include "cue/CueImageFinder.h"
#include "cue/CueParser.h"
#include "platform/UserFile.h"

namespace {

// Sheets are a few kilobytes; anything this large is some other file given by mistake.
constexpr qint64 kMaxSheetBytes = 1024 * 1024;

template <typename T>
std::optional<T> failed(QString* error, const QString& reason) {
    if (error) {
        *error = reason;
    }
    return std::nullopt;
}

std::optional<CueTrackTable> tableFrom(const CueText& text, const CueSheet& sheet,
                                       const QStringList& images) {
    CueTrackTable table = CueTrackTable::build(sheet, images);
    table.encoding = text.encoding;
    table.warnings = text.warnings + table.warnings;
    return table;
}

}  // namespace

std::optional<CueTrackTable> CueReader::readFile(const QString& cuePath,
                                                 const QString& forcedEncoding, QString* error) {
    const QString name = QFileInfo(cuePath).fileName();
    UserFile file(cuePath);
    bool tooLarge = false;
    const std::optional<QByteArray> bytes = file.readAll(kMaxSheetBytes, &tooLarge);
    if (!bytes) {
        return failed<CueTrackTable>(error,
                                     QStringLiteral("cannot read %1 (%2)").arg(name, file.error()));
    }
    if (tooLarge) {
        const QString size = file.size() > kMaxSheetBytes
                                 ? QStringLiteral("%1 bytes").arg(file.size())
                                 : QStringLiteral("more than %1 bytes").arg(kMaxSheetBytes);
        return failed<CueTrackTable>(
            error, QStringLiteral("%1 is too large for a CUE sheet (%2)").arg(name, size));
    }
    const std::optional<CueText> text = CueTextDecoder::decode(*bytes, forcedEncoding, error);
    if (!text) {
        return std::nullopt;
    }
    const std::optional<CueSheet> sheet = CueParser::parse(text->text, error);
    if (!sheet) {
        return std::nullopt;
    }
    const std::optional<QStringList> images = CueImageFinder::find(cuePath, *sheet, error);
    if (!images) {
        return std::nullopt;
    }
    return tableFrom(*text, *sheet, *images);
}

std::optional<CueText> CueReader::embeddedText(const QString& imagePath,
                                               const QString& forcedEncoding, QString* error) {
    if (error) {
        error->clear();
    }
    const std::optional<ApeTag> tag = ApeTag::read(imagePath, error);
    if (!tag) {
        return std::nullopt;
    }
    const ApeTagItem* item = tag->find(u"Cuesheet");
    if (!item || !item->text) {
        return std::nullopt;
    }
    QByteArray bytes = item->value;
    while (bytes.endsWith('\0')) {
        bytes.chop(1);  // some taggers count a terminating NUL into the value
    }
    return CueTextDecoder::decode(bytes, forcedEncoding, error);
}

std::optional<CueTrackTable> CueReader::readEmbedded(const QString& imagePath,
                                                     const QString& forcedEncoding,
                                                     QString* error) {
    const std::optional<CueText> text = embeddedText(imagePath, forcedEncoding, error);
    if (!text) {
        return std::nullopt;
    }
    const std::optional<CueSheet> sheet = CueParser::parse(text->text, error);
    if (!sheet) {
        return std::nullopt;
    }
    QSet<int> audioFiles;
    for (const CueSheetTrack& track : sheet->tracks) {
        if (track.audio) {
            audioFiles.insert(track.file);
        }
    }
    if (audioFiles.size() > 1) {
        return failed<CueTrackTable>(
            error, QStringLiteral("the sheet in %1's tag names %2 audio files, not just the image")
                       .arg(QFileInfo(imagePath).fileName())
                       .arg(audioFiles.size()));
    }
    const QString image = QFileInfo(imagePath).absoluteFilePath();
    return tableFrom(*text, *sheet, QStringList(sheet->files.size(), image));
}
