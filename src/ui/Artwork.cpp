#include "Artwork.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Artwork {
namespace {

const QColor kAccent(52, 120, 196);
const QColor kStart(46, 150, 76);

QColor faceColour(Glyph glyph) {
    switch (glyph) {
        case Glyph::Help:
            return QColor(58, 128, 200);
        case Glyph::Minimise:
            return QColor(64, 160, 96);
        case Glyph::Exit:
            return QColor(204, 68, 58);
        case Glyph::Convert:
            return kStart;
        default:
            return kAccent;
    }
}

// A transparent canvas of `size` logical pixels, sharp on the screen it will be shown on.
QPixmap canvas(QSize size) {
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(static_cast<int>(std::ceil(size.width() * ratio)),
                         static_cast<int>(std::ceil(size.height() * ratio))));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void prepare(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

// The button's body: a soft top-to-bottom gradient with a thin darker rim. Pressed, the gradient
// turns over and darkens, so the face looks sunk.
void drawFace(QPainter& painter, const QPainterPath& shape, const QColor& base, bool lit) {
    const QRectF box = shape.boundingRect();
    QLinearGradient gradient(box.topLeft(), box.bottomLeft());
    if (lit) {
        gradient.setColorAt(0.0, base.lighter(150));
        gradient.setColorAt(0.5, base.lighter(115));
        gradient.setColorAt(1.0, base);
    } else {
        gradient.setColorAt(0.0, base.darker(150));
        gradient.setColorAt(1.0, base.darker(115));
    }
    painter.setPen(QPen(base.darker(lit ? 140 : 180), 1.0));
    painter.setBrush(gradient);
    painter.drawPath(shape);
    if (lit) {
        // A faint gloss fading out towards the middle.
        QLinearGradient gloss(box.topLeft(), QPointF(box.left(), box.center().y()));
        gloss.setColorAt(0.0, QColor(255, 255, 255, 70));
        gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
        painter.save();
        painter.setClipPath(shape);
        painter.setPen(Qt::NoPen);
        painter.setBrush(gloss);
        painter.drawRect(QRectF(box.left(), box.top(), box.width(), box.height() / 2));
        painter.restore();
    }
}

QPainterPath roundedShape(QSize size) {
    const QRectF box = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::min(box.height(), box.width()) * 0.3;
    QPainterPath path;
    path.addRoundedRect(box, radius, radius);
    return path;
}

// Content sinks a little when the button is pressed.
QPointF sink(QSize size, bool lit) {
    return lit ? QPointF() : QPointF(0, std::max(1.0, size.height() * 0.04));
}

QPainterPath folderShape(const QRectF& box) {
    const qreal w = box.width();
    const qreal h = box.height();
    QPainterPath path;
    path.moveTo(box.left(), box.top() + h * 0.12);
    path.lineTo(box.left() + w * 0.4, box.top() + h * 0.12);
    path.lineTo(box.left() + w * 0.5, box.top() + h * 0.26);
    path.lineTo(box.right(), box.top() + h * 0.26);
    path.lineTo(box.right(), box.bottom() - h * 0.1);
    path.lineTo(box.left(), box.bottom() - h * 0.1);
    path.closeSubpath();
    return path;
}

// White on the button's face; `face` is the face's colour, for cut-outs.
void drawGlyph(QPainter& painter, Glyph glyph, const QRectF& box, const QColor& face) {
    const QColor ink = Qt::white;
    const qreal s = std::min(box.width(), box.height());
    const QRectF square(box.center() - QPointF(s / 2, s / 2), QSizeF(s, s));
    const auto at = [&square, s](qreal x, qreal y) {
        return square.topLeft() + QPointF(x * s, y * s);
    };
    QPen pen(ink, std::max(1.2, s * 0.13), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.save();
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    switch (glyph) {
        case Glyph::Help: {
            QFont font = painter.font();
            font.setPixelSize(std::max(1, static_cast<int>(s * 0.8)));
            font.setBold(true);
            painter.setFont(font);
            painter.drawText(square, Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
        case Glyph::Minimise:
            painter.drawLine(at(0.28, 0.64), at(0.72, 0.64));
            break;
        case Glyph::Exit:
            painter.drawLine(at(0.3, 0.3), at(0.7, 0.7));
            painter.drawLine(at(0.7, 0.3), at(0.3, 0.7));
            break;
        case Glyph::AddFile:
            painter.drawLine(at(0.5, 0.22), at(0.5, 0.78));
            painter.drawLine(at(0.22, 0.5), at(0.78, 0.5));
            break;
        case Glyph::RemoveFile:
            painter.drawLine(at(0.22, 0.5), at(0.78, 0.5));
            break;
        case Glyph::AddFolder:
        case Glyph::Browse: {
            painter.setPen(Qt::NoPen);
            painter.setBrush(ink);
            painter.drawPath(folderShape(QRectF(at(0.12, 0.14), QSizeF(s * 0.76, s * 0.72))));
            if (glyph == Glyph::AddFolder) {
                // The plus on the folder, in the face's colour.
                pen.setColor(face);
                pen.setWidthF(std::max(1.0, s * 0.09));
                painter.setPen(pen);
                painter.drawLine(at(0.5, 0.4), at(0.5, 0.72));
                painter.drawLine(at(0.34, 0.56), at(0.66, 0.56));
            }
            break;
        }
        case Glyph::Options: {
            // A gear: a ring with eight teeth.
            const QPointF centre = at(0.5, 0.5);
            pen.setWidthF(std::max(1.0, s * 0.1));
            painter.setPen(pen);
            painter.drawEllipse(centre, s * 0.18, s * 0.18);
            for (int tooth = 0; tooth < 8; ++tooth) {
                const qreal angle = tooth * std::numbers::pi / 4;
                const QPointF direction(std::cos(angle), std::sin(angle));
                painter.drawLine(centre + direction * s * 0.27, centre + direction * s * 0.38);
            }
            break;
        }
        case Glyph::Convert: {
            painter.setPen(Qt::NoPen);
            painter.setBrush(ink);
            const QPointF triangle[] = {at(0.3, 0.2), at(0.82, 0.5), at(0.3, 0.8)};
            painter.drawPolygon(triangle, 3);
            break;
        }
    }
    painter.restore();
}

void drawCaption(QPainter& painter, const QRectF& box, const QString& caption, qreal pixelSize) {
    QFont font = painter.font();
    font.setPixelSize(std::max(1, static_cast<int>(pixelSize)));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, caption);
}

}  // namespace

QPixmap roundButton(Glyph glyph, QSize size, bool lit) {
    QPixmap pixmap = canvas(size);
    QPainter painter(&pixmap);
    prepare(painter);
    const QRectF box = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath circle;
    circle.addEllipse(box);
    drawFace(painter, circle, faceColour(glyph), lit);
    drawGlyph(painter, glyph, box.translated(sink(size, lit)), faceColour(glyph));
    return pixmap;
}

QPixmap textButton(const QString& caption, QSize size, bool lit) {
    QPixmap pixmap = canvas(size);
    QPainter painter(&pixmap);
    prepare(painter);
    drawFace(painter, roundedShape(size), kAccent, lit);
    const QRectF box = QRectF(QPointF(0, 0), QSizeF(size)).translated(sink(size, lit));
    drawCaption(painter, box, caption, size.height() * 0.62);
    return pixmap;
}

QPixmap browseButton(QSize size, bool lit) {
    QPixmap pixmap = canvas(size);
    QPainter painter(&pixmap);
    prepare(painter);
    drawFace(painter, roundedShape(size), kAccent, lit);
    const QPointF offset = sink(size, lit);
    const qreal h = size.height();
    // Folder at the left, ellipsis beside it, the pair centred.
    const qreal glyphSize = h * 0.8;
    const qreal dotsWidth = h * 0.9;
    const qreal left = (size.width() - glyphSize - dotsWidth) / 2;
    drawGlyph(painter, Glyph::Browse,
              QRectF(left, (h - glyphSize) / 2, glyphSize, glyphSize).translated(offset), kAccent);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    const qreal dot = std::max(1.0, h * 0.09);
    for (int i = 0; i < 3; ++i) {
        const QPointF centre(left + glyphSize + dotsWidth * (0.25 + 0.27 * i), h * 0.62);
        painter.drawEllipse(centre + offset, dot, dot);
    }
    return pixmap;
}

QPixmap convertButton(const QString& caption, QSize size, bool lit) {
    QPixmap pixmap = canvas(size);
    QPainter painter(&pixmap);
    prepare(painter);
    drawFace(painter, roundedShape(size), kStart, lit);
    const QPointF offset = sink(size, lit);
    const qreal h = size.height();
    const qreal glyphSize = h * 0.5;
    const QRectF glyphBox(h * 0.25, (h - glyphSize) / 2, glyphSize, glyphSize);
    drawGlyph(painter, Glyph::Convert, glyphBox.translated(offset), kStart);
    const QRectF textBox(glyphBox.right(), 0, size.width() - glyphBox.right(), h);
    drawCaption(painter, textBox.translated(offset), caption, h * 0.26);
    return pixmap;
}

QPixmap toolbarButton(Glyph glyph, const QString& caption, QSize size, bool lit) {
    QPixmap pixmap = canvas(size);
    QPainter painter(&pixmap);
    prepare(painter);
    drawFace(painter, roundedShape(size), kAccent, lit);
    const QPointF offset = sink(size, lit);
    const qreal h = size.height();
    const qreal captionHeight = caption.isEmpty() ? 0.0 : h * 0.3;
    const qreal glyphSize = (h - captionHeight) * 0.8;
    const QRectF glyphBox((size.width() - glyphSize) / 2, (h - captionHeight - glyphSize) / 2 + 1,
                          glyphSize, glyphSize);
    drawGlyph(painter, glyph, glyphBox.translated(offset), kAccent);
    if (!caption.isEmpty()) {
        const QRectF textBox(0, h - captionHeight - 2, size.width(), captionHeight);
        drawCaption(painter, textBox.translated(offset), caption, captionHeight * 0.7);
    }
    return pixmap;
}

}  // namespace Artwork
