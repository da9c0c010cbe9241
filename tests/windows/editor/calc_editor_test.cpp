// The editor as a place to work: what a calculation command writes back,
// the colours of the text, the marked failure, completion, the hint and the
// live result.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QFontInfo>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QElapsedTimer>
#include <QLabel>
#include <QSettings>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>
#include <QTextDocument>
#include <QPlainTextDocumentLayout>
#include <QTextLayout>

#include <map>
#include <memory>

#include "language/calculate.h"
#include "support/data_file.h"
#include "support/escapes.h"
#include "support/fresh_app_state.h"
#include "document/keypad/cmd_receiver.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "language/calc_context.h"
#include "windows/editor/calc_highlighter.h"
#include "windows/editor/calc_live_result.h"
#include "windows/editor/calc_view.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/frame/calc_preferences_dialog.h"
#include "windows/panes/calc_log.h"
#include "windows/panes/calc_memory.h"

namespace {

class CalcEditor : public ::testing::Test {
protected:
    // First, so that it goes after the window.
    CFreshAppState state;

    void SetUp() override
    {
        frame = std::make_unique<CCalcMainFrame>(state);
        frame->resize(900, 700);
        frame->show();
        QApplication::setActiveWindow(frame.get());
        view = frame->Editor();
        view->setFocus();
    }
    void TearDown() override
    {
        view->document()->setModified(false);
        frame.reset();
    }
    void SetCaret(int position, int anchor = -1)
    {
        QTextCursor cursor = view->textCursor();
        cursor.setPosition(anchor < 0 ? position : anchor);
        if (anchor >= 0)
            cursor.setPosition(position, QTextCursor::KeepAnchor);
        view->setTextCursor(cursor);
    }
    QString Text() const { return view->toPlainText(); }
    // The colouring's token at a position of a line: the token whose format
    // the highlighter gave the character, or "plain".
    std::string TokenAt(int line, int column) const
    {
        const QTextBlock block = view->document()->findBlockByNumber(line);
        QTextCharFormat format;
        for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
            if (column >= range.start && column < range.start + range.length)
                format = range.format;
        }
        static const std::map<ECalcToken, std::string> names = {
            {ECalcToken::Number, "number"},     {ECalcToken::Constant, "constant"},
            {ECalcToken::Function, "function"}, {ECalcToken::Memory, "memory"},
            {ECalcToken::Keyword, "keyword"},   {ECalcToken::Operator, "operator"},
            {ECalcToken::Bracket, "bracket"},   {ECalcToken::Comment, "comment"},
            {ECalcToken::OldResult, "old"},     {ECalcToken::Unknown, "unknown"}};
        for (const auto& [token, name] : names) {
            if (view->Highlighter()->Format(token) == format)
                return name;
        }
        return "plain";
    }
    // Tokens of every character of a line, one letter each: n number, c
    // constant, f function, m memory, k keyword, o operator, b bracket,
    // # comment, = old result, ? unknown, space plain.
    std::string Tokens(int line) const
    {
        static const std::map<std::string, char> letters = {
            {"number", 'n'},  {"constant", 'c'}, {"function", 'f'}, {"memory", 'm'}, {"keyword", 'k'},
            {"operator", 'o'}, {"bracket", 'b'}, {"comment", '#'},  {"old", '='},    {"unknown", '?'},
            {"plain", ' '}};
        const QString text = view->document()->findBlockByNumber(line).text();
        std::string out;
        for (int i = 0; i < text.size(); ++i)
            out += letters.at(TokenAt(line, i));
        return out;
    }
    void Calculate(bool all = false) { frame->Document()->ExecuteCommand(all ? CmdCalculateAll : CmdCalculate); }

    std::unique_ptr<CCalcMainFrame> frame;
    CCalcView* view = nullptr;
};

TEST(DifferingRange, CoversOnlyWhatChangedAndKeepsSurrogatePairsWhole)
{
    struct {
        QString before, after;
        int start, removed;
        QString inserted;
    } const cases[] = {
        {"1+2;3*4", "1+2=3;3*4", 3, 0, "=3"},
        {"1+2=7;3", "1+2=3;3", 4, 1, "3"},
        {"same", "same", 4, 0, ""},
        {"", "x", 0, 0, "x"},
        {"abc", "", 0, 3, ""},
        // A repeated character: the common end never overlaps the start.
        {"aa", "aaa", 2, 0, "a"},
        {"1=11", "1=1", 3, 1, ""},
        // U+1D11E and U+1D11F share their high surrogate.
        {QString::fromUtf16(u"x\U0001D11E"), QString::fromUtf16(u"x\U0001D11F"), 1, 2,
         QString::fromUtf16(u"\U0001D11F")},
        {QString::fromUtf16(u"\U0001D11Ey"), QString::fromUtf16(u"\U0001D11Fy"), 0, 2,
         QString::fromUtf16(u"\U0001D11F")},
    };
    for (const auto& c : cases) {
        const CTextChange change = DifferingRange(c.before, c.after);
        EXPECT_EQ(change.start, c.start) << c.before.toStdString() << " -> " << c.after.toStdString();
        EXPECT_EQ(change.removed, c.removed) << c.before.toStdString();
        EXPECT_EQ(change.inserted, c.inserted) << c.before.toStdString();
        QString applied = c.before;
        applied.replace(change.start, change.removed, change.inserted);
        EXPECT_EQ(applied, c.after);
    }
}

TEST_F(CalcEditor, CalculateRewritesOnlyTheStatementAsOneUndoStep)
{
    view->setPlainText("1+2=7;\n3*4;\n5-1");
    SetCaret(9);
    const QTextBlock first = view->document()->firstBlock();
    const QTextBlock last = view->document()->lastBlock();
    int changes = 0;
    int removedTotal = 0;
    QObject::connect(view->document(), &QTextDocument::contentsChange, [&](int, int removed, int) {
        ++changes;
        removedTotal += removed;
    });
    Calculate();
    EXPECT_EQ(Text(), "1+2=7;\n3*4=12;\n5-1");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(removedTotal, 0);
    // The lines around it are the same blocks as before.
    EXPECT_EQ(view->document()->firstBlock(), first);
    EXPECT_EQ(view->document()->lastBlock(), last);
    EXPECT_TRUE(view->document()->isModified());
    view->undo();
    EXPECT_EQ(Text(), "1+2=7;\n3*4;\n5-1");
    view->redo();
    EXPECT_EQ(Text(), "1+2=7;\n3*4=12;\n5-1");

    // An unchanged rewrite edits nothing and still marks the text modified.
    view->setPlainText("1+2=3");
    SetCaret(1);
    changes = 0;
    Calculate();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(Text(), "1+2=3");
    EXPECT_TRUE(view->document()->isModified());
}

