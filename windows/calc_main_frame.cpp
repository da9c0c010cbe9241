#include "windows/calc_main_frame.h"

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

#include <QLayout>

#include "document/memory_store.h"
#include "document/number_format.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "kavm_version.h"
#include "language/bound_expression.h"
#include "language/calculate.h"
#include "language/keywords.h"
#include "numeric/status.h"
#include "windows/calc_bar.h"
#include "windows/calc_keypad.h"
#include "windows/calc_live_result.h"
#include "windows/calc_log.h"
#include "windows/calc_memory.h"
#include "windows/calc_preferences_dialog.h"
#include "windows/calc_plot.h"
#include "windows/calc_print_commands.h"
#include "windows/calc_statistics.h"
#include "windows/calc_tool_bar.h"
#include "windows/calc_view.h"
#include "windows/dialog_folder.h"
#include "windows/help.h"
#include "windows/platform.h"
#include "windows/tool_icons.h"

namespace {

const char* const kUnitsIndicators[] = {QT_TRANSLATE_NOOP("CCalcMainFrame", "Rad"),
                                         QT_TRANSLATE_NOOP("CCalcMainFrame", "Deg"),
                                         QT_TRANSLATE_NOOP("CCalcMainFrame", "Grad")};
// The file dialogs' filters; the descriptions are translated, the patterns
// stay.
const char* const kCalculationFilter = QT_TRANSLATE_NOOP(
    "CCalcMainFrame",
    "Calculator calculation files (*.vcl)|*.vcl|Calculator memory files (*.vcm)|*.vcm|All files (*.*)|*.*||");
const char* const kMemorySaveFilter = QT_TRANSLATE_NOOP("CCalcMainFrame", "Calculator memory files (*.vcm)|*.vcm||");
const char* const kMemoryLoadFilter =
    QT_TRANSLATE_NOOP("CCalcMainFrame", "Calculator memory files (*.vcm)|*.vcm|All files (*.*)|*.*||");
const char* const kFrameSection = "GUI/Frame";
const char* const kRecentSection = "Recent File List";
const char* const kApplicationTitle = "Vantrel Calculator Ka-Vm";
constexpr int kRecentCount = 4;

// A dialog's file name, with the default extension added to a bare name.
// The dialog starts in the given folder.
QString RunFileDialog(QWidget* parent, bool save, const QString& filter, const QString& proposed,
                      const QString& extension, const QString& folder)
{
    QFileDialog dialog(parent);
    dialog.setDirectory(folder);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(extension);
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    RememberDialogFolder(dialog.selectedFiles().first());
    return dialog.selectedFiles().first();
}

// A dialog filter from its translated "description|pattern|...||" form.
QString FileFilter(const char* pairs)
{
    return QtFileFilter(CCalcMainFrame::tr(pairs).toStdU16String());
}

}  // namespace

void MarkPreferencesChanged()
{
    PreferencesChanged = true;
}

CCalcMainFrame::CCalcMainFrame(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName("MainFrame");
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    m_editor = new CCalcView(this);
    setCentralWidget(m_editor);
    m_document = new CCalcDoc(m_editor, this);

    askOpenFileName = [this](const QString& filter, const QString& proposed, const QString& extension) {
        return RunFileDialog(this, false, filter, proposed, extension, DialogFolder());
    };
    askSaveFileName = [this](const QString& filter, const QString& proposed, const QString& extension) {
        return RunFileDialog(this, true, filter, proposed, extension, DialogFolder());
    };
    askSaveChanges = [this](const QString& question) {
        return int(QMessageBox::warning(this, kApplicationTitle, question,
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel));
    };

    // The "Trigonometric function" window exists from the start, hidden.
    m_unitsWindow = new CCalcTrigonometricUnits(this);
    m_unitsWindow->hide();

    CreateCommands();
    CreateToolBar();
    CreateStatusBar();
    CreatePanes();
    CreateMenus();

    connect(m_document, &CCalcDoc::calculated, this, &CCalcMainFrame::AfterCalculation);
    connect(m_document, &CCalcDoc::statementFailed, m_editor, &CCalcView::SetErrorMark);
    m_liveResult = new CLiveResult(m_editor, m_document, m_liveResultLabel, this);
    // A log line leads to the statement it came from.
    connect(m_log, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        m_document->SelectMessageStatement(m_log->indexOfTopLevelItem(item));
    });
    connect(m_editor->document(), &QTextDocument::modificationChanged, this, &CCalcMainFrame::UpdateTitle);
    connect(m_unitsWindow->List(), &QComboBox::activated, this, &CCalcMainFrame::ChooseUnits);
    connect(UnitsList(), &QComboBox::activated, this, &CCalcMainFrame::ChooseUnits);

    QSettings settings;
    for (CCalcBar* bar : CCalcBar::Bars())
        if (bar->parentWidget() == this)
            bar->LoadSizes(settings);
    const QByteArray state = settings.value("GUI/BarState").toByteArray();
    if (state.isEmpty() || !restoreState(state)) {
        for (CCalcBar* pane : m_panes)
            pane->ApplySize(this);
    }
    m_plot->LoadSettings(settings);
    settings.beginGroup(kRecentSection);
    for (int i = 1; i <= kRecentCount; ++i) {
        const QString path = settings.value(QString("File%1").arg(i)).toString();
        if (!path.isEmpty())
            m_recentFiles << path;
    }
    settings.endGroup();
    UpdateRecentMenu();

    // The keypad starts with the labels of its template; write them for the
    // preferences, which are loaded before the window is made.
    RefreshForPreferences();
    AfterCalculation();
    UpdateTitle();

    // Commands whose use depends on the editor's state follow it as it
    // changes, so the tool bar shows the same as the menus.
    connect(m_editor, &QPlainTextEdit::copyAvailable, m_commands.value(IdEditCut), &QAction::setEnabled);
    connect(m_editor, &QPlainTextEdit::copyAvailable, m_commands.value(IdEditCopy), &QAction::setEnabled);
    connect(m_editor, &QPlainTextEdit::undoAvailable, m_commands.value(IdEditUndo), &QAction::setEnabled);
    connect(m_editor->document(), &QTextDocument::modificationChanged, m_commands.value(IdFileSave),
            &QAction::setEnabled);
    UpdateCommandStates();
}

