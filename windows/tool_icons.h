#pragma once
// The 16 x 16 images of the tool bar, by command id: the desktop theme's
// icon where one exists, otherwise a small drawing of our own.

#include <QIcon>

QIcon ToolIcon(int commandId);

// The program's own icon: a keypad under a display, drawn at the usual
// sizes (the desktop's copy is the SVG among the resources).
QIcon ApplicationIcon();