TEST_F(CalcEditor, CalculateKeepsTheScrollPosition)
{
    QString text;
    for (int i = 0; i < 400; ++i)
        text += QString("%1+1;\n").arg(i);
    view->setPlainText(text);
    QTextCursor cursor(view->document()->findBlockByNumber(200));
    view->setTextCursor(cursor);
    view->centerCursor();
    const int scroll = view->verticalScrollBar()->value();
    ASSERT_GT(scroll, 0);
    Calculate();
    EXPECT_EQ(view->document()->findBlockByNumber(200).text(), "200+1=201;");
    EXPECT_EQ(view->verticalScrollBar()->value(), scroll);
    EXPECT_EQ(view->textCursor().blockNumber(), 200);
}

// "Calculate all" over more lines than one pass of the colouring takes:
// the text the run writes, the lines kept as they were (the same blocks),
// one undo step back to the exact text, and the caret where the run left it.
TEST_F(CalcEditor, CalculateAllOverManyLinesKeepsItsLinesAndIsOneUndoStep)
{
    QString text;
    QString expected;
    for (int i = 0; i < 600; ++i) {
        QString line = QString("%1+1;%1*2=0;").arg(i);
        QString result = QString("%1+1=%2;%1*2=%3;").arg(i).arg(i + 1).arg(2 * i);
        if (i == 300) {
            // A comment across lines, with a ";" inside.
            line = result = "/* a; b";
        } else if (i == 301) {
            line = "c; */ 7;";
            result = "c; */ 7=7;";
        } else if (i == 400) {
            line = result = "";
        } else if (i == 450) {
            line = QString::fromUtf16(u"1+1; // \U0001D11E");
            result = QString::fromUtf16(u"1+1=2; // \U0001D11E");
        }
        text += line + "\n";
        expected += result + "\n";
    }
    text += "3/4";
    expected += "3/4=0.75";
    view->setPlainText(text);
    SetCaret(static_cast<int>(text.size()) / 2);
    const QTextBlock kept = view->document()->findBlockByNumber(450);
    Calculate(true);
    EXPECT_EQ(Text(), expected);
    EXPECT_EQ(view->document()->blockCount(), 601);
    EXPECT_EQ(view->document()->findBlockByNumber(450), kept);
    // Where the run left it: behind the last statement.
    EXPECT_EQ(view->textCursor().position(), static_cast<int>(expected.size()));
    EXPECT_FALSE(view->textCursor().hasSelection());
    EXPECT_TRUE(view->document()->isModified());
    view->undo();
    EXPECT_EQ(Text(), text);
    EXPECT_EQ(view->document()->availableUndoSteps(), 0);
    // Back to the text as it was read: unmodified again, the caret on the
    // first line that changed, as QTextDocument's undo leaves it.
    EXPECT_FALSE(view->document()->isModified());
    EXPECT_EQ(view->textCursor().blockNumber(), 0);
    EXPECT_FALSE(view->textCursor().hasSelection());
    view->redo();
    EXPECT_EQ(Text(), expected);
    EXPECT_TRUE(view->document()->isModified());
    EXPECT_EQ(view->textCursor().blockNumber(), 0);

    // Typed after the command: the keys undo first, then the command.
    view->moveCursor(QTextCursor::End);
    QTest::keyClicks(view, "+1");
    EXPECT_EQ(Text(), expected + "+1");
    QTest::keySequence(view, QKeySequence::Undo);
    EXPECT_EQ(Text(), expected);
    QTest::keySequence(view, QKeySequence::Undo);
    EXPECT_EQ(Text(), text);
    EXPECT_FALSE(view->document()->isModified());
    QTest::keySequence(view, QKeySequence::Redo);
    EXPECT_EQ(Text(), expected);
}

// The characters "Calculate all" writes take the character format of the
// place they go to, and undo and redo give the texts back; a caret in the
// middle of a text of many lines ends on its line, the line breaks counted
// once.
TEST_F(CalcEditor, CalculateAllGivesItsResultsTheFormatOfTheirPlace)
{
    auto boldAt = [this](int line, int column) {
        const QTextBlock block = view->document()->findBlockByNumber(line);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = fragment.position() - block.position();
            if (column >= start && column < start + fragment.length())
                return fragment.charFormat().fontWeight() == QFont::Bold;
        }
        return false;
    };
    const QString text = "1+1;2*3;\n7-2;\n4/2=9;1+2\n";
    const QString expected = "1+1=2;2*3=6;\n7-2=5;\n4/2=2;1+2=3\n";
    view->setPlainText(text);
    Calculate(true);
    EXPECT_EQ(Text(), expected);
    for (int line = 0; line < 3; ++line)
        EXPECT_FALSE(boldAt(line, 4)) << line;
    view->undo();
    EXPECT_EQ(Text(), text);

    // The second line bold: its result is bold too, the others are not.
    QTextCursor bold(view->document()->findBlockByNumber(1));
    bold.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    bold.mergeCharFormat(format);
    Calculate(true);
    EXPECT_EQ(Text(), expected);
    for (int column = 0; column < 6; ++column)
        EXPECT_TRUE(boldAt(1, column)) << column;
    EXPECT_FALSE(boldAt(0, 4));
    EXPECT_FALSE(boldAt(2, 4));
    EXPECT_FALSE(boldAt(2, 10));
    view->undo();
    EXPECT_EQ(Text(), text);
    view->redo();
    EXPECT_EQ(Text(), expected);

    // One calculation on the third line of a text of many lines: the caret
    // goes on to the next statement, behind the result and its ";".
    view->setPlainText(text);
    SetCaret(static_cast<int>(text.indexOf("4/2")) + 1);
    Calculate();
    EXPECT_EQ(Text(), "1+1;2*3;\n7-2;\n4/2=2;1+2\n");
    EXPECT_EQ(view->textCursor().position(), static_cast<int>(QString("1+1;2*3;\n7-2;\n4/2=2;").size()));
    EXPECT_EQ(view->textCursor().blockNumber(), 2);
}

