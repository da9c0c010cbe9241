#include "windows/keypad/calc_keypad.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QWhatsThis>

#include <map>
#include <memory>
#include <set>

#include "document/utf.h"
#include "support/data_cases.h"
#include "support/fresh_state.h"
#include "support/preference_names.h"
#include "windows/keypad_test_app.h"

namespace {

// Records what the keypad sends: "insert TEXT" or "command NAME", one entry a call.
class CRecordingReceiver : public ICmdReceiver {
public:
    void ExecuteCommand(ECmdCode code) override
    {
        static const char* const kNames[] = {"CmdClear", "CmdBackspace", "CmdCalculate", "CmdCalculateAll",
                                             "CmdFreeMemory"};
        calls.push_back(std::string("command ") + kNames[code]);
    }
    void InsertText(std::u16string_view text) override { calls.push_back("insert " + Utf16ToUtf8(text)); }

    std::vector<std::string> calls;
};

// An editor behind the receiver interface, as the document edits its view:
// typing replaces the selection, Clear empties, Backspace deletes backwards.
class CEditorReceiver : public ICmdReceiver {
public:
    void ExecuteCommand(ECmdCode code) override
    {
        QTextCursor cursor = editor.textCursor();
        switch (code) {
        case CmdClear:
            editor.selectAll();
            editor.textCursor().removeSelectedText();
            break;
        case CmdBackspace:
            if (cursor.hasSelection())
                cursor.removeSelectedText();
            else
                cursor.deletePreviousChar();
            break;
        default:
            calculations.push_back(code);
            break;
        }
    }
    void InsertText(std::u16string_view text) override
    {
        QString typed = QString::fromStdU16String(std::u16string(text));
        typed.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        editor.textCursor().insertText(typed);
    }
    std::string Text() const { return editor.toPlainText().toStdString(); }

