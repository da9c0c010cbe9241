// The main window's commands: one action each, with its text, prompt,
// keys, icon and handler.
#include "windows/frame/calc_main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QRegularExpression>
#include <QWhatsThis>

#include <algorithm>

#include "document/memory_store.h"
#include "document/number_format.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "kavm_version.h"
#include "language/bound_expression.h"
#include "language/calculate.h"
#include "language/keywords.h"
#include "numeric/status.h"
#include "windows/frame/calc_bar.h"
#include "windows/keypad/calc_keypad.h"
#include "windows/editor/calc_live_result.h"
#include "windows/panes/calc_log.h"
#include "windows/panes/calc_memory.h"
#include "windows/frame/calc_preferences_dialog.h"
#include "windows/plot/calc_plot.h"
#include "windows/print/calc_print_commands.h"
#include "windows/panes/calc_statistics.h"
#include "windows/frame/calc_tool_bar.h"
#include "windows/editor/calc_view.h"
#include "windows/base/dialog_folder.h"
#include "windows/frame/help.h"
#include "windows/base/platform.h"
#include "windows/base/tool_icons.h"

QAction* CCalcMainFrame::MakeCommand(int id, const QString& text, const QString& prompt,
                                     const QList<QKeySequence>& keys, std::function<void()> handler)
{
    auto* action = new QAction(text, this);
    action->setProperty("commandId", id);
    const qsizetype split = prompt.indexOf('\n');
    action->setStatusTip(split < 0 ? prompt : prompt.left(split));
    if (split >= 0)
        action->setToolTip(prompt.mid(split + 1));
    if (!keys.isEmpty()) {
        action->setShortcuts(keys);
        // The panes keep the focus while the user works in them; the
        // window's shortcuts reach them there.
        action->setShortcutContext(Qt::WindowShortcut);
    }
    if (handler)
        connect(action, &QAction::triggered, this, std::move(handler));
    const QIcon icon = ToolIcon(id);
    if (!icon.isNull())
        action->setIcon(icon);
    action->setIconVisibleInMenu(false);
    if (id != 0)
        m_commands.insert(id, action);
    addAction(action);
    return action;
}

