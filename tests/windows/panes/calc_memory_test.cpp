#include "support/fresh_state.h"
#include "windows/panes/calc_memory.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QHeaderView>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "document/preferences.h"
#include "windows/panes/calc_statistics.h"

namespace {

void EnsureApplication()
{
    if (QApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    QApplication::setOrganizationName("Vantrel");
    QApplication::setApplicationName("Calculator Ka-Vm");
}

class MemoryPane : public ::testing::Test {
protected:
    CFreshState fresh;

    void SetUp() override
    {
        EnsureApplication();
        ASSERT_TRUE(settingsFolder.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
        QSettings::setDefaultFormat(QSettings::NativeFormat);
        pane = std::make_unique<CCalcMemory>(MemoryStore(), Preferences());
        pane->resize(400, 200);
        pane->askYesNo = [this](const QString& question) {
            questions.push_back(question);
            return answer;
        };
        pane->showError = [this](const QString& message) { errors.push_back(message); };
        statistics = std::make_unique<CCalcStatistics>();
        pane->SetStatisticsPane(statistics.get());
        QObject::connect(pane.get(), &CCalcMemory::statisticsShown, [this] { ++shown; });
    }
    void TearDown() override
    {
        pane.reset();
        statistics.reset();
    }

    void Store(const char16_t* name, CComplex value)
    {
        MemoryStore().Store(name, value);
    }
    void StoreFive()
    {
        Store(u"a", 5);
        Store(u"b", -1);
        Store(u"c", 3);
        Store(u"d", CComplex(2, 7));
        Store(u"e", 0.5);
        pane->Refresh();
    }
    QTreeWidgetItem* Row(int row) const { return pane->List()->topLevelItem(row); }
    int Rows() const { return pane->List()->topLevelItemCount(); }
    void Tick(int row, bool on = true)
    {
        Row(row)->setCheckState(CCalcMemory::ColumnIncluded, on ? Qt::Checked : Qt::Unchecked);
    }
    QStringList Column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < Rows(); ++row)
            texts << Row(row)->text(column);
        return texts;
    }
    QStringList Names() const
    {
        QStringList names;
        for (const auto& [name, cell] : MemoryStore().Cells())
            names << QString::fromStdU16String(name);
        return names;
    }
    bool Enabled(CCalcMemory::EControlId id) const { return pane->Button(id)->isEnabled(); }

    // A value or, with parameters, a function, defined as a calculation
    // would define it.
    static void Define(const char16_t* name, std::vector<std::u16string> parameters, const char16_t* body,
                       CComplex value = 0)
    {
        NCalculatorText::CDefinition definition;
        definition.name = name;
        definition.parameters = std::move(parameters);
        definition.body = body;
        definition.value = value;
        MemoryStore().Definitions().Define(std::move(definition));
    }
    QStringList DefinitionColumn(int column) const
    {
        QStringList texts;
        for (int row = 0; row < pane->Definitions()->topLevelItemCount(); ++row)
            texts << pane->Definitions()->topLevelItem(row)->text(column);
        return texts;
    }

    QTemporaryDir settingsFolder;
    std::unique_ptr<CCalcMemory> pane;
    std::unique_ptr<CCalcStatistics> statistics;
    QStringList questions;
    QStringList errors;
    bool answer = true;
    int shown = 0;
};

TEST_F(MemoryPane, RefreshListsTheCellsInStoreOrder)
{
    Store(u"b", 2);
    Store(u"a", 1);
    Store(u"10", CComplex(0, -1));
    pane->Refresh();
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Column(CCalcMemory::ColumnNumber), QStringList({"1", "2", "3"}));
    EXPECT_EQ(Column(CCalcMemory::ColumnCell), QStringList({"10", "a", "b"}));
    EXPECT_EQ(Column(CCalcMemory::ColumnValue), QStringList({QString::fromUtf8("\xE2\x88\x92i"), "1", "2"}));
    EXPECT_FALSE(MemoryStore().RefreshNeeded());

    // Nothing changed in the store: a refresh leaves the list alone.
    Row(0)->setText(CCalcMemory::ColumnCell, "edited");
    pane->Refresh();
    EXPECT_EQ(Row(0)->text(CCalcMemory::ColumnCell), "edited");
}

TEST_F(MemoryPane, ValuesFollowTheNumberPreferences)
{
    Preferences().Set(EPreference::NotationCase, 1);
    Preferences().Set(EPreference::FormatI, 1);
    Store(u"x", CComplex(1e-30, 2));
    pane->Refresh();
    EXPECT_EQ(Row(0)->text(CCalcMemory::ColumnValue), QString::fromUtf8("1.0000000000000001E-030+j\xC3\x97" "2"));
}

