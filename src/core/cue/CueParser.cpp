#include "cue/CueParser.h"

#include <QLatin1Char>
#include <QList>

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

QList<QStringView> blankSeparated(QStringView text) {
    QList<QStringView> words;
    qsizetype i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i])) {
            ++i;
        }
        const qsizetype begin = i;
        while (i < text.size() && !isBlank(text[i])) {
            ++i;
        }
        if (i > begin) {
            words << text.sliced(begin, i - begin);
        }
    }
    return words;
}

// A track or index number: one or two digits from `min` to 99; -1 otherwise.
int smallNumber(QStringView text, int min) {
    if (text.isEmpty() || text.size() > 2) {
        return -1;
    }
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return -1;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    return value < min ? -1 : value;
}

// The value of a command that takes one: in quotes (the last quote on the line closes it, so
// quotes inside a title survive) or, without them, the rest of the line.
std::optional<QString> oneValue(QStringView rest, QString* problem) {
    if (rest.isEmpty()) {
        *problem = QStringLiteral("needs a value");
        return std::nullopt;
    }
    if (!rest.startsWith(u'"')) {
        return rest.toString();
    }
    const qsizetype close = rest.lastIndexOf(u'"');
    if (close == 0) {
        *problem = QStringLiteral("has an unclosed quote");
        return std::nullopt;
    }
    if (close != rest.size() - 1) {
        *problem = QStringLiteral("has text after its closing quote: %1").arg(rest);
        return std::nullopt;
    }
    return rest.sliced(1, close - 1).toString();
}

bool is(QStringView word, QLatin1StringView keyword) {
    return word.compare(keyword, Qt::CaseInsensitive) == 0;
}

QString twoDigits(int number) {
    return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

}  // namespace

std::optional<CueSheet> CueParser::parse(QStringView text, QString* error) {
    if (text.startsWith(u'\xFEFF')) {
        text = text.sliced(1);
    }
    CueParser parser;
    qsizetype begin = 0;
    bool ok = true;
    while (ok && begin < text.size()) {
        qsizetype end = begin;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') {
            ++end;
        }
        ++parser.m_line;
        ok = parser.parseLine(text.sliced(begin, end - begin));
        begin = end;
        if (begin < text.size() && text[begin] == u'\r') {
            ++begin;
        }
        if (begin < text.size() && text[begin] == u'\n') {
            ++begin;  // LF alone, or the LF of CR LF
        }
    }
    ok = ok && parser.finishTrack();
    if (ok && parser.m_sheet.tracks.isEmpty()) {
        parser.m_error = QStringLiteral("the sheet has no TRACK");
        ok = false;
    }
    if (!ok) {
        if (error) {
            *error = parser.m_error;
        }
        return std::nullopt;
    }
    return std::move(parser.m_sheet);
}

bool CueParser::parseLine(QStringView line) {
    line = trimBlanks(line);
    if (line.isEmpty()) {
        return true;
    }
    qsizetype split = 0;
    while (split < line.size() && !isBlank(line[split])) {
        ++split;
    }
    const QStringView command = line.first(split);
    const QStringView rest = trimBlanks(line.sliced(split));

    if (is(command, QLatin1StringView("REM"))) {
        return parseRem(rest);
    }
    if (is(command, QLatin1StringView("FILE"))) {
        return parseFile(rest);
    }
    if (is(command, QLatin1StringView("TRACK"))) {
        return parseTrack(rest);
    }
    if (is(command, QLatin1StringView("INDEX"))) {
        return parseIndex(rest);
    }
    if (is(command, QLatin1StringView("TITLE")) || is(command, QLatin1StringView("PERFORMER")) ||
        is(command, QLatin1StringView("SONGWRITER"))) {
        const std::optional<QString> value = textValue(command, rest);
        if (!value) {
            return false;
        }
        // Before the first TRACK they describe the album, after it the track.
        CueSheetTrack* track = currentTrack();
        if (is(command, QLatin1StringView("TITLE"))) {
            (track ? track->title : m_sheet.title) = *value;
        } else if (is(command, QLatin1StringView("PERFORMER"))) {
            (track ? track->performer : m_sheet.performer) = *value;
        } else {
            (track ? track->songwriter : m_sheet.songwriter) = *value;
        }
        return true;
    }
    if (is(command, QLatin1StringView("CATALOG"))) {
        const std::optional<QString> value = textValue(command, rest);
        if (value) {
            m_sheet.catalog = *value;
        }
        return value.has_value();
    }
    if (is(command, QLatin1StringView("CDTEXTFILE"))) {
        return true;  // CD-Text for a burner; the titles come from this sheet
    }
    const bool trackCommand =
        is(command, QLatin1StringView("ISRC")) || is(command, QLatin1StringView("FLAGS")) ||
        is(command, QLatin1StringView("PREGAP")) || is(command, QLatin1StringView("POSTGAP"));
    if (!trackCommand) {
        warn(QStringLiteral("unknown command \"%1\" skipped").arg(command));
        return true;
    }
    CueSheetTrack* track = currentTrack();
    if (!track) {
        return fail(QStringLiteral("%1 before any TRACK").arg(command.toString().toUpper()));
    }
    if (is(command, QLatin1StringView("ISRC"))) {
        const std::optional<QString> value = textValue(command, rest);
        if (value) {
            track->isrc = *value;
        }
        return value.has_value();
    }
    if (is(command, QLatin1StringView("FLAGS"))) {
        track->flags.clear();
        for (const QStringView flag : blankSeparated(rest)) {
            track->flags << flag.toString().toUpper();
        }
        return true;
    }
    return parseGap(command, rest,
                    is(command, QLatin1StringView("PREGAP")) ? track->pregap : track->postgap);
}

