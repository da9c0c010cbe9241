#include "windows/panes/calc_memory.h"

#include <QAction>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QFile>
#include <QScrollBar>
#include <QStyle>
#include <QSettings>
#include <QTreeWidget>

#include <algorithm>

#include "document/keypad/keypad_model.h"
#include "document/number_format.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "document/text_file.h"
#include "windows/panes/calc_statistics.h"
#include "windows/base/dialog_folder.h"
#include "windows/base/platform.h"
#include "windows/base/tool_icons.h"

namespace {

constexpr int kMargin = 5;
constexpr int kButtonStep = 28;
constexpr int kButtonSize = 24;
constexpr int kIconSize = 16;
constexpr int kItemDataRole = Qt::UserRole;

const char* const kSettingsGroup = "GUI/Memory";
const char* const kWidthNames[CCalcMemory::ColumnCount] = {"IncludeWidth", "NumberWidth", "CellWidth", "ValueWidth"};
const char* const kWidthSamples[CCalcMemory::ColumnCount] = {
    " Incl ", "88 ", "Long name", "+0.0000000000000000E+000+i*0.0000000000000000E+000"};



// The button icons, drawn here in a 16 x 16 space; they are painted at the
// screen's pixel size in the colours of the palette.
void DrawIcon(QPainter& p, const CIconInk& colors, CCalcMemory::EControlId id)
{
    const QColor ink = colors.ink;
    switch (id) {
    case CCalcMemory::IdFree:  // a red cross
        p.setPen(QPen(QColor(200, 30, 30), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case CCalcMemory::IdSave: {  // a disk
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(70, 110, 190));
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
        p.setBrush(colors.paper);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(colors.paper.darker(110));
        p.drawRect(QRectF(4.5, 9.5, 7, 5));
        break;
    }
    case CCalcMemory::IdStatistics:  // a bar chart
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 140, 60));
        p.drawRect(QRectF(2, 9, 3, 6));
        p.setBrush(QColor(60, 100, 200));
        p.drawRect(QRectF(6.5, 4, 3, 11));
        p.setBrush(QColor(220, 140, 30));
        p.drawRect(QRectF(11, 7, 3, 8));
        break;
    case CCalcMemory::IdInvert: {  // a ticked and an empty box crossed by arrows
        p.setPen(QPen(ink, 1));
        p.setBrush(colors.paper);
        p.drawRect(QRectF(1.5, 1.5, 6, 6));
        p.drawRect(QRectF(8.5, 8.5, 6, 6));
        p.setPen(QPen(colors.Readable(QColor(30, 130, 30)), 1.6));
        QPainterPath tick;
        tick.moveTo(2.8, 4.6);
        tick.lineTo(4.3, 6.2);
        tick.lineTo(6.8, 2.6);
        p.drawPath(tick);
        p.setPen(QPen(ink, 1.2));
        p.drawLine(QPointF(10, 3), QPointF(13, 6));
        p.drawLine(QPointF(13, 6), QPointF(13, 3.5));
        p.drawLine(QPointF(6, 13), QPointF(3, 10));
        p.drawLine(QPointF(3, 10), QPointF(3, 12.5));
        break;
    }
    case CCalcMemory::IdClear:  // an empty box
    default:
        p.setPen(QPen(ink, 1));
        p.setBrush(colors.paper);
        p.drawRect(QRectF(3.5, 3.5, 9, 9));
        break;
    }
}

QIcon DrawIcon(CCalcMemory::EControlId id)
{
    return PaintedIcon([id](QPainter& p, const CIconInk& colors) { DrawIcon(p, colors, id); });
}

// The list of cells. A click makes the clicked cell current, and the plain
// list would then scroll sideways to bring the whole cell into view, taking
// the check boxes out of sight; this one scrolls up and down only.
class CMemoryList : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override
    {
        const int across = horizontalScrollBar()->value();
        QTreeWidget::scrollTo(index, hint);
        horizontalScrollBar()->setValue(across);
    }
};

}  // namespace