void CCalcMainFrame::UpdateCommandStates()
{
    const bool anyCell = MemoryStore().Count() >= 1;
    m_commands.value(IdMemoryFree)->setEnabled(anyCell);
    m_commands.value(IdMemorySave)->setEnabled(anyCell);
    // Saving an unchanged document would write what the file holds.
    m_commands.value(IdFileSave)->setEnabled(m_editor->document()->isModified());
    const bool selection = m_editor->textCursor().hasSelection();
    m_commands.value(IdEditCut)->setEnabled(selection);
    m_commands.value(IdEditCopy)->setEnabled(selection);
    m_commands.value(IdEditUndo)->setEnabled(m_editor->document()->isUndoAvailable());
}

CCalcMainFrame::~CCalcMainFrame()
{
    SaveLayout();
    if (m_document->Context().run.logReceiver == m_log)
        m_document->Context().run.logReceiver = nullptr;
}

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
    MakeCommand(IdViewPlot, tr("&Plot"), tr("Show or hide the plot\nToggle plot"), {},
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

    MakeCommand(IdPreferences, tr("&Preferences..."), tr("Set preferences\nPreferences"), {}, [this] {
        if (CCalcPreferencesDialog::Edit(this))
            RefreshForPreferences();
    });
    QAction* units = MakeCommand(IdTrigonometricUnits, tr("Trigonometric units"),
                                 tr("Set units for trigonometric functions\nTrigonometric units"), {}, [this] {
                                     m_unitsWindow->setVisible(!m_unitsWindow->isVisible());
                                 });
    units->setCheckable(true);
    connect(m_unitsWindow, &CCalcTrigonometricUnits::visibilityChanged, units, &QAction::setChecked);

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
    for (QAction* action : CreatePrintCommands(this, m_document, m_editor)) {
        m_commands.insert(action->property("commandId").toInt(), action);
        addAction(action);
    }
}

void CCalcMainFrame::CreateToolBar()
{
    m_toolBar = new CCalcToolBar(this, m_commands.value(IdTrigonometricUnits));
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    const int groups[][3] = {{IdFileNew, IdFileOpen, IdFileSave}, {IdExecute, 0, 0}, {IdMemoryLoad, IdMemorySave, 0},
                             {IdFilePrint, 0, 0}, {IdEditCut, IdEditCopy, IdEditPaste},
                             {IdViewLog, IdViewKeypad, IdViewMemory}};
    for (const auto& group : groups) {
        for (int id : group)
            if (id != 0 && m_commands.contains(id))
                m_toolBar->addAction(m_commands.value(id));
        if (!m_toolBar->actions().isEmpty() && !m_toolBar->actions().last()->isSeparator())
            m_toolBar->addSeparator();
    }
    m_toolBar->addAction(m_commands.value(IdPreferences));
    m_toolBar->AddUnitsList();
    m_toolBar->addAction(m_commands.value(IdCalculateAll));
    m_toolBar->addAction(m_commands.value(IdPlot));
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_commands.value(IdContextHelp));
    connect(m_toolBar, &CCalcToolBar::unitsSlotChanged, this, [this](bool list) {
        if (list)
            m_unitsWindow->hide();
    });
    QAction* toggle = m_commands.value(IdViewToolbar);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, m_toolBar, &QWidget::setVisible);
    connect(m_toolBar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

void CCalcMainFrame::CreateStatusBar()
{
    auto indicator = [this](int id, const QString& sample) {
        auto* label = new QLabel(this);
        SetControlId(label, id);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(sample) + 8);
        statusBar()->addPermanentWidget(label);
        return label;
    };
    // The live result of the statement at the caret, beside the previous
    // result.
    m_liveResultLabel = new QLabel(this);
    m_liveResultLabel->setObjectName("LiveResult");
    m_liveResultLabel->setMinimumWidth(
        m_liveResultLabel->fontMetrics().horizontalAdvance("= -8.8888888888888888E+888") + 8);
    m_liveResultLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    statusBar()->addPermanentWidget(m_liveResultLabel, 1);
    m_result = indicator(IdIndicatorResult, "RESULT=-8.8888888888888888E+888+i*8.8888888888888888E+888");
    m_units = indicator(IdIndicatorUnits, "Grad");
    m_floatingPoint = indicator(IdIndicatorFloatingPoint, "SSE2");
    QAction* toggle = m_commands.value(IdViewStatusBar);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, statusBar(), &QWidget::setVisible);
}

