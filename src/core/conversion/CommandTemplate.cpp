#include "conversion/CommandTemplate.h"

namespace CommandTemplate {

namespace {

struct Piece {
    QStringView text;
    bool optional = false;
};

// The template cut into its plain and bracketed pieces.
QList<Piece> piecesOf(QStringView pattern) {
    QList<Piece> pieces;
    qsizetype start = 0;
    bool inBrackets = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if ((c == u'[' && !inBrackets) || (c == u']' && inBrackets)) {
            pieces.append({pattern.sliced(start, i - start), inBrackets});
            inBrackets = c == u'[';
            start = i + 1;
        }
    }
    pieces.append({pattern.sliced(start), inBrackets});
    return pieces;
}

QStringList namesIn(QStringView text) {
    QStringList names;
    for (qsizetype open = text.indexOf(u'{'); open >= 0; open = text.indexOf(u'{', open + 1)) {
        const qsizetype close = text.indexOf(u'}', open);
        if (close < 0) {
            break;
        }
        names << text.sliced(open + 1, close - open - 1).toString();
    }
    return names;
}

bool allPresent(const QStringList& names, const Values& values) {
    for (const QString& name : names) {
        if (!values.value(name)) {
            return false;
        }
    }
    return true;
}

}  // namespace

QString fill(const QString& pattern, const Values& values) {
    QString result;
    for (const Piece& piece : piecesOf(pattern)) {
        if (piece.optional && !allPresent(namesIn(piece.text), values)) {
            continue;
        }
        qsizetype at = 0;
        for (qsizetype open = piece.text.indexOf(u'{'); open >= 0;
             open = piece.text.indexOf(u'{', at)) {
            const qsizetype close = piece.text.indexOf(u'}', open);
            if (close < 0) {
                break;
            }
            result += piece.text.sliced(at, open - at);
            result += values.value(piece.text.sliced(open + 1, close - open - 1).toString())
                          .value_or(QString());
            at = close + 1;
        }
        result += piece.text.sliced(at);
    }
    return result;
}

QStringList usedNames(const QString& pattern, const Values& values) {
    QStringList used;
    for (const Piece& piece : piecesOf(pattern)) {
        const QStringList names = namesIn(piece.text);
        if (piece.optional && !allPresent(names, values)) {
            continue;
        }
        for (const QString& name : names) {
            if (!used.contains(name)) {
                used << name;
            }
        }
    }
    return used;
}

QStringList allNames(const QString& pattern) {
    QStringList names;
    for (const QString& name : namesIn(pattern)) {
        if (!names.contains(name)) {
            names << name;
        }
    }
    return names;
}

}  // namespace CommandTemplate