CCalcMemory::CCalcMemory(CMemoryStore& memory, const CPreferenceValues& preferences, QWidget* parent)
    : QWidget(parent), m_store(memory), m_preferences(preferences)
{
    m_list = new CMemoryList(this);
    m_list->setProperty("controlId", int(IdList));
    m_list->setAccessibleName(tr("Memory cells"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels({tr("Incl"), tr("N"), tr("Cell"), tr("Value")});
    m_list->headerItem()->setTextAlignment(ColumnNumber, Qt::AlignRight | Qt::AlignVCenter);
    m_list->header()->setSectionsClickable(true);
    m_list->header()->setSectionsMovable(true);
    m_list->header()->setStretchLastSection(false);
    connect(m_list->header(), &QHeaderView::sectionClicked, this, &CCalcMemory::SortByColumn);
    connect(m_list, &QTreeWidget::itemClicked, this, &CCalcMemory::OnRowClicked);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        const std::u16string& name = m_snapshot[static_cast<std::size_t>(EntryIndex(item))].name;
        emit insertRequested(ToQString(MemoryKeyword(m_preferences.Get(EPreference::FormatMemory))) + u'[' +
                             ToQString(name) + u']');
    });

    // The definitions, shown while there are any.
    m_definitions = new CMemoryList(this);
    m_definitions->setAccessibleName(tr("Definitions"));
    m_definitions->setRootIsDecorated(false);
    m_definitions->setUniformRowHeights(true);
    m_definitions->setAllColumnsShowFocus(true);
    m_definitions->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_definitions->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_definitions->setColumnCount(DefinitionColumnCount);
    m_definitions->setHeaderLabels({tr("Name"), tr("Definition")});
    m_definitions->setSortingEnabled(true);
    m_definitions->sortByColumn(DefinitionName, Qt::AscendingOrder);
    m_definitions->setColumnWidth(DefinitionName,
                                  m_definitions->fontMetrics().horizontalAdvance(QStringLiteral("Long name(x, y)")));
    m_definitions->hide();
    auto* remove = new QAction(tr("Remove"), m_definitions);
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    connect(remove, &QAction::triggered, this, &CCalcMemory::RemoveSelectedDefinitions);
    m_definitions->addAction(remove);
    m_definitions->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(m_definitions, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        emit insertRequested(item->data(DefinitionName, kItemDataRole).toString());
    });

    QSettings settings;
    settings.beginGroup(kSettingsGroup);
    const QFontMetrics metrics(m_list->font());
    for (int column = 0; column < ColumnCount; ++column) {
        // The tick column fits its (translated) title.
        const QString sample = column == ColumnIncluded ? QStringLiteral(" %1 ").arg(tr("Incl"))
                                                        : QString::fromLatin1(kWidthSamples[column]);
        int width = metrics.horizontalAdvance(sample);
        bool ok = false;
        const uint stored = settings.value(kWidthNames[column]).toUInt(&ok);
        if (ok && stored > 0 && stored < 100000)
            width = static_cast<int>(stored);
        else if (column == ColumnValue)
            m_fitValueWidth = true;
        m_list->setColumnWidth(column, width);
    }
    // Once the user sizes a column, the widths are the user's.
    connect(m_list->header(), &QHeaderView::sectionResized, this, [this] {
        if (!m_fittingValueWidth)
            m_fitValueWidth = false;
    });

    const EControlId ids[] = {IdFree, IdSave, IdStatistics, IdInvert, IdClear};
    const char* const tips[] = {QT_TR_NOOP("Free"), QT_TR_NOOP("Save"), QT_TR_NOOP("Statistics"), QT_TR_NOOP("Invert"),
                               QT_TR_NOOP("Clear")};
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        QPushButton* button = new QPushButton(this);
        button->setProperty("controlId", int(ids[i]));
        button->setIcon(DrawIcon(ids[i]));
        button->setIconSize(QSize(kIconSize, kIconSize));
        button->setToolTip(tr(tips[i]));
        button->setAccessibleName(button->toolTip());
        button->setEnabled(false);
        m_buttons[i] = button;
    }
    connect(m_buttons[0], &QPushButton::clicked, this, &CCalcMemory::Free);
    connect(m_buttons[1], &QPushButton::clicked, this, &CCalcMemory::Save);
    connect(m_buttons[2], &QPushButton::clicked, this, &CCalcMemory::Statistics);
    connect(m_buttons[3], &QPushButton::clicked, this, &CCalcMemory::Invert);
    connect(m_buttons[4], &QPushButton::clicked, this, &CCalcMemory::Clear);

    askYesNo = [this](const QString& question) {
        return QMessageBox::question(this, QString(), question, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    askSaveFileName = [this] {
        QFileDialog dialog(this);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(tr("Calculator memory files (*.vcm)"));
        dialog.setDefaultSuffix("vcm");
        dialog.setDirectory(startFolder ? startFolder() : DialogStartFolder(QString()));
        dialog.selectFile(tr("Memory 1"));
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                     : QString();
    };
    showError = [this](const QString& message) { QMessageBox::warning(this, QString(), message); };

    Rebuild();
}

CCalcMemory::~CCalcMemory()
{
    QSettings settings;
    settings.beginGroup(kSettingsGroup);
    for (int column = 0; column < ColumnCount; ++column)
        settings.setValue(kWidthNames[column], static_cast<uint>(m_list->columnWidth(column)));
}

QPushButton* CCalcMemory::Button(EControlId id) const
{
    for (QPushButton* button : m_buttons)
        if (button->property("controlId").toInt() == id)
            return button;
    return nullptr;
}

int CCalcMemory::EntryIndex(const QTreeWidgetItem* item) const
{
    return item->data(ColumnIncluded, kItemDataRole).toInt();
}

int CCalcMemory::ReadCheckBoxes()
{
    int ticked = 0;
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = m_list->topLevelItem(row);
        const bool included = item->checkState(ColumnIncluded) == Qt::Checked;
        m_snapshot[static_cast<std::size_t>(EntryIndex(item))].included = included;
        ticked += included ? 1 : 0;
    }
    return ticked;
}

