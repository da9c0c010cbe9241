#pragma once
// The images of the tool bar and the panes, by command id: the desktop
// theme's icon where one exists, otherwise a small drawing of our own. The
// drawings are painted when they are shown, in the colours of the current
// palette (light or dark) and at the pixel size of the screen, so they stay
// readable and sharp at any scale.

#include <QByteArray>
#include <QColor>
#include <QIcon>
#include <QImage>

#include <functional>

class QWidget;

class QPainter;
class QPalette;

// The colours a drawing takes from the palette it is shown on.
struct CIconInk {
    QColor ink;  // outlines and glyphs
    QColor paper;  // the inside of pages, boxes and discs
    QColor background;  // what the icon stands on
    // A colour of the drawing made readable on the background: a dark hue
    // is lightened on a dark background, a pale one darkened on a light one.
    QColor Readable(QColor color) const;
};

CIconInk IconInkFor(const QPalette& palette);

// A drawing in a 16 x 16 space, painted at whatever size and pixel ratio
// the icon is asked for, in the colours of the application's palette at
// that time.
using FIconDrawing = std::function<void(QPainter& painter, const CIconInk& ink)>;
QIcon PaintedIcon(FIconDrawing drawing);

QIcon ToolIcon(int commandId);

// The program's own icon: a keypad under a display. The window icon, the
// PNG files and the SVG file of the desktop are all made from the one
// drawing below, so they show the same picture.
QIcon ApplicationIcon();
QImage ApplicationIconImage(int size);
QByteArray ApplicationIconSvg();

// Makes ApplicationIcon() the icon of every window of the application (the
// title bar's and the task list's) once `window` has painted its first
// picture, or after a second where it paints none: drawing the icon in
// seven sizes and handing them to the display would hold up that picture
// by a few milliseconds, and no part of it shows the icon.
void SetApplicationIconAfterFirstPicture(QWidget& window);
