#pragma once
// The tool bar with its list of trigonometric units, and the small
// "Trigonometric function" window that carries the same list while the tool
// bar stands vertically.

#include <QToolBar>
#include <QWidget>

class QAction;
class QComboBox;

// The three entries of both units lists, in the order of the preference
// "TrigonometricUnits"; they are shown translated.
inline const char* const kUnitsEntries[3] = {QT_TRANSLATE_NOOP("CCalcToolBar", "Radians"),
                                             QT_TRANSLATE_NOOP("CCalcToolBar", "Degrees"),
                                             QT_TRANSLATE_NOOP("CCalcToolBar", "Grads")};

class CCalcTrigonometricUnits : public QWidget {
    Q_OBJECT
public:
    enum { IdList = 1088 };
    explicit CCalcTrigonometricUnits(QWidget* owner);
    QComboBox* List() const { return m_list; }
    // Puts the window beside the main window's tool bar.
    void PlaceBesideToolBar();

signals:
    void visibilityChanged(bool visible);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QComboBox* m_list;
};

class CCalcToolBar : public QToolBar {
    Q_OBJECT
public:
    enum { IdUnits = 32780 };
    // unitsButton is the command shown in the list's place while the tool
    // bar stands vertically.
    CCalcToolBar(QWidget* parent, QAction* unitsButton);

    // Adds the list in the next slot.
    void AddUnitsList();
    QComboBox* List() const { return m_list; }
    // Whether the list shows (horizontal) or the button (vertical).
    bool ShowsList() const { return orientation() == Qt::Horizontal; }

signals:
    // The list or the button took the units slot.
    void unitsSlotChanged(bool showsList);

private:
    void UpdateUnitsSlot();

    QAction* m_unitsButton;
    QAction* m_listAction = nullptr;
    QComboBox* m_list = nullptr;
};