TEST_F(CalcEditor, LinesScrolledIntoViewAfterCalculateAllAreColouredWhenPainted)
{
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += i % 500 == 7 ? QString("/* %1;\n*/ sin(1);\n").arg(i) : QString("%1+1;Mem[a]*x=0;\n").arg(i);
    view->setPlainText(text);
    Calculate(true);
    CCalcHighlighter* colours = view->Highlighter();
    view->viewport()->repaint();
    EXPECT_EQ(Tokens(0), "non==ommmmmmo?==o");
    // What the lines in the middle of the screen showed after each scroll.
    std::map<int, std::string> early;
    for (const double share : {0.5, 0.9, 0.2}) {
        // No turn of the event loop between the scroll and the paint: the
        // colours come with the paint itself.
        view->verticalScrollBar()->setValue(static_cast<int>(view->verticalScrollBar()->maximum() * share));
        view->viewport()->repaint();
        const int middle = view->cursorForPosition(QPoint(4, view->viewport()->height() / 2)).blockNumber();
        for (int line = middle - 1; line <= middle + 1; ++line)
            early[line] = Tokens(line);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !colours->Pending(); }, 20000));
    for (const auto& [line, tokens] : early)
        EXPECT_EQ(Tokens(line), tokens) << line;
    // The comment across lines, far from where the view stood.
    const int open = view->document()->find("/* 2507;").blockNumber();
    EXPECT_EQ(Tokens(open), "########");
    EXPECT_EQ(Tokens(open + 1).substr(0, 2), "##");
    EXPECT_EQ(TokenAt(open + 1, 3), "function");
}

// The lines on the screen are coloured at once after a change of many
// lines; where the waiting lines end just before lines that are coloured
// already, those keep their colours (and are not queued again), and a line
// whose start moved into a comment does not.
TEST(CalcHighlighter, ColouringTheShownLinesKeepsTheColouredLinesBehindThem)
{
    for (const bool openComment : {false, true}) {
        // The editor's layout: a document reports its changes once it has one.
        QTextDocument document;
        document.setDocumentLayout(new QPlainTextDocumentLayout(&document));
        CCalcHighlighter colours(&document, QPalette());
        // QSyntaxHighlighter follows the document from the next turn of
        // the event loop on.
        QApplication::processEvents();
        QString text;
        for (int i = 0; i < 600; ++i)
            text += i == 599 ? "sin(1)+x;" : "sin(1)+x;\n";
        document.setPlainText(text);
        colours.ColourAll();
        colours.firstShown = [&document] { return document.firstBlock(); };
        colours.lastShown = [&document] { return document.findBlockByNumber(299); };
        // The first 300 lines replaced in one edit; the last of them opens
        // a comment in the second round.
        QString lines;
        for (int i = 0; i < 300; ++i)
            lines += i == 299 ? (openComment ? "cos(2) /*" : "cos(2)") : "cos(2);\n";
        QTextCursor cursor(&document);
        cursor.setPosition(document.findBlockByNumber(299).position() + 8, QTextCursor::KeepAnchor);
        cursor.insertText(lines);
        ASSERT_EQ(document.blockCount(), 600);
        // Coloured at once: the shown lines, and the lines behind them
        // that start as they did.
        for (const int line : {0, 299, 300, 450, 599}) {
            if (openComment && line >= 300)
                continue;
            const QList<QTextLayout::FormatRange> formats = document.findBlockByNumber(line).layout()->formats();
            ASSERT_FALSE(formats.isEmpty()) << "line " << line;
            EXPECT_EQ(formats.front().format, colours.Format(ECalcToken::Function)) << "line " << line;
        }
        colours.ColourAll();
        for (const int line : {300, 450, 599}) {
            EXPECT_EQ(document.findBlockByNumber(line).layout()->formats().front().format,
                      colours.Format(openComment ? ECalcToken::Comment : ECalcToken::Function))
                << openComment << " line " << line;
        }
    }
}

TEST_F(CalcEditor, ColoursFollowTheLanguageInEitherNotation)
{
    struct {
        QString line;
        std::string tokens;
    } const lines[] = {
        // West spellings, then the same in East ones.
        {"tan(1.5e3)+arsinh(x)*Mem[a b]", "fffbnnnnnboffffffb?bommmmmmmm"},
        {"TG(1.5E3)+arsh(x)*mem{a b}", "ffbnnnnnboffffb?bommmmmmmm"},
        {"Rslt+Random-pi*i+j(0,1)", "kkkkokkkkkkoccocofbnonb"},
        {"2+3 = 5 // x=1; y", "non = = #########"},
        {"1;2=3;4 /* a", "non==on ####"},
        {"still */ sinx+sin (2)", "######## ????offf bnb"},
        {"sum(k,1,3,k^2)+log10(2)+Γ(2)", "fffbcononoconbo?????bnbofbnb"},
        // The index of an integral like a series', and "∞" a constant.
        {"integral(x,0,∞,x)+∫(t,0,1,t)", "ffffffffbconococbofbcononocb"},
        {"5->MEMORY(x)=5", "noommmmmmmmm=="},
    };
    QString text;
    for (const auto& l : lines)
        text += l.line + "\n";
    view->setPlainText(text);
    for (int i = 0; i < static_cast<int>(std::size(lines)); ++i)
        EXPECT_EQ(Tokens(i), lines[i].tokens) << lines[i].line.toStdString();
}

