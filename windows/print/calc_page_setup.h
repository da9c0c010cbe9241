#pragma once
// The page setup dialog: paper and orientation of the printer, the margins
// in the user's measurement system, the header and footer items ("Page")
// and the text and header/footer fonts. OK stores everything into the
// print settings and makes the printer the application's printer choice.

#include <QDialog>

#include <functional>

#include "document/qt/print_settings.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;

class CCalcPageSetup : public QDialog {
    Q_OBJECT
public:
    CCalcPageSetup(QPrinter* printer, CPrintSettings& settings, CPrinterChoice& choice, QWidget* parent = nullptr);

    // "%s %u pt" with face and size, then ", bold" above weight 400 and
    // ", italic" when italic.
    static QString FontText(const CPrintFont& font);

    // Asked by "Select..." with the current font; true and the font changed
    // when the user chose one. The font dialog unless replaced.
    std::function<bool(QFont&)> selectFont;

    // Whether margins show in hundredths of millimetres (else thousandths
    // of inches).
    bool Metric() const { return m_metric; }

    void accept() override;

private:
    struct CFontGroup {
        QGroupBox* box = nullptr;
        QLineEdit* field = nullptr;
        QPushButton* select = nullptr;
        QCheckBox* byDefault = nullptr;
        CPrintFont font;
        CPrintFont defaults;
    };
    QGroupBox* MakeFontGroup(CFontGroup& group, const QString& title, const QString& name);
    void ShowFont(CFontGroup& group);
    void SelectFont(CFontGroup& group);
    void ChoosePrinter();
    void FillPaperSizes();

    QPrinter* m_printer;
    CPrintSettings& m_settings;
    CPrinterChoice& m_choice;
    bool m_metric;
    QComboBox* m_paper = nullptr;
    QRadioButton* m_portrait = nullptr;
    QRadioButton* m_landscape = nullptr;
    QDoubleSpinBox* m_margins[4] = {};
    QCheckBox* m_items[4] = {};
    QComboBox* m_numberFormat = nullptr;
    QComboBox* m_position = nullptr;
    CFontGroup m_textFont;
    CFontGroup m_serviceFont;
};