void CCalcMainFrame::CreatePanes()
{
    m_keypad = new CCalcKeyPad;
    m_log = new CCalcLog;
    m_memory = new CCalcMemory;
    m_statistics = new CCalcStatistics;
    m_memory->SetStatisticsPane(m_statistics);
    m_memory->writeMemoryFile = [this](const QString& path, const std::u16string& text) {
        return m_document->SaveMemoryText(path, text);
    };

    const QSize logSize = DialogUnitsToPixels(m_log, {166, 33});
    const QSize memorySize = DialogUnitsToPixels(m_memory, {174, 92});
    // The keypad scrolls within its pane rather than widening the window.
    m_panes[PaneKeypad] = new CCalcDlgBar(tr("Keypad"), m_keypadScroller = new CCalcKeypadScroller(m_keypad), m_keypad->size(),
                                          kPaneIds[0], true, this);
    m_panes[PaneLog] = new CCalcDlgBar(tr("Log"), m_log, logSize, kPaneIds[1], false, this);
    m_panes[PaneMemory] = new CCalcDlgBar(tr("Memory"), m_memory, memorySize, kPaneIds[2], false, this);
    m_panes[PaneStatistics] =
        new CCalcDlgBar(tr("Statistics"), m_statistics, m_statistics->sizeHint(), kPaneIds[3], true, this);
    m_log->setMinimumSize(logSize);
    // The memory pane may stand lower than its template as long as its
    // buttons show, so that the first window keeps its size beside the
    // keypad.
    m_memory->setMinimumSize(memorySize.width(), std::min(memorySize.height(), m_memory->ButtonColumnHeight()));

    m_document->Context().run.logReceiver = m_log;

    // Log and keypad stand in two rows at the bottom, the keypad lowest;
    // the bottom rows run the whole width of the window.
    addDockWidget(Qt::BottomDockWidgetArea, m_panes[PaneLog], Qt::Vertical);
    addDockWidget(Qt::BottomDockWidgetArea, m_panes[PaneKeypad], Qt::Vertical);
    addDockWidget(Qt::RightDockWidgetArea, m_panes[PaneMemory]);
    addDockWidget(Qt::TopDockWidgetArea, m_panes[PaneStatistics]);
    m_panes[PaneStatistics]->setFloating(true);
    m_panes[PaneStatistics]->move(27, 27);
    m_panes[PaneStatistics]->hide();

    const int toggles[4] = {IdViewKeypad, IdViewLog, IdViewMemory, IdViewStatistics};
    for (int i = 0; i < 4; ++i) {
        QAction* toggle = m_commands.value(toggles[i]);
        toggle->setChecked(!m_panes[i]->isHidden());
        // The panes hide once more while the window goes away, after its own
        // destructor ran: the check mark follows the pane without the frame.
        CCalcBar* pane = m_panes[i];
        connect(pane, &QDockWidget::visibilityChanged, toggle,
                [toggle, pane] { toggle->setChecked(!pane->isHidden()); });
    }

    connect(m_log, &CCalcLog::messageAdded, this, [this] {
        if (Preferences().Get(EPreference::LogPopup) != 0 && m_panes[PaneLog]->isHidden())
            m_panes[PaneLog]->show();
    });
    connect(m_memory, &CCalcMemory::statisticsShown, this, [this] { m_panes[PaneStatistics]->show(); });
    connect(m_memory, &CCalcMemory::contentsChanged, this, &CCalcMainFrame::UpdateCommandStates);
    m_memory->startFolder = [this] { return DialogFolder(); };
    connect(m_keypad, &CCalcKeyPad::LayoutChanged, this, [this](QSize size) {
        static_cast<CCalcDlgBar*>(m_panes[PaneKeypad])->SizeFromContent(size);
    });
    m_keypad->SetReceiver(m_document);

    m_plot = new CCalcPlot;
    m_plotPane = new CCalcDlgBar(tr("Plot"), m_plot, m_plot->sizeHint(), kPlotPaneId, false, this);
    addDockWidget(Qt::RightDockWidgetArea, m_plotPane);
    m_plotPane->hide();
    m_plot->userContext = [this]() -> const NCalculatorText::CCalcContext& { return m_document->Context(); };
    QAction* toggle = m_commands.value(IdViewPlot);
    toggle->setChecked(!m_plotPane->isHidden());
    CCalcBar* pane = m_plotPane;
    connect(pane, &QDockWidget::visibilityChanged, toggle, [toggle, pane] { toggle->setChecked(!pane->isHidden()); });
    connect(m_plot, &CCalcPlot::note, this, [this](const QString& text) { statusBar()->showMessage(text, 8000); });
    m_plot->askExportFileName = [this](const QString& filter, const QString& extension) {
        return WithDefaultExtension(askSaveFileName(filter, tr("Plot") + "." + extension, extension), extension);
    };
}

