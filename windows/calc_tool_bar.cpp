#include "windows/calc_tool_bar.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QStyle>
#include <QToolButton>

#include "windows/platform.h"

namespace {

void FillUnits(QComboBox* list)
{
    for (const char* entry : kUnitsEntries)
        list->addItem(entry);
}

}  // namespace

CCalcTrigonometricUnits::CCalcTrigonometricUnits(QWidget* owner)
    : QWidget(owner, Qt::Tool)
{
    setObjectName("TrigonometricUnits");
    setWindowTitle("Trigonometric function");
    m_list = new QComboBox(this);
    SetControlId(m_list, IdList);
    FillUnits(m_list);
    const QSize origin = DialogUnitsToPixels(this, {3, 3});
    const QSize list = DialogUnitsToPixels(this, {49, 14});
    m_list->setGeometry(origin.width(), origin.height(), list.width(), m_list->sizeHint().height());
    const QSize client = DialogUnitsToPixels(this, {55, 17});
    setFixedSize(client.width(), std::max(client.height(), m_list->sizeHint().height() + 2 * origin.height()));
}

void CCalcTrigonometricUnits::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    emit visibilityChanged(true);
}

void CCalcTrigonometricUnits::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit visibilityChanged(false);
}

CCalcToolBar::CCalcToolBar(QWidget* parent, QAction* unitsButton)
    : QToolBar(parent)
    , m_unitsButton(unitsButton)
{
    setObjectName("ToolBar");
    setWindowTitle("Vantrel Calculator");
    setIconSize(QSize(16, 16));
    setMovable(true);
    setFloatable(true);
    connect(this, &QToolBar::orientationChanged, this, &CCalcToolBar::UpdateUnitsSlot);
}

void CCalcToolBar::AddUnitsList()
{
    m_list = new QComboBox(this);
    SetControlId(m_list, IdUnits);
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    m_list->setMaxVisibleItems(16);
    FillUnits(m_list);
    m_list->setToolTip(m_unitsButton->toolTip());
    m_list->setStatusTip(m_unitsButton->statusTip());
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list);
    const int width = m_list->fontMetrics().horizontalAdvance("Degrees") + scrollBar + 4;
    // The frame and arrow of the platform's combo box come on top of the
    // text room.
    m_list->setFixedWidth(std::max(width, m_list->minimumSizeHint().width()));
    m_listAction = addWidget(m_list);
    addAction(m_unitsButton);

    // Buttons at least as high as the list.
    const int h = m_list->sizeHint().height();
    for (QAction* action : actions()) {
        if (auto* button = qobject_cast<QToolButton*>(widgetForAction(action)))
            button->setMinimumSize(std::max(h, 23), std::max(h, 22));
    }
    UpdateUnitsSlot();
}

void CCalcToolBar::UpdateUnitsSlot()
{
    if (!m_listAction)
        return;
    const bool list = ShowsList();
    m_listAction->setVisible(list);
    m_unitsButton->setVisible(!list);
    emit unitsSlotChanged(list);
}
