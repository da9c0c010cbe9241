#include "windows/calc_main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStatusBar>

#include "document/memory_store.h"
#include "document/number_format.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "language/calculate.h"
#include "numeric/status.h"
#include "windows/calc_keypad.h"
#include "windows/calc_log.h"
#include "windows/calc_memory.h"
#include "windows/calc_print_commands.h"
#include "windows/calc_statistics.h"

namespace {

const char* const kResultSpellings[] = {"Rslt", "rslt", "RSLT", "Result", "result", "RESULT"};
const char* const kCalculationFilter = "Calculator files (*.vcl);;Calculator memory files (*.vcm);;All files (*)";
const char* const kMemoryFilter = "Calculator memory files (*.vcm)";

QString ToQString(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CCalcMainFrame::CCalcMainFrame(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName("MainFrame");
    m_editor = new QPlainTextEdit(this);
    m_editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setCentralWidget(m_editor);
    m_document = new CCalcDoc(m_editor, this);

    m_keypad = new CCalcKeyPad;
    m_log = new CCalcLog;
    m_memory = new CCalcMemory;
    m_statistics = new CCalcStatistics;
    m_memory->SetStatisticsPane(m_statistics);

    m_panes[0] = AddPane("Keypad", m_keypad, Qt::BottomDockWidgetArea, 59422);
    m_panes[1] = AddPane("Log", m_log, Qt::BottomDockWidgetArea, 59423);
    m_panes[2] = AddPane("Memory", m_memory, Qt::RightDockWidgetArea, 59424);
    m_panes[3] = AddPane("Statistics", m_statistics, Qt::TopDockWidgetArea, 59425);
    m_panes[3]->setFloating(true);
    m_panes[3]->move(27, 27);
    m_panes[3]->hide();

    RunState().logReceiver = m_log;
    connect(m_log, &CCalcLog::messageAdded, this, [this] {
        if (Preferences().Get(EPreference::LogPopup) != 0 && m_panes[1]->isHidden())
            m_panes[1]->show();
    });
    connect(m_memory, &CCalcMemory::statisticsShown, this, [this] { m_panes[3]->show(); });
    connect(m_document, &CCalcDoc::calculated, this, &CCalcMainFrame::AfterCalculation);
    connect(m_editor->document(), &QTextDocument::modificationChanged, this, &CCalcMainFrame::UpdateTitle);
    m_keypad->SetReceiver(m_document);
    // The keypad starts with its initial labels; write them for the
    // preferences, which are loaded before the window is made.
    m_keypad->Relabel();

    m_result = new QLabel(this);
    m_result->setMinimumWidth(m_result->fontMetrics().horizontalAdvance("Result=-0.00000000000000000000e+000"));
    statusBar()->addPermanentWidget(m_result);
    CreateMenus();

    QSettings settings;
    restoreGeometry(settings.value("GUI/Frame/Geometry").toByteArray());
    restoreState(settings.value("GUI/BarState").toByteArray());
    if (!settings.contains("GUI/Frame/Geometry"))
        resize(930, 550);
    if (!settings.contains("GUI/BarState"))
        resizeDocks({m_panes[2]}, {m_memory->fontMetrics().horizontalAdvance(QString(44, QChar('0')))}, Qt::Horizontal);
    AfterCalculation();
    UpdateTitle();
}

CCalcMainFrame::~CCalcMainFrame()
{
    if (RunState().logReceiver == m_log)
        RunState().logReceiver = nullptr;
}

QDockWidget* CCalcMainFrame::AddPane(const QString& title, QWidget* content, Qt::DockWidgetArea area, int id)
{
    auto* pane = new QDockWidget(title, this);
    pane->setObjectName(QString("Bar%1").arg(id));
    pane->setWidget(content);
    addDockWidget(area, pane);
    return pane;
}

QString CCalcMainFrame::ResultIndicator() const
{
    const unsigned spelling = Preferences().Get(EPreference::FormatResult);
    return QString::fromLatin1(kResultSpellings[spelling < 6 ? spelling : 0]) + "=" +
           ToQString(FormatComplex(NCalculatorText::PreviousResult(), GetResultFormat(), GetImaginaryUnit()));
}

void CCalcMainFrame::AfterCalculation()
{
    m_result->setText(ResultIndicator());
    m_memory->Refresh();
}

void CCalcMainFrame::CreateMenus()
{
    auto add = [this](QMenu* menu, const QString& text, const QKeySequence& keys, auto slot) {
        QAction* action = menu->addAction(text);
        if (!keys.isEmpty())
            action->setShortcut(keys);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };

    QMenu* file = menuBar()->addMenu("&File");
    add(file, "&New", QKeySequence::New, [this] {
        if (!MaybeSave())
            return;
        m_editor->clear();
        m_document->SetText(u"", 0);
        m_editor->document()->setModified(false);
        UpdateTitle();
    });
    add(file, "&Open...", QKeySequence::Open, [this] { OpenFile(); });
    add(file, "&Save", QKeySequence::Save, [this] {
        if (m_document->Path().isEmpty())
            SaveFileAs();
        else
            m_document->Save(m_document->Path());
        UpdateTitle();
    });
    add(file, "Save &As...", QKeySequence(), [this] { SaveFileAs(); });
    add(file, "&Execute...", QKeySequence("Ctrl+E"), [this] {
        const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), kCalculationFilter);
        if (!path.isEmpty())
            m_document->Execute(path);
    });
    AddPrintCommands(file, nullptr, this, m_document, m_editor);
    file->addSeparator();
    add(file, "E&xit", QKeySequence(), [this] { close(); });