bool CueParser::parseRem(QStringView rest) {
    qsizetype split = 0;
    while (split < rest.size() && !isBlank(rest[split])) {
        ++split;
    }
    const QStringView key = rest.first(split);
    const bool discNumber = is(key, QLatin1StringView("DISCNUMBER"));
    const bool totalDiscs = is(key, QLatin1StringView("TOTALDISCS"));
    // Inside a TRACK a remark describes that track only (a compilation's years, say).
    CueSheetTrack* track = currentTrack();
    CueRemarks& remarks = track ? static_cast<CueRemarks&>(*track) : m_sheet;
    QString* field = is(key, QLatin1StringView("GENRE"))     ? &remarks.genre
                     : is(key, QLatin1StringView("DATE"))    ? &remarks.date
                     : is(key, QLatin1StringView("COMMENT")) ? &remarks.comment
                                                             : nullptr;
    if (!field && !discNumber && !totalDiscs) {
        return true;  // remarks of ripping tools (DISCID, replay gain, ...): nothing to use
    }
    // Remarks never move a track, so a broken one costs its value, not the sheet.
    const QString name = QStringLiteral("REM ") + key.toString().toUpper();
    const QStringView valueText = trimBlanks(rest.sliced(split));
    if (valueText.isEmpty()) {
        return true;
    }
    QString problem;
    const std::optional<QString> value = oneValue(valueText, &problem);
    if (!value) {
        warn(QStringLiteral("%1 %2; skipped").arg(name, problem));
        return true;
    }
    if (field) {
        *field = *value;
        return true;
    }
    bool isNumber = false;
    const int number = value->toInt(&isNumber);
    if (!isNumber || number < 1) {
        warn(QStringLiteral("%1 \"%2\" is not a disc count; skipped").arg(name, *value));
        return true;
    }
    (discNumber ? remarks.discNumber : remarks.totalDiscs) = number;
    return true;
}

bool CueParser::parseFile(QStringView rest) {
    CueSheetFile file;
    file.line = m_line;
    if (rest.startsWith(u'"')) {
        const qsizetype close = rest.lastIndexOf(u'"');
        if (close == 0) {
            return fail(QStringLiteral("FILE has an unclosed quote"));
        }
        file.name = rest.sliced(1, close - 1).toString();
        file.type = trimBlanks(rest.sliced(close + 1)).toString();
    } else {
        // Unquoted names may hold blanks; the type is then the last word.
        const QList<QStringView> words = blankSeparated(rest);
        if (words.size() >= 2) {
            file.type = words.last().toString();
            file.name = trimBlanks(rest.first(rest.size() - words.last().size())).toString();
        } else {
            file.name = rest.toString();
        }
    }
    if (file.name.isEmpty()) {
        return fail(QStringLiteral("FILE needs a name"));
    }
    if (blankSeparated(file.type).size() > 1) {
        return fail(QStringLiteral("FILE needs \"name\" and one type, not %1").arg(rest));
    }
    m_sheet.files << file;
    m_file = static_cast<int>(m_sheet.files.size()) - 1;
    return true;
}

