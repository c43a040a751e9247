#pragma once

#include "conversion/VideoSize.h"

#include <QString>
#include <QStringList>

// The window's words for the core's formats and settings.

// The format box's entries, one per output format in index order.
const QStringList& formatItems();
// The channel box: index + 1 is the channel count.
const QStringList& channelItems();
// The size box: the source's own size first, then sizes as WIDTHxHEIGHT.
const QStringList& frameSizeItems();

// The size box's text as a size, and back.
VideoSize videoSizeFromText(const QString& text);
QString textOfVideoSize(const VideoSize& size);
