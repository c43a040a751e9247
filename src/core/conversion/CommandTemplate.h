#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// Command lines are written as argument templates: "{name}" stands for a value, and a piece in
// brackets, such as "[ -ar {rate}]", is left out whole when a value it names is absent (the
// source's own rate, say). Everything else is literal. Brackets do not nest.
namespace CommandTemplate {

// An absent value is nullopt, or not in the map at all.
using Values = QHash<QString, std::optional<QString>>;

QString fill(const QString& pattern, const Values& values);

// The names the filled template takes values from, in order, each once: those of the pieces
// that are kept.
QStringList usedNames(const QString& pattern, const Values& values);

// Every name the template mentions, kept or not.
QStringList allNames(const QString& pattern);

}  // namespace CommandTemplate