void CCalcMemory::WriteIncludeFlags()
{
    for (const CEntry& entry : m_snapshot)
        m_store.SetIncluded(entry.name, entry.included);
}

void CCalcMemory::Refresh()
{
    if (!m_store.TakeRefreshNeeded())
        return;
    ReadCheckBoxes();
    WriteIncludeFlags();
    Rebuild();
}

void CCalcMemory::Rebuild()
{
    m_snapshot.clear();
    for (const auto& [name, cell] : m_store.Cells())
        m_snapshot.push_back({name, cell.value, cell.included});

    m_list->setUpdatesEnabled(false);
    m_list->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(m_snapshot.size()));
    const std::u16string_view format = GetResultFormat();
    const char16_t unit = GetImaginaryUnit();
    for (std::size_t i = 0; i < m_snapshot.size(); ++i) {
        const CEntry& entry = m_snapshot[i];
        auto* item = new QTreeWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setData(ColumnIncluded, kItemDataRole, static_cast<int>(i));
        item->setCheckState(ColumnIncluded, entry.included ? Qt::Checked : Qt::Unchecked);
        item->setText(ColumnNumber, QString::number(i + 1));
        item->setTextAlignment(ColumnNumber, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(ColumnCell, ToQString(entry.name));
        item->setText(ColumnValue, ToQString(FormatComplex(entry.value, format, unit)));
        item->setToolTip(ColumnValue, item->text(ColumnValue));
        items.append(item);
    }
    m_list->addTopLevelItems(items);
    if (!(m_sortColumn == ColumnNumber && m_sortDirection[ColumnNumber]))
        SortRows();
    m_list->setUpdatesEnabled(true);
    RebuildDefinitions();
    UpdateButtons();
    emit contentsChanged();
}

