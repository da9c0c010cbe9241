#include "windows/frame/calc_bar.h"

#include <QMainWindow>
#include <QResizeEvent>
#include <QSettings>

#include "windows/base/platform.h"

namespace {

QList<CCalcBar*>& AllBars()
{
    static QList<CCalcBar*> bars;
    return bars;
}

const char* const kSizeNames[6] = {"HorizontalX", "HorizontalY", "VerticalX", "VerticalY", "FloatingX", "FloatingY"};

}  // namespace

CCalcBar::CCalcBar(const QString& title, int controlId, bool fixedSize, QWidget* parent)
    : QDockWidget(title, parent)
    , m_controlId(controlId)
    , m_fixedSize(fixedSize)
{
    setObjectName(QString("Bar%1").arg(controlId));
    ::SetControlId(this, controlId);
    setAllowedAreas(Qt::AllDockWidgetAreas);
    AllBars().append(this);
    // The title stands on the row-start side: at the left of a pane docked
    // at the top or bottom, so that it takes no height from the rows.
    connect(this, &QDockWidget::dockLocationChanged, this, [this](Qt::DockWidgetArea area) {
        const bool acrossRow = area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
        setFeatures(acrossRow ? features() | DockWidgetVerticalTitleBar : features() & ~DockWidgetVerticalTitleBar);
    });
}

CCalcBar::~CCalcBar()
{
    AllBars().removeAll(this);
}

const QList<CCalcBar*>& CCalcBar::Bars()
{
    return AllBars();
}

void CCalcBar::SetSizes(QSize horizontal, QSize vertical, QSize floating, QSize minimum)
{
    m_minimum = minimum;
    m_horizontal = horizontal.expandedTo(minimum);
    m_vertical = vertical.expandedTo(minimum);
    m_floating = floating.expandedTo(minimum);
}

QString CCalcBar::SizesSection(const QString& base) const
{
    return QString("%1-Bar%2").arg(base).arg(m_controlId);
}

void CCalcBar::LoadSizes(QSettings& settings, const QString& base)
{
    if (m_fixedSize)
        return;
    settings.beginGroup(SizesSection(base));
    int* fields[6] = {&m_horizontal.rwidth(), &m_horizontal.rheight(), &m_vertical.rwidth(),
                      &m_vertical.rheight(),  &m_floating.rwidth(),   &m_floating.rheight()};
    for (int i = 0; i < 6; ++i) {
        const int minimum = i % 2 == 0 ? m_minimum.width() : m_minimum.height();
        bool ok = false;
        const int value = settings.value(kSizeNames[i], *fields[i]).toInt(&ok);
        *fields[i] = ok && value >= minimum ? value : minimum;
    }
    settings.endGroup();
}

void CCalcBar::SaveSizes(QSettings& settings, const QString& base) const
{
    if (m_fixedSize)
        return;
    settings.beginGroup(SizesSection(base));
    const int values[6] = {m_horizontal.width(), m_horizontal.height(), m_vertical.width(),
                           m_vertical.height(),  m_floating.width(),   m_floating.height()};
    for (int i = 0; i < 6; ++i)
        settings.setValue(kSizeNames[i], values[i]);
    settings.endGroup();
}

QSize CCalcBar::RequestedSize() const
{
    if (isFloating())
        return m_floating;
    const auto* frame = qobject_cast<const QMainWindow*>(parentWidget());
    const Qt::DockWidgetArea area = frame ? frame->dockWidgetArea(const_cast<CCalcBar*>(this)) : Qt::BottomDockWidgetArea;
    const bool across = area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
    return across ? m_horizontal : m_vertical;
}

void CCalcBar::ApplySize(QMainWindow* frame)
{
    m_applying = true;
    const QSize size = RequestedSize();
    if (isFloating()) {
        resize(size);
    } else {
        const Qt::DockWidgetArea area = frame->dockWidgetArea(this);
        if (area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea)
            frame->resizeDocks({this}, {size.height()}, Qt::Vertical);
        else
            frame->resizeDocks({this}, {size.width()}, Qt::Horizontal);
    }
    m_applying = false;
}

void CCalcBar::resizeEvent(QResizeEvent* event)
{
    QDockWidget::resizeEvent(event);
    // The user's resizing is remembered for the way the pane stands now.
    if (m_applying || m_fixedSize || !isVisible())
        return;
    const QSize size = event->size().expandedTo(m_minimum);
    if (isFloating()) {
        m_floating = size;
        return;
    }
    const auto* frame = qobject_cast<const QMainWindow*>(parentWidget());
    if (!frame)
        return;
    const Qt::DockWidgetArea area = frame->dockWidgetArea(this);
    if (area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea)
        m_horizontal.setHeight(size.height());
    else if (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea)
        m_vertical.setWidth(size.width());
}

CCalcDlgBar::CCalcDlgBar(const QString& title, QWidget* content, QSize contentSize, int controlId, bool fixedSize,
                         QWidget* parent)
    : CCalcBar(title, controlId, fixedSize, parent)
{
    setWidget(content);
    SizeFromContent(contentSize);
}

void CCalcDlgBar::SizeFromContent(QSize c)
{
    if (IsFixedSize())
        SetSizes({c.width() + 15, c.height() + 10}, {c.width() + 10, c.height() + 15}, c,
                 {c.width() + 15, c.height() + 15});
    else
        SetSizes(c, c, c, c);
}
