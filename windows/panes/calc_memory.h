#pragma once
// The Memory pane: the memory cells with an include check box each, and the
// Free, Save, Statistics, Invert and Clear buttons acting on them. Below the
// cells, while there are any, the defined values and functions: the name
// with its parameters and the value or the expression, in the order of the
// names as the cells are; Delete (or the list's menu) removes the selected
// ones. A double click on a row hands the editor what stands for it.

#include <QWidget>

#include <array>
#include <functional>
#include <vector>

#include "document/memory_store.h"

class CMemoryStore;
class CPreferenceValues;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class CCalcStatistics;

class CCalcMemory : public QWidget {
    Q_OBJECT
public:
    enum EControlId {
        IdList = 1086,
        IdFree = 1068,
        IdSave = 1085,
        IdStatistics = 1089,
        IdInvert = 1097,
        IdClear = 1051,
    };
    enum EColumn { ColumnIncluded, ColumnNumber, ColumnCell, ColumnValue, ColumnCount };

    // Shows and changes the cells of memory; Free asks as the preferences
    // say.
    CCalcMemory(CMemoryStore& memory, const CPreferenceValues& preferences, QWidget* parent = nullptr);
    // Writes the column widths to the settings.
    ~CCalcMemory() override;

    // Rebuilds the lists from the store when the store says it changed; the
    // user's ticks reach the store first.
    void Refresh();

    // The definitions' columns.
    enum EDefinitionColumn { DefinitionName, DefinitionText, DefinitionColumnCount };
    QTreeWidget* Definitions() const { return m_definitions; }
    // Removes the selected definitions from the memory.
    void RemoveSelectedDefinitions();

    // The pane the Statistics button fills; statisticsShown is emitted after
    // it was filled so the host can show it.
    void SetStatisticsPane(CCalcStatistics* statistics) { m_statistics = statistics; }

    // User interaction, replaceable by tests: a Yes/No question (true for
    // Yes), the save file name (empty to cancel) and an error message.
    std::function<bool(const QString&)> askYesNo;
    std::function<QString()> askSaveFileName;
    std::function<void(const QString&)> showError;
    // The folder the save dialog starts in.
    std::function<QString()> startFolder;
    // Writes the saved memory file, reporting failures itself; the window
    // hands the document's save, which also asks before it writes over a
    // memory file that did not load whole. Without it the pane writes the
    // file and reports through showError.
    std::function<bool(const QString& path, const std::u16string& text)> writeMemoryFile;

    // Button actions, also reachable from tests.
    void Free();
    void Save();
    void Statistics();
    void Invert();
    void Clear();
    void SortByColumn(int column);

    QTreeWidget* List() const { return m_list; }
    // The height of the column of five buttons.
    static int ButtonColumnHeight();
    QPushButton* Button(EControlId id) const;

signals:
    void statisticsShown();
    // The list was rebuilt from the store (cells added, changed or freed).
    void contentsChanged();
    // A row was double-clicked: the text that refers to it, for the
    // editor ("Mem[a]" for a cell, the name of a definition).
    void insertRequested(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CMemoryStore& m_store;
    // Sort directions per column: "Incl" descending (ticked cells first),
    // the others ascending; a click on the sorted column turns its own.
    bool m_sortDirection[ColumnCount] = {false, true, true, true};
    const CPreferenceValues& m_preferences;
    struct CEntry {
        std::u16string name;
        CComplex value;
        bool included;
    };

    int ReadCheckBoxes();
    void WriteIncludeFlags();
    void Rebuild();
    void SortRows();
    void UpdateButtons();
    void FitValueWidth();
    void RebuildDefinitions();
    void PlaceLists();
    void OnRowClicked(QTreeWidgetItem* item, int column);
    void WriteFile(const QString& path, const std::u16string& text);
    int EntryIndex(const QTreeWidgetItem* item) const;

    QTreeWidget* m_list = nullptr;
    QTreeWidget* m_definitions = nullptr;
    std::array<QPushButton*, 5> m_buttons{};
    CCalcStatistics* m_statistics = nullptr;
    std::vector<CEntry> m_snapshot;
    int m_sortColumn = ColumnNumber;
    bool m_fitValueWidth = false;
    bool m_fittingValueWidth = false;
};
