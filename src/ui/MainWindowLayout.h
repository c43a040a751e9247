#pragma once

#include <QRectF>

class QLabel;
class QWidget;

// The window is designed in twips (1/1440 inch) at 15 twips per pixel. Each control keeps its
// design rectangle in twips; display scaling multiplies the twips by the display's twips per
// pixel / 15, and the pixel geometry is the twips divided by the display's twips per pixel --
// so a control keeps its design size in pixels at any density.
namespace MainWindowLayout {

constexpr double kDesignTwipsPerPixel = 15.0;

// Places `widget` at a design rectangle in twips (at design density).
void place(QWidget* widget, int left, int top, int width, int height);

// Widens a placed label whose text is wider than its rectangle (a translation is often longer
// than the design's text) so that the text fits: to the right, or to the left when `growLeft`
// (a label that ends at its field); `roomForBold` makes it wide enough for the text in bold (a
// label that turns bold under the mouse). A text that fits leaves the label as it is. At design
// density, before scale().
void fitText(QLabel* label, bool growLeft = false, bool roomForBold = false);

// The control's rectangle in twips as it stands now (design values until scaled).
QRectF twips(const QWidget* widget);

// Multiplies every placed child of `root` (and the font sizes) by x/15 and y/15, and lays
// them out for a display of x and y twips per pixel.
void scale(QWidget* root, double x, double y);

// Twips per pixel of the display `widget` is on (1440 / logical dpi).
double twipsPerPixelX(const QWidget* widget);
double twipsPerPixelY(const QWidget* widget);

}  // namespace MainWindowLayout
