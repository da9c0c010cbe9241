// The memory store and the memory file text.
#include "document/memory_store.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "document/text_file.h"
#include "document/utf.h"
#include "language/calculate.h"
#include "support/fresh_state.h"
#include "support/log_recorder.h"

namespace {

class MemoryStoreTest : public ::testing::Test {
protected:
    // The panes' refresh flag starts lowered, as after a refresh.
    void SetUp() override { MemoryStore().TakeRefreshNeeded(); }
    // An empty store again between two loads of one test.
    static void Clear()
    {
        MemoryStore().FreeMemory(EMemorySelection::All);
        MemoryStore().TakeRefreshNeeded();
    }
    CFreshState fresh;
    CLogRecorder log;
};

TEST_F(MemoryStoreTest, StoringCreatesACellAndKeepsItsIncludedFlag)
{
    CMemoryStore& store = MemoryStore();
    EXPECT_EQ(store.Find(u"a"), nullptr);
    EXPECT_FALSE(store.RefreshNeeded());  // reading a missing cell changes nothing
    store.Store(u"a", CComplex(1, 2));
    EXPECT_TRUE(store.TakeRefreshNeeded());
    EXPECT_FALSE(store.TakeRefreshNeeded());
    ASSERT_NE(store.Find(u"a"), nullptr);
    EXPECT_TRUE(store.TakeRefreshNeeded());  // reading an existing cell
    EXPECT_EQ(store.Find(u"a")->value, CComplex(1, 2));
    EXPECT_EQ(store.Cells().begin()->first, u"a");
    EXPECT_FALSE(store.Find(u"a")->included);
    EXPECT_TRUE(store.SetIncluded(u"a", true));
    EXPECT_FALSE(store.SetIncluded(u"b", true));
    store.Store(u"a", CComplex(3));
    EXPECT_TRUE(store.Find(u"a")->included);
    EXPECT_EQ(store.Find(u"a")->value, CComplex(3));
    EXPECT_EQ(store.Count(), 1u);
}

TEST_F(MemoryStoreTest, CellsAreOrderedByCodeUnits)
{
    for (const char16_t* name : {u"2", u"10", u"1", u"b", u"B", u"\u03B1", u"a b"})
        MemoryStore().Store(name, CComplex(1));
    std::u16string order;
    for (const auto& [name, cell] : MemoryStore().Cells())
        order += name + u"|";
    EXPECT_EQ(order, u"1|10|2|B|a b|b|\u03B1|");
}

TEST_F(MemoryStoreTest, FreeingAllOrTheIncludedCells)
{
    CMemoryStore& store = MemoryStore();
    store.Store(u"a", CComplex(1));
    store.Store(u"b", CComplex(2));
    store.Store(u"c", CComplex(3));
    store.SetIncluded(u"b", true);
    store.TakeRefreshNeeded();
    store.FreeMemory(EMemorySelection::IncludedOnly);
    EXPECT_TRUE(store.TakeRefreshNeeded());
    EXPECT_EQ(store.Count(), 2u);
    EXPECT_EQ(store.Find(u"b"), nullptr);
    store.FreeMemory(EMemorySelection::IncludedOnly);  // nothing included: nothing goes
    EXPECT_EQ(store.Count(), 2u);
    EXPECT_TRUE(store.TakeRefreshNeeded());
    store.FreeMemory(EMemorySelection::All);
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_TRUE(store.TakeRefreshNeeded());
}

TEST_F(MemoryStoreTest, FileTextUsesTheFixedFormatWhateverThePreferences)
{
    CMemoryStore& store = MemoryStore();
    EXPECT_EQ(store.BuildMemoryFileText(EMemorySelection::All), u"\uFEFF");
    store.Store(u"1", CComplex(3.5));
    store.Store(u"2", CComplex(-2, 3));
    store.Store(u"10", CComplex(0.1));
    store.Store(u"7", CComplex(0, -1));
    store.Store(u"x", CComplex(1e20, -1e-300));
    Preferences().Set(EPreference::NotationCase, 1);
    Preferences().Set(EPreference::FormatI, 1);
    EXPECT_EQ(store.BuildMemoryFileText(EMemorySelection::All),
              u"\uFEFF3.5->Mem[1];\r\n0.10000000000000001->Mem[10];\r\n-2+i\u00D73->Mem[2];\r\n"
              u"\u2212i->Mem[7];\r\n1e+020\u2212i\u00D71e-300->Mem[x];\r\n");
    store.SetIncluded(u"2", true);
    store.SetIncluded(u"7", true);
    EXPECT_EQ(store.BuildMemoryFileText(EMemorySelection::IncludedOnly),
              u"\uFEFF-2+i\u00D73->Mem[2];\r\n\u2212i->Mem[7];\r\n");
}

TEST_F(MemoryStoreTest, ExecutingTheFileTextRestoresEveryValueBitForBit)
{
    std::mt19937_64 random(20240611);
    std::vector<CComplex> values = {
        CComplex(0.1), CComplex(1.0 / 3), CComplex(-0.0, 2), CComplex(0, -1), CComplex(1e-310, -4.9e-324),
        CComplex(std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()),
        CComplex(std::numeric_limits<double>::min(), 1), CComplex(123456789012345678e3, 0.5)};
    for (int i = 0; i < 500; ++i) {
        auto finite = [&random] {
            for (;;) {
                const double d = std::bit_cast<double>(random());
                if (std::isfinite(d))
                    return d;
            }
        };
        values.emplace_back(finite(), i % 3 == 0 ? 0.0 : finite());
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        MemoryStore().Store(u"c" + Utf8ToUtf16(std::to_string(i)), values[i]);
    const std::u16string file = MemoryStore().BuildMemoryFileText(EMemorySelection::All);
    MemoryStore().FreeMemory(EMemorySelection::All);

    ASSERT_TRUE(ExecuteCalculationText(log.context, file)) << log.Lines();
    ASSERT_EQ(MemoryStore().Count(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const CMemoryCell* cell = MemoryStore().Find(u"c" + Utf8ToUtf16(std::to_string(i)));
        ASSERT_NE(cell, nullptr);
        // -0 comes back as +0 or -0 depending on how it was written; every
        // other value bit for bit.
        EXPECT_EQ(cell->value.real(), values[i].real()) << i;
        EXPECT_EQ(cell->value.imag(), values[i].imag()) << i;
        if (values[i].real() != 0) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(cell->value.real()), std::bit_cast<std::uint64_t>(values[i].real()));
        }
        if (values[i].imag() != 0) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(cell->value.imag()), std::bit_cast<std::uint64_t>(values[i].imag()));
        }
    }
    // Loading twice leaves the same store.
    ASSERT_TRUE(ExecuteCalculationText(log.context, file));
    EXPECT_EQ(MemoryStore().BuildMemoryFileText(EMemorySelection::All), file);
}