void CCalcMainFrame::PlotAtCaret()
{
    if (m_document->Calculating())
        return;
    const std::ptrdiff_t start = m_document->SelectionStart();
    const std::ptrdiff_t caret = m_document->Caret();
    const auto expressions = NCalculatorText::StatementExpressions(
        m_document->Text(), static_cast<std::size_t>(std::min(start, caret)),
        static_cast<std::size_t>(std::max(start, caret)));
    // The plot may leave a note of its own in the status bar.
    statusBar()->clearMessage();
    const QString problem = m_plot->Plot(expressions);
    if (!problem.isEmpty()) {
        statusBar()->showMessage(problem, 8000);
        return;
    }
    if (m_plotPane->isHidden())
        ShowPlotPane();
    m_plotPane->raise();
}

void CCalcMainFrame::ShowPlotPane()
{
    const QRect before = geometry();
    const QRect area = workArea ? workArea() : NearestWorkArea(frameGeometry());
    if (!m_plotPane->isFloating()) {
        // Docked, the pane takes its room from the editor and the other
        // panes; when they cannot give enough, the window would grow, off
        // the screen of a small laptop.
        KeepOtherPaneSizes(m_plotPane, [this] { m_plotPane->show(); });
        if (layout() != nullptr)
            layout()->activate();
        // The window grows to its minimum size once the layout runs.
        const QSize plot = m_plot->size();
        const QSize minimum = minimumSizeHint().expandedTo(minimumSize());
        const bool grew = minimum.width() > before.width() || minimum.height() > before.height() ||
                          geometry().width() > before.width() || geometry().height() > before.height();
        if (!grew && plot.width() >= kPlotSmallestSize.width() && plot.height() >= kPlotSmallestSize.height())
            return;
        // Floating, the pane asks nothing of the window's layout: the
        // window goes back to where it was.
        m_plotPane->setFloating(true);
        if (layout() != nullptr)
            layout()->activate();
        setGeometry(before);
    }
    QSize size = kPlotOpeningSize.expandedTo(m_plotPane->sizeHint());
    if (area.isValid())
        size = size.boundedTo(area.size());
    QRect rect(QPoint(), size);
    rect.moveCenter(frameGeometry().center());
    if (area.isValid()) {
        rect.moveLeft(std::clamp(rect.left(), area.left(), std::max(area.left(), area.right() + 1 - rect.width())));
        rect.moveTop(std::clamp(rect.top(), area.top(), std::max(area.top(), area.bottom() + 1 - rect.height())));
    }
    m_plotPane->setGeometry(rect);
    m_plotPane->show();
}

