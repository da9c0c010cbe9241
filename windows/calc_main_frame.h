#pragma once
// The main window: the editor in the middle, the Keypad, Log, Memory and
// Statistics panes around it, the menus with the calculation commands and
// the status bar with the previous result.

#include <QMainWindow>

class QDockWidget;
class QLabel;
class QPlainTextEdit;
class CCalcDoc;
class CCalcKeyPad;
class CCalcLog;
class CCalcMemory;
class CCalcStatistics;

class CCalcMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CCalcMainFrame(QWidget* parent = nullptr);
    ~CCalcMainFrame() override;

    CCalcDoc* Document() const { return m_document; }
    QPlainTextEdit* Editor() const { return m_editor; }
    CCalcLog* Log() const { return m_log; }
    CCalcMemory* Memory() const { return m_memory; }
    CCalcKeyPad* Keypad() const { return m_keypad; }
    QDockWidget* Pane(int index) const { return m_panes[index]; }
    QString ResultIndicator() const;

    // Refreshes the result indicator and the memory pane after a run.
    void AfterCalculation();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    QDockWidget* AddPane(const QString& title, QWidget* content, Qt::DockWidgetArea area, int id);
    bool MaybeSave();
    void OpenFile();
    bool SaveFileAs();
    void UpdateTitle();

    QPlainTextEdit* m_editor = nullptr;
    CCalcDoc* m_document = nullptr;
    CCalcKeyPad* m_keypad = nullptr;
    CCalcLog* m_log = nullptr;
    CCalcMemory* m_memory = nullptr;
    CCalcStatistics* m_statistics = nullptr;
    QDockWidget* m_panes[4] = {};
    QLabel* m_result = nullptr;
};
