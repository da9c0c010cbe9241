// The main window's menus, made of its commands.
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
    CreateRecentActions();
    m_fileMenu->addSeparator();
    add(m_fileMenu, IdAppExit);

    QMenu* memory = menuBar()->addMenu(tr("&Memory"));
    for (int id : {IdMemoryFree, IdMemoryLoad, IdMemoryLoadConstants, IdMemorySave})
        add(memory, id);
    // Free and Save follow whether the memory holds anything
    // (UpdateCommandStates), on the
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

    CreateSetMenu(menuBar()->addMenu(tr("&Set")));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    add(help, IdAppAbout);
    // "&Help Topics" above About, F1 by pane and per keypad button, Shift+F1.
    InstallHelp(*this, m_keypad);
    for (QAction* action : help->actions())
        if (action->text() == QCoreApplication::translate("Help", "&Help Topics"))
            action->setProperty("commandId", int(IdHelpFinder));
}

// The Set menu: preferences, notation, the keypad's commands, the editor's font.
void CCalcMainFrame::CreateSetMenu(QMenu* set)
{
    auto add = [this](QMenu* menu, int id) { menu->addAction(m_commands.value(id)); };

    add(set, IdPreferences);
    set->addSeparator();
    QMenu* notation = set->addMenu(tr("&Notation"));
    add(notation, IdNotationEast);
    add(notation, IdNotationWest);
    connect(notation, &QMenu::aboutToShow, this, [this] {
        const unsigned value = m_state.preferences.Get(EPreference::Notation);
        m_commands.value(IdNotationEast)->setChecked(value == 1);
        m_commands.value(IdNotationWest)->setChecked(value == 0);
    });

    CreateKeypadMenu(set->addMenu(tr("&Keypad")));
    QMenu* editorFont = set->addMenu(tr("&Editor Font"));
    add(editorFont, IdEditorFontSelect);
    add(editorFont, IdEditorFontDefault);
    connect(editorFont, &QMenu::aboutToShow, this,
            [this] { m_commands.value(IdEditorFontDefault)->setChecked(m_editor->IsDefaultFont()); });
}

// The keypad's own commands, with their enabling and check marks.
void CCalcMainFrame::CreateKeypadMenu(QMenu* keypad)
{
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
}