TEST_F(CalcEditor, DefinedNamesTakeTheColoursOfWhatTheyAre)
{
    Preferences().Set(EPreference::FreeConfirmation, 0);
    view->setPlainText("r := 5 = 5; f(x, y) := x*y+r\n"
                       "f(2, q)+r*sum(r,1,2,r)+g(1)+x\n"
                       "F(1,2)*R /* r := 1 */ + r");
    // Not defined yet: only the heads of the definitions know the names.
    EXPECT_EQ(Tokens(0), "m oo n = =o fbco cb oo coco?");
    EXPECT_EQ(Tokens(1), "?bno ?bo?offfbcononocbo?bnbo?");
    EXPECT_EQ(Tokens(2), "?bnonbo? ############ o ?");
    Calculate(true);
    QApplication::processEvents();
    ASSERT_EQ(MemoryStore().Definitions().Count(), 2u);
    // A value like a memory reference, a function like a function, in any
    // letter case; a series index hides the value's name, and a name with
    // no definition keeps its mark.
    EXPECT_EQ(Tokens(0), "m oo n = =o fbco cb oo cocom");
    EXPECT_EQ(Tokens(1), "fbno ?bomofffbcononocbo?bnbo?");
    EXPECT_EQ(Tokens(2), "fbnonbom ############ o m");
    // Freeing the memory takes the colours away again.
    frame->Document()->ExecuteCommand(CmdFreeMemory);
    QApplication::processEvents();
    ASSERT_TRUE(MemoryStore().Definitions().Empty());
    EXPECT_EQ(Tokens(1), "?bno ?bo?offfbcononocbo?bnbo?");
}

TEST_F(CalcEditor, CompletionOffersDefinedNamesAndTheHintShowsTheDefinition)
{
    view->setPlainText("myf(x, y) := x*y+1; mya := 2; myfz := 3\n");
    Calculate(true);
    QApplication::processEvents();
    view->moveCursor(QTextCursor::End);
    QTest::keyClicks(view, "MY");
    EXPECT_EQ(view->Completions(), QStringList({"mya", "myf(x, y)", "myfz"}));
    view->Completer()->popup()->setCurrentIndex(view->Completer()->completionModel()->index(1, 0));
    QTest::keyClick(view, Qt::Key_Tab);
    // The name and the function bracket, as for a function of the table.
    EXPECT_TRUE(Text().endsWith("\nmyf(")) << Text().toStdString();
    EXPECT_EQ(view->HintText(), "myf(x, y) := x*y+1");
    QTest::keyClicks(view, "2, Myf");
    EXPECT_EQ(view->Completions(), QStringList({"myf(x, y)", "myfz"}));
    QTest::keyClick(view, Qt::Key_Escape);
    // The hint follows the bracket that holds the caret: inside sin's
    // bracket sin's, back in myf's bracket the definition.
    view->setPlainText("myf(sin(1), 2)");
    SetCaret(8);
    EXPECT_EQ(view->HintText(), "sin(z): Sine");
    SetCaret(12);
    EXPECT_EQ(view->HintText(), "myf(x, y) := x*y+1");
    // A value has no bracket to hint in; a name defined nowhere has none.
    view->setPlainText("mya(1)+nof(2)");
    SetCaret(4);
    EXPECT_EQ(view->HintText(), "");
    SetCaret(11);
    EXPECT_EQ(view->HintText(), "");
}

TEST_F(CalcEditor, ColoursReadOnLightAndDarkPalettesAndOldResultsAreQuieter)
{
    for (const bool dark : {false, true}) {
        QPalette palette = view->palette();
        palette.setColor(QPalette::Base, dark ? QColor(0x20, 0x20, 0x20) : QColor(Qt::white));
        palette.setColor(QPalette::Text, dark ? QColor(0xE0, 0xE0, 0xE0) : QColor(Qt::black));
        view->setPalette(palette);
        const CEditorColors colors(palette);
        const QColor base = palette.color(QPalette::Base);
        for (const QColor& c : {colors.number, colors.function, colors.memory, colors.keyword, colors.operation,
                                colors.comment, colors.error}) {
            EXPECT_GT(std::abs(c.lightness() - base.lightness()), 80) << dark << c.name().toStdString();
        }
        // The old result stands between the text and the base colour.
        const int text = palette.color(QPalette::Text).lightness();
        EXPECT_LT(std::abs(colors.oldResult.lightness() - base.lightness()), std::abs(text - base.lightness()));
        EXPECT_EQ(view->Highlighter()->Format(ECalcToken::Number).foreground().color(), colors.number);
    }
}

TEST_F(CalcEditor, TheBracketMatchingTheOneAtTheCaretIsMarked)
{
    view->setPlainText("sin((1+2)*[3])");
    SetCaret(3);
    EXPECT_EQ(view->MarkedBracket(), 3);
    EXPECT_EQ(view->MatchedBracket(), 13);
    SetCaret(9);  // behind the inner ")"
    EXPECT_EQ(view->MarkedBracket(), 8);
    EXPECT_EQ(view->MatchedBracket(), 4);
    SetCaret(12);
    EXPECT_EQ(view->MatchedBracket(), 10);
    SetCaret(1);
    EXPECT_EQ(view->MarkedBracket(), -1);
    view->setPlainText("(1+(2");
    SetCaret(0);
    EXPECT_EQ(view->MatchedBracket(), -1);
}

// Qt's warnings while it lives, for tests that a step asks Qt nothing
// impossible.
class CQtWarnings {
public:
    CQtWarnings() { s_lines = &lines; m_previous = qInstallMessageHandler(&Collect); }
    ~CQtWarnings()
    {
        qInstallMessageHandler(m_previous);
        s_lines = nullptr;
    }
    CQtWarnings(const CQtWarnings&) = delete;
    CQtWarnings& operator=(const CQtWarnings&) = delete;

    QStringList lines;

private:
    static void Collect(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type != QtDebugMsg && type != QtInfoMsg && s_lines)
            *s_lines << text;
    }
    static inline QStringList* s_lines = nullptr;
    QtMessageHandler m_previous = nullptr;
};