TEST_F(MemoryPane, ButtonsFollowTheNumberOfCells)
{
    for (auto id : {CCalcMemory::IdFree, CCalcMemory::IdSave, CCalcMemory::IdStatistics, CCalcMemory::IdInvert,
                    CCalcMemory::IdClear})
        EXPECT_FALSE(Enabled(id));
    Store(u"one", 1);
    pane->Refresh();
    EXPECT_TRUE(Enabled(CCalcMemory::IdFree));
    EXPECT_TRUE(Enabled(CCalcMemory::IdSave));
    EXPECT_TRUE(Enabled(CCalcMemory::IdInvert));
    EXPECT_TRUE(Enabled(CCalcMemory::IdClear));
    EXPECT_FALSE(Enabled(CCalcMemory::IdStatistics));
    Store(u"two", 2);
    pane->Refresh();
    EXPECT_TRUE(Enabled(CCalcMemory::IdStatistics));
}

TEST_F(MemoryPane, TicksSurviveARefresh)
{
    StoreFive();
    Tick(1);
    Store(u"f", 6);
    pane->Refresh();
    ASSERT_EQ(Rows(), 6);
    EXPECT_EQ(Row(1)->checkState(CCalcMemory::ColumnIncluded), Qt::Checked);
    EXPECT_TRUE(MemoryStore().Cells().at(u"b").included);
    EXPECT_EQ(Row(0)->checkState(CCalcMemory::ColumnIncluded), Qt::Unchecked);
}

TEST_F(MemoryPane, FreeWithNothingOrEverythingTickedErasesAllAfterAsking)
{
    StoreFive();
    answer = false;
    pane->Free();
    EXPECT_EQ(questions, QStringList({"You are about to erase all the memory.\nAre you sure?"}));
    EXPECT_EQ(MemoryStore().Count(), 5u);

    answer = true;
    for (int row = 0; row < 5; ++row)
        Tick(row);
    pane->Free();
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(questions.back(), "You are about to erase all the memory.\nAre you sure?");
    EXPECT_EQ(MemoryStore().Count(), 0u);
    EXPECT_EQ(Rows(), 0);
    EXPECT_FALSE(Enabled(CCalcMemory::IdFree));
}

TEST_F(MemoryPane, FreeingTickedCellsAsksOnlyWithTheStrictestConfirmation)
{
    StoreFive();
    Preferences().Set(EPreference::FreeConfirmation, 1);
    Tick(0);
    Tick(3);
    pane->Free();
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(Names(), QStringList({"b", "c", "e"}));

    Preferences().Set(EPreference::FreeConfirmation, 2);
    Tick(0);
    answer = false;
    pane->Free();
    EXPECT_EQ(questions, QStringList({"You are about to erase selected memory.\nAre you sure?"}));
    EXPECT_EQ(Names(), QStringList({"b", "c", "e"}));
    answer = true;
    pane->Free();
    EXPECT_EQ(Names(), QStringList({"c", "e"}));

    Preferences().Set(EPreference::FreeConfirmation, 0);
    pane->Free();
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(MemoryStore().Count(), 0u);
}

QByteArray Utf16File(const char16_t* text)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (const char16_t* p = text; *p; ++p) {
        bytes.append(static_cast<char>(*p & 0xFF));
        bytes.append(static_cast<char>(*p >> 8));
    }
    return bytes;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST_F(MemoryPane, SaveWritesTheTickedCellsOrAll)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("cells.vcm");
    pane->askSaveFileName = [&] { return path; };
    Store(u"1", 3.5);
    Store(u"2", CComplex(-2, 3));
    pane->Refresh();

    pane->Save();
    EXPECT_EQ(ReadAll(path), Utf16File(u"3.5->Mem[1];\r\n-2+i\u00D73->Mem[2];\r\n"));

    Tick(1);
    pane->Save();
    EXPECT_EQ(ReadAll(path), Utf16File(u"-2+i\u00D73->Mem[2];\r\n"));
    EXPECT_TRUE(errors.isEmpty());

    // Cancelling the dialog writes nothing.
    pane->askSaveFileName = [] { return QString(); };
    Tick(1, false);
    pane->Save();
    EXPECT_EQ(ReadAll(path), Utf16File(u"-2+i\u00D73->Mem[2];\r\n"));
}

