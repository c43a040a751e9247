#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// The program's own button pictures, drawn in code so no image files ship with it. Every button
// comes in two looks: lit (under the mouse) and pressed (button held, a little darker and sunk).
// Sizes are in device-independent pixels; the pictures are drawn sharp for the screen's pixel
// ratio.
namespace Artwork {

enum class Glyph {
    Help,
    Minimise,
    Exit,
    AddFile,
    AddFolder,
    RemoveFile,
    Options,
    Browse,
    Convert,
};

// The small round buttons at a window's top right (help, minimise, exit).
QPixmap roundButton(Glyph glyph, QSize size, bool lit);
// A rounded button with a short caption (send, back, OK, add, remove, start).
QPixmap textButton(const QString& caption, QSize size, bool lit);
// The output folder's browse button: a folder with an ellipsis.
QPixmap browseButton(QSize size, bool lit);
// The big start button: an arrow beside its caption, in the program's start colour.
QPixmap convertButton(const QString& caption, QSize size, bool lit);
// A toolbar element: its glyph above its caption.
QPixmap toolbarButton(Glyph glyph, const QString& caption, QSize size, bool lit);

}  // namespace Artwork