    QMenu* memory = menuBar()->addMenu("&Memory");
    QAction* freeMemory = add(memory, "&Free", QKeySequence(), [this] { m_document->ExecuteCommand(CmdFreeMemory); });
    add(memory, "&Load...", QKeySequence(), [this] {
        const QString path = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                          QString(kMemoryFilter) + ";;All files (*)");
        if (!path.isEmpty())
            m_document->LoadMemory(path);
    });
    QAction* saveMemory = add(memory, "&Save...", QKeySequence(), [this] {
        const QString path = QFileDialog::getSaveFileName(this, QString(), "Memory 1.vcm", kMemoryFilter);
        if (!path.isEmpty())
            m_document->SaveMemory(path);
    });
    connect(memory, &QMenu::aboutToShow, this, [freeMemory, saveMemory] {
        freeMemory->setEnabled(MemoryStore().Count() >= 1);
        saveMemory->setEnabled(MemoryStore().Count() >= 1);
    });

    QMenu* edit = menuBar()->addMenu("&Edit");
    add(edit, "&Undo", QKeySequence::Undo, [this] { m_editor->undo(); });
    edit->addSeparator();
    add(edit, "Cu&t", QKeySequence::Cut, [this] { m_editor->cut(); });
    add(edit, "&Copy", QKeySequence::Copy, [this] { m_editor->copy(); });
    add(edit, "&Paste", QKeySequence::Paste, [this] { m_editor->paste(); });
    edit->addSeparator();
    add(edit, "C&alculate", QKeySequence("Ctrl+="), [this] { m_document->ExecuteCommand(CmdCalculate); });
    add(edit, "Calculate a&ll", QKeySequence("Ctrl+Shift+="), [this] { m_document->ExecuteCommand(CmdCalculateAll); });

    QMenu* view = menuBar()->addMenu("&View");
    const char* const toggles[] = {"&Keypad", "&Log", "&Memory", "St&atistics"};
    const char* const toggleKeys[] = {"Ctrl+K", "Ctrl+L", "Ctrl+M", "Ctrl+T"};
    const char* const focusKeys[] = {"Ctrl+Shift+K", "Ctrl+Shift+L", "Ctrl+Shift+M", "Ctrl+Shift+T"};
    for (int i = 0; i < 4; ++i) {
        QAction* toggle = m_panes[i]->toggleViewAction();
        toggle->setText(toggles[i]);
        toggle->setShortcut(QKeySequence(toggleKeys[i]));
        view->addAction(toggle);
        QAction* focus = new QAction(this);
        focus->setShortcut(QKeySequence(focusKeys[i]));
        focus->setShortcutContext(Qt::ApplicationShortcut);
        connect(focus, &QAction::triggered, this, [this, i] {
            m_panes[i]->show();
            m_panes[i]->widget()->setFocus();
        });
        addAction(focus);
    }
    QAction* editorFocus = new QAction(this);
    editorFocus->setShortcut(QKeySequence("Ctrl+W"));
    editorFocus->setShortcutContext(Qt::ApplicationShortcut);
    connect(editorFocus, &QAction::triggered, m_editor, [this] { m_editor->setFocus(); });
    addAction(editorFocus);

    QMenu* set = menuBar()->addMenu("&Set");
    QMenu* notation = set->addMenu("&Notation");
    const struct {
        const char* text;
        unsigned value;
    } notations[] = {{"&East", 1}, {"&West", 0}};
    for (const auto& entry : notations) {
        QAction* action = notation->addAction(entry.text);
        action->setCheckable(true);
        const unsigned value = entry.value;
        connect(action, &QAction::triggered, this, [this, value] {
            Preferences().Set(EPreference::Notation, value);
            m_keypad->Relabel();
        });
        connect(notation, &QMenu::aboutToShow, action,
                [action, value] { action->setChecked(Preferences().Get(EPreference::Notation) == value); });
    }

    // The keypad's own commands, with their enabling and check marks.
    QMenu* keypad = set->addMenu("&Keypad");
    const struct {
        const char* menu;
        std::initializer_list<std::pair<int, const char*>> items;
    } keypadMenus[] = {
        {"&Style", {{32785, "&XP"}, {32786, "&Vista"}, {32787, "&Vantrel"}, {32788, "&2000"}}},
        {"&Font", {{32789, "&Select..."}, {32790, "S&ystem"}, {32791, "&Default"}}},
        {"&Text Color",
         {{32792, "&Function..."}, {32793, "&Digit..."}, {32794, "&Service..."}, {32795, "D&efault"}, {32796, "S&ystem"}}},
        {"&Color",
         {{32797, "&Function..."}, {32798, "&Digit..."}, {32799, "&Service..."}, {32800, "S&ystem"}, {32801, "D&efault"}}},
    };
    for (const auto& group : keypadMenus) {
        QMenu* menu = keypad->addMenu(group.menu);
        for (const auto& [command, text] : group.items) {
            QAction* action = menu->addAction(text);
            action->setCheckable(true);
            const int id = command;
            connect(action, &QAction::triggered, this, [this, id] { m_keypad->HandleCommand(id); });
            connect(menu, &QMenu::aboutToShow, action, [this, action, id] {
                action->setEnabled(m_keypad->IsCommandEnabled(id));
                action->setChecked(m_keypad->IsCommandChecked(id));
            });
        }
    }

    QMenu* help = menuBar()->addMenu("&Help");
    add(help, "&About Calculator Ka-Vm...", QKeySequence(), [this] {
        QMessageBox::about(this, "About Calculator Ka-Vm", "Calculator Ka-Vm " KAVM_VERSION_TEXT);
    });
}