    QPlainTextEdit editor;
    std::vector<ECmdCode> calculations;
};

void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A left click at the button's centre, then the posted click is delivered.
void ClickButton(QWidget* button)
{
    const QPoint centre = button->rect().center();
    SendMouse(button, QEvent::MouseButtonPress, centre, Qt::LeftButton);
    SendMouse(button, QEvent::MouseButtonRelease, centre, Qt::NoButton);
    QCoreApplication::processEvents();
}

std::string Trim(const std::string& text)
{
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

std::string Unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 'r' ? '\r' : next == 'n' ? '\n' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

class KeypadTest : public ::testing::Test {
protected:
    CFreshState fresh;

    void SetUp() override
    {
        KeypadTestApplication();
        QApplication::setStyle(QStringLiteral("Fusion"));
        ClearKeypadSettings();
        CCalcKeyPad::SetMessageHandler([this](QWidget*, const QString& text) { messages.push_back(text); });
    }
    void TearDown() override
    {
        CCalcKeyPad::SetMessageHandler(nullptr);
        QApplication::setStyle(QStringLiteral("Fusion"));
    }

    std::unique_ptr<CCalcKeyPad> MakeKeypad()
    {
        auto keypad = std::make_unique<CCalcKeyPad>(Preferences());
        keypad->show();
        return keypad;
    }

    static std::string Label(const CCalcKeyPad& keypad, int controlId)
    {
        return keypad.ButtonById(controlId)->text().toStdString();
    }

    std::vector<QString> messages;
};

// ------------------------------------------------------------ actions

class KeypadActions : public KeypadTest, public testing::WithParamInterface<CDataRow> {};

TEST_P(KeypadActions, ButtonInsertsOrCommands)
{
    const CDataRow& c = GetParam();
    const std::string where = c.Where();
    ASSERT_EQ(c.Fields().size(), 3u) << where;
    auto keypad = MakeKeypad();
    CRecordingReceiver receiver;
    keypad->SetReceiver(&receiver);
    ASSERT_TRUE(ApplyPreferenceSettings(c.Field(0))) << where;
    CColorButton* button = keypad->ButtonById(std::stoi(Trim(c.Field(1))));
    ASSERT_NE(button, nullptr) << where;
    ClickButton(button);
    ASSERT_EQ(receiver.calls.size(), 1u) << where;
    EXPECT_EQ(receiver.calls[0], Unescape(Trim(c.Field(2)))) << where;
}

INSTANTIATE_DATA_ROWS(KeypadActions, "keypad_actions.txt");

TEST(KeypadActionsFile, EveryButtonHasACase)
{
    const auto rows = DataRows("keypad_actions.txt");
    ASSERT_GT(rows.size(), 250u);
    std::set<int> covered;
    for (const CDataRow& c : rows)
        if (c.Fields().size() == 3)
            covered.insert(std::stoi(Trim(c.Field(1))));
    EXPECT_EQ(covered.size(), static_cast<std::size_t>(kKeypadButtonCount));
}

TEST_F(KeypadTest, NothingHappensWithoutReceiver)
{
    auto keypad = MakeKeypad();
    for (int i = 0; i < kKeypadButtonCount; ++i)
        ClickButton(keypad->Button(i));
    CRecordingReceiver receiver;
    keypad->SetReceiver(&receiver);
    ClickButton(keypad->ButtonById(1007));
    EXPECT_EQ(receiver.calls, std::vector<std::string>{"insert 1"});
}

TEST_F(KeypadTest, ButtonsTypeIntoTheEditor)
{
    auto keypad = MakeKeypad();
    CEditorReceiver editor;
    keypad->SetReceiver(&editor);
    auto click = [&](int id) { ClickButton(keypad->ButtonById(id)); };

    // West, lower case, brackets on.
    click(1029);  // tg
    EXPECT_EQ(editor.Text(), "tan(");
    click(1049);  // e
    click(1021);  // )
    click(1016);  // ×
    click(1008);  // 2
    click(1026);  // , types the decimal point in West notation
    click(1011);  // 5
    EXPECT_EQ(editor.Text(), "tan(e)\u00D72.5");
    click(1050);  // Bkspace
    EXPECT_EQ(editor.Text(), "tan(e)\u00D72.");
    click(1051);  // Clear
    EXPECT_EQ(editor.Text(), "");

    Preferences().Set(EPreference::Notation, 1);
    click(1029);
    EXPECT_EQ(editor.Text(), "tg(");
    click(1051);

    Preferences().Set(EPreference::NotationCase, 1);
    keypad->Relabel();
    EXPECT_EQ(Label(*keypad, 1043), "ARCCTG");
    click(1043);
    EXPECT_EQ(editor.Text(), "ARCCTG(");
    click(1051);

    Preferences().SetDefaults();
    Preferences().Set(EPreference::AppendFunction, 0);
    click(1028);  // sin
    click(1039);  // ^
    EXPECT_EQ(editor.Text(), "sin^");
    click(1051);

    Preferences().SetDefaults();
    click(1069);  // ->
    EXPECT_EQ(editor.Text(), "->Mem[");
    click(1051);

    Preferences().Set(EPreference::GammaFunction, 1);
    keypad->Relabel();
    EXPECT_EQ(Label(*keypad, 1036), "\u0393");
    click(1036);
    EXPECT_EQ(editor.Text(), "\u0393(");
    click(1051);

    click(1071);  // ; enter
    click(1063);  // Enter
    EXPECT_EQ(editor.Text(), ";\n\n");

    click(1001);  // =
    click(1062);  // = all
    EXPECT_EQ(editor.calculations, (std::vector<ECmdCode>{CmdCalculate, CmdCalculateAll}));
}

TEST_F(KeypadTest, DoubleClickOnADigitTypesItTwice)
{
    auto keypad = MakeKeypad();
    CEditorReceiver editor;
    keypad->SetReceiver(&editor);
    CColorButton* seven = keypad->ButtonById(1013);
    const QPoint centre = seven->rect().center();
    SendMouse(seven, QEvent::MouseButtonPress, centre, Qt::LeftButton);
    SendMouse(seven, QEvent::MouseButtonRelease, centre, Qt::NoButton);
    SendMouse(seven, QEvent::MouseButtonDblClick, centre, Qt::LeftButton);
    SendMouse(seven, QEvent::MouseButtonRelease, centre, Qt::NoButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.Text(), "77");
}

TEST_F(KeypadTest, DragOutOfThePillTypesNothing)
{
    auto keypad = MakeKeypad();
    CEditorReceiver editor;
    keypad->SetReceiver(&editor);
    ASSERT_EQ(keypad->EffectiveStyle(), StyleVantrel);
    CColorButton* five = keypad->ButtonById(1011);
    const QPoint centre = five->rect().center();
    const QPoint outside(five->width() + 10, centre.y());
    SendMouse(five, QEvent::MouseButtonPress, centre, Qt::LeftButton);
    SendMouse(five, QEvent::MouseMove, outside, Qt::LeftButton);
    SendMouse(five, QEvent::MouseButtonRelease, outside, Qt::NoButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.Text(), "");
}

// ------------------------------------------------------------ labels

TEST_F(KeypadTest, InitialLabelsShowSymbolsAndEastSpellings)
{
    auto keypad = MakeKeypad();
    EXPECT_EQ(Label(*keypad, 1016), "\u00D7");
    EXPECT_EQ(Label(*keypad, 1017), "\u00F7");
    EXPECT_EQ(Label(*keypad, 1048), "\u03C0");
    EXPECT_EQ(Label(*keypad, 1136), "\u2211");
    EXPECT_EQ(Label(*keypad, 1137), "\u220F");
    EXPECT_EQ(Label(*keypad, 1029), "tg");  // until the first relabelling
    EXPECT_EQ(Label(*keypad, 1026), ",");
    EXPECT_EQ(Label(*keypad, 1070), "Mem");
    EXPECT_EQ(Label(*keypad, 1071), "; enter");
}

TEST_F(KeypadTest, RelabellingFollowsNotationCaseGammaAndUnit)
{
    auto keypad = MakeKeypad();
    keypad->Relabel();  // defaults: West, lower case
    for (const CKeypadSpelling& row : KeypadSpellingTable)
        EXPECT_EQ(keypad->ButtonById(row.controlId)->text(), QString::fromStdU16String(row.west)) << row.controlId;
    EXPECT_EQ(Label(*keypad, 1129), "i");

    Preferences().Set(EPreference::Notation, 1);
    Preferences().Set(EPreference::NotationCase, 1);
    keypad->Relabel();
    EXPECT_EQ(Label(*keypad, 1029), "TG");
    EXPECT_EQ(Label(*keypad, 1043), "ARCCTG");
    EXPECT_EQ(Label(*keypad, 1026), ",");
    EXPECT_EQ(Label(*keypad, 1036), "N!");
    EXPECT_EQ(Label(*keypad, 1125), "RE");
    EXPECT_EQ(Label(*keypad, 1130), "J");
    EXPECT_EQ(Label(*keypad, 1016), "\u00D7");  // symbols and service labels stay
    EXPECT_EQ(Label(*keypad, 1134), "Rand");

    Preferences().Set(EPreference::GammaFunction, 1);
    Preferences().Set(EPreference::FormatI, 1);
    keypad->Relabel();
    EXPECT_EQ(Label(*keypad, 1036), "\u0393");
    EXPECT_EQ(Label(*keypad, 1129), "j");

    // Switching the notation keeps the gamma label.
    Preferences().Set(EPreference::Notation, 0);
    keypad->Relabel();
    EXPECT_EQ(Label(*keypad, 1036), "\u0393");
    EXPECT_EQ(Label(*keypad, 1029), "TAN");
    EXPECT_EQ(Label(*keypad, 1026), ".");

    Preferences().Set(EPreference::GammaFunction, 0);
    Preferences().Set(EPreference::NotationCase, 0);
    keypad->Relabel();
    EXPECT_EQ(Label(*keypad, 1036), "n!");
    EXPECT_EQ(Label(*keypad, 1029), "tan");
}

TEST_F(KeypadTest, RelabellingLaysOutForTheCase)
{
    auto keypad = MakeKeypad();
    QSignalSpy layouts(keypad.get(), &CCalcKeyPad::LayoutChanged);
    keypad->Relabel();  // East -> West, still lower case: same sample
    EXPECT_EQ(keypad->Sizes().W, QFontMetrics(keypad->ButtonFont()).horizontalAdvance("8Bkspace8"));
    Preferences().Set(EPreference::NotationCase, 1);
    keypad->Relabel();
    EXPECT_EQ(keypad->Sizes().W, QFontMetrics(keypad->ButtonFont()).horizontalAdvance("8ARCOTH8"));
    Preferences().Set(EPreference::Notation, 1);
    keypad->Relabel();
    EXPECT_EQ(keypad->Sizes().W, QFontMetrics(keypad->ButtonFont()).horizontalAdvance("8ARCCOSEC8"));
    EXPECT_EQ(layouts.count(), 3);
    keypad->Relabel();  // nothing changed: no new layout
    EXPECT_EQ(layouts.count(), 3);
    EXPECT_EQ(layouts.last().at(0).toSize(), keypad->size());
}

// ------------------------------------------------------------ layout

TEST(KeypadLayout, MeasuresFromTheTemplate)
{
    // Base units 6 x 13: 4 dialog units are 6 pixels, 2 are 3.25 -> 3.
    const CKeypadMeasures m = KeypadMeasuresFromBaseUnits(QSize(6, 13));
    EXPECT_EQ(m.margin, 5);
    EXPECT_EQ(m.hGap, 6);
    EXPECT_EQ(m.vGap, 3);
    EXPECT_EQ(m.groupGap, 15);
    const CKeypadMeasures n = KeypadMeasuresFromBaseUnits(QSize(7, 16));
    EXPECT_EQ(n.margin, 6);
    EXPECT_EQ(n.hGap, 7);
    EXPECT_EQ(n.vGap, 4);
    EXPECT_EQ(n.groupGap, 17);  // 467.25 and 449.75 rounded: 467 - 450
    EXPECT_EQ(DialogUnitsToPixelsX(10, 7), 18);
    EXPECT_EQ(DialogUnitsToPixelsY(3, 13), 5);
}

TEST(KeypadLayout, SizesFromTheSampleText)
{
    const CButtonSizes s = ButtonSizesFromText(80, 18, 14);
    EXPECT_EQ(s.H, 28);  // 18 * 8 / 5 = 28.8, truncated
    EXPECT_EQ(s.W, 80);
    EXPECT_EQ(s.w, 28);  // "*/" is narrower than the height
    EXPECT_EQ(ButtonSizesFromText(80, 10, 20).w, 20);
    EXPECT_EQ(KeypadWidthSample(false, true), "8Bkspace8");
    EXPECT_EQ(KeypadWidthSample(true, true), "8ARCCOSEC8");
    EXPECT_EQ(KeypadWidthSample(true, false), "8ARCOTH8");
}

TEST(KeypadLayout, ButtonRectanglesFollowTheFormulas)
{
    const CKeypadMeasures m{5, 6, 3, 15};
    const CButtonSizes s{80, 28, 28};
    auto rect = [&](int index) { return KeypadButtonRect(index, m, s); };
    EXPECT_EQ(rect(0), QRect(5, 5, 80, 28));     // sin
    EXPECT_EQ(rect(7), QRect(91, 36, 80, 28));   // csch
    EXPECT_EQ(rect(41), QRect(435, 191, 80, 28));  // arg
    EXPECT_EQ(rect(42), QRect(530, 5, 28, 28));  // pi
    EXPECT_EQ(rect(43), QRect(564, 5, 28, 28));  // e
    EXPECT_EQ(rect(44), QRect(530, 36, 28, 28));  // i
    EXPECT_EQ(rect(46), QRect(564, 67, 28, 28));  // )
    EXPECT_EQ(rect(52), QRect(564, 160, 28, 28));  // */
    EXPECT_EQ(rect(53), QRect(607, 5, 28, 28));  // +
    EXPECT_EQ(rect(56), QRect(709, 5, 28, 28));  // 3
    EXPECT_EQ(rect(66), QRect(641, 98, 28, 28));  // 0
    EXPECT_EQ(rect(68), QRect(709, 98, 28, 28));  // ;
    EXPECT_EQ(rect(69), QRect(607, 129, 62, 28));  // =
    EXPECT_EQ(rect(70), QRect(675, 129, 62, 28));  // = all
    EXPECT_EQ(rect(71), QRect(752, 5, 80, 28));  // Enter
    EXPECT_EQ(rect(74), QRect(752, 98, 80, 28));  // Bkspace
    EXPECT_EQ(rect(75), QRect(847, 5, 80, 28));  // Rslt
    EXPECT_EQ(rect(78), QRect(847, 98, 80, 28));  // Mem
    EXPECT_EQ(KeypadSize(m, s), QSize(932, 221));

    const CKeypadPaneSizes pane = KeypadPaneSizes(QSize(932, 221));
    EXPECT_EQ(pane.floating, QSize(932, 221));
    EXPECT_EQ(pane.horizontal, QSize(947, 231));
    EXPECT_EQ(pane.vertical, QSize(942, 236));
    EXPECT_EQ(pane.minimum, QSize(947, 236));
}

TEST(KeypadLayout, NoOverlapsAndEverythingInsideForManyFonts)
{
    KeypadTestApplication();
    for (int pixels : {9, 12, 15, 20, 31}) {
        for (bool upper : {false, true}) {
            QFont font(QStringLiteral("Arial"));
            font.setPixelSize(pixels);
            font.setWeight(QFont::ExtraBold);
            const CButtonSizes s = ButtonSizesFromFont(font, upper, true);
            const CKeypadMeasures m = KeypadMeasuresFromBaseUnits(QSize(6 + pixels / 10, 13 + pixels / 5));
            const QRect area(QPoint(0, 0), KeypadSize(m, s));
            for (int i = 0; i < kKeypadButtonCount; ++i) {
                const QRect r = KeypadButtonRect(i, m, s);
                EXPECT_TRUE(area.contains(r)) << "button " << i << " at " << pixels << " px";
                for (int j = i + 1; j < kKeypadButtonCount; ++j)
                    EXPECT_FALSE(r.intersects(KeypadButtonRect(j, m, s))) << i << " and " << j;
            }
        }
    }
}

TEST_F(KeypadTest, KeypadWidgetIsLaidOutByTheFormulas)
{
    auto keypad = MakeKeypad();
    const CKeypadMeasures m = KeypadMeasuresFromBaseUnits(DialogBaseUnits(keypad->font()));
    EXPECT_EQ(keypad->Measures().margin, m.margin);
    EXPECT_EQ(keypad->Measures().groupGap, m.groupGap);
    const CButtonSizes s = ButtonSizesFromFont(keypad->ButtonFont(), false, true);
    EXPECT_EQ(keypad->Sizes().W, s.W);
    EXPECT_EQ(keypad->Sizes().H, s.H);
    for (int i = 0; i < kKeypadButtonCount; ++i)
        EXPECT_EQ(keypad->Button(i)->geometry(), KeypadButtonRect(i, m, s)) << i;
    EXPECT_EQ(keypad->size(), KeypadSize(m, s));
    EXPECT_EQ(keypad->PaneSizes().minimum, keypad->size() + QSize(15, 15));

    // A bigger font makes a bigger keypad.
    const QSize before = keypad->size();
    QFont big = keypad->ButtonFont();
    big.setPixelSize(big.pixelSize() * 2);
    keypad->SetChosenFont(big);
    EXPECT_GT(keypad->width(), before.width());
    EXPECT_GT(keypad->height(), before.height());
    EXPECT_EQ(keypad->size(), KeypadSize(m, ButtonSizesFromFont(keypad->ButtonFont(), false, true)));
}

TEST(KeypadTables, GroupsAndSpellings)
{
    int counts[kButtonGroupCount] = {};
    std::set<int> ids;
    for (int i = 0; i < kKeypadButtonCount; ++i) {
        ++counts[KeypadButtonGroup(i)];
        ids.insert(KeypadButtonInfo(i).controlId);
        EXPECT_EQ(KeypadButtonIndex(KeypadButtonInfo(i).controlId), i);
    }
    EXPECT_EQ(counts[GroupFunction], 52);
    EXPECT_EQ(counts[GroupDigit], 14);
    EXPECT_EQ(counts[GroupService], 13);
    EXPECT_EQ(ids.size(), 79u);
    EXPECT_EQ(KeypadButtonGroup(44), GroupDigit);      // i
    EXPECT_EQ(KeypadButtonGroup(65), GroupFunction);   // /
    EXPECT_EQ(KeypadButtonGroup(67), GroupDigit);      // ,
    EXPECT_EQ(KeypadButtonGroup(51), GroupService);    // /*
    EXPECT_EQ(KeypadButtonIndex(999), -1);

    // Every spelled row names a keypad button, once.
    std::set<int> rows;
    for (const CKeypadSpelling& row : KeypadSpellingTable) {
        EXPECT_GE(KeypadButtonIndex(row.controlId), 0);
        rows.insert(row.controlId);
    }
    EXPECT_EQ(rows.size(), 39u);
    EXPECT_EQ(KeypadFunctionNumber(1029), 0);
    EXPECT_EQ(KeypadFunctionNumber(1026), 16);
    EXPECT_EQ(KeypadFunctionNumber(1036), 25);
    EXPECT_EQ(KeypadFunctionNumber(1127), 38);
    EXPECT_EQ(KeypadFunctionNumber(1001), -1);
    EXPECT_EQ(KeypadSpelling(5, true, true), u"ARCCOSEC");
    EXPECT_EQ(KeypadSpelling(16, false, true), u".");
    EXPECT_EQ(KeypadHelpContext(1028), 0x80660404u);
    EXPECT_EQ(KeypadHelpContext(1001), 0x806603E9u);
}

// ------------------------------------------------------------ style

TEST(KeypadStyle, EffectiveStyleTable)
{
    EXPECT_EQ(EffectiveStyle(Style2000, true), StyleVista);
    EXPECT_EQ(EffectiveStyle(Style2000, false), Style2000);
    EXPECT_EQ(EffectiveStyle(StyleVantrel, true), StyleVantrel);
    EXPECT_EQ(EffectiveStyle(StyleVantrel, false), StyleVantrel);
    EXPECT_EQ(EffectiveStyle(StyleXP, true), StyleXP);
    EXPECT_EQ(EffectiveStyle(StyleXP, false), StyleVantrel);
    EXPECT_EQ(EffectiveStyle(StyleVista, true), StyleVista);
    EXPECT_EQ(EffectiveStyle(StyleVista, false), StyleVantrel);
    EXPECT_EQ(KeypadStyleFromValue(0), Style2000);
    EXPECT_EQ(KeypadStyleFromValue(2), StyleXP);
    EXPECT_EQ(KeypadStyleFromValue(3), StyleVista);
    EXPECT_EQ(KeypadStyleFromValue(4), StyleVantrel);
    EXPECT_EQ(KeypadStyleFromValue(-1), StyleVantrel);
}

TEST_F(KeypadTest, StoredXPWithoutThemesDrawsOwnStyle)
{
    auto keypad = MakeKeypad();
    ASSERT_TRUE(keypad->HandleCommand(IdKeypadStyleXP));
    EXPECT_TRUE(ThemesActive());
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadStyleXP));
    EXPECT_TRUE(keypad->IsCommandEnabled(IdKeypadStyleXP));
    EXPECT_TRUE(keypad->IsCommandEnabled(IdKeypadStyleVista));
    EXPECT_FALSE(keypad->IsCommandEnabled(IdKeypadStyle2000));
    EXPECT_EQ(keypad->Button(0)->Drawing(), CColorButton::EDrawing::ThemedCustom);