TEST_F(CalcEditor, DeletingTheMarkedBracketAtTheEndAsksForNoPositionBeyondTheText)
{
    // The bracket marks of the text before an edit must not outlive it: the
    // ")" at the caret goes with the Backspace.
    view->setPlainText("arcctg(-i)");
    SetCaret(10);
    ASSERT_EQ(view->MarkedBracket(), 9);
    frame->Document()->ExecuteCommand(CmdCalculate);
    ASSERT_EQ(view->toPlainText(), "arcctg(-i)");  // failed: the statement is marked
    CQtWarnings warnings;
    QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_EQ(view->toPlainText(), "arcctg(-i");
    EXPECT_TRUE(warnings.lines.isEmpty()) << warnings.lines.join('\n').toStdString();
}

TEST_F(CalcEditor, BracketsInsideCommentsPairWithNothing)
{
    view->setPlainText("(1 // )\n+2) /* ( */ *[3 /*\n ] */ ]");
    SetCaret(0);  // its partner is not the ")" of the line comment
    EXPECT_EQ(view->MarkedBracket(), 0);
    EXPECT_EQ(view->MatchedBracket(), 10);
    SetCaret(11);
    EXPECT_EQ(view->MatchedBracket(), 0);
    SetCaret(7);  // behind the commented ")"
    EXPECT_EQ(view->MarkedBracket(), -1);
    SetCaret(16);  // behind the "(" of the "/* */" comment
    EXPECT_EQ(view->MarkedBracket(), -1);
    // The "]" of the next line lies in the comment that went on from here.
    SetCaret(21);
    EXPECT_EQ(view->MatchedBracket(), 33);
    SetCaret(29);
    EXPECT_EQ(view->MarkedBracket(), -1);
    SetCaret(34);
    EXPECT_EQ(view->MatchedBracket(), 21);

    // A comment typed in front turns the first line's bracket into text;
    // closing the comment on the line before the last makes its "]" code.
    SetCaret(0);
    QTest::keyClicks(view, "/*");
    SetCaret(2);
    EXPECT_EQ(view->MarkedBracket(), -1);
    view->setPlainText("[1 /*\n]\n*/ ]");
    SetCaret(0);
    EXPECT_EQ(view->MatchedBracket(), 11);
    SetCaret(6);
    QTest::keyClicks(view, "*/");
    SetCaret(0);
    EXPECT_EQ(view->MatchedBracket(), 8);
}

TEST_F(CalcEditor, ALongTextIsColouredFromTheVisibleLinesOnWithoutBlocking)
{
    constexpr int kLines = 20000;
    QString text;
    for (int i = 0; i < kLines; ++i)
        text += i == kLines - 5 ? "/* (\n" : i == kLines - 3 ? "*/ sin(1)+x;\n" : "sin(1)+x;\n";
    text += "sin(1)+x";
    CCalcHighlighter* colours = view->Highlighter();
    view->setPlainText(text);
    // The first lines at once, the rest later.
    EXPECT_EQ(TokenAt(0, 0), "function");
    EXPECT_TRUE(colours->Pending());
    EXPECT_EQ(TokenAt(kLines, 0), "plain");
    // The comment state of every line is known at once: the "(" behind
    // "/*" pairs with nothing, the last lines are code again.
    const int last = view->document()->findBlockByNumber(kLines).position();
    SetCaret(last + 4);
    EXPECT_EQ(view->MarkedBracket(), last + 3);
    EXPECT_EQ(view->MatchedBracket(), last + 5);
    SetCaret(view->document()->findBlockByNumber(kLines - 5).position() + 4);
    EXPECT_EQ(view->MarkedBracket(), -1);

    // The lines shown come first.
    view->moveCursor(QTextCursor::End);
    view->ensureCursorVisible();
    // One turn of the event loop at a time: a wait that lets events run
    // for a while would see all lines coloured.
    QElapsedTimer clock;
    clock.start();
    while (TokenAt(kLines, 0) != "function" && clock.elapsed() < 5000)
        QApplication::processEvents();
    EXPECT_EQ(TokenAt(kLines, 0), "function");
    EXPECT_EQ(TokenAt(kLines / 2, 0), "plain");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !colours->Pending(); }, 20000));
    EXPECT_EQ(TokenAt(kLines / 2, 0), "function");
    EXPECT_EQ(TokenAt(kLines - 4, 0), "comment");
    EXPECT_EQ(TokenAt(kLines - 3, 3), "function");

    // A comment that swallows the rest of the text: the lines near the
    // change at once, the others later, then all of them.
    SetCaret(view->document()->findBlockByNumber(kLines - 3).position());
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(TokenAt(kLines - 3, 3), "comment");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !colours->Pending(); }, 20000));
    EXPECT_EQ(TokenAt(kLines, 0), "comment");
    SetCaret(last + 4);
    EXPECT_EQ(view->MarkedBracket(), -1);
}

TEST_F(CalcEditor, CalculateAllMarksTheFailedStatementAndPutsTheCaretThere)
{
    view->setPlainText("1+1;\n  2*x ;\n1/0 = 4;\n5+5");
    SetCaret(0);
    Calculate(true);
    // The statements before it carry results, the failed one lost its old
    // result, the one after it is untouched.
    EXPECT_EQ(Text(), "1+1=2;\n  2*x=0 ;\n1/0  ;\n5+5");
    const QTextCursor mark = view->ErrorMark();
    ASSERT_TRUE(mark.hasSelection());
    EXPECT_EQ(mark.selectedText(), "1/0");
    EXPECT_EQ(view->textCursor().position(), mark.selectionStart());
    EXPECT_FALSE(view->textCursor().hasSelection());

    // Editing elsewhere keeps the mark; editing the statement removes it.
    SetCaret(static_cast<int>(Text().size()));
    QTest::keyClicks(view, "1");
    EXPECT_TRUE(view->ErrorMark().hasSelection());
    SetCaret(static_cast<int>(Text().indexOf("/0") + 1));
    QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_FALSE(view->ErrorMark().hasSelection());

    // A run that succeeds marks nothing.
    view->setPlainText("1/0;2");
    Calculate(true);
    EXPECT_EQ(view->ErrorMark().selectedText(), "1/0");
    view->setPlainText("1/2;2");
    Calculate(true);
    EXPECT_FALSE(view->ErrorMark().hasSelection());
}

