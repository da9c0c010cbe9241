// The storage of expression trees: the arena that holds a tree's nodes,
// child lists and texts, and what could go wrong with it — a tree taken
// down on another thread than the one that built it, trees of a million
// nodes, parses that fail half-way, and many statements in a row that
// reuse the same blocks.
#include "language/node_arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "document/calc_environment.h"
#include "document/memory_store.h"
#include "document/utf.h"
#include "language/bound_expression.h"
#include "language/calc_context.h"
#include "language/calculate.h"
#include "language/node.h"
#include "language/token_parser.h"
#include "numeric/status.h"
#include "support/data_file.h"
#include "support/escapes.h"
#include "support/fresh_state.h"
#include "support/repeat_text.h"
#include "support/value_bits.h"

namespace {

using namespace NCalculatorText;

// A tree of the tokenizing parser below a root on the heap, as the
// calculation builds it; null on a syntax error.
std::unique_ptr<CNode> BuildTokenTree(std::u16string_view text)
{
    CParseTree tree;
    if (!ParseTokens(text, tree))
        return nullptr;
    auto root = std::make_unique<CNode>();
    CParcer::BuildTree(*root, tree);
    return root;
}

bool EvaluateTree(CNode& root, CCalcContext& context, CComplex& value)
{
    const CRunStateBinding binding(context.run);
    context.run.continueFlag = true;
    return root.Evaluate(context, value) && context.run.continueFlag;
}

// ---------------------------------------------------------------- arena

TEST(NodeArena, AllocationsKeepTheirAlignmentAndTheirContentsAcrossBlocks)
{
    CNodeArena* arena = CNodeArena::Create();
    std::vector<std::pair<std::u16string_view, std::u16string>> copies;
    for (int i = 0; i < 3000; ++i) {
        const std::size_t alignment = std::size_t{1} << (i % 5);
        void* place = arena->Allocate(1 + static_cast<std::size_t>(i % 37), alignment);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(place) % alignment, 0u) << i;
        const std::u16string text = u"t" + std::u16string(static_cast<std::size_t>(i % 23), static_cast<char16_t>(u'a' + i % 26));
        copies.emplace_back(arena->Copy(text), text);
    }
    // Larger than any block the arena has had so far.
    const std::u16string large = Repeat(u"0123456789", 100000);
    copies.emplace_back(arena->Copy(large), large);
    copies.emplace_back(arena->Copy(u"after"), u"after");
    for (std::size_t k = 0; k < copies.size(); ++k)
        ASSERT_EQ(copies[k].first, copies[k].second) << k;
    EXPECT_EQ(arena->Copy(u"").size(), 0u);
    EXPECT_GE(arena->Reserved(), large.size() * sizeof(char16_t));
    CNodeArena::Destroy(arena);
}

TEST(NodeArena, ListsKeepTheirElementsWhileTheyGrow)
{
    CNodeArena* arena = CNodeArena::Create();
    CArenaList<std::uint32_t> list;
    EXPECT_TRUE(list.empty());
    EXPECT_THROW(list.at(0), std::out_of_range);
    for (std::uint32_t k = 0; k < 100000; ++k)
        list.push_back(*arena, k * 7);
    list.reserve(*arena, 10);  // never shrinks
    list.reserve(*arena, 200000);
    ASSERT_EQ(list.size(), 100000u);
    for (std::uint32_t k = 0; k < list.size(); ++k)
        ASSERT_EQ(list[k], k * 7) << k;
    EXPECT_EQ(list.back(), 99999u * 7);
    CNodeArena::Destroy(arena);
}

// ---------------------------------------------------------------- trees

TEST(TreeStorage, ATreeBuiltOnOneThreadIsEvaluatedAndTakenDownOnAnother)
{
    std::unique_ptr<CBoundExpression> bound;
    std::unique_ptr<CNode> tokens;
    // The building thread ends before the trees are used: its block cache
    // is gone by then.
    std::thread([&] {
        CCalcContext context = MakeDocumentContext();
        bound = std::make_unique<CBoundExpression>();
        ASSERT_TRUE(bound->Parse(context, u"sum(k,1,10,k*x)+gamma(x/2)"));
        tokens = BuildTokenTree(u"(1+i)^3-5!/(2,7)+J(0,1)*0");
        // Some trees of its own, whose blocks stay in its cache.
        CComplex value;
        for (int i = 0; i < 50; ++i)
            EvaluateExpression(context, u"gamma(" + std::u16string(1, static_cast<char16_t>(u'1' + i % 9)) + u")",
                               value);
    }).join();
    ASSERT_TRUE(bound && tokens);
    std::thread([&] {
        CCalcContext context = MakeDocumentContext();
        CComplex value;
        ASSERT_TRUE(bound->Evaluate(context, CComplex(2.0, 0.0), value));
        EXPECT_EQ(value, CComplex(111.0, 0.0));
        ASSERT_TRUE(EvaluateTree(*tokens, context, value));
        EXPECT_NEAR(value.real(), -62.0, 1e-12);
        EXPECT_NEAR(value.imag(), 2.0, 1e-12);
        bound.reset();
        tokens.reset();
        // The blocks given back here serve this thread's next trees.
        for (int i = 0; i < 50; ++i) {
            ASSERT_TRUE(EvaluateExpression(context, u"3!+mem[x]*0", value));
            EXPECT_EQ(value, CComplex(6.0, 0.0));
        }
    }).join();
}

