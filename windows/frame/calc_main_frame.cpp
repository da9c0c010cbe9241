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

namespace {

const char* const kUnitsIndicators[] = {QT_TRANSLATE_NOOP("CCalcMainFrame", "Rad"),
                                         QT_TRANSLATE_NOOP("CCalcMainFrame", "Deg"),
                                         QT_TRANSLATE_NOOP("CCalcMainFrame", "Grad")};
const char* const kFrameSection = "GUI/Frame";

}  // namespace

void MarkPreferencesChanged()
{
    PreferencesChanged = true;
}

CCalcMainFrame::CCalcMainFrame(CAppState& appState, QWidget* parent)
    : QMainWindow(parent), m_state(appState)
{
    setObjectName("MainFrame");
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    m_editor = new CCalcView(m_state.memory, m_state.preferences, this);
    setCentralWidget(m_editor);
    m_document = new CCalcDoc(m_editor, m_state.preferences, m_state.memory, this);

    InstallFileDialogs();

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
    LoadRecentFiles(settings);

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
    // Definitions are memory too: they are freed and saved with the cells.
    const bool anyMemory = !m_state.memory.Empty();
    m_commands.value(IdMemoryFree)->setEnabled(anyMemory);
    m_commands.value(IdMemorySave)->setEnabled(anyMemory);
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
        if (list && m_unitsWindow != nullptr)
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
    m_keypad = new CCalcKeyPad(m_state.preferences);
    m_log = new CCalcLog;
    m_memory = new CCalcMemory(m_state.memory, m_state.preferences);
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
    // Hidden before it floats: a pane that floats while it may still show
    // gets its own window on the display at once, which the start need not
    // wait for.
    m_panes[PaneStatistics]->hide();
    m_panes[PaneStatistics]->setFloating(true);
    m_panes[PaneStatistics]->move(27, 27);

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
        if (m_state.preferences.Get(EPreference::LogPopup) != 0 && m_panes[PaneLog]->isHidden())
            m_panes[PaneLog]->show();
    });
    connect(m_memory, &CCalcMemory::statisticsShown, this, [this] { m_panes[PaneStatistics]->show(); });
    connect(m_memory, &CCalcMemory::contentsChanged, this, &CCalcMainFrame::UpdateCommandStates);
    // The colours of defined names follow the definitions.
    connect(m_memory, &CCalcMemory::contentsChanged, m_editor, &CCalcView::DefinitionsChanged);
    connect(m_memory, &CCalcMemory::insertRequested, this, [this](const QString& text) {
        m_editor->insertPlainText(text);
        m_editor->setFocus();
    });
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

CCalcTrigonometricUnits* CCalcMainFrame::UnitsWindow()
{
    // Most sessions never show it: made at the start, its list and the font
    // of its caption would hold up the window's first appearance.
    if (m_unitsWindow == nullptr) {
        m_unitsWindow = new CCalcTrigonometricUnits(this);
        m_unitsWindow->hide();
        connect(m_unitsWindow->List(), &QComboBox::activated, this, &CCalcMainFrame::ChooseUnits);
        connect(m_unitsWindow, &CCalcTrigonometricUnits::visibilityChanged, m_commands.value(IdTrigonometricUnits),
                &QAction::setChecked);
        UpdateUnits();
    }
    return m_unitsWindow;
}

QComboBox* CCalcMainFrame::UnitsList() const
{
    return m_toolBar->List();
}

QString CCalcMainFrame::ResultIndicator() const
{
    return ToQString(NCalculatorText::GetResultWord(m_state.preferences.Get(EPreference::FormatResult))) + "=" +
           ToQString(FormatComplex(m_document->Context().previousResult, GetResultFormat(), GetImaginaryUnit()));
}

QString CCalcMainFrame::UnitsIndicator() const
{
    const unsigned units = m_state.preferences.Get(EPreference::TrigonometricUnits);
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
    const unsigned units = m_state.preferences.Get(EPreference::TrigonometricUnits);
    const int index = units < 3 ? static_cast<int>(units) : 0;
    for (QComboBox* list : {UnitsList(), m_unitsWindow != nullptr ? m_unitsWindow->List() : nullptr})
        if (list != nullptr && list->currentIndex() != index)
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
    m_state.preferences.Set(EPreference::TrigonometricUnits, static_cast<unsigned>(index));
    MarkPreferencesChanged();
    UpdateUnits();
}

void CCalcMainFrame::SetNotation(unsigned notation)
{
    m_state.preferences.Set(EPreference::Notation, notation);
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
    SaveRecentFiles(settings);
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
