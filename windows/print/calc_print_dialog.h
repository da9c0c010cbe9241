#pragma once
// The print dialog of the calculator and the progress dialog shown while a
// job prints.

#include <QDialog>
#include <QPrintDialog>

class QLabel;
class QPushButton;

// The platform print dialog with the application icon, pages 1 to 65535,
// print to file, and the "Selection" choice only while the editor has a
// non-empty selection.
class CCalcPrintDialog : public QPrintDialog {
    Q_OBJECT
public:
    CCalcPrintDialog(QPrinter* printer, bool hasSelection, QWidget* parent = nullptr);
};

// "Printing": the document, the page being printed, the printer and its
// port, and "Cancel", which stops the job before its next page.
class CCalcPrintingDialog : public QDialog {
    Q_OBJECT
public:
    CCalcPrintingDialog(const QString& document, const QString& printer, const QString& port,
                        QWidget* parent = nullptr);

    void SetPage(unsigned page);
    bool Cancelled() const { return m_cancelled; }

    QString DocumentText() const;
    QString PageText() const;
    QString PrinterText() const;
    QString PortText() const;
    QPushButton* CancelButton() const { return m_cancel; }

protected:
    void reject() override;

private:
    QLabel* m_document = nullptr;
    QLabel* m_page = nullptr;
    QLabel* m_printer = nullptr;
    QLabel* m_port = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_cancelled = false;
};
