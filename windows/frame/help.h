#pragma once
// The user guide shipped inside the program, shown in a help window of its
// own. Topics are the sections of the guide: "language", "functions",
// "memory", "commands", "keypad", "log", "memory-pane", "statistics",
// "preferences", "files", "printing", "command-line"; an empty or unknown
// topic shows the start of the guide.

#include <QString>
#include <QUrl>

class QTextBrowser;
class QWidget;

// The guide's address for a topic (the topic is the fragment).
QUrl HelpUrl(const QString& topic = QString());

// Help Topics, F1 and context help: opens (or raises) the help window at
// the topic.
void ShowHelp(const QString& topic = QString());

// The help window once ShowHelp made it, else null.
QTextBrowser* HelpWindow();

// The topic of a keypad button, by its control id: function buttons go to
// the functions, the digit group to the language, the memory, store,
// previous-result and free buttons to the memory cells, the rest to the
// keypad.
QString KeypadHelpTopic(int controlId);

class QMainWindow;
class CCalcKeyPad;

// Wires the help into the main window: "&Help Topics" at the top of the
// "&Help" menu (made when missing), and F1 for the topic of the pane that
// has the focus (the keypad answers F1 over a button itself, through its
// HelpRequested). Shift+F1, the pointer's context help, is the window's.
void InstallHelp(QMainWindow& window, CCalcKeyPad* keypad);

// The topic of the widget with the focus: the pane it belongs to, else the
// language.
QString FocusHelpTopic(const QWidget* focus);