bool CueParser::parseTrack(QStringView rest) {
    if (!finishTrack()) {
        return false;
    }
    const QList<QStringView> words = blankSeparated(rest);
    if (words.size() != 2) {
        return fail(QStringLiteral("TRACK needs a number and a type, not \"%1\"").arg(rest));
    }
    const int number = smallNumber(words[0], 1);
    if (number < 0) {
        return fail(QStringLiteral("TRACK number must be 1 to 99, not \"%1\"").arg(words[0]));
    }
    if (m_file < 0) {
        return fail(QStringLiteral("TRACK before any FILE"));
    }
    if (!m_sheet.tracks.isEmpty()) {
        const int previous = m_sheet.tracks.last().number;
        if (number <= previous) {
            return fail(QStringLiteral("TRACK %1 follows TRACK %2 (numbers must go up)")
                            .arg(twoDigits(number), twoDigits(previous)));
        }
        // Sheets of one disc of a set, or with bonus tracks, skip numbers; they are kept.
        if (number != previous + 1 && !m_warnedSkippedNumber) {
            m_warnedSkippedNumber = true;
            warn(QStringLiteral("TRACK %1 follows TRACK %2; the sheet's numbers are kept")
                     .arg(twoDigits(number), twoDigits(previous)));
        }
    }
    CueSheetTrack track;
    track.number = number;
    track.type = words[1].toString().toUpper();
    track.audio = track.type == QLatin1StringView("AUDIO");
    track.file = m_file;
    track.line = m_line;
    m_sheet.tracks << track;
    m_trackHasIndex1 = false;
    m_index0.reset();
    m_index0File = -1;
    return true;
}

bool CueParser::parseIndex(QStringView rest) {
    CueSheetTrack* track = currentTrack();
    if (!track) {
        return fail(QStringLiteral("INDEX before any TRACK"));
    }
    const QList<QStringView> words = blankSeparated(rest);
    if (words.size() != 2) {
        return fail(QStringLiteral("INDEX needs a number and mm:ss:ff, not \"%1\"").arg(rest));
    }
    const int number = smallNumber(words[0], 0);
    if (number < 0) {
        return fail(QStringLiteral("INDEX number must be 0 to 99, not \"%1\"").arg(words[0]));
    }
    const std::optional<CueTime> time = CueTime::fromText(words[1]);
    if (!time) {
        return fail(QStringLiteral("INDEX needs mm:ss:ff, not \"%1\"").arg(words[1]));
    }
    const CueSheetTrack* previous =
        m_sheet.tracks.size() > 1 ? &m_sheet.tracks[m_sheet.tracks.size() - 2] : nullptr;
    const bool previousInThisFile = previous && previous->file == m_file;
    if (number == 0) {
        if (m_trackHasIndex1) {
            return fail(QStringLiteral("INDEX 00 after INDEX 01"));
        }
        if (previousInThisFile && *time < previous->index1) {
            return fail(
                QStringLiteral("INDEX 00 at %1 is before TRACK %2 starts (%3)")
                    .arg(time->toText(), twoDigits(previous->number), previous->index1.toText()));
        }
        m_index0 = time;
        m_index0File = m_file;
        return true;
    }
    if (number > 1) {
        return true;  // subdivisions of a track: they cut nothing
    }
    if (m_trackHasIndex1) {
        return fail(QStringLiteral("second INDEX 01 in TRACK %1").arg(twoDigits(track->number)));
    }
    if (m_index0 && m_index0File == m_file) {
        if (*time < *m_index0) {
            return fail(QStringLiteral("INDEX 01 at %1 is before INDEX 00 (%2)")
                            .arg(time->toText(), m_index0->toText()));
        }
        track->index0 = m_index0;
    }
    if (previousInThisFile && *time <= previous->index1) {
        return fail(
            QStringLiteral("INDEX 01 at %1 is not after TRACK %2 starts (%3)")
                .arg(time->toText(), twoDigits(previous->number), previous->index1.toText()));
    }
    track->index1 = *time;
    track->file = m_file;  // a FILE line between INDEX 00 and 01 moves the track into that file
    m_trackHasIndex1 = true;
    return true;
}

bool CueParser::parseGap(QStringView command, QStringView rest, std::optional<CueTime>& gap) {
    gap = CueTime::fromText(rest);
    if (!gap) {
        return fail(QStringLiteral("%1 needs mm:ss:ff, not \"%2\"")
                        .arg(command.toString().toUpper(), rest));
    }
    return true;
}

bool CueParser::finishTrack() {
    const CueSheetTrack* track = currentTrack();
    if (track && !m_trackHasIndex1) {
        m_line = track->line;
        return fail(QStringLiteral("TRACK %1 has no INDEX 01").arg(twoDigits(track->number)));
    }
    return true;
}

std::optional<QString> CueParser::textValue(QStringView command, QStringView rest) {
    QString problem;
    std::optional<QString> value = oneValue(rest, &problem);
    if (!value) {
        fail(QStringLiteral("%1 %2").arg(command.toString().toUpper(), problem));
    }
    return value;
}

CueSheetTrack* CueParser::currentTrack() {
    return m_sheet.tracks.isEmpty() ? nullptr : &m_sheet.tracks.last();
}

bool CueParser::fail(const QString& what) {
    m_error = QStringLiteral("line %1: %2").arg(m_line).arg(what);
    return false;
}

void CueParser::warn(const QString& what) {
    m_sheet.warnings << QStringLiteral("line %1: %2").arg(m_line).arg(what);
}