void CCalcMainFrame::CreateMenus()
{
    auto add = [this](QMenu* menu, int id) { menu->addAction(m_commands.value(id)); };

    m_fileMenu = menuBar()->addMenu(tr("&File"));
    for (int id : {IdFileNew, IdFileOpen, IdFileSave, IdFileSaveAs})
        add(m_fileMenu, id);
    m_fileMenu->addSeparator();
    add(m_fileMenu, IdExecute);
    m_fileMenu->addSeparator();
    for (int id : {IdFilePrint, IdFilePrintPreview, IdFilePageSetup})
        add(m_fileMenu, id);
    m_recentSeparator = m_fileMenu->addSeparator();
    for (int i = 0; i < kRecentCount; ++i) {
        auto* action = new QAction(this);
        action->setProperty("commandId", IdFileMru1 + i);
        action->setStatusTip(tr("Open this document"));
        connect(action, &QAction::triggered, this, [this, i] {
            // A copy: saving the old document first changes the list.
            if (i < m_recentFiles.size())
                OpenDocument(QString(m_recentFiles[i]));
        });
        m_recentActions << action;
        m_fileMenu->addAction(action);
    }
    m_fileMenu->addSeparator();
    add(m_fileMenu, IdAppExit);

    QMenu* memory = menuBar()->addMenu(tr("&Memory"));
    for (int id : {IdMemoryFree, IdMemoryLoad, IdMemorySave})
        add(memory, id);
    // Free and Save follow the memory count (UpdateCommandStates), on the
    // tool bar as in the menu.

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    add(edit, IdEditUndo);
    add(edit, IdEditRedo);
    edit->addSeparator();
    for (int id : {IdEditCut, IdEditCopy, IdEditPaste})
        add(edit, id);
    edit->addSeparator();
    add(edit, IdPlot);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    add(view, IdViewToolbar);
    add(view, IdViewStatusBar);
    view->addAction(m_fullScreen);
    view->addSeparator();
    for (int id : {IdViewKeypad, IdViewLog, IdViewMemory, IdViewStatistics, IdViewPlot})
        add(view, id);

    QMenu* set = menuBar()->addMenu(tr("&Set"));
    add(set, IdPreferences);
    set->addSeparator();
    QMenu* notation = set->addMenu(tr("&Notation"));
    add(notation, IdNotationEast);
    add(notation, IdNotationWest);
    connect(notation, &QMenu::aboutToShow, this, [this] {
        const unsigned value = Preferences().Get(EPreference::Notation);
        m_commands.value(IdNotationEast)->setChecked(value == 1);
        m_commands.value(IdNotationWest)->setChecked(value == 0);
    });

    // The keypad's own commands, with their enabling and check marks.
    QMenu* keypad = set->addMenu(tr("&Keypad"));
    const struct {
        const char* menu;
        std::initializer_list<std::tuple<int, const char*, const char*>> items;
    } keypadMenus[] = {
        {QT_TR_NOOP("&Style"),
         {{32785, QT_TR_NOOP("&XP"), QT_TR_NOOP("Set XP keypad style\nXP style")},
          {32786, QT_TR_NOOP("V&ista"), QT_TR_NOOP("Set Vista keypad style\nVista style")},
          {32787, QT_TR_NOOP("&Vantrel"), QT_TR_NOOP("Set Vantrel keypad style\nVantrel style")},
          {32788, QT_TR_NOOP("&2000"), QT_TR_NOOP("Set 2000 keypad style\n2000 style")}}},
        {QT_TR_NOOP("&Font"),
         {{32789, QT_TR_NOOP("&Select..."), QT_TR_NOOP("Select keypad font\nSelect font")},
          {32790, QT_TR_NOOP("S&ystem"), QT_TR_NOOP("Set system keypad font\nSystem font")},
          {32791, QT_TR_NOOP("&Default"), QT_TR_NOOP("Set default keypad font\nDefault font")}}},
        {QT_TR_NOOP("&Text Color"),
         {{32792, QT_TR_NOOP("&Function..."), QT_TR_NOOP("Set function keypad text color\nFunction text color")},
          {32793, QT_TR_NOOP("&Digit..."), QT_TR_NOOP("Set digit keypad text color\nDigit text color")},
          {32794, QT_TR_NOOP("&Service..."), QT_TR_NOOP("Set service keypad text color\nService text color")},
          {32795, QT_TR_NOOP("D&efault"), QT_TR_NOOP("Set default keypad text color\nDefault text color")},
          {32796, QT_TR_NOOP("S&ystem"), QT_TR_NOOP("Set system keypad text color\nSystem text color")}}},
        {QT_TR_NOOP("&Color"),
         {{32797, QT_TR_NOOP("&Function..."), QT_TR_NOOP("Set function keypad color\nFunction color")},
          {32798, QT_TR_NOOP("&Digit..."), QT_TR_NOOP("Set digit keypad color\nDigit color")},
          {32799, QT_TR_NOOP("&Service..."), QT_TR_NOOP("Set service keypad color\nService color")},
          {32800, QT_TR_NOOP("S&ystem"), QT_TR_NOOP("Set system keypad color\nSystem color")},
          {32801, QT_TR_NOOP("D&efault"), QT_TR_NOOP("Set default keypad color\nDefault color")}}},
    };
    for (const auto& group : keypadMenus) {
        QMenu* menu = keypad->addMenu(tr(group.menu));
        for (const auto& [command, text, prompt] : group.items) {
            const int id = command;
            QAction* action = MakeCommand(id, tr(text), tr(prompt), {}, [this, id] { m_keypad->HandleCommand(id); });
            // The commands that open a dialog carry no check mark.
            action->setCheckable(!QString::fromLatin1(text).endsWith("..."));
            menu->addAction(action);
            connect(menu, &QMenu::aboutToShow, action, [this, action, id] {
                action->setEnabled(m_keypad->IsCommandEnabled(id));
                action->setChecked(m_keypad->IsCommandChecked(id));
            });
        }
    }
    QMenu* editorFont = set->addMenu(tr("&Editor Font"));
    add(editorFont, IdEditorFontSelect);
    add(editorFont, IdEditorFontDefault);
    connect(editorFont, &QMenu::aboutToShow, this,
            [this] { m_commands.value(IdEditorFontDefault)->setChecked(m_editor->IsDefaultFont()); });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    add(help, IdAppAbout);
    // "&Help Topics" above About, F1 by pane and per keypad button, Shift+F1.
    InstallHelp(*this, m_keypad);
    for (QAction* action : help->actions())
        if (action->text() == QCoreApplication::translate("Help", "&Help Topics"))
            action->setProperty("commandId", int(IdHelpFinder));
}