    QApplication::setStyle(QStringLiteral("Windows"));
    EXPECT_FALSE(ThemesActive());
    EXPECT_EQ(keypad->StoredStyle(), StyleXP);
    EXPECT_EQ(keypad->EffectiveStyle(), StyleVantrel);
    EXPECT_FALSE(keypad->IsCommandEnabled(IdKeypadStyleXP));
    EXPECT_FALSE(keypad->IsCommandEnabled(IdKeypadStyleVista));
    EXPECT_TRUE(keypad->IsCommandEnabled(IdKeypadStyle2000));
    EXPECT_TRUE(keypad->IsCommandEnabled(IdKeypadStyleVantrel));
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadStyleXP));
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadStyleVantrel));
    for (int i = 0; i < kKeypadButtonCount; ++i)
        EXPECT_EQ(keypad->Button(i)->Drawing(), CColorButton::EDrawing::Own) << i;

    keypad->HandleCommand(IdKeypadStyle2000);
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadStyle2000));
    EXPECT_EQ(keypad->Button(0)->Drawing(), CColorButton::EDrawing::Classic);
    QApplication::setStyle(QStringLiteral("Fusion"));
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadStyleVista));  // the classic style gives way to Vista
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadStyle2000));
}

// ------------------------------------------------------------ settings