TEST_F(MemoryPane, FailedSaveReportsAndLeavesTheOldFile)
{
    QTemporaryDir folder;
    Store(u"x", 1);
    pane->Refresh();
    pane->askSaveFileName = [&] { return folder.filePath("missing/folder/cells.vcm"); };
    pane->Save();
    EXPECT_EQ(errors, QStringList({"Cannot open the file for writing\n" + folder.filePath("missing/folder/cells.vcm") +
                                   "\nNo such file or directory"}));

    // A read-only folder: the existing file keeps its content.
    const QString path = folder.filePath("kept.vcm");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
    pane->askSaveFileName = [&] { return path; };
    pane->Save();
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (errors.size() == 2) {  // root may write anywhere; then the save simply succeeded
        EXPECT_EQ(ReadAll(path), QByteArray("old"));
    }
}

TEST_F(MemoryPane, HeaderClicksSortAndFlipDirections)
{
    StoreFive();
    pane->SortByColumn(CCalcMemory::ColumnValue);
    EXPECT_EQ(Column(CCalcMemory::ColumnCell), QStringList({"b", "e", "d", "c", "a"}));
    pane->SortByColumn(CCalcMemory::ColumnValue);
    EXPECT_EQ(Column(CCalcMemory::ColumnCell), QStringList({"a", "c", "d", "e", "b"}));

    pane->SortByColumn(CCalcMemory::ColumnCell);
    EXPECT_EQ(Column(CCalcMemory::ColumnCell), QStringList({"a", "b", "c", "d", "e"}));
    pane->SortByColumn(CCalcMemory::ColumnCell);
    EXPECT_EQ(Column(CCalcMemory::ColumnCell), QStringList({"e", "d", "c", "b", "a"}));

    // "Incl" sorts ticked cells first; the snapshot index stays with the row.
    Tick(1);  // "d"
    Tick(3);  // "b"
    pane->SortByColumn(CCalcMemory::ColumnIncluded);
    EXPECT_EQ(Column(CCalcMemory::ColumnCell).mid(0, 2), QStringList({"d", "b"}));
    EXPECT_EQ(Column(CCalcMemory::ColumnNumber).mid(0, 2), QStringList({"4", "2"}));

    pane->SortByColumn(CCalcMemory::ColumnNumber);
    EXPECT_EQ(Column(CCalcMemory::ColumnNumber), QStringList({"1", "2", "3", "4", "5"}));

    // The sort stays across a rebuild.
    pane->SortByColumn(CCalcMemory::ColumnNumber);
    Store(u"f", 1);
    pane->Refresh();
    EXPECT_EQ(Column(CCalcMemory::ColumnNumber), QStringList({"6", "5", "4", "3", "2", "1"}));
    pane->SortByColumn(CCalcMemory::ColumnNumber);
}

TEST_F(MemoryPane, InvertClearAndRowClicks)
{
    StoreFive();
    Tick(0);
    pane->Invert();
    EXPECT_EQ(Row(0)->checkState(CCalcMemory::ColumnIncluded), Qt::Unchecked);
    for (int row = 1; row < 5; ++row)
        EXPECT_EQ(Row(row)->checkState(CCalcMemory::ColumnIncluded), Qt::Checked);
    pane->Clear();
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(Row(row)->checkState(CCalcMemory::ColumnIncluded), Qt::Unchecked);

    // A click outside the check-box column ticks every selected row.
    Row(1)->setSelected(true);
    Row(2)->setSelected(true);
    emit pane->List()->itemClicked(Row(2), CCalcMemory::ColumnValue);
    EXPECT_EQ(Row(1)->checkState(CCalcMemory::ColumnIncluded), Qt::Checked);
    EXPECT_EQ(Row(2)->checkState(CCalcMemory::ColumnIncluded), Qt::Checked);
    EXPECT_EQ(Row(3)->checkState(CCalcMemory::ColumnIncluded), Qt::Unchecked);
    // A second click never unticks.
    emit pane->List()->itemClicked(Row(2), CCalcMemory::ColumnCell);
    EXPECT_EQ(Row(2)->checkState(CCalcMemory::ColumnIncluded), Qt::Checked);
}