QComboBox* CCalcMainFrame::UnitsList() const
{
    return m_toolBar->List();
}

QString CCalcMainFrame::ResultIndicator() const
{
    return ToQString(NCalculatorText::GetResultWord(Preferences().Get(EPreference::FormatResult))) + "=" +
           ToQString(FormatComplex(m_document->Context().previousResult, GetResultFormat(), GetImaginaryUnit()));
}

QString CCalcMainFrame::UnitsIndicator() const
{
    const unsigned units = Preferences().Get(EPreference::TrigonometricUnits);
    return tr(kUnitsIndicators[units < 3 ? units : 0]);
}

QString CCalcMainFrame::FloatingPointIndicator() const
{
    return Sse2InUse() ? QString("SSE2") : QString();
}

void CCalcMainFrame::AfterCalculation()
{
    m_result->setText(ResultIndicator());
    m_memory->Refresh();
    UpdateCommandStates();
}

void CCalcMainFrame::UpdateUnits()
{
    m_units->setText(UnitsIndicator());
    const unsigned units = Preferences().Get(EPreference::TrigonometricUnits);
    const int index = units < 3 ? static_cast<int>(units) : 0;
    for (QComboBox* list : {UnitsList(), m_unitsWindow->List()})
        if (list->currentIndex() != index)
            list->setCurrentIndex(index);
}

void CCalcMainFrame::RefreshForPreferences()
{
    m_result->setText(ResultIndicator());
    m_floatingPoint->setText(FloatingPointIndicator());
    UpdateUnits();
    m_keypad->Relabel();
    if (m_liveResult != nullptr)
        m_liveResult->ApplySetting();
}

void CCalcMainFrame::ChooseUnits(int index)
{
    if (index < 0 || index > 2)
        return;
    Preferences().Set(EPreference::TrigonometricUnits, static_cast<unsigned>(index));
    MarkPreferencesChanged();
    UpdateUnits();
}

void CCalcMainFrame::SetNotation(unsigned notation)
{
    Preferences().Set(EPreference::Notation, notation);
    MarkPreferencesChanged();
    m_keypad->Relabel();
}

void CCalcMainFrame::TogglePane(int pane)
{
    ToggleBar(m_panes[pane]);
}

void CCalcMainFrame::ToggleBar(CCalcBar* bar)
{
    if (bar->isHidden()) {
        KeepOtherPaneSizes(bar, [bar] { bar->show(); });
        return;
    }
    KeepOtherPaneSizes(bar, [bar] { bar->hide(); });
    m_editor->setFocus();
}

void CCalcMainFrame::KeepOtherPaneSizes(CCalcBar* changing, const std::function<void()>& change)
{
    // The dock layout would hand a hidden pane's room to its neighbours in
    // the same area, and take a shown pane's room from them. The docked
    // resizable panes keep their thickness instead; the editor takes or
    // gives the difference.
    QList<QDockWidget*> across, along;
    QList<int> acrossSizes, alongSizes;
    for (CCalcBar* bar : m_panes) {
        if (bar == changing || bar->IsFixedSize() || bar->isHidden() || bar->isFloating())
            continue;
        const Qt::DockWidgetArea area = dockWidgetArea(bar);
        if (area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea) {
            across << bar;
            acrossSizes << bar->height();
        } else if (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea) {
            along << bar;
            alongSizes << bar->width();
        }
    }
    change();
    if (!across.isEmpty())
        resizeDocks(across, acrossSizes, Qt::Vertical);
    if (!along.isEmpty())
        resizeDocks(along, alongSizes, Qt::Horizontal);
}

void CCalcMainFrame::FocusPane(int pane)
{
    CCalcBar* bar = m_panes[pane];
    // A pane's own focus key does nothing while that pane has the focus.
    QWidget* focus = QApplication::focusWidget();
    if (focus && bar->isAncestorOf(focus))
        return;
    bar->show();
    bar->raise();
    QWidget* content = bar->widget();
    content->activateWindow();
    // The pane's first control that takes the focus, else the pane itself.
    QWidget* target = content;
    if (content->focusPolicy() == Qt::NoFocus) {
        for (QWidget* child : content->findChildren<QWidget*>()) {
            if (child->focusPolicy() != Qt::NoFocus && child->isVisible()) {
                target = child;
                break;
            }
        }
    }
    target->setFocus();
}

