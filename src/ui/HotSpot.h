#pragma once

#include <QLabel>

// A picture control with a click: the window's image hot-spots.
class HotSpot : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
