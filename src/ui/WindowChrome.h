#pragma once

#include "HotSpot.h"

#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QPointer>

class QLabel;
class QMouseEvent;
class QWidget;

// The skinned behaviour of one window, added from outside so the window need not subclass
// anything: hot-spots that light up and press, a toolbar group of which one element is lit at a
// time, a label that turns bold under the mouse, the minimise button, and dragging the window by
// any point of its background. A mouse move over the bare background (not over a control) puts
// the bold label back to normal and every hot-spot back to rest, in the order they were added.
//
// The chrome is a child of `window` and goes with it.
class WindowChrome : public QObject {
    Q_OBJECT

public:
    // `window` is what is dragged and minimised; `background` is the widget whose bare area
    // drags the window and resets the hot-spots (the window itself or its client area).
    WindowChrome(QWidget* window, QWidget* background);

    // Gives `spot` its pictures and puts it in the reset order. A null `lit` leaves the spot
    // unchanged on hover.
    void addHotSpot(HotSpot* spot, const QPixmap& lit, PressLook press = PressLook::Unchanged,
                    const QPixmap& pressed = QPixmap());
    // Element i lights with lit[i]; lighting one puts the others to rest, and a button down on
    // any of them puts them all to rest. The elements join the reset order in list order.
    void addToolbarGroup(const QList<HotSpot*>& spots, const QList<QPixmap>& lit);
    // Bold while the mouse is over it, normal again at the background's reset.
    void setBoldOnHover(QLabel* label);
    // Its click minimises the window, then puts it to rest for when the window comes back.
    void setMinimiseButton(HotSpot* spot);
    // The pointer of clickable pictures and labels.
    static void setHandPointer(QWidget* control);

    // The background's reset: label to normal weight, hot-spots to rest.
    void reset();

    QWidget* window() const { return m_window; }
    QWidget* background() const { return m_background; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool onBackground(const QMouseEvent* event) const;
    void backgroundPress(const QMouseEvent* event);
    void backgroundMove(const QMouseEvent* event);
    static void setBold(QLabel* label, bool bold);

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_background;
    QPointer<QLabel> m_boldLabel;
    QList<QPointer<HotSpot>> m_resetOrder;

    // Dragging by hand, where the platform cannot move the window itself.
    bool m_dragging = false;
    QPoint m_dragStartMouse;
    QPoint m_dragStartWindow;
};