void CCalcMainFrame::CyclePaneFocus(bool forward)
{
    // The stops: the editor (-1), then the visible panes in their order.
    QList<int> stops{-1};
    for (int i = 0; i < 4; ++i)
        if (m_panes[i]->isVisible())
            stops << i;
    QWidget* focus = QApplication::focusWidget();
    qsizetype current = 0;
    for (qsizetype i = 1; i < stops.size(); ++i)
        if (focus && m_panes[stops[i]]->isAncestorOf(focus))
            current = i;
    const qsizetype next = (current + (forward ? 1 : stops.size() - 1)) % stops.size();
    if (stops[next] < 0)
        m_editor->setFocus();
    else
        FocusPane(stops[next]);
}

QString CCalcMainFrame::DocumentTitle() const
{
    return m_document->Path().isEmpty() ? tr("Calculation") : QFileInfo(m_document->Path()).fileName();
}

QString CCalcMainFrame::DialogFolder() const
{
    return DialogStartFolder(m_document->Path());
}

QString CCalcMainFrame::ProposedSaveName() const
{
    if (!m_document->Path().isEmpty())
        return m_document->Path();
    QString title = DocumentTitle();
    const qsizetype cut = title.indexOf(QRegularExpression("[:/\\\\]"));
    if (cut >= 0)
        title = title.left(cut);
    return title + ".vcl";
}

bool CCalcMainFrame::MaybeSave()
{
    if (!m_editor->document()->isModified())
        return true;
    const QString name = m_document->Path().isEmpty() ? DocumentTitle() : m_document->Path();
    const int answer = askSaveChanges(tr("Save changes to %1?").arg(name));
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes)
        return SaveDocument(false);
    return true;
}

bool CCalcMainFrame::SaveDocument(bool asName)
{
    QString path = m_document->Path();
    if (asName || path.isEmpty()) {
        path = WithDefaultExtension(askSaveFileName(FileFilter(kCalculationFilter), ProposedSaveName(), "vcl"), "vcl");
        if (path.isEmpty())
            return false;
    }
    // The document writes a new file beside the old one and puts it in
    // place only when the whole text was written, so a failed save leaves
    // neither a broken file nor a new one.
    const bool ok = m_document->Save(path);
    if (ok)
        AddRecentFile(path);
    UpdateTitle();
    return ok;
}

void CCalcMainFrame::NewDocument()
{
    if (!MaybeSave())
        return;
    m_document->New();
    UpdateTitle();
}

void CCalcMainFrame::OpenWithDialog()
{
    if (!MaybeSave())
        return;
    const QString path = askOpenFileName(FileFilter(kCalculationFilter), QString(), "vcm");
    if (!path.isEmpty())
        OpenDocument(path, false);
}

bool CCalcMainFrame::OpenDocument(const QString& path, bool askSave)
{
    if (askSave && !MaybeSave())
        return false;
    if (!m_document->Open(path)) {
        // A recent file that no longer opens leaves the list.
        m_recentFiles.removeAll(QFileInfo(path).absoluteFilePath());
        UpdateRecentMenu();
        return false;
    }
    AddRecentFile(path);
    UpdateTitle();
    return true;
}

void CCalcMainFrame::ExecuteWithDialog()
{
    const QString path = askOpenFileName(FileFilter(kCalculationFilter), QString(), "vcl");
    if (!path.isEmpty())
        m_document->Execute(path);
}

void CCalcMainFrame::LoadMemoryWithDialog()
{
    const QString path = askOpenFileName(FileFilter(kMemoryLoadFilter), QString(), "vcm");
    if (!path.isEmpty())
        m_document->LoadMemory(path);
}

void CCalcMainFrame::SaveMemoryWithDialog()
{
    if (MemoryStore().Count() < 1)
        return;
    // The text is taken before the dialog shows.
    const std::u16string text = MemoryStore().BuildMemoryFileText(EMemorySelection::All);
    const QString path =
        WithDefaultExtension(askSaveFileName(FileFilter(kMemorySaveFilter), tr("Memory 1"), "vcm"), "vcm");
    if (!path.isEmpty())
        m_document->SaveMemoryText(path, text);
}

void CCalcMainFrame::AddRecentFile(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_recentFiles.removeAll(absolute);
    m_recentFiles.prepend(absolute);
    while (m_recentFiles.size() > kRecentCount)
        m_recentFiles.removeLast();
    UpdateRecentMenu();
}

void CCalcMainFrame::UpdateRecentMenu()
{
    for (int i = 0; i < m_recentActions.size(); ++i) {
        QAction* action = m_recentActions[i];
        const bool used = i < m_recentFiles.size();
        action->setVisible(used);
        if (used) {
            const QString shown = QFileInfo(m_recentFiles[i]).fileName();
            action->setText(QString("&%1 %2").arg(i + 1).arg(shown));
            action->setToolTip(m_recentFiles[i]);
        }
    }
    if (m_recentSeparator)
        m_recentSeparator->setVisible(!m_recentFiles.isEmpty());
}

