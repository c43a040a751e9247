#include "HotSpot.h"

#include <QMouseEvent>

// Hover has to work with no button held, so the hot-spot tracks the mouse from the start.
HotSpot::HotSpot(QWidget* parent, Qt::WindowFlags flags) : QLabel(parent, flags) {
    setMouseTracking(true);
}

HotSpot::HotSpot(const QString& text, QWidget* parent, Qt::WindowFlags flags)
    : QLabel(text, parent, flags) {
    setMouseTracking(true);
}

void HotSpot::setPressLook(PressLook look, const QPixmap& pressedPicture) {
    m_pressLook = look;
    m_pressed = pressedPicture;
}

void HotSpot::light() {
    if (!m_lit.isNull()) {
        showPicture(m_lit);
    }
}

void HotSpot::press() {
    switch (m_pressLook) {
        case PressLook::Unchanged:
            break;
        case PressLook::PressedPicture:
            showPicture(m_pressed);
            break;
        case PressLook::RemovePicture:
            rest();
            break;
    }
}

void HotSpot::rest() {
    showPicture(QPixmap());
}

void HotSpot::showPicture(const QPixmap& picture) {
    // Setting a label's picture relayouts and repaints it; skip that when nothing changes.
    const QPixmap current = pixmap();
    if (current.isNull() && picture.isNull()) {
        return;
    }
    if (!current.isNull() && current.cacheKey() == picture.cacheKey()) {
        return;
    }
    setPixmap(picture);
}

// The label's own handling comes first, so a hot-spot with text keeps its links and selection.
void HotSpot::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    // While a button is held the hot-spot keeps the mouse even outside itself; only a move over
    // it counts as hover.
    if (rect().contains(event->position().toPoint())) {
        light();
        emit hovered();
    }
}

void HotSpot::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    press();
    emit pressed();
}

void HotSpot::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}
