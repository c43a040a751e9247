#pragma once

#include <QStringView>

// The number a text starts with, read the way the program reads every typed or stored number:
// blanks and tabs skipped, an optional sign, digits with an optional fraction; anything else
// ends the number. A text without one reads as 0; a number beyond the double range as infinity
// (so it fits no field).
double leadingNumber(QStringView text);

// True for a plain number as the settings take them: digits with at most one decimal point, at
// least one digit, and nothing else ("128", "12.2", "28000"; not "", "1e3", "-5", "128k").
bool isPlainNumber(QStringView text);