void CCalcMainFrame::UpdateTitle()
{
    setWindowTitle(DocumentTitle() + "[*] - " + kApplicationTitle);
    setWindowModified(m_editor->document()->isModified());
}

void CCalcMainFrame::ApplyPlacement()
{
    QSettings settings;
    settings.beginGroup(kFrameSection);
    const bool maximized = settings.value("Maximized", 0).toInt() != 0;
    const QRect primary = PrimaryWorkArea();
    const CEdgeRect primaryArea{primary.left(), primary.top(), primary.left() + primary.width(),
                                primary.top() + primary.height()};
    const CEdgeRect fallback = DefaultFrameRect(primary.isEmpty() ? nullptr : &primaryArea);
    auto read = [&settings](const char* name, int fallbackValue) {
        bool ok = false;
        const int value = settings.value(name, fallbackValue).toInt(&ok);
        return ok ? value : fallbackValue;
    };
    CEdgeRect rect{read("Left", fallback.left), read("Top", fallback.top), read("Right", fallback.right),
                   read("Bottom", fallback.bottom)};
    if (rect.Width() <= 0 || rect.Height() <= 0)
        rect = fallback;
    const QRect nearest = NearestWorkArea(QRect(rect.left, rect.top, rect.Width(), rect.Height()));
    if (!nearest.isEmpty()) {
        const CEdgeRect area{nearest.left(), nearest.top(), nearest.left() + nearest.width(),
                             nearest.top() + nearest.height()};
        rect = PullOntoWorkArea(rect, area, style()->pixelMetric(QStyle::PM_TitleBarHeight) * 3 / 4);
    }
    setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
    if (!settings.contains("Left") && !maximized) {
        const QRect area = workArea ? workArea() : NearestWorkArea(geometry());
        WidenForKeypad(area);
    }
    if (maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    m_firstActivation = false;
}

void CCalcMainFrame::WidenForKeypad(const QRect& area)
{
    CCalcBar* pane = m_panes[PaneKeypad];
    if (pane->isHidden() || pane->isFloating() || layout() == nullptr)
        return;
    // The keypad's buttons are sized from its font: a wider font than the
    // default layout expects would hide the last column behind a scroll bar.
    layout()->activate();
    const int missing = m_keypad->width() - m_keypadScroller->viewport()->width();
    if (missing <= 0)
        return;
    QRect rect = geometry();
    const int width = area.isValid() ? std::min(area.width(), rect.width() + missing) : rect.width() + missing;
    rect.setWidth(width);
    if (area.isValid())
        rect.moveLeft(std::clamp(area.left() + (area.width() - width) / 2, area.left(), area.right() + 1 - width));
    setGeometry(rect);
}

CEdgeRect CCalcMainFrame::NormalRect() const
{
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    const QRect rect = normal.isValid() ? normal : geometry();
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

void CCalcMainFrame::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && m_fullScreen)
        m_fullScreen->setChecked(isFullScreen());
    QMainWindow::changeEvent(event);
}

void CCalcMainFrame::showEvent(QShowEvent* event)
{
    if (m_firstActivation)
        ApplyPlacement();
    QMainWindow::showEvent(event);
}

void CCalcMainFrame::SaveLayout()
{
    if (m_layoutSaved)
        return;
    m_layoutSaved = true;
    QSettings settings;
    settings.beginGroup(kFrameSection);
    const CEdgeRect rect = NormalRect();
    settings.setValue("Maximized", isMaximized() ? 1 : 0);
    settings.setValue("Left", rect.left);
    settings.setValue("Top", rect.top);
    settings.setValue("Right", rect.right);
    settings.setValue("Bottom", rect.bottom);
    settings.endGroup();
    for (CCalcBar* bar : m_panes)
        bar->SaveSizes(settings);
    m_plotPane->SaveSizes(settings);
    m_plot->SaveSettings(settings);
    settings.setValue("GUI/BarState", saveState());
    settings.beginGroup(kRecentSection);
    for (int i = 0; i < kRecentCount; ++i) {
        const QString key = QString("File%1").arg(i + 1);
        if (i < m_recentFiles.size())
            settings.setValue(key, m_recentFiles[i]);
        else
            settings.remove(key);
    }
    settings.endGroup();
}

void CCalcMainFrame::LeaveWithoutQuestions()
{
    m_leavingWithoutQuestions = true;
    SaveLayout();
    close();
}

void CCalcMainFrame::closeEvent(QCloseEvent* event)
{
    if (!m_leavingWithoutQuestions && !MaybeSave()) {
        event->ignore();
        return;
    }
    SaveLayout();
    if (!m_leavingWithoutQuestions)
        emit closedNormally();
    event->accept();
}
