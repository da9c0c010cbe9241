#include "windows/panes/calc_log.h"

#include <QHeaderView>
#include <QSettings>

#include "windows/base/platform.h"

namespace {

const char* const kSettingsGroup = "GUI/Log";
const char* const kWidthNames[] = {"NumberWidth", "StatusWidth", "ContextWidth", "DescriptionWidth"};
const char* const kWidthSamples[] = {
    "88", "Warning", "Archyperbolic cotangent",
    "Operation resulted in partial loss of precision, result accepted as 0.12345678."};
// Errors in red, warnings in blue, the whole line.
const QColor kErrorColor(0xFF, 0x00, 0x00);
const QColor kWarningColor(0x00, 0x00, 0xFF);

}  // namespace

CCalcLog::CCalcLog(QWidget* parent)
    : QTreeWidget(parent)
{
    setProperty("controlId", int(IdList));
    setAccessibleName(tr("Log messages"));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHeaderLabels({tr("N"), tr("Status"), tr("Context"), tr("Description")});
    header()->setSectionsClickable(false);
    QSettings settings;
    settings.beginGroup(kSettingsGroup);
    for (int column = 0; column < 4; ++column) {
        // The sample text plus the cell padding, so the sample shows whole.
        // The status column fits its (translated) word.
        const QString sample = column == 1 ? tr("Warning") : QString::fromLatin1(kWidthSamples[column]);
        int width = fontMetrics().horizontalAdvance(sample) + 12;
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
    // Severity 1 is an error; anything else is a warning.
    const bool error = message.severity == 1;
    item->setData(0, Qt::UserRole, message.severity);
    item->setText(1, error ? tr("Error") : tr("Warning"));
    item->setText(2, QString::fromUtf16(message.context));
    item->setText(3, ToQString(message.description));
    item->setToolTip(3, item->text(3));
    for (int column = 0; column < 4; ++column)
        item->setForeground(column, error ? kErrorColor : kWarningColor);
    scrollToItem(item);
    emit messageAdded();
}

void CCalcLog::StartCalculation()
{
    clear();
}