TEST_F(KeypadTest, DefaultsWithEmptySettings)
{
    auto keypad = MakeKeypad();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(keypad->StoredStyle(), StyleVantrel);
    EXPECT_TRUE(keypad->IsDefaultFont());
    EXPECT_FALSE(keypad->IsSystemFont());
    const CKeypadFontSpec spec = keypad->ButtonFontSpec();
    EXPECT_EQ(spec.face, "Arial");
    EXPECT_EQ(spec.weight, 800);
    EXPECT_FALSE(spec.italic);
    EXPECT_EQ(spec.height, -std::lround(11.0 * QGuiApplication::primaryScreen()->logicalDotsPerInchY() / 72));
    EXPECT_EQ(keypad->ButtonFont().pixelSize(), -spec.height);
    EXPECT_EQ(keypad->GroupTextColor(GroupFunction), QColor(128, 0, 64));
    EXPECT_EQ(keypad->GroupTextColor(GroupDigit), QColor(0, 64, 128));
    EXPECT_EQ(keypad->GroupTextColor(GroupService), QColor(64, 64, 64));
    EXPECT_EQ(keypad->GroupFaceColor(GroupFunction), QColor(255, 128, 192));
    EXPECT_EQ(keypad->GroupFaceColor(GroupDigit), QColor(144, 208, 255));
    EXPECT_EQ(keypad->GroupFaceColor(GroupService), QColor(192, 192, 192));
    EXPECT_EQ(keypad->ButtonById(1028)->FaceColor(), QColor(255, 128, 192));
    EXPECT_EQ(keypad->ButtonById(1007)->TextColor(), QColor(0, 64, 128));
    EXPECT_EQ(keypad->ButtonById(1001)->FaceColor(), QColor(192, 192, 192));
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadTextDefault));
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadFaceDefault));
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadFontDefault));
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadTextSystem));
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadFaceSystem));
}

