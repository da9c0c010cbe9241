#include "windows/frame/calc_tool_bar.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QStyle>
#include <QShowEvent>
#include <QToolButton>

#include <algorithm>

#include "windows/base/platform.h"

namespace {

void FillUnits(QComboBox* list)
{
    for (const char* entry : kUnitsEntries)
        list->addItem(CCalcToolBar::tr(entry));
}

}  // namespace

CCalcTrigonometricUnits::CCalcTrigonometricUnits(QWidget* owner)
    // A tool window: a small caption with only a close button, kept above
    // its owner.
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName("TrigonometricUnits");
    setWindowTitle(tr("Trigonometric function"));
    m_list = new QComboBox(this);
    SetControlId(m_list, IdList);
    FillUnits(m_list);
    const QSize origin = DialogUnitsToPixels(this, {3, 3});
    const QSize client = DialogUnitsToPixels(this, {55, 17});
    // Wide enough for the whole caption beside its close button, and for
    // the list.
    const int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const QFontMetrics titleFont(QApplication::font("QMdiSubWindowTitleBar"));
    const int width = std::max({client.width(), titleFont.horizontalAdvance(windowTitle()) + 3 * caption,
                                m_list->sizeHint().width() + 2 * origin.width()});
    m_list->setGeometry(origin.width(), origin.height(), width - 2 * origin.width(), m_list->sizeHint().height());
    setFixedSize(width, std::max(client.height(), m_list->sizeHint().height() + 2 * origin.height()));
}

void CCalcTrigonometricUnits::PlaceBesideToolBar()
{
    QWidget* owner = parentWidget();
    const auto* bar = owner ? owner->findChild<CCalcToolBar*>() : nullptr;
    if (!bar || !bar->isVisible())
        return;
    // Right of a tool bar that stands upright, below one that lies.
    const int gap = 4;
    QPoint place = bar->orientation() == Qt::Vertical ? bar->mapToGlobal(QPoint(bar->width() + gap, 0))
                                                       : bar->mapToGlobal(QPoint(0, bar->height() + gap));
    // Within the main window where it fits.
    const QRect area = owner->geometry();
    place.setX(std::clamp(place.x(), area.left(), std::max(area.left(), area.right() - width())));
    place.setY(std::clamp(place.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    move(place);
}

void CCalcTrigonometricUnits::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        PlaceBesideToolBar();
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
    setWindowTitle(tr("Vantrel Calculator"));
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
    // Room for the longest entry ("Degrees" in English).
    int longest = 0;
    for (const char* entry : kUnitsEntries)
        longest = std::max(longest, m_list->fontMetrics().horizontalAdvance(tr(entry)));
    const int width = longest + scrollBar + 4;
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
