#include "windows/print/calc_print_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

CCalcPrintDialog::CCalcPrintDialog(QPrinter* printer, bool hasSelection, QWidget* parent)
    : QPrintDialog(printer, parent)
{
    setWindowIcon(QApplication::windowIcon());
    setMinMax(1, 65535);
    setOption(QAbstractPrintDialog::PrintToFile, true);
    setOption(QAbstractPrintDialog::PrintPageRange, true);
    setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    setOption(QAbstractPrintDialog::PrintSelection, hasSelection);
}

CCalcPrintingDialog::CCalcPrintingDialog(const QString& document, const QString& printer, const QString& port,
                                         QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Printing"));
    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(size, size));

    m_document = new QLabel(document, this);
    m_page = new QLabel(this);
    m_printer = new QLabel(printer, this);
    m_port = new QLabel(port, this);
    auto* grid = new QGridLayout;
    const char* const labels[] = {QT_TR_NOOP("Document"), QT_TR_NOOP("Page"), QT_TR_NOOP("Printer"),
                                  QT_TR_NOOP("Port")};
    QLabel* const values[] = {m_document, m_page, m_printer, m_port};
    for (int row = 0; row < 4; ++row) {
        grid->addWidget(new QLabel(tr(labels[row]), this), row, 0);
        grid->addWidget(values[row], row, 1);
    }

    m_cancel = new QPushButton(tr("Cancel"), this);
    connect(m_cancel, &QPushButton::clicked, this, &CCalcPrintingDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(grid, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    SetPage(1);
}

void CCalcPrintingDialog::SetPage(unsigned page)
{
    m_page->setText(tr("Page %1").arg(page));
}

void CCalcPrintingDialog::reject()
{
    // The job notices at its next page; the dialog stays until it ends.
    m_cancelled = true;
    m_cancel->setEnabled(false);
}

QString CCalcPrintingDialog::DocumentText() const { return m_document->text(); }
QString CCalcPrintingDialog::PageText() const { return m_page->text(); }
QString CCalcPrintingDialog::PrinterText() const { return m_printer->text(); }
QString CCalcPrintingDialog::PortText() const { return m_port->text(); }