TEST_F(KeypadTest, SettingsPersistUnderKeypadSection)
{
    {
        auto keypad = MakeKeypad();
        keypad->SetStyle(StyleVista);
        keypad->SetGroupTextColor(GroupDigit, QColor(1, 2, 3));
        keypad->SetGroupFaceColor(GroupService, QColor(10, 20, 30));
        keypad->SetSystemTextColor();
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPixelSize(17);
        font.setWeight(QFont::Normal);
        font.setItalic(true);
        keypad->SetChosenFont(font);
    }
    QSettings settings(QStringLiteral("Vantrel"), QStringLiteral("Calculator Ka-Vm"));
    settings.beginGroup(QStringLiteral("GUI/Keypad"));
    EXPECT_EQ(settings.value("Style").toInt(), 3);
    EXPECT_EQ(settings.value("ColorTextDigit").toUInt(), 0x030201u);
    EXPECT_EQ(settings.value("ColorService").toUInt(), 0x1E140Au);
    EXPECT_EQ(settings.value("ColorFunction").toUInt(), 0xC080FFu);
    EXPECT_EQ(settings.value("ColorTextSystem").toInt(), 1);
    EXPECT_EQ(settings.value("ColorSystem").toInt(), 0);
    EXPECT_EQ(settings.value("FontSize").toInt(), -17);
    EXPECT_EQ(settings.value("FontWeight").toInt(), 400);
    EXPECT_EQ(settings.value("FontItalic").toInt(), 1);
    EXPECT_EQ(settings.value("FontFace").toString(), "DejaVu Serif");
    settings.endGroup();

    auto keypad = MakeKeypad();
    EXPECT_EQ(keypad->StoredStyle(), StyleVista);
    EXPECT_EQ(keypad->GroupTextColor(GroupDigit), QColor(1, 2, 3));
    EXPECT_EQ(keypad->GroupFaceColor(GroupService), QColor(10, 20, 30));
    EXPECT_TRUE(keypad->IsSystemTextColor());
    EXPECT_TRUE(keypad->ButtonById(1007)->UsesSystemTextColor());  // flag wins over the stored colour
    EXPECT_EQ(keypad->ButtonById(1001)->FaceColor(), QColor(10, 20, 30));
    EXPECT_EQ(keypad->ButtonFontSpec(), (CKeypadFontSpec{-17, 400, true, QStringLiteral("DejaVu Serif")}));
    EXPECT_TRUE(keypad->ButtonFont().italic());
    EXPECT_FALSE(keypad->IsDefaultFont());
    EXPECT_FALSE(keypad->IsSystemFont());
}

