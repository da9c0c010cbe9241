#pragma once
// The main window: the editor in the middle, the tool bar with the units
// list, the status bar with the result, units and floating-point
// indicators, and the Keypad, Log, Memory and Statistics panes around the
// editor; the menus, accelerators and commands of the program.

#include <QMainWindow>
#include <QMap>
#include <QStringList>

#include <functional>

#include "windows/base/app_state.h"
#include "windows/base/placement.h"
#include <QRect>
#include <QSize>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QSettings;
class CCalcBar;
class CCalcDoc;
class CCalcKeyPad;
class CCalcKeypadScroller;
class CCalcLog;
class CCalcMemory;
class CCalcPlot;
class CCalcStatistics;
class CCalcToolBar;
class CCalcTrigonometricUnits;
class CCalcView;
class CLiveResult;

// Command ids of the menus, tool bar and accelerators.
enum ECommandId : int {
    IdFileNew = 57600,
    IdFileOpen = 57601,
    IdFileSave = 57603,
    IdFileSaveAs = 57604,
    IdFilePageSetup = 57605,
    IdFilePrint = 57607,
    IdFilePrintPreview = 57609,
    IdFileMru1 = 57616,
    IdEditCopy = 57634,
    IdEditCut = 57635,
    IdEditPaste = 57637,
    IdEditUndo = 57643,
    IdEditRedo = 57644,
    IdAppAbout = 57664,
    IdAppExit = 57665,
    IdHelpFinder = 57667,
    IdContextHelp = 57670,
    IdViewToolbar = 59392,
    IdViewStatusBar = 59393,
    IdExecute = 32771,
    IdMemoryFree = 32772,
    IdMemoryLoad = 32773,
    IdMemorySave = 32774,
    IdViewKeypad = 32775,
    IdViewLog = 32776,
    IdViewMemory = 32777,
    IdViewStatistics = 32778,
    IdPreferences = 32779,
    IdTrigonometricUnits = 32780,
    IdNotationEast = 32781,
    IdNotationWest = 32782,
    IdEditorFontSelect = 32783,
    IdEditorFontDefault = 32784,
    IdCalculate = 32802,
    IdCalculateAll = 32803,
    IdPlot = 32804,
    IdViewPlot = 32805,
    IdFocusEditor = 32863,
    IdFocusKeypad = 32864,
    IdFocusLog = 32865,
    IdFocusMemory = 32866,
    IdFocusStatistics = 32867,
    IdMemoryLoadConstants = 32868,
};

// Status-bar indicator ids.
enum EIndicatorId : int { IdIndicatorUnits = 59142, IdIndicatorResult = 59143, IdIndicatorFloatingPoint = 59144 };

// Pane control ids, in the order Keypad, Log, Memory, Statistics.
inline constexpr int kPaneIds[4] = {59422, 59423, 59424, 59425};
enum EPane : int { PaneKeypad, PaneLog, PaneMemory, PaneStatistics };
// The Plot pane's control id; it stands apart from the four panes above.
inline constexpr int kPlotPaneId = 59426;

class CCalcMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // The window shows and changes the state handed in, which must outlive
    // it.
    explicit CCalcMainFrame(CAppState& state, QWidget* parent = nullptr);
    ~CCalcMainFrame() override;

    CCalcDoc* Document() const { return m_document; }
    CCalcView* Editor() const { return m_editor; }
    CCalcLog* Log() const { return m_log; }
    CCalcMemory* Memory() const { return m_memory; }
    CCalcKeyPad* Keypad() const { return m_keypad; }
    CCalcStatistics* Statistics() const { return m_statistics; }
    CCalcPlot* Plot() const { return m_plot; }
    CCalcBar* PlotPane() const { return m_plotPane; }
    // Plots the statement at the caret, or every statement of the
    // selection; a statement that cannot be plotted gives a message in the
    // status bar and nothing else.
    void PlotAtCaret();
    CCalcBar* Pane(int index) const { return m_panes[index]; }
    CCalcToolBar* ToolBar() const { return m_toolBar; }
    // The "Trigonometric function" window, made hidden when first asked for.
    CCalcTrigonometricUnits* UnitsWindow();
    QComboBox* UnitsList() const;
    QAction* Command(int id) const { return m_commands.value(id); }
    QMenu* FileMenu() const { return m_fileMenu; }
    CLiveResult* LiveResult() const { return m_liveResult; }

    // Texts of the status-bar indicators.
    QString ResultIndicator() const;
    QString UnitsIndicator() const;
    QString FloatingPointIndicator() const;

    // Refreshes the result indicator and the memory pane after a run.
    void AfterCalculation();
    // The units indicator, and the same entry in both units lists.
    void UpdateUnits();
    // After the preferences changed: result, units, SSE2 indicator and the
    // keypad's labels.
    void RefreshForPreferences();

    // Opens a file as the document (after asking to save changes when
    // askSave); adds it to the recent files.
    bool OpenDocument(const QString& path, bool askSave = true);
    QStringList RecentFiles() const { return m_recentFiles; }
    // "Calculation" for a document never saved, else the file name.
    QString DocumentTitle() const;
    // The name the Save As dialog proposes.
    QString ProposedSaveName() const;
    // The folder the file dialogs start in: the document's, else the last
    // one used.
    QString DialogFolder() const;

    // Replaceable dialogs (tests): the file name chosen (empty to cancel)
    // and Yes/No/Cancel questions (QMessageBox::StandardButton).
    std::function<QString(const QString& filter, const QString& proposed, const QString& extension)> askOpenFileName;
    std::function<QString(const QString& filter, const QString& proposed, const QString& extension)> askSaveFileName;
    std::function<int(const QString& question)> askSaveChanges;
    // The shipped library of physical constants that Memory > Load
    // Constants executes; empty when it is not installed. The one the
    // program finds beside itself or in its data folder unless replaced.
    std::function<QString()> constantsFile;
    // The screen's area free of panels that the window and its floating
    // panes stay in; the nearest screen's unless replaced (by tests).
    std::function<QRect()> workArea;
    // The smallest plot a pane opens with: big enough to read.
    static constexpr QSize kPlotOpeningSize{480, 360};
    static constexpr QSize kPlotSmallestSize{400, 300};

    // Saves the document; asks for a name when it has none or asName.
    bool SaveDocument(bool asName);
    // True when the document may be replaced (saved, or the user said No).
    bool MaybeSave();

    // Leaves as File > Exit does but without its questions (the end of the
    // session, a termination signal): the layout is written and the window
    // closes; the unsaved text is left to the recovery file.
    void LeaveWithoutQuestions();

    // The placement of the first activation, from "GUI/Frame".
    void ApplyPlacement();
    CEdgeRect NormalRect() const;

