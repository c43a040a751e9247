#pragma once

#include "conversion/ConversionRun.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The results of a batch as standard output carries them.

// "done: INPUT -> OUTPUT" per converted file ("skipped: INPUT (OUTPUT is there)" per skipped
// one), the summary "converted N, failed M" (and ", cancelled K", ", skipped L"), then each file
// that did not convert with its reason.
QString textReport(const QList<FileResult>& results);

// One JSON document: {"files": [{"input", "output", "status", "reason", "seconds", "format"}],
// "converted", "failed", "cancelled"} ("skipped" when some were); `format` is the output
// format's name. A track of an image has "input" (the image), "track" (its number) and "title"
// in place of its label.
QByteArray jsonReport(const QList<FileResult>& results, const QString& format = QString());