TEST_F(KeypadTest, StoredStyleOutOfRangeBecomesVantrel)
{
    for (int stored : {7, -1, 1}) {
        {
            QSettings settings(QStringLiteral("Vantrel"), QStringLiteral("Calculator Ka-Vm"));
            settings.setValue("GUI/Keypad/Style", stored);
        }
        auto keypad = MakeKeypad();
        EXPECT_EQ(keypad->StoredStyle(), StyleVantrel) << stored;
    }
    {
        QSettings settings(QStringLiteral("Vantrel"), QStringLiteral("Calculator Ka-Vm"));
        settings.setValue("GUI/Keypad/Style", 0);
    }
    auto keypad = MakeKeypad();
    EXPECT_EQ(keypad->StoredStyle(), Style2000);
}

TEST_F(KeypadTest, UnusableStoredFontFallsBackToTheDefault)
{
    {
        QSettings settings(QStringLiteral("Vantrel"), QStringLiteral("Calculator Ka-Vm"));
        settings.setValue("GUI/Keypad/FontFace", QString());
        settings.setValue("GUI/Keypad/FontSize", -20);
    }
    auto keypad = MakeKeypad();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Failed to load font");
    EXPECT_EQ(keypad->ButtonFontSpec(), DefaultKeypadFont());
    EXPECT_TRUE(keypad->IsDefaultFont());

    messages.clear();
    {
        QSettings settings(QStringLiteral("Vantrel"), QStringLiteral("Calculator Ka-Vm"));
        settings.setValue("GUI/Keypad/FontFace", QStringLiteral("Arial"));
        settings.setValue("GUI/Keypad/FontSize", 100000);
    }
    keypad.reset();  // writes the default font back
    {
        QSettings settings(QStringLiteral("Vantrel"), QStringLiteral("Calculator Ka-Vm"));
        EXPECT_EQ(settings.value("GUI/Keypad/FontSize").toInt(), DefaultKeypadFont().height);
        settings.setValue("GUI/Keypad/FontWeight", 5000);
    }
    keypad = MakeKeypad();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_TRUE(keypad->IsDefaultFont());
}