void CCalcMainFrame::CreateCommands()
{
    using K = QKeySequence;
    MakeCommand(IdFileNew, tr("&New\tCtrl+N"), tr("Create a new document\nNew"), {K("Ctrl+N")},
                [this] { NewDocument(); });
    MakeCommand(IdFileOpen, tr("&Open...\tCtrl+O"), tr("Open an existing document\nOpen"), {K("Ctrl+O")},
                [this] { OpenWithDialog(); });
    MakeCommand(IdFileSave, tr("&Save\tCtrl+S"), tr("Save the active document\nSave"), {K("Ctrl+S")},
                [this] { SaveDocument(false); });
    MakeCommand(IdFileSaveAs, tr("Save &As..."), tr("Save the active document with a new name\nSave As"), {},
                [this] { SaveDocument(true); });
    MakeCommand(IdAppExit, tr("E&xit"), tr("Quit the application; prompts to save documents\nExit"), {K("Ctrl+Q")},
                [this] { close(); });
    MakeCommand(IdExecute, tr("&Execute...\tCtrl+E"), tr("Execute file\nExecute Ctrl+E"), {K("Ctrl+E")},
                [this] { ExecuteWithDialog(); });

    MakeCommand(IdMemoryFree, tr("&Free"), tr("Free memory\nFree"), {},
                [this] { m_document->ExecuteCommand(CmdFreeMemory); });
    MakeCommand(IdMemoryLoad, tr("&Load..."), tr("Load memory from file\nLoad memory"), {},
                [this] { LoadMemoryWithDialog(); });
    MakeCommand(IdMemoryLoadConstants, tr("Load &Constants"),
                tr("Define the physical constants of the shipped library\nLoad Constants"), {},
                [this] { LoadConstants(); });
    MakeCommand(IdMemorySave, tr("&Save..."), tr("Save memory as file\nSave memory"), {},
                [this] { SaveMemoryWithDialog(); });

    MakeCommand(IdEditUndo, tr("&Undo\tCtrl+Z"), tr("Undo the last action\nUndo"), {K("Ctrl+Z"), K("Alt+Backspace")},
                [this] { m_editor->undo(); });
    MakeCommand(IdEditRedo, tr("&Redo\tCtrl+Shift+Z"), tr("Redo the previously undone action\nRedo"),
                {K("Ctrl+Shift+Z"), K("Ctrl+Y")}, [this] { m_editor->redo(); });
    MakeCommand(IdEditCut, tr("Cu&t\tCtrl+X"), tr("Cut the selection and put it on the Clipboard\nCut"),
                {K("Ctrl+X"), K("Shift+Del")}, [this] { m_editor->cut(); });
    MakeCommand(IdEditCopy, tr("&Copy\tCtrl+C"), tr("Copy the selection and put it on the Clipboard\nCopy"),
                {K("Ctrl+C"), K("Ctrl+Ins")}, [this] { m_editor->copy(); });
    MakeCommand(IdEditPaste, tr("&Paste\tCtrl+V"), tr("Insert Clipboard contents\nPaste"),
                {K("Ctrl+V"), K("Shift+Ins")}, [this] { m_editor->paste(); });

    MakeCommand(IdCalculate, QString(), QString(), {K("Ctrl+=")},
                [this] { m_document->ExecuteCommand(CmdCalculate); });
    MakeCommand(IdCalculateAll, tr("Calculate all"), tr("Callculate all\nCalculate all Ctrl+Shift+="),
                {K("Ctrl+Shift+="), K("Ctrl+Shift++")}, [this] { m_document->ExecuteCommand(CmdCalculateAll); });
    MakeCommand(IdPlot, tr("P&lot\tCtrl+G"),
                tr("Plot the calculation at the caret over a line or over the complex plane\nPlot Ctrl+G"),
                {K("Ctrl+G")}, [this] { PlotAtCaret(); })
        ->setIcon(PlotIcon());

    CreateViewCommands();
    CreateSettingCommands();
}

// The view's commands: bars, full screen, the panes and the focus keys.
void CCalcMainFrame::CreateViewCommands()
{
    using K = QKeySequence;
    QAction* toolbar =
        MakeCommand(IdViewToolbar, tr("&Toolbar"), tr("Show or hide the toolbar\nToggle ToolBar"), {}, nullptr);
    toolbar->setCheckable(true);
    QAction* statusbar =
        MakeCommand(IdViewStatusBar, tr("&Status Bar"), tr("Show or hide the status bar\nToggle StatusBar"), {},
                    nullptr);
    statusbar->setCheckable(true);
    // The whole screen for the window and back; no command id of its own.
    QAction* fullScreen = MakeCommand(0, tr("F&ull Screen\tF11"),
                                      tr("Show the window on the whole screen or restore it\nFull Screen"), {K("F11")},
                                      [this] { setWindowState(windowState() ^ Qt::WindowFullScreen); });
    fullScreen->setObjectName("ViewFullScreen");
    fullScreen->setCheckable(true);
    m_fullScreen = fullScreen;

    const struct {
        int id;
        const char* text;
        const char* prompt;
        const char* keys;
    } toggles[4] = {
        {IdViewKeypad, QT_TR_NOOP("&Keypad\tCtrl+K"), QT_TR_NOOP("Show or hide keypad\nToggle keypad Ctrl+K"),
         "Ctrl+K"},
        {IdViewLog, QT_TR_NOOP("&Log\tCtrl+L"), QT_TR_NOOP("Show or hide log\nToggle log Ctrl+L"), "Ctrl+L"},
        {IdViewMemory, QT_TR_NOOP("&Memory\tCtrl+M"), QT_TR_NOOP("Show or hide memory\nToggle memory Ctrl+M"),
         "Ctrl+M"},
        {IdViewStatistics, QT_TR_NOOP("St&atistics\tCtrl+T"), QT_TR_NOOP("Show or hide statistics\nToggle statistics"),
         "Ctrl+T"},
    };
    for (int i = 0; i < 4; ++i) {
        QAction* toggle = MakeCommand(toggles[i].id, tr(toggles[i].text), tr(toggles[i].prompt), {K(toggles[i].keys)},
                                      [this, i] { TogglePane(i); });
        toggle->setCheckable(true);
        const char* focusKeys[4] = {"Ctrl+Shift+K", "Ctrl+Shift+L", "Ctrl+Shift+M", "Ctrl+Shift+T"};
        MakeCommand(IdFocusKeypad + i, QString(), QString(), {K(focusKeys[i])}, [this, i] { FocusPane(i); });
    }
    // The Plot pane shows itself when something is plotted; here it shows
    // and hides like the others.
    MakeCommand(IdViewPlot, tr("&Plot"), tr("Show or hide the plot\nToggle plot"), {K("Ctrl+Shift+G")},
                [this] {
                    if (m_plotPane->isHidden())
                        ShowPlotPane();
                    else
                        ToggleBar(m_plotPane);
                })
        ->setCheckable(true);
    MakeCommand(IdFocusEditor, QString(), QString(), {K("Ctrl+W")}, [this] { m_editor->setFocus(); });
    // F6 and Shift+F6 move between the editor and the visible panes; they
    // have no command id of their own.
    MakeCommand(0, QString(), QString(), {K("F6")}, [this] { CyclePaneFocus(true); });
    MakeCommand(0, QString(), QString(), {K("Shift+F6")}, [this] { CyclePaneFocus(false); });
}