bool CCalcMainFrame::MaybeSave()
{
    if (!m_editor->document()->isModified())
        return true;
    const auto answer = QMessageBox::question(this, "Calculator Ka-Vm", "Save changes?",
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes)
        return m_document->Path().isEmpty() ? SaveFileAs() : m_document->Save(m_document->Path());
    return true;
}

void CCalcMainFrame::OpenFile()
{
    if (!MaybeSave())
        return;
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), kCalculationFilter);
    if (!path.isEmpty() && m_document->Open(path))
        UpdateTitle();
}

bool CCalcMainFrame::SaveFileAs()
{
    QString path = QFileDialog::getSaveFileName(this, QString(), m_document->Path(), kCalculationFilter);
    if (path.isEmpty())
        return false;
    if (!path.contains('.'))
        path += ".vcl";
    const bool ok = m_document->Save(path);
    UpdateTitle();
    return ok;
}

void CCalcMainFrame::UpdateTitle()
{
    const QString name = m_document->Path().isEmpty() ? "Untitled" : QFileInfo(m_document->Path()).fileName();
    setWindowTitle(name + (m_editor->document()->isModified() ? "*" : "") + " - Calculator Ka-Vm");
}

void CCalcMainFrame::closeEvent(QCloseEvent* event)
{
    if (!MaybeSave()) {
        event->ignore();
        return;
    }
    QSettings settings;
    settings.setValue("GUI/Frame/Geometry", saveGeometry());
    settings.setValue("GUI/BarState", saveState());
    event->accept();
}