TEST(KeypadFont, SpecsAndUsability)
{
    KeypadTestApplication();
    EXPECT_TRUE(IsUsableFontSpec(DefaultKeypadFont()));
    EXPECT_FALSE(IsUsableFontSpec({-15, 800, false, QString()}));
    EXPECT_FALSE(IsUsableFontSpec({0, 800, false, "Arial"}));
    EXPECT_FALSE(IsUsableFontSpec({-501, 800, false, "Arial"}));
    EXPECT_FALSE(IsUsableFontSpec({-15, 1001, false, "Arial"}));
    EXPECT_TRUE(IsUsableFontSpec({20, 0, true, "Arial"}));
    const QFont made = MakeKeypadFont({-15, 800, true, "Arial"});
    EXPECT_EQ(made.pixelSize(), 15);
    EXPECT_EQ(made.weight(), 800);
    EXPECT_TRUE(made.italic());
    EXPECT_EQ(FontSpecOf(made), (CKeypadFontSpec{-15, 800, true, "Arial"}));
    // A positive height is a cell height: the character height comes out smaller.
    const QFont cell = MakeKeypadFont({30, 400, false, "Arial"});
    EXPECT_LE(cell.pixelSize(), 30);
    EXPECT_GE(QFontMetrics(cell).height(), 27);
    EXPECT_LE(QFontMetrics(cell).height(), 33);
}

TEST_F(KeypadTest, FontCommandsAndCheckMarks)
{
    auto keypad = MakeKeypad();
    QSignalSpy layouts(keypad.get(), &CCalcKeyPad::LayoutChanged);
    keypad->HandleCommand(IdKeypadFontSystem);
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadFontSystem));
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadFontDefault));
    EXPECT_EQ(keypad->ButtonFontSpec(), FontSpecOf(keypad->font()));
    EXPECT_EQ(keypad->Button(10)->font(), keypad->ButtonFont());
    EXPECT_EQ(layouts.count(), 1);

    keypad->HandleCommand(IdKeypadFontDefault);
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadFontDefault));
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadFontSystem));
    EXPECT_EQ(keypad->ButtonFontSpec(), DefaultKeypadFont());

    // A chosen font clears both, even when it happens to equal the default.
    keypad->SetChosenFont(keypad->ButtonFont());
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadFontDefault));
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadFontSystem));
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadFontSelect));
    keypad.reset();

    // Loading sets the flags from the values: the stored default reads as default...
    keypad = MakeKeypad();
    EXPECT_TRUE(keypad->IsDefaultFont());
    // ...and the stored system font as the system font.
    keypad->SetSystemFont();
    keypad.reset();
    keypad = MakeKeypad();
    EXPECT_TRUE(keypad->IsSystemFont());
    EXPECT_FALSE(keypad->IsDefaultFont());
}