TEST(TreeStorage, AMillionNodeChainIsBuiltEvaluatedAndTakenDownWithoutRecursion)
{
    // 500,000 terms: 999,999 nodes, each the left operand of the next, so
    // the tree is as deep as it has additions.
    const std::size_t terms = 500000;
    std::unique_ptr<CNode> root = BuildTokenTree(u"1" + Repeat(u"+1", terms - 1));
    ASSERT_TRUE(root);
    CCalcContext context = MakeDocumentContext();
    CComplex value;
    ASSERT_TRUE(EvaluateTree(*root, context, value));
    EXPECT_EQ(value, CComplex(static_cast<double>(terms), 0.0));
    // The nodes, their child lists and the leaves' texts, without a
    // second copy of anything: well below 256 bytes a node.
    EXPECT_LT(root->StorageBytes(), 2 * terms * 256);
    root.reset();

    // A chain of factorials is a chain of nested evaluations.
    root = BuildTokenTree(u"(1)" + Repeat(u"!", kMaxEvaluationDepth - 1));
    ASSERT_TRUE(root);
    ASSERT_TRUE(EvaluateTree(*root, context, value));
    EXPECT_EQ(value, CComplex(1.0, 0.0));
}

TEST(TreeStorage, AParseThatFailsHalfWayLeavesNothingBehind)
{
    // Each fails only after nodes (and variable tables) exist.
    for (const char16_t* text : {u"sum(k,1,3,k)+2*3+mem[a=b]", u"x+y*z+sin(1)+(1,2,3)*-", u"(k,n,m)+1+2*-3",
                                 u"gamma(3)+mem[\uFEFF]", u"1->mem[a]->2"}) {
        CNode root;
        EXPECT_FALSE(CParcer::ParseExpression(root, text)) << Utf16ToUtf8(text);
    }
    // A failure leaves the next parse on the same thread sound.
    CNode root;
    ASSERT_TRUE(CParcer::ParseExpression(root, u"sum(k,1,4,k)*2"));
    CCalcContext context = MakeDocumentContext();
    CComplex value;
    ASSERT_TRUE(EvaluateTree(root, context, value));
    EXPECT_EQ(value, CComplex(20.0, 0.0));
}

// The expressions of the case files, in file order, as the calculation run
// hands them over (comments blanked, cut at ";", before the last "=").
std::vector<std::u16string> CaseExpressions()
{
    std::vector<std::u16string> out;
    for (const char* file : {"parser_cases.txt", "calculations.txt"}) {
        for (const CDataCase& row : ReadDataFile(file)) {
            for (const std::string& field : row.fields) {
                std::u16string text = Unescape(field);
                if (!StripComments(text))
                    continue;
                std::size_t start = 0;
                for (;;) {
                    const std::size_t end = std::min(text.find(u';', start), text.size());
                    std::u16string statement = text.substr(start, end - start);
                    statement = statement.substr(0, statement.rfind(u'='));
                    // Random values differ between contexts.
                    if (statement.find(u"rand") == std::u16string::npos &&
                        statement.find(u"Rand") == std::u16string::npos)
                        out.push_back(statement);
                    if (end == text.size())
                        break;
                    start = end + 1;
                }
            }
        }
    }
    return out;
}

TEST(TreeStorage, StatementsInARowThatReuseTheStorageGiveTheValuesOfFreshTrees)
{
    const CFreshState freshState;
    // The calculation evaluates every statement in one context with reused
    // storage; the same statements each in a tree of their own, built by
    // the rewriting parser on the heap, give the same value bits. Memory
    // cells are written in the same order by both runs.
    const std::vector<std::u16string> statements = CaseExpressions();
    ASSERT_GT(statements.size(), 2000u);
    struct COutcome {
        bool ok;
        CComplex value;
    };
    std::vector<COutcome> reused;
    CCalcContext context = MakeDocumentContext();
    context.fastEvaluation = false;
    context.run.Reset();
    for (const std::u16string& statement : statements) {
        CComplex value;
        const bool ok = EvaluateExpression(context, statement, value);
        reused.push_back({ok, ok ? value : CComplex()});
    }

    MemoryStore().FreeMemory(EMemorySelection::All);
    CCalcContext fresh = MakeDocumentContext();
    fresh.run.Reset();
    int compared = 0;
    for (std::size_t k = 0; k < statements.size(); ++k) {
        auto root = std::make_unique<CNode>();
        CComplex value;
        bool ok = CParcer::ParseExpression(*root, statements[k]) && EvaluateTree(*root, fresh, value);
        if (ok)
            fresh.previousResult = value;
        // Texts past the rewriting parser's limits are not compared.
        if (!ok && reused[k].ok && statements[k].size() > 1000)
            continue;
        EXPECT_EQ(ok, reused[k].ok) << k << ": " << Utf16ToUtf8(statements[k]);
        if (ok && reused[k].ok) {
            EXPECT_EQ(ValueBits(value), ValueBits(reused[k].value)) << k << ": " << Utf16ToUtf8(statements[k]);
        }
        ++compared;
    }
    EXPECT_GT(compared, 2000);
}

}  // namespace