TEST_F(MemoryStoreTest, DefinitionsAreMemoryFreedWithAllButNotWithTheTickedCells)
{
    CMemoryStore& store = MemoryStore();
    std::u16string text = u"1->mem[a]; 2->mem[b]; r := 5; f(x, y) := x*y + r";
    std::ptrdiff_t cursor = -1;
    ASSERT_TRUE(NCalculatorText::CalculateText(log.context, text, cursor)) << log.Lines();
    EXPECT_TRUE(store.TakeRefreshNeeded());
    EXPECT_FALSE(store.Empty());
    EXPECT_EQ(store.Definitions().Count(), 2u);
    store.SetIncluded(u"a", true);
    store.FreeMemory(EMemorySelection::IncludedOnly);
    EXPECT_EQ(store.Count(), 1u);
    EXPECT_EQ(store.Definitions().Count(), 2u);
    // Saving the ticked cells writes those cells alone.
    store.SetIncluded(u"b", true);
    EXPECT_EQ(store.BuildMemoryFileText(EMemorySelection::IncludedOnly), u"\uFEFF2->Mem[b];\r\n");
    EXPECT_TRUE(store.RemoveDefinition(u"r"));
    EXPECT_FALSE(store.RemoveDefinition(u"r"));
    EXPECT_TRUE(store.TakeRefreshNeeded());
    store.FreeMemory(EMemorySelection::All);
    EXPECT_TRUE(store.Empty());
    EXPECT_TRUE(store.Definitions().Empty());
}