TEST_F(KeypadTest, ColourCommandsAndCheckMarks)
{
    auto keypad = MakeKeypad();
    keypad->SetGroupFaceColor(GroupDigit, QColor(0, 128, 0));
    for (int i = 0; i < kKeypadButtonCount; ++i) {
        const QColor expected = KeypadButtonGroup(i) == GroupDigit ? QColor(0, 128, 0)
                                : KeypadButtonGroup(i) == GroupFunction ? QColor(255, 128, 192)
                                                                        : QColor(192, 192, 192);
        EXPECT_EQ(keypad->Button(i)->FaceColor(), expected) << i;
    }
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadFaceDefault));
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadFaceSystem));

    keypad->HandleCommand(IdKeypadFaceSystem);
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadFaceSystem));
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadFaceDefault));
    const QColor systemFace = keypad->Button(0)->palette().color(QPalette::Button);
    for (int i = 0; i < kKeypadButtonCount; ++i)
        EXPECT_EQ(keypad->Button(i)->FaceColor(), systemFace) << i;
    EXPECT_EQ(keypad->GroupFaceColor(GroupDigit), QColor(0, 128, 0));  // still stored

    // A chosen colour ends the system colour; the other groups show their
    // stored colours again, as they will after a restart.
    keypad->SetGroupFaceColor(GroupFunction, QColor(9, 9, 9));
    EXPECT_FALSE(keypad->IsSystemFaceColor());
    EXPECT_EQ(keypad->ButtonById(1028)->FaceColor(), QColor(9, 9, 9));
    EXPECT_FALSE(keypad->ButtonById(1007)->UsesSystemFaceColor());
    EXPECT_EQ(keypad->ButtonById(1007)->FaceColor(), QColor(0, 128, 0));

    keypad->HandleCommand(IdKeypadFaceDefault);
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadFaceDefault));
    EXPECT_EQ(keypad->ButtonById(1007)->FaceColor(), QColor(144, 208, 255));

    keypad->HandleCommand(IdKeypadTextSystem);
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadTextSystem));
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadTextDefault));
    EXPECT_TRUE(keypad->ButtonById(1050)->UsesSystemTextColor());
    keypad->HandleCommand(IdKeypadTextDefault);
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadTextDefault));
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadTextSystem));
    EXPECT_EQ(keypad->ButtonById(1050)->TextColor(), QColor(64, 64, 64));

    keypad->SetGroupTextColor(GroupService, QColor(64, 64, 64));  // equal to the default: still "Default"
    EXPECT_TRUE(keypad->IsCommandChecked(IdKeypadTextDefault));
    keypad->SetGroupTextColor(GroupService, QColor(64, 64, 65));
    EXPECT_FALSE(keypad->IsCommandChecked(IdKeypadTextDefault));

    for (int id = IdKeypadFontSelect; id <= IdKeypadFaceDefault; ++id)
        EXPECT_TRUE(keypad->IsCommandEnabled(id)) << id;
    EXPECT_FALSE(keypad->IsCommandEnabled(32802));
    EXPECT_FALSE(keypad->HandleCommand(32802));
}

TEST(KeypadColours, References)
{
    EXPECT_EQ(ColorFromRef(0x400080), QColor(128, 0, 64));
    EXPECT_EQ(ColorFromRef(0xFFD090), QColor(144, 208, 255));
    EXPECT_EQ(ColorToRef(QColor(255, 128, 192)), 0xC080FFu);
    EXPECT_EQ(ColorToRef(QColor::fromHsl(0, 0, 255)), 0xFFFFFFu);
    EXPECT_EQ(DefaultFaceColorRef(GroupService), 0xC0C0C0u);
    EXPECT_EQ(DefaultTextColorRef(GroupDigit), 0x804000u);
}

// ------------------------------------------------------------ keys and help

TEST_F(KeypadTest, PaneKeysAndHelp)
{
    QWidget window;
    auto* keypad = new CCalcKeyPad(Preferences(), &window);
    int focusKeypad = 0;
    int calculateFromWindow = 0;
    auto* focusShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K), &window);
    QObject::connect(focusShortcut, &QShortcut::activated, [&] { ++focusKeypad; });
    auto* calculateShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), &window);
    QObject::connect(calculateShortcut, &QShortcut::activated, [&] { ++calculateFromWindow; });
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    CRecordingReceiver receiver;
    keypad->SetReceiver(&receiver);
    CColorButton* sine = keypad->ButtonById(1028);
    sine->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(sine->hasFocus());

    QTest::keyClick(sine, Qt::Key_Equal, Qt::ControlModifier);
    QTest::keyClick(sine, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(receiver.calls, (std::vector<std::string>{"command CmdCalculate", "command CmdCalculateAll"}));
    EXPECT_EQ(calculateFromWindow, 0);

    // The key that would focus the keypad does nothing while it has the focus.
    QTest::keyClick(sine, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(focusKeypad, 0);
    window.setFocus();
    QTest::keyClick(&window, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(focusKeypad, 1);

    // F1 asks for the focused button's help topic.
    QSignalSpy help(keypad, &CCalcKeyPad::HelpRequested);
    CColorButton* digit = keypad->ButtonById(1009);
    digit->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(digit, Qt::Key_F1);
    ASSERT_EQ(help.count(), 1);
    EXPECT_EQ(help.at(0).at(0).toUInt(), 1009u + 0x80660000u);
    EXPECT_EQ(help.at(0).at(1).toInt(), 1009);
    QWhatsThis::hideText();

    // The space bar clicks the focused button.
    receiver.calls.clear();
    QTest::keyClick(digit, Qt::Key_Space);
    QCoreApplication::processEvents();
    EXPECT_EQ(receiver.calls, std::vector<std::string>{"insert 3"});
}

}  // namespace