TEST_F(MemoryPane, StatisticsOverTickedCellsOrAll)
{
    Store(u"a", 1);
    Store(u"b", 2);
    Store(u"c", 3);
    Store(u"d", 4);
    pane->Refresh();

    Tick(0);
    answer = false;
    pane->Statistics();
    EXPECT_EQ(questions, QStringList({"Only one cell selected\nCalculate for all cells?"}));
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(statistics->BoxText(eMean).isEmpty());

    answer = true;
    pane->Statistics();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(statistics->BoxText(eMean), "2.5");
    EXPECT_EQ(statistics->BoxText(eAverageDeviation), "1");

    Tick(1);
    pane->Statistics();
    EXPECT_EQ(statistics->BoxText(eMean), "1.5");
    EXPECT_EQ(statistics->BoxText(eVariance), "0.5");
    EXPECT_EQ(questions.size(), 2);
}

TEST_F(MemoryPane, LayoutKeepsAButtonStripAtTheRight)
{
    pane->show();
    pane->resize(300, 200);
    QApplication::processEvents();
    EXPECT_EQ(pane->List()->geometry(), QRect(0, 0, 269, 200));
    EXPECT_EQ(pane->Button(CCalcMemory::IdFree)->geometry(), QRect(274, 0, 24, 24));
    EXPECT_EQ(pane->Button(CCalcMemory::IdClear)->geometry(), QRect(274, 112, 24, 24));
}

TEST_F(MemoryPane, DefinitionsShowBelowTheCellsInTheOrderOfTheirNames)
{
    StoreFive();
    pane->show();
    pane->resize(300, 200);
    QApplication::processEvents();
    const QRect alone = pane->List()->geometry();
    EXPECT_FALSE(pane->Definitions()->isVisible());

    Define(u"r", {}, u"", CComplex(2.5, -1));
    Define(u"f", {u"x", u"y"}, u"x*y+1");
    Define(u"_g", {u"t"}, u"sin(t)/t");
    Define(u"a", {}, u"", 12);
    pane->Refresh();
    QApplication::processEvents();
    ASSERT_TRUE(pane->Definitions()->isVisible());
    // The names with their parameters, ordered like the cells (by code
    // unit: "_" before the letters); a value as the cells write it.
    EXPECT_EQ(DefinitionColumn(CCalcMemory::DefinitionName), QStringList({"_g(t)", "a", "f(x, y)", "r"}));
    EXPECT_EQ(DefinitionColumn(CCalcMemory::DefinitionText),
              QStringList({"sin(t)/t", "12", "x*y+1", QString::fromUtf8("2.5\xE2\x88\x92i")}));
    EXPECT_EQ(pane->Definitions()->topLevelItem(2)->toolTip(CCalcMemory::DefinitionText), "f(x, y) := x*y+1");
    // Both lists share the height, the cells above and at most half; the
    // cells keep their rows and columns.
    const QRect cells = pane->List()->geometry();
    const QRect definitions = pane->Definitions()->geometry();
    EXPECT_EQ(cells.top(), alone.top());
    EXPECT_EQ(cells.width(), alone.width());
    EXPECT_LT(cells.bottom(), definitions.top());
    EXPECT_LE(definitions.bottom(), alone.bottom());
    EXPECT_LE(cells.height(), definitions.height() + 5);
    EXPECT_EQ(Column(CCalcMemory::ColumnCell), QStringList({"a", "b", "c", "d", "e"}));
    // Fewer cells leave the definitions more room, two rows of cells at
    // the least.
    for (const char16_t* name : {u"b", u"c", u"d", u"e"})
        MemoryStore().SetIncluded(name, true);
    MemoryStore().FreeMemory(EMemorySelection::IncludedOnly);
    pane->Refresh();
    QApplication::processEvents();
    ASSERT_EQ(Rows(), 1);
    EXPECT_LT(pane->List()->height(), cells.height());
    EXPECT_GT(pane->Definitions()->height(), definitions.height());
    EXPECT_GE(pane->List()->viewport()->height(), 2 * pane->List()->visualItemRect(Row(0)).height());
    // Freeing the memory takes them away, and the cells get the height
    // back.
    Preferences().Set(EPreference::FreeConfirmation, 0);
    pane->Free();
    QApplication::processEvents();
    EXPECT_TRUE(MemoryStore().Definitions().Empty());
    EXPECT_FALSE(pane->Definitions()->isVisible());
    EXPECT_EQ(pane->List()->geometry(), alone);
}