TEST_F(MemoryStoreTest, DefinitionsAreWrittenAfterTheCellsAndLoadAgainToTheBit)
{
    CMemoryStore& store = MemoryStore();
    std::u16string text = u"3->mem[z]; Speed := 1/3; w := -2+3*i; tiny := 4.9e-324; "
                          u"Vol(h, R1, r2) := pi*h/3*(r1^2+r1*R2+r2^2); g(x) := sq(x) - w; sq(x) := x*x";
    std::ptrdiff_t cursor = -1;
    ASSERT_TRUE(NCalculatorText::CalculateText(log.context, text, cursor)) << log.Lines();
    const std::u16string file = store.BuildMemoryFileText(EMemorySelection::All);
    EXPECT_EQ(file, u"\uFEFF3->Mem[z];\r\n"
                    u"g(x) := sq(x) - w;\r\n"
                    u"speed := 0.33333333333333331;\r\n"
                    u"sq(x) := x*x;\r\n"
                    u"tiny := 4.9406564584124654e-324;\r\n"
                    u"vol(h, r1, r2) := pi*h/3*(r1^2+r1*R2+r2^2);\r\n"
                    u"w := -2+i\u00D73;\r\n");
    const NCalculatorText::CDefinitions saved = store.Definitions();
    store.FreeMemory(EMemorySelection::All);
    ASSERT_TRUE(ExecuteCalculationText(log.context, file)) << log.Lines();
    EXPECT_TRUE(store.Definitions() == saved);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(store.Definitions().Find(u"speed")->value.real()),
              std::bit_cast<std::uint64_t>(1.0 / 3));
    EXPECT_EQ(store.Definitions().Find(u"tiny")->value.real(), 4.9e-324);
    EXPECT_EQ(store.BuildMemoryFileText(EMemorySelection::All), file);
    // Loading twice leaves the same memory.
    ASSERT_TRUE(ExecuteCalculationText(log.context, file));
    EXPECT_EQ(store.BuildMemoryFileText(EMemorySelection::All), file);
    CComplex value;
    ASSERT_TRUE(NCalculatorText::EvaluateExpression(log.context, u"g(2)+vol(3, 1, 2)", value));
    EXPECT_NEAR(value.real(), 6 + 7 * std::acos(-1.0), 1e-12);
    EXPECT_EQ(value.imag(), -3);
}

TEST_F(MemoryStoreTest, TheLibraryOfPhysicalConstantsDefinesEachWithItsValue)
{
    const std::filesystem::path file =
        std::filesystem::path(KAVM_TEST_DATA_DIR).parent_path().parent_path() / "resources" / "examples" / "constants.vcm";
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty()) << file;
    ASSERT_TRUE(ExecuteCalculationText(log.context, DecodeUtf16File(bytes))) << log.Lines();
    EXPECT_EQ(log.Lines(), "");
    const struct {
        const char16_t* name;
        double value;
    } expected[] = {
        {u"c0", 299792458},
        {u"h_p", 6.62607015e-34},
        {u"hbar", 1.054571817e-34},
        {u"k_b", 1.380649e-23},
        {u"n_a", 6.02214076e23},
        {u"q_e", 1.602176634e-19},
        {u"m_e", 9.1093837015e-31},
        {u"m_p", 1.67262192369e-27},
        {u"m_n", 1.67492749804e-27},
        {u"m_u", 1.66053906660e-27},
        {u"eps0", 8.8541878128e-12},
        {u"mu0", 1.25663706212e-6},
        {u"g_n", 6.67430e-11},
        {u"g0", 9.80665},
        {u"r_gas", 8.31446261815324},
        {u"sigma_sb", 5.670374419e-8},
        {u"a0", 5.29177210903e-11},
        {u"alpha_fs", 7.2973525693e-3},
        {u"r_inf", 10973731.568160},
        {u"f_c", 96485.3321233100184},
        {u"atm", 101325},
        {u"ev", 1.602176634e-19},
        {u"t0", 273.15},
        {u"v_m", 22.41396954e-3},
        {u"mu_b", 9.2740100783e-24},
        {u"k_e", 8.9875517923e9},
    };
    EXPECT_EQ(MemoryStore().Definitions().Count(), std::size(expected));
    EXPECT_EQ(MemoryStore().Count(), 0u);
    for (const auto& c : expected) {
        const NCalculatorText::CDefinition* definition = MemoryStore().Definitions().Find(c.name);
        ASSERT_NE(definition, nullptr) << Utf16ToUtf8(c.name);
        EXPECT_FALSE(NCalculatorText::IsLanguageWord(c.name)) << Utf16ToUtf8(c.name);
        EXPECT_EQ(definition->value, CComplex(c.value)) << Utf16ToUtf8(c.name);
    }
}

