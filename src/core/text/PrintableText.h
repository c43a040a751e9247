#pragma once

#include <QString>
#include <QStringView>

// Text from outside (file names, tags, CUE titles, an encoder's words) made safe to show: a
// control character (C0, DEL, C1) could drive the terminal that reads our output, and a bidi
// override or isolate (U+202E...) could make "gpj.exe" read as "exe.jpg". Each such character
// becomes a visible escape, \x1B or \u202E; everything else stays as it is.
QString printable(QStringView text);