// The settings, the font commands, About, the context help and printing.
void CCalcMainFrame::CreateSettingCommands()
{
    MakeCommand(IdPreferences, tr("&Preferences..."), tr("Set preferences\nPreferences"), {}, [this] {
        if (CCalcPreferencesDialog::Edit(m_state.preferences, this))
            RefreshForPreferences();
    });
    QAction* units = MakeCommand(IdTrigonometricUnits, tr("Trigonometric units"),
                                 tr("Set units for trigonometric functions\nTrigonometric units"), {}, [this] {
                                     CCalcTrigonometricUnits* window = UnitsWindow();
                                     window->setVisible(!window->isVisible());
                                 });
    units->setCheckable(true);

    auto* notations = new QActionGroup(this);
    QAction* east = MakeCommand(IdNotationEast, tr("&East"), tr("Set East function notation\nEast notation"), {},
                                [this] { SetNotation(1); });
    QAction* west = MakeCommand(IdNotationWest, tr("&West"), tr("Set West function notation\nWest notation"), {},
                                [this] { SetNotation(0); });
    for (QAction* action : {east, west}) {
        action->setCheckable(true);
        notations->addAction(action);
    }

    MakeCommand(IdEditorFontSelect, tr("&Select..."), tr("Select editor font\nSelect font"), {},
                [this] { m_editor->SelectFont(); });
    QAction* defaultFont =
        MakeCommand(IdEditorFontDefault, tr("&Default"), tr("Set default editor font\nDefault font"), {},
                    [this] { m_editor->SetDefaultFont(); });
    defaultFont->setCheckable(true);

    MakeCommand(IdAppAbout, tr("&About Calculator..."),
                tr("Display program information, version number and copyright\nAbout"), {}, [this] {
                    QMessageBox box(this);
                    box.setWindowTitle(tr("About Calculator Ka-Vm"));
                    box.setIconPixmap(windowIcon().pixmap(32, 32));
                    box.setText("Calculator Ka-Vm " KAVM_VERSION_TEXT);
                    box.setInformativeText(QStringLiteral(KAVM_COPYRIGHT "\n" KAVM_LICENSE_NAME));
                    box.setStandardButtons(QMessageBox::Ok);
                    box.exec();
                });
    // Shift+F1 itself is one of the help keys the help installs.
    MakeCommand(IdContextHelp, tr("Context help"),
                tr("Display help for clicked on buttons, menus and windows\nHelp"), {},
                [] { QWhatsThis::enterWhatsThisMode(); });
    for (QAction* action : CreatePrintCommands(this, m_document, m_editor, m_state.printSettings, m_state.printerChoice)) {
        m_commands.insert(action->property("commandId").toInt(), action);
        addAction(action);
    }
}
