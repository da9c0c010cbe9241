#pragma once
// Small services the windows share: text conversion at the Qt edge, control
// ids carried as a dynamic property, the "desc|pattern|...||" filter strings
// of the file dialogs, and the monitor work areas.

#include <QRect>
#include <QSize>
#include <QString>

#include <string>
#include <string_view>

#include "document/qt/qt_text.h"

class QWidget;
class QObject;


// Every control that code or tests look up by its numeric id carries it as
// the property "controlId"; commands carry "commandId".
void SetControlId(QObject* control, int id);
int ControlId(const QObject* control);
QWidget* FindControl(QWidget* parent, int id);

// "Calculator memory files (*.vcm)|*.vcm|All files (*.*)|*.*||" becomes
// "Calculator memory files (*.vcm);;All files (*)". A pattern "*.*" means
// every file.
QString QtFileFilter(std::u16string_view pairs);

// Adds the default extension when the chosen name has none.
QString WithDefaultExtension(const QString& path, const QString& extension);

// The work area of the primary monitor, or of the monitor nearest to a
// rectangle; an empty rectangle when no monitor is known.
QRect PrimaryWorkArea();
QRect NearestWorkArea(const QRect& rect);

// A millisecond clock that never runs backwards.
quint64 TickCount();

// Dialog units to pixels through the base units of a widget's font: a
// horizontal unit is a quarter of the average character width, a vertical
// unit an eighth of the character height.
QSize DialogUnitsToPixels(const QWidget* widget, QSize units);
