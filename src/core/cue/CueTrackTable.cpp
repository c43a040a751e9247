#include "cue/CueTrackTable.h"

#include <QLatin1Char>

#include <tuple>
#include <utility>

namespace {

constexpr qsizetype kMaxNameBytes = 255;  // NAME_MAX of Linux file systems

QString defaultTitle(int number) {
    return QStringLiteral("Track %1").arg(number, 2, 10, QLatin1Char('0'));
}

bool unfitForNames(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"/\\:*?\"<>|").contains(c);
}

QString trimmedOfDotsAndBlanks(QString text) {
    auto trimmable = [](QChar c) { return c == u'.' || c.isSpace(); };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && trimmable(text[begin])) {
        ++begin;
    }
    while (end > begin && trimmable(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

bool isVariousArtists(const QString& performer) {
    const QString name = performer.trimmed();
    for (const char* various : {"Various", "Various Artists", "VA"}) {
        if (name.compare(QLatin1StringView(various), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

// "Artist / Title" or "Artist - Title" as artist and title; nothing when the title has neither
// or a side would be empty.
std::optional<std::pair<QString, QString>> artistAndTitle(const QString& title) {
    for (const QStringView separator : {u" / ", u" - "}) {
        const qsizetype at = title.indexOf(separator);
        if (at < 0) {
            continue;
        }
        const QString artist = title.first(at).trimmed();
        const QString rest = title.sliced(at + separator.size()).trimmed();
        if (artist.isEmpty() || rest.isEmpty()) {
            return std::nullopt;
        }
        return std::pair(artist, rest);
    }
    return std::nullopt;
}

// The track's own remark, else the album's.
CueRemarks remarksOf(const CueRemarks& own, const CueRemarks& album) {
    CueRemarks remarks;
    remarks.genre = own.genre.isEmpty() ? album.genre : own.genre;
    remarks.date = own.date.isEmpty() ? album.date : own.date;
    remarks.comment = own.comment.isEmpty() ? album.comment : own.comment;
    remarks.discNumber = own.discNumber > 0 ? own.discNumber : album.discNumber;
    remarks.totalDiscs = own.totalDiscs > 0 ? own.totalDiscs : album.totalDiscs;
    return remarks;
}

}  // namespace

std::optional<CueTime> CueTrack::length() const {
    if (!end) {
        return std::nullopt;
    }
    return *end - start;
}

QString CueTrack::outputName() const {
    return CueTrackTable::outputName(number, title);
}

CueTrackTable CueTrackTable::build(const CueSheet& sheet, const QStringList& images) {
    CueTrackTable table;
    static_cast<CueRemarks&>(table.album) = sheet;
    table.album.title = sheet.title;
    table.album.performer = sheet.performer;
    table.album.songwriter = sheet.songwriter;
    table.album.catalog = sheet.catalog;
    table.warnings = sheet.warnings;
    const bool compilation = isVariousArtists(sheet.performer);

    for (qsizetype i = 0; i < sheet.tracks.size(); ++i) {
        const CueSheetTrack& own = sheet.tracks[i];
        if (!own.audio) {
            continue;
        }
        CueTrack track;
        static_cast<CueRemarks&>(track) = remarksOf(own, sheet);
        track.number = own.number;
        track.title = own.title.isEmpty() ? defaultTitle(own.number) : own.title;
        track.performer = own.performer.isEmpty() ? sheet.performer : own.performer;
        if (compilation && own.performer.isEmpty()) {
            if (const auto split = artistAndTitle(own.title)) {
                std::tie(track.performer, track.title) = *split;
            }
        }
        track.songwriter = own.songwriter.isEmpty() ? sheet.songwriter : own.songwriter;
        track.isrc = own.isrc;
        track.file = own.file;
        track.image = images.value(own.file);
        track.start = own.index1;
        if (i + 1 < sheet.tracks.size() && sheet.tracks[i + 1].file == own.file) {
            track.end = sheet.tracks[i + 1].index1;
        }
        table.tracks << track;
    }
    return table;
}

QString CueTrackTable::outputName(int number, const QString& title, QStringView extension) {
    QString cleanTitle = title;
    for (QChar& c : cleanTitle) {
        if (unfitForNames(c)) {
            c = u'_';
        }
    }
    cleanTitle = trimmedOfDotsAndBlanks(cleanTitle);
    if (cleanTitle.isEmpty()) {
        cleanTitle = defaultTitle(number);
    }
    const QString prefix = QStringLiteral("%1 - ").arg(number, 2, 10, QLatin1Char('0'));
    const QString suffix = QLatin1Char('.') + extension.toString();
    const qsizetype room = kMaxNameBytes - prefix.toUtf8().size() - suffix.toUtf8().size();
    while (cleanTitle.toUtf8().size() > room) {
        cleanTitle.chop(cleanTitle.size() >= 2 && cleanTitle.back().isLowSurrogate() ? 2 : 1);
        cleanTitle = trimmedOfDotsAndBlanks(cleanTitle);
    }
    return prefix + cleanTitle + suffix;
}
