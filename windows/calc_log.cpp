#include "windows/calc_log.h"

#include <QHeaderView>
#include <QSettings>

namespace {

const char* const kSettingsGroup = "GUI/Log";
const char* const kWidthNames[] = {"NumberWidth", "StatusWidth", "ContextWidth", "DescriptionWidth"};
const char* const kWidthSamples[] = {"888 ", " Warning ", "Modified Bessel of the second kind ",
                                     "Operation resulted in overflow, too big positive number returned"};

QString ToQString(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CCalcLog::CCalcLog(QWidget* parent)
    : QTreeWidget(parent)
{
    setProperty("controlId", int(IdList));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHeaderLabels({"N", "Status", "Context", "Description"});
    header()->setSectionsClickable(false);
    QSettings settings;
    settings.beginGroup(kSettingsGroup);
    for (int column = 0; column < 4; ++column) {
        int width = fontMetrics().horizontalAdvance(QString::fromLatin1(kWidthSamples[column]));
        bool ok = false;
        const uint stored = settings.value(kWidthNames[column]).toUInt(&ok);
        if (ok && stored > 0 && stored < 100000)
            width = static_cast<int>(stored);
        setColumnWidth(column, width);
    }
}

CCalcLog::~CCalcLog()
{
    QSettings settings;
    settings.beginGroup(kSettingsGroup);
    for (int column = 0; column < 4; ++column)
        settings.setValue(kWidthNames[column], static_cast<uint>(columnWidth(column)));
}

void CCalcLog::AddMessage(const CCalcMessage& message)
{
    auto* item = new QTreeWidgetItem(this);
    item->setText(0, QString::number(topLevelItemCount()));
    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    const bool error = message.severity != 0;
    item->setText(1, error ? "Error" : "Warning");
    item->setForeground(1, error ? QColor(Qt::red) : QColor(Qt::blue));
    item->setText(2, QString::fromUtf16(message.context));
    item->setText(3, ToQString(message.description));
    item->setToolTip(3, item->text(3));
    scrollToItem(item);
    emit messageAdded();
}

void CCalcLog::StartCalculation()
{
    clear();
}