TEST_F(MemoryStoreTest, LoadingAddsToTheStoreAndStopsAtTheFirstFailure)
{
    MemoryStore().Store(u"keep", CComplex(9));
    EXPECT_FALSE(ExecuteCalculationText(log.context, u"\uFEFF1->Mem[a];\r\n1/0->Mem[b];\r\n3->Mem[c];\r\n"));
    EXPECT_EQ(log.Lines(), "Error|Division|Operation has singularity at 0\n");
    EXPECT_NE(MemoryStore().Find(u"keep"), nullptr);
    EXPECT_NE(MemoryStore().Find(u"a"), nullptr);
    EXPECT_EQ(MemoryStore().Find(u"b"), nullptr);
    EXPECT_EQ(MemoryStore().Find(u"c"), nullptr);
    // The previous result is the value of the last statement that ran.
    EXPECT_TRUE(ExecuteCalculationText(log.context, u"5->Mem[a];\r\n6->Mem[b];\r\n"));
    EXPECT_EQ(log.context.previousResult, CComplex(6));
}

// Every cell of the store with its value's bits, signs of zeros included.
std::vector<std::tuple<std::u16string, std::uint64_t, std::uint64_t>> StoreBits()
{
    std::vector<std::tuple<std::u16string, std::uint64_t, std::uint64_t>> cells;
    for (const auto& [name, cell] : MemoryStore().Cells()) {
        cells.emplace_back(name, std::bit_cast<std::uint64_t>(cell.value.real()),
                           std::bit_cast<std::uint64_t>(cell.value.imag()));
    }
    return cells;
}

TEST_F(MemoryStoreTest, AFileAsTheStoreWritesItLoadsAsItsStatementsWouldToTheBit)
{
    std::mt19937_64 random(77);
    const double special[] = {0.0, -0.0, 1.0, -1.0, 0.1, 4.9e-324, -2.2250738585072014e-308, 1e300, -1e-300,
                              std::numeric_limits<double>::max(), 123456789.25, -7.0};
    for (int i = 0; i < 3000; ++i) {
        auto pick = [&]() {
            if (random() % 3 == 0)
                return special[random() % std::size(special)];
            for (;;) {
                const double d = std::bit_cast<double>(random());
                if (std::isfinite(d))
                    return d;
            }
        };
        const double re = pick();
        MemoryStore().Store(u"n" + Utf8ToUtf16(std::to_string(i)) + u" \u00E9*", CComplex(re, i % 4 == 0 ? 0.0 : pick()));
    }
    const std::u16string file = MemoryStore().BuildMemoryFileText(EMemorySelection::All);
    std::vector<CMemoryFileLine> lines;
    ASSERT_TRUE(ReadMemoryFileLines(std::u16string_view(file).substr(1), lines));
    EXPECT_EQ(lines.size(), MemoryStore().Count());
    Clear();

    ASSERT_TRUE(ExecuteCalculationText(log.context, file));
    const auto fast = StoreBits();
    const CComplex fastResult = log.context.previousResult;
    const int starts = log.starts;
    Clear();
    log.context.previousResult = CComplex();
    std::u16string text = file.substr(1);
    std::ptrdiff_t cursor = -1;
    ASSERT_TRUE(NCalculatorText::CalculateText(log.context, text, cursor));
    EXPECT_EQ(StoreBits(), fast);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(log.context.previousResult.real()),
              std::bit_cast<std::uint64_t>(fastResult.real()));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(log.context.previousResult.imag()),
              std::bit_cast<std::uint64_t>(fastResult.imag()));
    EXPECT_EQ(log.Lines(), "");
    EXPECT_EQ(log.starts, starts + 1);
}