TEST_F(CalcEditor, CalculateMarksItsFailedStatementAndLeavesTheCaret)
{
    view->setPlainText("2+2;\nsqrt(-1)+ln(0) = 3;\n7");
    SetCaret(8);
    Calculate();
    EXPECT_EQ(view->ErrorMark().selectedText(), "sqrt(-1)+ln(0)");
    EXPECT_EQ(view->textCursor().position(), 8);
    // An unterminated comment fails before any statement: nothing to mark.
    view->setPlainText("1+2 /* open");
    Calculate(true);
    EXPECT_FALSE(view->ErrorMark().hasSelection());
}

TEST_F(CalcEditor, DoubleClickingALogLineSelectsItsStatement)
{
    view->setPlainText("a+1;\n2;\nb*2;\n1/0");
    Calculate(true);
    CCalcLog* log = frame->Log();
    ASSERT_EQ(log->topLevelItemCount(), 3);
    auto doubleClick = [&](int row) {
        QTreeWidgetItem* item = log->topLevelItem(row);
        emit log->itemDoubleClicked(item, 0);
        return view->textCursor().selectedText();
    };
    EXPECT_EQ(doubleClick(0), "a+1=1");
    EXPECT_EQ(doubleClick(1), "b*2=0");
    EXPECT_EQ(doubleClick(2), "1/0");
    // Edits before a statement move it along.
    SetCaret(0);
    QTest::keyClicks(view, "100+");
    EXPECT_EQ(doubleClick(1), "b*2=0");
    EXPECT_EQ(doubleClick(0), "100+a+1=1");
    // Lines of a file execution lead nowhere.
    EXPECT_FALSE(frame->Document()->SelectMessageStatement(7));
}

TEST_F(CalcEditor, CompletionOffersFunctionsInTheNotationAndAppliesTheKeypadBracket)
{
    for (const unsigned notation : {0u, 1u}) {
        Preferences().Set(EPreference::Notation, notation);
        view->clear();
        QTest::keyClicks(view, "a");
        EXPECT_TRUE(view->Completions().isEmpty());  // one letter offers nothing
        QTest::keyClicks(view, "rs");
        EXPECT_EQ(view->Completions(), notation == 0 ? QStringList({"arsech", "arsinh"})
                                                     : QStringList({"arsch", "arsh"}));
        view->Completer()->popup()->setCurrentIndex(view->Completer()->completionModel()->index(1, 0));
        QTest::keyClick(view, Qt::Key_Tab);
        EXPECT_EQ(Text(), notation == 0 ? "arsinh(" : "arsh(");
        EXPECT_TRUE(view->Completions().isEmpty());
    }
    // Enter takes the first offer; without AppendFunction no bracket follows.
    Preferences().Set(EPreference::Notation, 0);
    Preferences().Set(EPreference::AppendFunction, 0);
    view->clear();
    QTest::keyClicks(view, "2*SQ");
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(Text(), "2*sqrt");
    // Esc closes the list and leaves the text; Enter then breaks the line.
    view->clear();
    QTest::keyClicks(view, "co");
    EXPECT_FALSE(view->Completions().isEmpty());
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_TRUE(view->Completions().isEmpty());
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(Text(), "co\n");
    // Names inside numbers are not completed ("2e" starts an exponent).
    view->clear();
    QTest::keyClicks(view, "12ex");
    EXPECT_TRUE(view->Completions().isEmpty());
}

TEST_F(CalcEditor, TheCompletionListUsesTheEditorsFontAndIsReadByScreenReaders)
{
    for (const int size : {15, 24}) {
        CEditorFontSpec spec;
        spec.size = size;
        view->SetFontSpec(spec);
        view->clear();
        QTest::keyClick(view, Qt::Key_Escape);
        QTest::keyClicks(view, "arcs");
        ASSERT_GE(view->Completions().size(), 2);
        QAbstractItemView* list = view->Completer()->popup();
        EXPECT_EQ(QFontInfo(list->font()).pixelSize(), QFontInfo(view->font()).pixelSize()) << size;
        EXPECT_EQ(list->font().family(), view->font().family());
        if (size != 15)
            continue;  // without a screen reader the entries' interfaces are not renewed
        // In the accessibility tree: the list by its name, each entry by
        // its word.
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(list);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->text(QAccessible::Name), "Completions");
        QStringList entries;
        for (int i = 0; i < accessible->childCount(); ++i) {
            if (QAccessibleInterface* child = accessible->child(i); child && child->role() == QAccessible::ListItem)
                entries << child->text(QAccessible::Name);
        }
        EXPECT_EQ(entries, view->Completions());
    }
}

TEST_F(CalcEditor, TheEditorAndThePanesListsHaveAccessibleNames)
{
    EXPECT_EQ(QAccessible::queryAccessibleInterface(view)->text(QAccessible::Name), "Calculation text");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(frame->Log())->text(QAccessible::Name), "Log messages");
    const QList<QTreeWidget*> lists = frame->Memory()->findChildren<QTreeWidget*>();
    ASSERT_FALSE(lists.isEmpty());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(lists.front())->text(QAccessible::Name), "Memory cells");
}

TEST_F(CalcEditor, CompletionInsideAMemoryReferenceOffersTheStoredCells)
{
    MemoryStore().Store(u"rate", CComplex(0.05));
    MemoryStore().Store(u"radius", CComplex(2));
    MemoryStore().Store(u"x", CComplex(1));
    QTest::keyClicks(view, "2*Mem[");
    EXPECT_EQ(view->Completions(), QStringList({"radius", "rate", "x"}));
    QTest::keyClicks(view, "ra");
    EXPECT_EQ(view->Completions(), QStringList({"radius", "rate"}));
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(Text(), "2*Mem[radius]");
    // A closing bracket already there is not doubled.
    view->setPlainText("memory{}");
    SetCaret(7);
    QTest::keyClicks(view, "X");
    EXPECT_EQ(view->Completions(), QStringList({"x"}));
    QTest::keyClick(view, Qt::Key_Tab);
    EXPECT_EQ(Text(), "memory{x}");
}

