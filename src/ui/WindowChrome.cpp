#include "WindowChrome.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

WindowChrome::WindowChrome(QWidget* window, QWidget* background)
    : QObject(window), m_window(window), m_background(background) {
    // The background's moves reset the hot-spots with no button held.
    m_background->setMouseTracking(true);
    m_background->installEventFilter(this);
}

void WindowChrome::addHotSpot(HotSpot* spot, const QPixmap& lit, PressLook press,
                              const QPixmap& pressed) {
    spot->setLitPicture(lit);
    spot->setPressLook(press, pressed);
    m_resetOrder.append(spot);
}

void WindowChrome::addToolbarGroup(const QList<HotSpot*>& spots, const QList<QPixmap>& lit) {
    QList<QPointer<HotSpot>> group;
    for (qsizetype i = 0; i < spots.size(); ++i) {
        addHotSpot(spots[i], i < lit.size() ? lit[i] : QPixmap(), PressLook::RemovePicture);
        group.append(spots[i]);
    }
    for (HotSpot* spot : spots) {
        QPointer<HotSpot> self(spot);
        connect(spot, &HotSpot::hovered, this, [group, self] {
            for (const QPointer<HotSpot>& other : group) {
                if (other && other != self) {
                    other->rest();
                }
            }
        });
        connect(spot, &HotSpot::pressed, this, [group] {
            for (const QPointer<HotSpot>& other : group) {
                if (other) {
                    other->rest();
                }
            }
        });
    }
}

void WindowChrome::setBoldOnHover(QLabel* label) {
    if (m_boldLabel) {
        m_boldLabel->removeEventFilter(this);
    }
    m_boldLabel = label;
    // A label only sees moves with no button held when it tracks the mouse.
    label->setMouseTracking(true);
    label->installEventFilter(this);
}

void WindowChrome::setMinimiseButton(HotSpot* spot) {
    connect(spot, &HotSpot::clicked, this, [this, spot] {
        if (m_window) {
            m_window->setWindowState(m_window->windowState() | Qt::WindowMinimized);
        }
        spot->rest();
    });
}

void WindowChrome::setHandPointer(QWidget* control) {
    control->setCursor(Qt::PointingHandCursor);
}

void WindowChrome::reset() {
    if (m_boldLabel) {
        setBold(m_boldLabel, false);
    }
    for (const QPointer<HotSpot>& spot : m_resetOrder) {
        if (spot) {
            spot->rest();
        }
    }
}

bool WindowChrome::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // Mouse events only: the others also come while the watched widgets are being destroyed,
    // when they are no longer of their own type.
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress &&
        type != QEvent::MouseButtonDblClick && type != QEvent::MouseButtonRelease) {
        return false;
    }
    if (watched == m_boldLabel && type == QEvent::MouseMove) {
        setBold(m_boldLabel, true);
        return false;
    }
    if (watched != m_background) {
        return false;
    }
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:  // the second press of a quick pair
            backgroundPress(static_cast<const QMouseEvent*>(event));
            break;
        case QEvent::MouseMove:
            backgroundMove(static_cast<const QMouseEvent*>(event));
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton) {
                m_dragging = false;
            }
            break;
        default:
            break;
    }
    return false;
}

// Controls that pass their mouse events on (plain labels, frames) reach the background's filter
// as well; only the bare background counts.
bool WindowChrome::onBackground(const QMouseEvent* event) const {
    return m_background->childAt(event->position().toPoint()) == nullptr;
}

void WindowChrome::backgroundPress(const QMouseEvent* event) {
    m_dragging = false;
    if (event->button() != Qt::LeftButton || !m_window || !onBackground(event)) {
        return;
    }
    // The platform's own move follows the mouse best (and is the only way on some); where it
    // refuses, the window follows the mouse here.
    QWindow* handle = m_window->windowHandle();
    if (handle && handle->startSystemMove()) {
        return;
    }
    m_dragging = true;
    m_dragStartMouse = event->globalPosition().toPoint();
    m_dragStartWindow = m_window->pos();
}

void WindowChrome::backgroundMove(const QMouseEvent* event) {
    if (m_dragging) {
        if (event->buttons() & Qt::LeftButton) {
            if (m_window) {
                m_window->move(m_dragStartWindow + event->globalPosition().toPoint() -
                               m_dragStartMouse);
            }
        } else {
            // The release went elsewhere.
            m_dragging = false;
        }
    }
    if (onBackground(event)) {
        reset();
    }
}

void WindowChrome::setBold(QLabel* label, bool bold) {
    // Only a real change, so hovering does not re-lay out the label on every move.
    QFont font = label->font();
    if (font.bold() != bold) {
        font.setBold(bold);
        label->setFont(font);
    }
}
