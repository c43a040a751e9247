#include "SkinModule.h"

#include <QApplication>
#include <QStyle>

int SkinH_Attach() {
    // Fusion is built into every Qt, so the window looks the same on every desktop; its own
    // palette too, because the hot-spot pictures are drawn for a light window background and
    // would clash with a dark desktop theme.
    QStyle* style = QApplication::setStyle(QStringLiteral("Fusion"));
    if (!style) {
        return -1;
    }
    QApplication::setPalette(style->standardPalette());
    return 0;
}

int SkinH_Attach_Ex(const QString&, const QString&) {
    return 0;
}

int SkinH_Attach_Ext(const QString&, const QString&, int, int, int) {
    return 0;
}

int SkinH_Attach_Res(const QByteArray&, const QString&, int, int, int) {
    return 0;
}

int SkinH_Adjust_HSV(int, int, int) {
    return 0;
}

int SkinH_Detach() {
    return 0;
}

int SkinH_Detach_Ex(QWidget*) {
    return 0;
}

int SkinH_Aero(QWidget*) {
    return 0;
}

int SkinH_Aero_Adjust(int, int, int, int, int, int, int, int, int) {
    return 0;
}

int SkinH_Alpha(QWidget*, int) {
    return 0;
}

int SkinH_Alpha_Menu(int) {
    return 0;
}

int SkinH_GetColor(QWidget*, int, int) {
    return 0;
}

int SkinH_Map(QWidget*, int) {
    return 0;
}

int SkinH_LockUpdate(QWidget*, int) {
    return 0;
}

int SkinH_SetBackColor(QWidget*, int, int, int) {
    return 0;
}

int SkinH_SetForeColor(QWidget*, int, int, int) {
    return 0;
}

int SkinH_DisMove(QWidget*, int) {
    return 0;
}

int SkinH_NineBlt(QPainter*, int, int, int, int, int) {
    return 0;
}

int SkinH_TitleMenuBar(QWidget*, int) {
    return 0;
}

int SkinH_SetFont(QWidget*, const QString&) {
    return 0;
}

int SkinH_SetFontEx(QWidget*, const QString&, int, int, int, int, int, int) {
    return 0;
}
