// The interface in another language: the German translation chosen by the
// locale as the program chooses it, with the calculations, keywords, log
// messages and files unchanged; and the translation files themselves kept
// complete and faithful to their sources (keys, placeholders, mnemonics,
// file patterns).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTreeWidget>
#include <QXmlStreamReader>

#include <memory>

#include "support/fresh_app_state.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "document/text_file.h"
#include "windows/frame/calc_bar.h"
#include "windows/keypad/calc_keypad.h"
#include "windows/panes/calc_log.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/frame/calc_tool_bar.h"
#include "windows/editor/calc_view.h"
#include "windows/base/color_button.h"
#include "windows/menu_checks.h"
#include "windows/base/translation.h"

namespace {

QStringList MenuTitles(const CCalcMainFrame& frame)
{
    QStringList titles;
    for (QAction* action : frame.menuBar()->actions())
        titles << action->text();
    return titles;
}

// A window made under a locale, as the program makes it at its start; the
// interface goes back to English afterwards.
class Translation : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings().remove("GUI");
    }
    void TearDown() override
    {
        if (frame)
            frame->Editor()->document()->setModified(false);
        frame.reset();
        RemoveTranslations();
        QLocale::setDefault(QLocale::c());
    }
    QString Start(const QLocale& locale)
    {
        QLocale::setDefault(locale);
        const QString language = InstallTranslations();
        frame = std::make_unique<CCalcMainFrame>(state);
        frame->show();
        QApplication::processEvents();
        return language;
    }
    QString CalculateAll(const QString& text)
    {
        frame->Editor()->setPlainText(text);
        frame->Document()->ExecuteCommand(CmdCalculateAll);
        return frame->Editor()->toPlainText();
    }

    // Default preferences, no memory cells, default print settings; what the
    // test found comes back after it.
    CFreshAppState state;
    std::unique_ptr<CCalcMainFrame> frame;
};

TEST_F(Translation, AGermanLocaleGivesGermanMenusWithTheirKeys)
{
    ASSERT_EQ(Start(QLocale(QLocale::German, QLocale::Germany)), "de");
    EXPECT_EQ(MenuTitles(*frame),
              QStringList({"&Datei", "&Speicher", "&Bearbeiten", "&Ansicht", "&Einstellungen", "&Hilfe"}));
    // The key part after the tab stays as written.
    EXPECT_EQ(frame->Command(IdFileNew)->text(), "&Neu\tCtrl+N");
    EXPECT_EQ(frame->Command(IdEditRedo)->text(), "&Wiederholen\tCtrl+Shift+Z");
    EXPECT_EQ(frame->Command(IdFileNew)->statusTip(), "Ein neues Dokument erstellen");
    EXPECT_EQ(frame->Command(IdFileNew)->toolTip(), "Neu");
    EXPECT_EQ(frame->Pane(1)->windowTitle(), "Protokoll");
    EXPECT_EQ(frame->UnitsList()->itemText(0), QString::fromUtf8("Bogenma\u00DF"));
    EXPECT_EQ(frame->UnitsIndicator(), "Rad");
    EXPECT_EQ(frame->DocumentTitle(), "Berechnung");
    ExpectOwnMnemonics("menu bar", frame->menuBar()->actions());
}

TEST_F(Translation, CalculationsKeywordsLogMessagesAndFilesStayAsWritten)
{
    ASSERT_EQ(Start(QLocale(QLocale::German, QLocale::Germany)), "de");
    EXPECT_EQ(CalculateAll("2+3;\nRslt*2.5;\n1.5->Mem[a]"), "2+3=5;\nRslt*2.5=12.5;\n1.5->Mem[a]=1.5");
    EXPECT_EQ(frame->ResultIndicator(), "Rslt=1.5");
    const std::u16string memoryFile = MemoryStore().BuildMemoryFileText(EMemorySelection::All);
    EXPECT_NE(memoryFile.find(u"1.5->Mem[a];\r\n"), std::u16string::npos);
    // The keypad writes the language's own spellings.
    EXPECT_EQ(frame->Keypad()->ButtonById(1028)->text(), "sin");
    EXPECT_EQ(frame->Keypad()->ButtonById(1061)->text(), "Rslt");

    // The log's columns are translated; the messages of the calculation
    // are the calculation's own.
    EXPECT_EQ(CalculateAll("1/0"), "1/0");
    ASSERT_EQ(frame->Log()->topLevelItemCount(), 1);
    const QTreeWidgetItem* line = frame->Log()->topLevelItem(0);
    EXPECT_EQ(line->text(1), "Fehler");
    EXPECT_EQ(line->text(2), "Division");
    EXPECT_EQ(line->text(3), "Operation has singularity at 0");
    EXPECT_EQ(frame->Log()->headerItem()->text(3), "Beschreibung");

    // Message boxes show the file failures translated.
    EXPECT_EQ(FileResultMessage(EFileResult::CannotWrite), "Die Datei kann nicht zum Schreiben ge\u00F6ffnet werden");
}

TEST_F(Translation, QtsOwnTextsFollowWhenTheSystemHasThem)
{
    ASSERT_EQ(Start(QLocale(QLocale::German, QLocale::Germany)), "de");
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
        GTEST_SKIP() << "no Qt translations on this system";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Abbrechen");
}

