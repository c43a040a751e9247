#pragma once

#include <QLabel>
#include <QPixmap>

// What a hot-spot shows while a mouse button is down on it.
enum class PressLook {
    Unchanged,       // keeps whatever it shows (usually its lit picture)
    PressedPicture,  // shows its pressed picture
    RemovePicture,   // drops its picture, showing the window's background
};

// A picture control with a click: the window's image hot-spots. At rest it has no picture, so
// the window's background shows through; the mouse over it lights it, a button down on it shows
// its pressed look. It does not watch the mouse leaving: the window puts it back to rest (see
// WindowChrome), or its owner does after a click.
class HotSpot : public QLabel {
    Q_OBJECT

public:
    explicit HotSpot(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    explicit HotSpot(const QString& text, QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    // A null lit picture leaves the hot-spot as it is on hover.
    void setLitPicture(const QPixmap& picture) { m_lit = picture; }
    QPixmap litPicture() const { return m_lit; }
    void setPressLook(PressLook look, const QPixmap& pressedPicture = QPixmap());
    PressLook pressLook() const { return m_pressLook; }
    QPixmap pressedPicture() const { return m_pressed; }

    // The three looks. Each is cheap when the look is already showing: hover and the window's
    // reset run on every mouse move.
    void light();
    void press();
    void rest();

signals:
    void clicked();
    // The mouse moved over it (after it has lit up).
    void hovered();
    // A mouse button went down on it (after it has taken its pressed look).
    void pressed();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showPicture(const QPixmap& picture);

    QPixmap m_lit;
    QPixmap m_pressed;
    PressLook m_pressLook = PressLook::Unchanged;
};