void CCalcMemory::RebuildDefinitions()
{
    const NCalculatorText::CDefinitions& definitions = m_store.Definitions();
    m_definitions->setUpdatesEnabled(false);
    m_definitions->clear();
    const std::u16string_view format = GetResultFormat();
    const char16_t unit = GetImaginaryUnit();
    QList<QTreeWidgetItem*> items;
    for (const auto& [name, definition] : definitions.Items()) {
        auto* item = new QTreeWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setData(DefinitionName, kItemDataRole, ToQString(name));
        item->setText(DefinitionName, ToQString(definition.Head()));
        const std::u16string text =
            definition.IsFunction() ? definition.body : FormatComplex(definition.value, format, unit);
        item->setText(DefinitionText, ToQString(text));
        item->setToolTip(DefinitionText, ToQString(definition.Head() + u" := " + text));
        items.append(item);
    }
    m_definitions->addTopLevelItems(items);
    m_definitions->setUpdatesEnabled(true);
    const bool shown = !definitions.Empty();
    if (shown != m_definitions->isVisibleTo(this))
        m_definitions->setVisible(shown);
    // The share of the cells follows their number.
    PlaceLists();
}

void CCalcMemory::RemoveSelectedDefinitions()
{
    QStringList names;
    for (const QTreeWidgetItem* item : m_definitions->selectedItems())
        names << item->data(DefinitionName, kItemDataRole).toString();
    if (names.isEmpty())
        return;
    for (const QString& name : names)
        m_store.RemoveDefinition(FromQString(name));
    Refresh();
}

void CCalcMemory::UpdateButtons()
{
    const std::size_t count = m_store.Count();
    // Free all and Save take the definitions as well.
    Button(IdFree)->setEnabled(!m_store.Empty());
    Button(IdSave)->setEnabled(!m_store.Empty());
    Button(IdInvert)->setEnabled(count >= 1);
    Button(IdClear)->setEnabled(count >= 1);
    Button(IdStatistics)->setEnabled(count > 1);
}

void CCalcMemory::SortByColumn(int column)
{
    if (column < 0 || column >= ColumnCount)
        return;
    if (column == m_sortColumn)
        m_sortDirection[column] = !m_sortDirection[column];
    else {
        m_sortColumn = column;
        m_sortDirection[column] = column != ColumnIncluded;
    }
    if (m_sortColumn == ColumnIncluded)
        ReadCheckBoxes();
    SortRows();
}

void CCalcMemory::SortRows()
{
    const int column = m_sortColumn;
    const bool ascending = m_sortDirection[column];
    // Strict ordering of two snapshot entries by the sort column; equal keys
    // keep their relative order.
    auto before = [&](int a, int b) {
        const CEntry& x = m_snapshot[static_cast<std::size_t>(a)];
        const CEntry& y = m_snapshot[static_cast<std::size_t>(b)];
        switch (column) {
        case ColumnIncluded:
            return ascending ? x.included < y.included : x.included > y.included;
        case ColumnNumber:
            return ascending ? a < b : a > b;
        case ColumnCell:
            return ascending ? x.name < y.name : y.name < x.name;
        default:
            return ascending ? x.value.real() < y.value.real() : x.value.real() > y.value.real();
        }
    };

    QList<QTreeWidgetItem*> items;
    while (m_list->topLevelItemCount() > 0)
        items.append(m_list->takeTopLevelItem(0));
    std::stable_sort(items.begin(), items.end(), [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return before(EntryIndex(a), EntryIndex(b));
    });
    m_list->addTopLevelItems(items);
    m_list->header()->setSortIndicatorShown(true);
    m_list->header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CCalcMemory::OnRowClicked(QTreeWidgetItem*, int column)
{
    if (column <= ColumnIncluded)
        return;
    for (QTreeWidgetItem* item : m_list->selectedItems())
        item->setCheckState(ColumnIncluded, Qt::Checked);
}

void CCalcMemory::Free()
{
    const int ticked = ReadCheckBoxes();
    const unsigned confirmation = m_preferences.Get(EPreference::FreeConfirmation);
    if (ticked == 0 || ticked == m_list->topLevelItemCount()) {
        if (confirmation != 0 && !askYesNo(tr("You are about to erase all the memory.\nAre you sure?")))
            return;
        m_store.FreeMemory(EMemorySelection::All);
    } else {
        if (confirmation > 1 && !askYesNo(tr("You are about to erase selected memory.\nAre you sure?")))
            return;
        WriteIncludeFlags();
        m_store.FreeMemory(EMemorySelection::IncludedOnly);
    }
    Refresh();
}

void CCalcMemory::Save()
{
    const int ticked = ReadCheckBoxes();
    if (ticked > 0)
        WriteIncludeFlags();
    const std::u16string text =
        m_store.BuildMemoryFileText(ticked > 0 ? EMemorySelection::IncludedOnly : EMemorySelection::All);
    const QString path = askSaveFileName();
    if (path.isEmpty())
        return;
    RememberDialogFolder(path);
    WriteFile(path, text);
}

void CCalcMemory::WriteFile(const QString& path, const std::u16string& text)
{
    // The program's one file writer: the whole file or nothing, with the
    // old file's mode and links kept.
    if (writeMemoryFile) {
        writeMemoryFile(path, text);
        return;
    }
    int error = 0;
    const EFileResult result =
        WriteFileReplacing(QFile::encodeName(path).toStdString(), EncodeUtf16File(text), &error);
    if (result != EFileResult::Ok)
        showError(FileWriteMessage(result, path, error));
}

void CCalcMemory::Statistics()
{
    const int ticked = ReadCheckBoxes();
    if (ticked == 1 && !askYesNo(tr("Only one cell selected\nCalculate for all cells?")))
        return;
    std::vector<CComplex> values;
    for (const CEntry& entry : m_snapshot)
        if (ticked < 2 || entry.included)
            values.push_back(entry.value);
    if (values.size() < 2 || !m_statistics)
        return;
    m_statistics->ShowStatistics(values);
    emit statisticsShown();
}

void CCalcMemory::Invert()
{
    ReadCheckBoxes();
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_list->topLevelItem(row);
        CEntry& entry = m_snapshot[static_cast<std::size_t>(EntryIndex(item))];
        entry.included = !entry.included;
        item->setCheckState(ColumnIncluded, entry.included ? Qt::Checked : Qt::Unchecked);
    }
}

