#pragma once

#include <QStringList>

// Suggestion lists of the parameter boxes, as numbers. The boxes are editable: a preset text need
// not be one of these. setup.ini stores positions in the first two lists.
const QStringList& bitRateItems();       // kbit/s
const QStringList& sampleRateItems();    // Hz
const QStringList& videoBitRateItems();  // kbit/s
const QStringList& frameRateItems();     // frames/s
