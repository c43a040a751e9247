#pragma once

#include <QChar>
#include <QString>

// File-name helpers used to name output files. Only `separator` splits a path: ':' is an
// ordinary character in a file name.
QString GetFileName(const QString& path, QChar separator = QLatin1Char('/'));
// The file name cut before its FIRST dot: "live.2010.ape" -> "live".
QString GetBaseName(const QString& path, QChar separator = QLatin1Char('/'));