void CCalcMemory::Clear()
{
    for (CEntry& entry : m_snapshot)
        entry.included = false;
    for (int row = 0; row < m_list->topLevelItemCount(); ++row)
        m_list->topLevelItem(row)->setCheckState(ColumnIncluded, Qt::Unchecked);
}

void CCalcMemory::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceLists();
}

void CCalcMemory::PlaceLists()
{
    const int strip = kMargin * 3 / 2 + kButtonSize;
    const int listWidth = std::max(0, width() - strip);
    if (m_definitions->isVisibleTo(this)) {
        // The cells above, the definitions below: the cells take what their
        // rows need (two at least), up to half the height.
        const int row = std::max(m_list->fontMetrics().height() + 2, m_list->sizeHintForRow(0));
        const int needed = m_list->header()->sizeHint().height() + 2 * m_list->frameWidth() +
                           std::max(2, m_list->topLevelItemCount()) * row;
        const int cells = std::max(0, std::min(needed, (height() - kMargin) / 2));
        m_list->setGeometry(0, 0, listWidth, cells);
        m_definitions->setGeometry(0, cells + kMargin, listWidth, std::max(0, height() - cells - kMargin));
    } else {
        m_list->setGeometry(0, 0, listWidth, height());
    }
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setGeometry(listWidth + kMargin, static_cast<int>(i) * kButtonStep, kButtonSize, kButtonSize);
    FitValueWidth();
}

int CCalcMemory::ButtonColumnHeight()
{
    return 4 * kButtonStep + kButtonSize;
}

void CCalcMemory::FitValueWidth()
{
    if (!m_fitValueWidth)
        return;
    // The Value column without a width of its own fills the rest of the
    // list, so that every column shows; the values that do not fit are
    // elided, and the full text is in the tool tip.
    const int frame = 2 * m_list->frameWidth();
    const int scrollBar = m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list);
    int others = 0;
    for (int column = 0; column < ColumnCount; ++column)
        if (column != ColumnValue)
            others += m_list->columnWidth(column);
    const int room = m_list->width() - frame - scrollBar - others;
    const int minimum = m_list->fontMetrics().horizontalAdvance(QStringLiteral("Value")) * 2;
    m_fittingValueWidth = true;
    m_list->setColumnWidth(ColumnValue, std::max(minimum, room));
    m_fittingValueWidth = false;
}