TEST_F(MemoryPane, FreeAllAndSaveTakeDefinitionsFreeingTickedCellsKeepsThem)
{
    Define(u"f", {u"x"}, u"x^2");
    pane->Refresh();
    // Definitions alone are memory to free and save, no cells to tick.
    EXPECT_TRUE(Enabled(CCalcMemory::IdFree));
    EXPECT_TRUE(Enabled(CCalcMemory::IdSave));
    EXPECT_FALSE(Enabled(CCalcMemory::IdInvert));
    EXPECT_FALSE(Enabled(CCalcMemory::IdStatistics));

    Store(u"a", 1);
    Store(u"b", 2);
    pane->Refresh();
    Tick(0);
    Preferences().Set(EPreference::FreeConfirmation, 0);
    pane->Free();
    EXPECT_EQ(Names(), QStringList({"b"}));
    EXPECT_EQ(MemoryStore().Definitions().Count(), 1u);
    EXPECT_EQ(DefinitionColumn(CCalcMemory::DefinitionName), QStringList({"f(x)"}));

    Preferences().Set(EPreference::FreeConfirmation, 1);
    answer = false;
    pane->Free();
    EXPECT_EQ(questions.size(), 1);
    EXPECT_EQ(MemoryStore().Definitions().Count(), 1u);
    answer = true;
    pane->Free();
    EXPECT_TRUE(MemoryStore().Empty());
    EXPECT_FALSE(Enabled(CCalcMemory::IdFree));
}

TEST_F(MemoryPane, DeleteRemovesTheSelectedDefinitionsAndDoubleClicksInsertNames)
{
    Store(u"cell", 1);
    Define(u"f", {u"x"}, u"x^2");
    Define(u"g", {u"x", u"y"}, u"x-y");
    Define(u"v", {}, u"", 3);
    pane->Refresh();
    pane->show();
    QApplication::processEvents();
    QSignalSpy inserted(pane.get(), &CCalcMemory::insertRequested);
    QTreeWidget* list = pane->Definitions();

    // A double click hands over the name alone, for a function too.
    QTreeWidgetItem* g = list->topLevelItem(1);
    const QRect rect = list->visualItemRect(g);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(0).toString(), "g");
    // A cell's row hands over its reference, in the keyword's form.
    Preferences().Set(EPreference::FormatMemory, 1);
    const QRect cell = pane->List()->visualItemRect(Row(0));
    QTest::mouseClick(pane->List()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(pane->List()->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(inserted.count(), 2);
    EXPECT_EQ(inserted.at(1).at(0).toString(), "mem[cell]");

    // Delete with the function and the value selected removes both.
    list->clearSelection();
    list->topLevelItem(0)->setSelected(true);
    list->topLevelItem(2)->setSelected(true);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(DefinitionColumn(CCalcMemory::DefinitionName), QStringList({"g(x, y)"}));
    EXPECT_EQ(MemoryStore().Definitions().Count(), 1u);
    EXPECT_NE(MemoryStore().Definitions().Find(u"g"), nullptr);
    EXPECT_EQ(MemoryStore().Count(), 1u);
    // Nothing selected: nothing removed.
    list->clearSelection();
    pane->RemoveSelectedDefinitions();
    EXPECT_EQ(MemoryStore().Definitions().Count(), 1u);
    // The last one gone, the list goes.
    list->topLevelItem(0)->setSelected(true);
    ASSERT_EQ(list->actions().size(), 1);
    list->actions().first()->trigger();
    EXPECT_TRUE(MemoryStore().Definitions().Empty());
    EXPECT_FALSE(list->isVisible());
}

TEST_F(MemoryPane, ColumnWidthsPersist)
{
    pane->List()->setColumnWidth(CCalcMemory::ColumnCell, 123);
    pane.reset();
    QSettings settings;
    EXPECT_EQ(settings.value("GUI/Memory/CellWidth").toUInt(), 123u);
    CCalcMemory again(MemoryStore(), Preferences());
    EXPECT_EQ(again.List()->columnWidth(CCalcMemory::ColumnCell), 123);
}

TEST(StatisticsPane, BoxesCarryTheirIdsAndTexts)
{
    EnsureApplication();
    const CFreshState fresh;
    CCalcStatistics pane;
    int found = 0;
    for (QWidget* child : pane.findChildren<QWidget*>())
        if (child->property("controlId").isValid())
            ++found;
    EXPECT_EQ(found, 6);
    const std::vector<CComplex> values = {7, 7};
    pane.ShowStatistics(values);
    EXPECT_EQ(pane.BoxText(eMean), "7");
    EXPECT_EQ(pane.BoxText(eSkewness), "Cannot be calculated");
    EXPECT_EQ(pane.BoxText(eKurtosis), "Cannot be calculated");
}

}  // namespace
