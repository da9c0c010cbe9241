#pragma once
// Small services the windows share: text conversion at the Qt edge, control
// ids carried as a dynamic property, the "desc|pattern|...||" filter strings
// of the file dialogs, and the monitor work areas.

#include <QRect>
#include <QSize>
#include <QString>

#include <cstddef>
#include <string>
#include <string_view>
#include <thread>

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

// The window's long texts are read, rewritten and laid out in buffers of
// megabytes. By default the C library hands memory above a few megabytes
// back to the system after each command and takes it again, zeroed page by
// page, at the next: with a Calculate all over 10^5 statements that is
// thousands of page faults, which cost more than the calculation. Called
// once, before the first window, this keeps freed memory for reuse up to
// the bounds the library would itself grow to after its first large free.
void KeepFreedMemoryForReuse();

// Page faults are the start's largest cost after the loading of the
// libraries: each first touch of a fresh page of memory traps into the
// kernel, and the start touches its heap a page at a time while it builds
// the window, about a thousand times; under virtualisation each costs tens
// of microseconds. Called after KeepFreedMemoryForReuse(), this grows the
// heap by `bytes` and has the kernel map all of it in one call; freed at
// once, it stays with the heap (below the bound that function sets) for
// the window's allocations. Does nothing where the system cannot do it.
void PrefaultHeap(std::size_t bytes);

// The system's font configuration (fontconfig: its XML files and font
// caches) is read at the first use of a font, inside the window's first
// widget: about 8 ms of parsing that the window's first picture waits for.
// Made before the application object, this reads it on a thread of its own
// while Qt loads its platform and the window is built, so the first font
// finds it ready; where the library is not loaded (a build of Qt without
// it) there is nothing to read. The destructor waits for the thread, so a
// start that ends early leaves nothing running.
class CFontConfigurationWarmUp {
public:
    CFontConfigurationWarmUp();
    ~CFontConfigurationWarmUp();
    CFontConfigurationWarmUp(const CFontConfigurationWarmUp&) = delete;
    CFontConfigurationWarmUp& operator=(const CFontConfigurationWarmUp&) = delete;

private:
    std::thread m_thread;
};