signals:
    // The window closes after the questions of File > Exit were answered.
    void closedNormally();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    CAppState& m_state;
    QAction* MakeCommand(int id, const QString& text, const QString& prompt, const QList<QKeySequence>& keys,
                         std::function<void()> handler);
    // frame_commands.cpp
    void CreateCommands();
    void CreateViewCommands();
    void CreateSettingCommands();
    // frame_menus.cpp
    void CreateMenus();
    void CreateSetMenu(QMenu* set);
    void CreateKeypadMenu(QMenu* keypad);
    void CreateToolBar();
    void CreateStatusBar();
    void CreatePanes();
    void TogglePane(int pane);
    void ToggleBar(CCalcBar* bar);
    // Runs change (showing or hiding the pane) with the other docked panes
    // keeping their sizes.
    void KeepOtherPaneSizes(CCalcBar* changing, const std::function<void()>& change);
    // Shows the hidden plot pane docked where it fits in the window as it
    // stands and gets at least kPlotSmallestSize; otherwise floating, at
    // kPlotOpeningSize over the window and inside the work area, the
    // window keeping its size.
    void ShowPlotPane();
    // At the first start: widens the window, centred in area and within
    // it, by what the docked keypad lacks to show every button.
    void WidenForKeypad(const QRect& area);
    // Enables the commands after the state they depend on.
    void UpdateCommandStates();
    void FocusPane(int pane);
    void CyclePaneFocus(bool forward);
    void ChooseUnits(int index);
    void SetNotation(unsigned notation);
    void NewDocument();
    void OpenWithDialog();
    void ExecuteWithDialog();
    void LoadMemoryWithDialog();
    void LoadConstants();
    void SaveMemoryWithDialog();
    // frame_files.cpp
    void InstallFileDialogs();
    void CreateRecentActions();
    void LoadRecentFiles(QSettings& settings);
    void SaveRecentFiles(QSettings& settings) const;
    void AddRecentFile(const QString& path);
    void UpdateRecentMenu();
    void UpdateTitle();
    void SaveLayout();

    CCalcView* m_editor = nullptr;
    CCalcDoc* m_document = nullptr;
    CCalcKeyPad* m_keypad = nullptr;
    CCalcKeypadScroller* m_keypadScroller = nullptr;
    CCalcLog* m_log = nullptr;
    CCalcMemory* m_memory = nullptr;
    CCalcStatistics* m_statistics = nullptr;
    CCalcPlot* m_plot = nullptr;
    CCalcBar* m_plotPane = nullptr;
    CCalcBar* m_panes[4] = {};
    CCalcToolBar* m_toolBar = nullptr;
    CCalcTrigonometricUnits* m_unitsWindow = nullptr;
    QLabel* m_liveResultLabel = nullptr;
    CLiveResult* m_liveResult = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_units = nullptr;
    QLabel* m_floatingPoint = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_recentMenu = nullptr;
    QAction* m_recentSeparator = nullptr;
    QAction* m_fullScreen = nullptr;
    QList<QAction*> m_recentActions;
    QMap<int, QAction*> m_commands;
    QStringList m_recentFiles;
    bool m_firstActivation = true;
    bool m_layoutSaved = false;
    bool m_leavingWithoutQuestions = false;
};

// Marks the preferences as changed so that they are written at exit.
void MarkPreferencesChanged();
