#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

// GoogleTest prints Qt strings as text, not as lists of bytes.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << "{";
    for (qsizetype i = 0; i < list.size() && i < 20; ++i) {
        *out << (i ? ", " : " ") << '"' << list.at(i).toStdString() << '"';
    }
    *out << (list.size() > 20 ? ", ... }" : " }");
}
