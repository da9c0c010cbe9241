#pragma once
// The docking panes around the editor. A pane remembers three sizes, one per
// way of standing (docked at the top or bottom, docked at the left or right,
// floating), never below its minimum; a resizable pane keeps them in its
// own settings section "GUI/BarState-Bar<id>". A fixed-size pane takes its
// sizes from its content and stores nothing.

#include <QDockWidget>
#include <QList>
#include <QSize>

class QSettings;
class QMainWindow;

class CCalcBar : public QDockWidget {
    Q_OBJECT
public:
    CCalcBar(const QString& title, int controlId, bool fixedSize, QWidget* parent = nullptr);
    ~CCalcBar() override;

    int ControlId() const { return m_controlId; }
    bool IsFixedSize() const { return m_fixedSize; }

    QSize HorizontalSize() const { return m_horizontal; }
    QSize VerticalSize() const { return m_vertical; }
    QSize MinimumSize() const { return m_minimum; }
    void SetSizes(QSize horizontal, QSize vertical, QSize floating, QSize minimum);

    // "GUI/BarState-Bar59423" for the Log pane.
    QString SizesSection(const QString& base = "GUI/BarState") const;
    void LoadSizes(QSettings& settings, const QString& base = "GUI/BarState");
    void SaveSizes(QSettings& settings, const QString& base = "GUI/BarState") const;

    // The size the pane asks for where it stands now.
    QSize RequestedSize() const;
    // Gives the pane its remembered size in the frame.
    void ApplySize(QMainWindow* frame);

    // Every pane that exists, in creation order.
    static const QList<CCalcBar*>& Bars();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int m_controlId;
    bool m_fixedSize;
    QSize m_horizontal{200, 100};
    QSize m_vertical{100, 200};
    QSize m_floating{200, 100};
    QSize m_minimum{100, 100};
    bool m_applying = false;
};

// A pane hosting a dialog-like content widget; its sizes come from the
// content's size: a resizable pane takes it as every size and the minimum,
// a fixed-size pane floats at exactly that size and docks with a margin.
class CCalcDlgBar : public CCalcBar {
    Q_OBJECT
public:
    // contentSize: the content's own size (its template size for a
    // resizable pane).
    CCalcDlgBar(const QString& title, QWidget* content, QSize contentSize, int controlId, bool fixedSize,
                QWidget* parent = nullptr);

    // Recomputes the sizes after the content changed its size.
    void SizeFromContent(QSize content);
};