TEST_F(Translation, EnglishAndUntranslatedLanguagesKeepTheSourceTexts)
{
    const QStringList english{"&File", "&Memory", "&Edit", "&View", "&Set", "&Help"};
    EXPECT_EQ(Start(QLocale(QLocale::French, QLocale::France)), "");
    EXPECT_EQ(MenuTitles(*frame), english);
    frame.reset();
    EXPECT_EQ(Start(QLocale::c()), "");
    EXPECT_EQ(MenuTitles(*frame), english);
    frame.reset();
    // A German translation loaded before is removed by the next choice.
    EXPECT_EQ(Start(QLocale(QLocale::German, QLocale::Austria)), "de");
    EXPECT_EQ(MenuTitles(*frame).first(), "&Datei");
    frame.reset();
    EXPECT_EQ(Start(QLocale(QLocale::English, QLocale::UnitedKingdom)), "");
    EXPECT_EQ(MenuTitles(*frame), english);
}

// The batch mode under a German locale writes what it writes under C.
TEST(TranslationProgram, TheBatchModeWritesTheSameInEveryLocale)
{
    auto run = [](const QStringList& locale) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LC_NUMERIC", "LANG"})
            environment.remove(QLatin1String(name));
        for (const QString& setting : locale)
            environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(KAVM_PROGRAM, {"--calculate", "-"});
        process.write("2+3;\nRslt*2.5;\n1/0;\n");
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000));
        return process.readAllStandardOutput() + "\n--\n" + process.readAllStandardError();
    };
    const QByteArray english = run({"LANG=C"});
    EXPECT_TRUE(english.startsWith("2+3=5;\nRslt*2.5=12.5;\n1/0;")) << english.toStdString();
    EXPECT_TRUE(english.contains("Operation has singularity at 0")) << english.toStdString();
    EXPECT_EQ(run({"LANGUAGE=de", "LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"}), english);
}

// ------------------------------------------------------------ .ts files

struct CMessage {
    QString context;
    QString source;
    QString translation;
    QString type;
};

std::vector<CMessage> ReadTranslationFile(const QString& path)
{
    std::vector<CMessage> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    CMessage message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"message") {
            message = CMessage{context, {}, {}, {}};
        } else if (xml.name() == u"source") {
            message.source = xml.readElementText();
        } else if (xml.name() == u"translation") {
            message.type = xml.attributes().value("type").toString();
            message.translation = xml.readElementText();
            messages.push_back(message);
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return messages;
}

QStringList Placeholders(const QString& text)
{
    QStringList found;
    for (const QRegularExpressionMatch& match : QRegularExpression("%\\d").globalMatch(text))
        found << match.captured();
    found.sort();
    return found;
}

int Mnemonics(const QString& text)
{
    return static_cast<int>(QString(text).remove("&&").count(QRegularExpression("&.")));
}

// The patterns of a "description|pattern|...||" or "description (pattern);;..." filter.
QStringList FilterPatterns(const QString& text)
{
    QStringList patterns;
    if (text.contains(u'|')) {
        const QStringList fields = text.split(u'|');
        for (qsizetype i = 1; i < fields.size(); i += 2)
            patterns << fields[i];
    }
    for (const QRegularExpressionMatch& match : QRegularExpression("\\((\\*[^)]*)\\)").globalMatch(text))
        patterns << match.captured(1);
    return patterns;
}

TEST(TranslationFiles, EveryTextIsTranslatedAndKeepsItsKeysPlaceholdersAndMnemonic)
{
    const QStringList files = QDir(KAVM_TRANSLATIONS_DIR).entryList({"*.ts"}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        const std::vector<CMessage> messages = ReadTranslationFile(QDir(KAVM_TRANSLATIONS_DIR).filePath(name));
        EXPECT_GT(messages.size(), 200u) << name.toStdString();
        for (const CMessage& m : messages) {
            const std::string where = name.toStdString() + " " + m.context.toStdString() + ": \"" +
                                      m.source.toStdString() + "\"";
            EXPECT_TRUE(m.type.isEmpty()) << where << " is " << m.type.toStdString();
            ASSERT_FALSE(m.translation.isEmpty()) << where;
            const QString& t = m.translation;
            // The key part of a menu text, the status tip and tool tip split,
            // the placeholders, the mnemonic, a dialog's "..." and the file
            // patterns stay.
            EXPECT_EQ(t.section(u'\t', 1), m.source.section(u'\t', 1)) << where;
            EXPECT_EQ(t.count(u'\n'), m.source.count(u'\n')) << where;
            EXPECT_EQ(Placeholders(t), Placeholders(m.source)) << where;
            EXPECT_EQ(Mnemonics(t), Mnemonics(m.source)) << where;
            EXPECT_EQ(t.section(u'\t', 0, 0).endsWith("..."), m.source.section(u'\t', 0, 0).endsWith("..."))
                << where;
            EXPECT_EQ(FilterPatterns(t), FilterPatterns(m.source)) << where;
        }
    }
}

}  // namespace
