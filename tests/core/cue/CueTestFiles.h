#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <ostream>
#include <utility>

// Lets GoogleTest show texts as text when an expectation fails.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Inputs the CUE tests make for themselves in temporary folders.
namespace CueTestFiles {

QString fixture(const QString& name);  // a file of the shared fixtures' cue folder
QString fixtureSheetText();            // Live Set.cue as text

// `text` in `encoding`, converted by iconv (never by the code under test).
QByteArray encoded(const QString& text, const char* encoding);
void writeFile(const QString& path, const QByteArray& bytes);

// A sheet of the size ripping programs write: REM lines, album fields, and per track a title,
// a performer, an INDEX 00 and an INDEX 01, with CR LF line ends.
QString albumSheet(const QString& album, const QString& performer, const QStringList& titles);

// An APEv2 tag holding the given text items in order: header (when asked for), items, footer.
QByteArray apeTag(const QList<std::pair<QByteArray, QByteArray>>& items, bool withHeader = false);

}  // namespace CueTestFiles