TEST_F(CalcEditor, TheHintNamesTheFunctionWhoseBracketHoldsTheCaret)
{
    view->setPlainText("1+J(0, sin(2)) + (3)");
    SetCaret(5);
    EXPECT_EQ(view->HintText(), QString::fromUtf16(u"J(ν, z): Bessel function of the first kind"));
    SetCaret(12);
    EXPECT_EQ(view->HintText(), "sin(z): Sine");
    SetCaret(13);  // behind the ")" of sin: J's bracket again
    EXPECT_EQ(view->HintText(), QString::fromUtf16(u"J(ν, z): Bessel function of the first kind"));
    SetCaret(14);
    EXPECT_EQ(view->HintText(), "");
    SetCaret(19);  // a bracket without a name
    EXPECT_EQ(view->HintText(), "");
    SetCaret(1);
    EXPECT_EQ(view->HintText(), "");
    Preferences().Set(EPreference::Notation, 1);
    view->setPlainText("TAN(");
    SetCaret(4);
    EXPECT_EQ(view->HintText(), "tg(z): Tangent");
}

// Waits for the live result to show something new, the value it was
// waiting for and not "…" on the way to it.
QString LiveAfter(CLiveResult* live, const QString& before)
{
    return QTest::qWaitFor([&] { return !live->Pending() && live->Text() != before; }, 20000) ? live->Text() : before;
}

// Asks for the live result now and waits for its outcome.
QString LiveNow(CLiveResult* live)
{
    live->Update();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !live->Pending(); }, 20000)) << "no outcome arrived";
    return live->Text();
}

// Everything the live result has shown, in order.
struct CShownTexts {
    explicit CShownTexts(CLiveResult* live)
    {
        QObject::connect(live, &CLiveResult::shown, &context,
                         [this](const QString& text, bool error) { texts.append(error ? "error: " + text : text); });
    }
    QObject context;
    QStringList texts;
};

const QString kEllipsis = QString::fromUtf16(u"\u2026");

// The live result reads only the lines around the caret: at every caret
// position of each text of tests/data/live_statements.txt it asks for the
// expression the statement rules find in the whole text.
TEST_F(CalcEditor, TheLiveResultReadsTheStatementTheWholeTextHasAtTheCaret)
{
    auto whole = [](const QString& text, int position) {
        const std::u16string all = text.toStdU16String();
        NCalculatorText::CStatementSpan span;
        std::u16string expression;
        if (NCalculatorText::FindStatement(all, static_cast<std::size_t>(position), span)) {
            expression = all.substr(span.start, span.expressionEnd - span.start);
            if (!NCalculatorText::StripComments(expression) ||
                expression.find_first_not_of(u" \t\n\r") == std::u16string::npos)
                expression.clear();
        }
        return expression;
    };
    std::vector<std::pair<std::string, QString>> texts;
    for (const CDataCase& row : ReadDataFile("live_statements.txt"))
        texts.emplace_back("live_statements.txt:" + std::to_string(row.line),
                           QString::fromStdU16String(Unescape(row.fields.at(0))));
    ASSERT_GT(texts.size(), 10u);
    // A statement longer than the stretch read around the caret, and one
    // inside a long text.
    texts.emplace_back("long statement", QString("1+\n").repeated(40000) + "1;2");
    texts.emplace_back("long text", QString("1;\n").repeated(30000) + "2+\n3=4\n;" + QString("5;\n").repeated(30000));
    for (const auto& [where, text] : texts) {
        view->setPlainText(text);
        const int size = static_cast<int>(text.size());
        const int step = size > 1000 ? 997 : 1;
        for (int position = 0; position <= size; position += step)
            ASSERT_EQ(LiveExpressionAt(view->document(), position), whole(text, position)) << where << " at " << position;
    }
    const int inside = static_cast<int>(texts.back().second.indexOf("3=4"));
    for (int position = inside - 4; position < inside + 8; ++position)
        EXPECT_EQ(LiveExpressionAt(view->document(), position), whole(texts.back().second, position)) << position;
    SetCaret(inside);
    EXPECT_EQ(LiveNow(frame->LiveResult()), "= 5");
}

TEST_F(CalcEditor, TheLiveResultFollowsTheStatementAtTheCaretWhileTyping)
{
    CLiveResult* live = frame->LiveResult();
    QTest::keyClicks(view, "2+3");
    EXPECT_EQ(LiveAfter(live, ""), "= 5");
    QTest::keyClicks(view, "*4");
    EXPECT_EQ(LiveAfter(live, "= 5"), "= 14");
    EXPECT_FALSE(live->IsError());
    EXPECT_EQ(Text(), "2+3*4");
    // The statement under the caret, its old result left out; nothing
    // behind the last ";".
    view->setPlainText("1+1=7;\n10/4 // c\n;");
    SetCaret(2);
    EXPECT_EQ(LiveAfter(live, "= 14"), "= 2");
    SetCaret(9);
    EXPECT_EQ(LiveAfter(live, "= 2"), "= 2.5");
    SetCaret(static_cast<int>(Text().size()));
    EXPECT_EQ(LiveAfter(live, "= 2.5"), "");
}

TEST_F(CalcEditor, TheLiveResultChangesNothingTheUserOwns)
{
    CLiveResult* live = frame->LiveResult();
    NCalculatorText::CCalcContext& context = frame->Document()->Context();
    view->setPlainText("41+x");
    Calculate(true);  // one warning in the log
    const CComplex previous = context.previousResult;
    ASSERT_EQ(previous, CComplex(41));
    const int logLines = frame->Log()->topLevelItemCount();
    ASSERT_EQ(logLines, 1);

    view->setPlainText("5->Mem[x]");
    EXPECT_EQ(LiveNow(live), "= 5");
    EXPECT_EQ(MemoryStore().Count(), 0u);


    view->setPlainText("1/0");
    EXPECT_EQ(LiveNow(live), "Operation has singularity at 0");
    EXPECT_TRUE(live->IsError());
    EXPECT_EQ(frame->findChild<QLabel*>("LiveResult")->palette().color(QPalette::WindowText),
              CEditorColors(view->palette()).error);
    view->setPlainText("2+");
    EXPECT_EQ(LiveNow(live), "Syntax error");
    EXPECT_EQ(frame->Log()->topLevelItemCount(), logLines);
    EXPECT_EQ(context.previousResult, previous);

    // The random value shown is the one the next calculation draws.
    view->setPlainText("Rand");
    const QString shown = LiveNow(live);
    EXPECT_EQ(LiveNow(live), shown);
    Calculate();
    EXPECT_EQ("= " + Text().mid(5), shown);
}

