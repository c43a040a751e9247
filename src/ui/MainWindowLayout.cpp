#include "MainWindowLayout.h"

#include <QFont>
#include <QLabel>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace MainWindowLayout {

namespace {

const char* const kTwipsProperty = "vordanaTwips";

QRect pixels(const QRectF& twipsRect, double x, double y) {
    return QRect(static_cast<int>(std::lround(twipsRect.left() / x)),
                 static_cast<int>(std::lround(twipsRect.top() / y)),
                 static_cast<int>(std::lround(twipsRect.width() / x)),
                 static_cast<int>(std::lround(twipsRect.height() / y)));
}

}  // namespace

void place(QWidget* widget, int left, int top, int width, int height) {
    const QRectF rect(left, top, width, height);
    widget->setProperty(kTwipsProperty, rect);
    widget->setGeometry(pixels(rect, kDesignTwipsPerPixel, kDesignTwipsPerPixel));
}

void fitText(QLabel* label, bool growLeft, bool roomForBold) {
    int missing = label->fontMetrics().horizontalAdvance(label->text()) - label->width();
    if (missing <= 0) {
        return;
    }
    if (roomForBold) {
        QFont bold = label->font();
        bold.setBold(true);
        missing = QFontMetrics(bold).horizontalAdvance(label->text()) - label->width();
    }
    const QRect rect = twips(label).toRect();
    const int more = missing * static_cast<int>(kDesignTwipsPerPixel);
    place(label, growLeft ? rect.left() - more : rect.left(), rect.top(), rect.width() + more,
          rect.height());
}

QRectF twips(const QWidget* widget) {
    return widget->property(kTwipsProperty).toRectF();
}

void scale(QWidget* root, double x, double y) {
    const double fx = x / kDesignTwipsPerPixel;
    const double fy = y / kDesignTwipsPerPixel;
    for (QWidget* child : root->findChildren<QWidget*>()) {
        const QVariant stored = child->property(kTwipsProperty);
        if (!stored.isValid()) {
            continue;  // not one of the designed controls (a list's viewport, say)
        }
        const QRectF r = stored.toRectF();
        const QRectF scaled(r.left() * fx, r.top() * fy, r.width() * fx, r.height() * fy);
        child->setProperty(kTwipsProperty, scaled);
        child->setGeometry(pixels(scaled, x, y));
        QFont font = child->font();
        if (font.pointSizeF() > 0) {
            font.setPointSizeF(font.pointSizeF() * fx);
            child->setFont(font);
        }
    }
}

double twipsPerPixelX(const QWidget* widget) {
    const int dpi = widget->logicalDpiX();
    return dpi > 0 ? 1440.0 / dpi : kDesignTwipsPerPixel;
}

double twipsPerPixelY(const QWidget* widget) {
    const int dpi = widget->logicalDpiY();
    return dpi > 0 ? 1440.0 / dpi : kDesignTwipsPerPixel;
}

}  // namespace MainWindowLayout
