#pragma once

#include "conversion/VideoSize.h"

#include <QList>
#include <QString>
#include <QStringList>

// The window's words for the core's formats and settings, in the window's language.

// The format box's entries, one per output format in index order.
QStringList formatItems();
// The channel box: index + 1 is the channel count.
QStringList channelItems();
// The entries the rate and channel boxes add for formats that can keep the source's own rate and
// channels; they come after the lists above, so setup.ini's positions of those stay.
QString sourceRateItem();
QString sourceChannelsItem();
// The rate box's text as a sample-rate setting, and back.
QString sampleRateFromText(const QString& text);
QString textOfSampleRate(const QString& sampleRate);
// The size box: the source's own size first, then sizes as WIDTHxHEIGHT.
QStringList frameSizeItems();
QString sourceSizeItem();

// The size box's text as a size, and back.
VideoSize videoSizeFromText(const QString& text);
QString textOfVideoSize(const VideoSize& size);

// An audio format the window offers in its 输出格式 menus.
struct FormatChoice {
    int index = -1;            // in outputFormats()
    QString menuText;          // the menu item
    QString description;       // the label under 输出格式：
    bool keepsSource = false;  // offers the source's own rate and channels
};
// MP3 first, then the other audio formats.
QList<FormatChoice> formatChoices();
// What the window shows for a format: its own choice, MP3's for a video target (those are chosen
// only in setup.ini and the window keeps presenting itself as an MP3 converter).
FormatChoice shownChoice(int formatIndex);