// A file of the store's own lines in any order, a name on several lines,
// over cells that are there already: the same cells as its statements
// give one after the other, the last line of a name winning.
TEST_F(MemoryStoreTest, AFileInAnyOrderWithRepeatedNamesLoadsAsItsStatementsWould)
{
    std::mt19937_64 random(2026);
    std::vector<std::u16string> lines;
    for (int i = 0; i < 2000; ++i) {
        const int name = static_cast<int>(random() % 700);
        const double value = static_cast<double>(static_cast<std::int64_t>(random() % 200001) - 100000) / 8;
        lines.push_back(Utf8ToUtf16(std::to_string(value)) + u"->Mem[c" + Utf8ToUtf16(std::to_string(name)) + u"];\r\n");
    }
    std::u16string file;
    for (const std::u16string& line : lines)
        file += line;
    std::vector<CMemoryFileLine> read;
    ASSERT_TRUE(ReadMemoryFileLines(file, read));
    auto before = [] {
        MemoryStore().FreeMemory(EMemorySelection::All);
        MemoryStore().Store(u"c5", CComplex(-1, 1));
        MemoryStore().Store(u"zz", CComplex(9));
        MemoryStore().Store(u"a", CComplex(3));
    };

    before();
    ASSERT_TRUE(ExecuteCalculationText(log.context, file));
    const auto fast = StoreBits();
    const CComplex fastResult = log.context.previousResult;
    before();
    std::u16string text = file;
    std::ptrdiff_t cursor = -1;
    ASSERT_TRUE(NCalculatorText::CalculateText(log.context, text, cursor));
    EXPECT_EQ(StoreBits(), fast);
    EXPECT_EQ(log.context.previousResult, fastResult);
    EXPECT_EQ(MemoryStore().Count(), fast.size());
    EXPECT_EQ(log.Lines(), "");
}

TEST_F(MemoryStoreTest, OnlyTheStoresOwnFormIsReadWithoutTheParser)
{
    std::vector<CMemoryFileLine> lines;
    for (const char16_t* text : {u"", u"1->Mem[a];\r\n", u"\u2212i->Mem[7];\r\n-2+i\u00D73->Mem[x y];\r\n",
                                 u"1e+020\u2212i\u00D71e-300->Mem[x];\r\n", u"-i\u00D70.5->Mem[\u00C9];\r\n"})
        EXPECT_TRUE(ReadMemoryFileLines(text, lines)) << Utf16ToUtf8(text);
    for (const char16_t* text :
         {u"1->Mem[a];", u"1->Mem[a]; \r\n", u"1->Mem[A];\r\n", u"1->Mem[ a];\r\n", u"1->Mem[a ];\r\n",
          u"1->Mem[];\r\n", u"1e5->Mem[a];\r\n", u"+1->Mem[a];\r\n", u"1->mem[a];\r\n", u"1->Mem[a=2];\r\n",
          u"1->Mem[a;b];\r\n", u"1->Mem[a//b];\r\n", u"1->Mem[$0$];\r\n", u"1->Mem[(a)];\r\n",
          u"1.->Mem[a];\r\n", u".5->Mem[a];\r\n", u"1.#INF->Mem[a];\r\n", u"2*i->Mem[a];\r\n",
          u"i\u00D7->Mem[a];\r\n", u"1+2->Mem[a];\r\n", u"1e-999->Mem[a];\r\n", u"1->Mem[a];\r\n\r\n"})
        EXPECT_FALSE(ReadMemoryFileLines(text, lines)) << Utf16ToUtf8(text);
    // Read the other way, such a text still runs as a calculation text.
    EXPECT_TRUE(ExecuteCalculationText(log.context, u"1e5->Mem[A];\r\n2*i->Mem[ b ];\r\n"));
    ASSERT_NE(MemoryStore().Find(u"a"), nullptr);
    EXPECT_EQ(MemoryStore().Find(u"a")->value, CComplex(1e5));
    ASSERT_NE(MemoryStore().Find(u"b"), nullptr);
    EXPECT_EQ(MemoryStore().Find(u"b")->value, CComplex(0, 2));
}

}  // namespace