TEST_F(CalcEditor, ALiveResultOverItsBudgetShowsAnEllipsis)
{
    CLiveResult* live = frame->LiveResult();
    view->setPlainText("sum(k, 1, 1e12, k)");
    live->Update();
    // The window goes on while the worker computes.
    EXPECT_TRUE(QTest::qWaitFor([&] { return live->Text() == kEllipsis; }, 20000));
    EXPECT_FALSE(live->IsError());
    EXPECT_TRUE(live->Pending());
}

TEST_F(CalcEditor, ALongSeriesShowsAnEllipsisThenItsValue)
{
    CLiveResult* live = frame->LiveResult();
    CShownTexts shown(live);
    // Long enough for the budget even on the fast series path (about a
    // tenth of a second).
    QTest::keyClicks(view, "sum(k, 1, 1e8, k)");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !live->Pending(); }, 60000));
    EXPECT_EQ(shown.texts, QStringList({kEllipsis, "= 5000000050000000"}));
    EXPECT_FALSE(live->IsError());
    // The caret moving inside the statement leaves the value alone.
    SetCaret(3);
    QTest::qWait(3 * CLiveResult::kDelay);
    EXPECT_FALSE(live->Pending());
    EXPECT_EQ(shown.texts.size(), 2);
}

TEST_F(CalcEditor, TypingDuringALongEvaluationCancelsIt)
{
    CLiveResult* live = frame->LiveResult();
    const int logLines = frame->Log()->topLevelItemCount();
    CShownTexts shown(live);
    // A series that would run for hours: the next value can only come from
    // the one worker when the series was stopped.
    QTest::keyClicks(view, "sum(k, 1, 1e12, k)");
    ASSERT_TRUE(QTest::qWaitFor([&] { return live->Text() == kEllipsis; }, 20000));
    view->selectAll();
    QTest::keyClicks(view, "6*7");
    EXPECT_EQ(LiveAfter(live, kEllipsis), "= 42");
    EXPECT_EQ(shown.texts, QStringList({kEllipsis, "= 42"})) << "the cancelled series showed something";

    // A series that ends soon, changed while it runs: its value never shows,
    // the value of the new text does.
    shown.texts.clear();
    view->setPlainText("sum(k, 1, 1e8, k)");
    view->moveCursor(QTextCursor::End);
    live->Update();
    QTest::keyClicks(view, "+1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !live->Pending(); }, 60000));
    EXPECT_EQ(live->Text(), "= 5000000050000001");
    EXPECT_FALSE(shown.texts.contains("= 5000000050000000"));
    for (const QString& text : shown.texts)
        EXPECT_FALSE(text.startsWith("error")) << text.toStdString();
    EXPECT_EQ(frame->Log()->topLevelItemCount(), logLines);
}

TEST_F(CalcEditor, ALongLiveEvaluationChangesNothingTheUserOwns)
{
    CLiveResult* live = frame->LiveResult();
    NCalculatorText::CCalcContext& context = frame->Document()->Context();
    view->setPlainText("7->Mem[a]");
    Calculate(true);
    ASSERT_EQ(MemoryStore().Count(), 1u);
    const CComplex previous = context.previousResult;
    const int logLines = frame->Log()->topLevelItemCount();
    // The sequence as it stands after a first draw, both parts seeded.
    context.random.SeedImaginaryOnce();
    CRandomSource random = context.random;

    // Stores, draws, reads the previous result and warns, long enough to
    // run past the budget.
    view->setPlainText("sum(k, 1, 3e6, re(Rand)*0 + 1/k) + x + Rslt -> Mem[s]; Mem[a]");
    SetCaret(5);
    const QString value = LiveNow(live);
    EXPECT_FALSE(live->IsError()) << value.toStdString();
    EXPECT_TRUE(value.startsWith("= ")) << value.toStdString();
    EXPECT_EQ(MemoryStore().Count(), 1u);
    EXPECT_EQ(MemoryStore().Find(u"s"), nullptr);
    EXPECT_EQ(context.previousResult, previous);
    EXPECT_EQ(frame->Log()->topLevelItemCount(), logLines);
    EXPECT_EQ(context.random.Draw(), random.Draw()) << "the random sequence moved";
}

TEST_F(CalcEditor, APreferenceTurnsTheLiveResultOffAndTheChoicePersists)
{
    ASSERT_TRUE(CLiveResult::Enabled());
    {
        CCalcPreferencesDialog dialog(Preferences(), frame.get());
        auto* box = qobject_cast<QCheckBox*>(dialog.Control(CCalcPreferencesDialog::IdLiveResult));
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->isChecked());
        box->setChecked(false);
        dialog.accept();
    }
    frame->RefreshForPreferences();
    auto* label = frame->findChild<QLabel*>("LiveResult");
    EXPECT_FALSE(label->isVisible());
    QTest::keyClicks(view, "2+3");
    frame->LiveResult()->Update();
    EXPECT_EQ(frame->LiveResult()->Text(), "");

    // A new window starts with it off; the dialog shows it off.
    frame.reset();
    frame = std::make_unique<CCalcMainFrame>(state);
    frame->show();
    view = frame->Editor();
    EXPECT_FALSE(frame->findChild<QLabel*>("LiveResult")->isVisible());
    {
        CCalcPreferencesDialog dialog(Preferences(), frame.get());
        auto* box = qobject_cast<QCheckBox*>(dialog.Control(CCalcPreferencesDialog::IdLiveResult));
        EXPECT_FALSE(box->isChecked());
        box->setChecked(true);
        dialog.accept();
    }
    EXPECT_TRUE(QSettings().value("GUI/Editor/LiveResult").toBool());
    frame->RefreshForPreferences();
    EXPECT_TRUE(frame->findChild<QLabel*>("LiveResult")->isVisible());
}

}  // namespace
