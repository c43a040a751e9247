#pragma once

#include <QByteArray>
#include <QString>

class QPainter;
class QWidget;

// The window skin. The program's look comes from the platform's own theming: the three calls
// made at start-up (SkinH_Attach, SkinH_Aero, SkinH_Aero_Adjust) set it up; the theming needs
// nothing more, so the rest of the skin interface does nothing. Every function returns 0 on
// success; callers ignore the result.

// Applies the application-wide style (Fusion with its own palette).
int SkinH_Attach();
int SkinH_Attach_Ex(const QString& skinFile, const QString& password);
int SkinH_Attach_Ext(const QString& skinFile, const QString& password, int hue, int saturation,
                     int brightness);
int SkinH_Attach_Res(const QByteArray& skinData, const QString& password, int hue, int saturation,
                     int brightness);
int SkinH_Adjust_HSV(int hue, int saturation, int brightness);
int SkinH_Detach();
int SkinH_Detach_Ex(QWidget* window);

// Glass frame and shadow of a window, and their strength. The window manager draws frames and
// shadows here, so these leave the window as it is.
int SkinH_Aero(QWidget* window);
int SkinH_Aero_Adjust(int alpha, int shadowEnabled, int shadowSharpness, int shadowDarkness,
                      int shadowSize, int shadowOffsetX, int shadowOffsetY, int shadowRed,
                      int shadowGreenBlue);

int SkinH_Alpha(QWidget* window, int alpha);
int SkinH_Alpha_Menu(int alpha);
int SkinH_GetColor(QWidget* window, int x, int y);
int SkinH_Map(QWidget* window, int kind);
int SkinH_LockUpdate(QWidget* window, int locked);
int SkinH_SetBackColor(QWidget* window, int red, int green, int blue);
int SkinH_SetForeColor(QWidget* window, int red, int green, int blue);
int SkinH_DisMove(QWidget* window, int disabled);
int SkinH_NineBlt(QPainter* painter, int left, int top, int right, int bottom, int part);
int SkinH_TitleMenuBar(QWidget* window, int shown);
int SkinH_SetFont(QWidget* window, const QString& family);
int SkinH_SetFontEx(QWidget* window, const QString& family, int height, int width, int weight,
                    int italic, int underline, int strikeOut);
