#include "document/qt/calc_doc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstring>
#include <vector>

#include "document/calc_environment.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/calc_progress.h"
#include "document/qt/qt_text.h"
#include "document/text_file.h"
#include "document/utf.h"
#include "language/calculate.h"

namespace {

std::u16string ToCrLf(const QString& text)
{
    // Sized once and filled line by line: a calculation text may be
    // megabytes long, and this runs on every calculation command.
    const auto* from = reinterpret_cast<const char16_t*>(text.utf16());
    const auto size = static_cast<std::size_t>(text.size());
    const auto lines = static_cast<std::size_t>(std::count(from, from + size, u'\n'));
    std::u16string out(size + lines, u'\0');
    char16_t* to = out.data();
    for (const char16_t* end = from + size; from != end;) {
        const char16_t* lineFeed = std::find(from, end, u'\n');
        to = std::copy(from, lineFeed, to);
        if (lineFeed == end)
            break;
        *to++ = u'\r';
        *to++ = u'\n';
        from = lineFeed + 1;
    }
    return out;
}

// The editor holds "\n" alone; CR LF, lone CR and lone LF all become "\n".
QString FromCrLf(const std::u16string& text)
{
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') {
            out.append(QChar('\n'));
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            out.append(QChar(text[i]));
        }
    }
    return out;
}

// The CR LF pairs of text whose CR lies in [from, to).
std::size_t CrLfPairs(const std::u16string& text, std::size_t from, std::size_t to)
{
    const char16_t* const data = text.data();
    const char16_t* const end = data + std::min(to, text.size());
    std::size_t pairs = 0;
    for (const char16_t* cr = data + std::min(from, to); (cr = std::find(cr, end, u'\r')) != end; ++cr) {
        if (cr + 1 != data + text.size() && cr[1] == u'\n')
            ++pairs;
    }
    return pairs;
}

// Editor position of a CR LF index (an index between CR and LF maps to the
// line end).
int EditorPosition(const std::u16string& text, std::ptrdiff_t index)
{
    if (index <= 0)
        return 0;
    const std::size_t end = std::min(static_cast<std::size_t>(index), text.size());
    return static_cast<int>(end - CrLfPairs(text, 0, end));
}

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// The file failures' texts, which the message boxes show translated.
[[maybe_unused]] const char* const kFileResultTexts[] = {
    QT_TRANSLATE_NOOP("CCalcDoc", "Cannot open the file for reading"),
    QT_TRANSLATE_NOOP("CCalcDoc", "Cannot read the file"),
    QT_TRANSLATE_NOOP("CCalcDoc", "Cannot open the file for writing"),
    QT_TRANSLATE_NOOP("CCalcDoc", "Cannot read the file: not a regular file"),
    QT_TRANSLATE_NOOP("CCalcDoc", "Cannot read the file: larger than 256 MiB"),
};

}  // namespace

namespace {

struct CCommonEnds {
    std::size_t head = 0;
    std::size_t tail = 0;
};

// The longest common start and the longest common end of two texts, not
// overlapping, that cut no surrogate pair.
CCommonEnds CommonEnds(const char16_t* before, std::size_t beforeSize, const char16_t* after, std::size_t afterSize)
{
    const std::size_t shorter = std::min(beforeSize, afterSize);
    CCommonEnds ends;
    while (ends.head < shorter && before[ends.head] == after[ends.head])
        ++ends.head;
    while (ends.tail < shorter - ends.head &&
           before[beforeSize - 1 - ends.tail] == after[afterSize - 1 - ends.tail])
        ++ends.tail;
    // A cut between the halves of a surrogate pair would leave one half
    // behind in the document: the range takes whole characters.
    if (ends.head > 0 && QChar::isHighSurrogate(before[ends.head - 1]))
        --ends.head;
    if (ends.tail > 0 && QChar::isLowSurrogate(before[beforeSize - ends.tail]))
        --ends.tail;
    return ends;
}

}  // namespace

CTextChange DifferingRange(const QString& before, const QString& after)
{
    const CCommonEnds ends = CommonEnds(reinterpret_cast<const char16_t*>(before.utf16()),
                                        static_cast<std::size_t>(before.size()),
                                        reinterpret_cast<const char16_t*>(after.utf16()),
                                        static_cast<std::size_t>(after.size()));
    const auto head = static_cast<qsizetype>(ends.head);
    const auto tail = static_cast<qsizetype>(ends.tail);
    CTextChange change;
    change.start = static_cast<int>(head);
    change.removed = static_cast<int>(before.size() - head - tail);
    change.inserted = after.mid(head, after.size() - head - tail);
    return change;
}

QString FileResultMessage(EFileResult result)
{
    return CCalcDoc::tr(GetFileResultText(result));
}

QString FileWriteMessage(EFileResult result, const QString& path, int error)
{
    QString message = FileResultMessage(result) + u'\n' + QDir::toNativeSeparators(path);
    if (error != 0)
        message += u'\n' + QString::fromLocal8Bit(std::strerror(error));
    return message;
}

CCalcDoc::CCalcDoc(QPlainTextEdit* editor, const CPreferenceValues& preferences, CMemoryStore& memory,
                   QObject* parent)
    : QObject(parent)
    , m_editor(editor)
    , m_preferences(preferences)
    , m_memory(memory)
    , m_context(MakeDocumentContext())
{
    m_context.random.SeedAtStartup();
    askYesNo = [editor](const QString& question) {
        return QMessageBox::question(editor, QString(), question, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    showError = [editor](const QString& message) { QMessageBox::warning(editor, QString(), message); };
    connect(editor->document(), &QTextDocument::contentsChange, this, &CCalcDoc::NoteEdit);
}

std::u16string CCalcDoc::Text() const
{
    return ToCrLf(m_editor->toPlainText());
}

namespace {

// The CR LF index of an editor position.
std::ptrdiff_t CrLfIndex(const QString& text, int position)
{
    const auto* start = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype end = std::clamp<qsizetype>(position, 0, text.size());
    return position + std::count(start, start + end, u'\n');
}

}  // namespace

std::ptrdiff_t CCalcDoc::Caret() const
{
    return CrLfIndex(m_editor->toPlainText(), m_editor->textCursor().position());
}

std::ptrdiff_t CCalcDoc::SelectionStart() const
{
    return CrLfIndex(m_editor->toPlainText(), m_editor->textCursor().selectionStart());
}

void CCalcDoc::SetText(const std::u16string& text, std::ptrdiff_t caret)
{
    ReplaceText(Text(), text, caret);
}

namespace {

// One line's replacement: the editor characters [position, position +
// removed) give way to inserted.
struct CLineEdit {
    int position;
    int removed;
    QString inserted;
};

// The change between before[from, beforeTo) and after[from, afterTo) as
// edits inside lines, when both stretches hold the same CR LF line breaks
// and no other: the lines pair up and each differing pair keeps its common
// start and end. start is the editor position of from. False when the line
// breaks differ; the stretch is then replaced whole.
bool LineEdits(const std::u16string& before, std::size_t beforeTo, const std::u16string& after, std::size_t afterTo,
               std::size_t from, int start, std::vector<CLineEdit>& edits)
{
    auto breaks = [](const std::u16string& text, std::size_t begin, std::size_t end, std::size_t& count) {
        count = 0;
        for (std::size_t i = begin; i < end; ++i) {
            if (text[i] == u'\r') {
                if (i + 1 >= end || text[i + 1] != u'\n')
                    return false;
                ++count;
                ++i;
            } else if (text[i] == u'\n') {
                return false;
            }
        }
        return true;
    };
    std::size_t beforeBreaks = 0;
    std::size_t afterBreaks = 0;
    if (!breaks(before, from, beforeTo, beforeBreaks) || !breaks(after, from, afterTo, afterBreaks) ||
        beforeBreaks != afterBreaks)
        return false;
    std::size_t i = from;
    std::size_t j = from;
    int position = start;
    for (;;) {
        const std::size_t lineEnd = std::min(before.find(u'\r', i), beforeTo);
        const std::size_t newLineEnd = std::min(after.find(u'\r', j), afterTo);
        const CCommonEnds ends = CommonEnds(before.data() + i, lineEnd - i, after.data() + j, newLineEnd - j);
        const std::size_t removed = lineEnd - i - ends.head - ends.tail;
        const std::size_t inserted = newLineEnd - j - ends.head - ends.tail;
        if (removed > 0 || inserted > 0) {
            // The inserted characters are read where they stand in after,
            // which outlives the edits: no copy of each line.
            edits.push_back({position + static_cast<int>(ends.head), static_cast<int>(removed),
                             QString::fromRawData(reinterpret_cast<const QChar*>(after.data() + j + ends.head),
                                                  static_cast<qsizetype>(inserted))});
        }
        if (lineEnd == beforeTo)
            break;
        position += static_cast<int>(lineEnd - i) + 1;
        i = lineEnd + 2;
        j = newLineEnd + 2;
    }
    return true;
}

}  // namespace

void CCalcDoc::ReplaceText(const std::u16string& before, const std::u16string& after, std::ptrdiff_t caret)
{
    // Only the stretch between the first and the last character that differ
    // is replaced: the rest of the document keeps its blocks, their layout
    // and colouring, and the view keeps its scroll position. The texts are
    // compared as they are, with CR LF; a CR LF pair is never cut.
    CCommonEnds ends = CommonEnds(before.data(), before.size(), after.data(), after.size());
    if (ends.head > 0 && before[ends.head - 1] == u'\r' && ends.head < before.size() && before[ends.head] == u'\n')
        --ends.head;
    const std::size_t end = before.size() - ends.tail;
    if (ends.tail > 0 && end > 0 && before[end - 1] == u'\r' && before[end] == u'\n')
        --ends.tail;
    // An editor position is the index less the CR LF pairs before it.
    auto pairs = [&before](std::size_t from, std::size_t to) { return static_cast<int>(CrLfPairs(before, from, to)); };
    const std::size_t removedTo = before.size() - ends.tail;
    const std::size_t insertedTo = after.size() - ends.tail;
    const int start = static_cast<int>(ends.head) - pairs(0, ends.head);
    QTextCursor cursor(m_editor->document());
    // A stretch over many lines whose line breaks stay (the results that
    // "Calculate all" writes behind each statement) is changed line by
    // line: the document keeps its blocks, where one replacement would
    // remove and insert every block of the stretch. One edit block keeps
    // it one undo step. The edits go from the last to the first, so that
    // each position still counts the characters before it as they were.
    std::vector<CLineEdit> edits;
    if (LineEdits(before, removedTo, after, insertedTo, ends.head, start, edits) && edits.size() > 1) {
        cursor.beginEditBlock();
        for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
            cursor.setPosition(edit->position);
            cursor.setPosition(edit->position + edit->removed, QTextCursor::KeepAnchor);
            cursor.insertText(edit->inserted);
        }
        cursor.endEditBlock();
    } else {
        const int removedEnd = start + static_cast<int>(removedTo - ends.head) - pairs(ends.head, removedTo);
        const QString inserted = FromCrLf(after.substr(ends.head, insertedTo - ends.head));
        if (removedEnd > start || !inserted.isEmpty()) {
            cursor.beginEditBlock();
            cursor.setPosition(start);
            cursor.setPosition(removedEnd, QTextCursor::KeepAnchor);
            cursor.insertText(inserted);
            cursor.endEditBlock();
        }
    }
    cursor.setPosition(std::min(EditorPosition(after, caret), m_editor->document()->characterCount() - 1));
    m_editor->setTextCursor(cursor);
}

namespace {

// Stands in for the log during a calculation of the editor text: each
// message goes on to the log and is noted with the statement that was being
// evaluated.
class CStatementLog final : public ILogReceiver {
public:
    CStatementLog(ILogReceiver* next, const std::vector<std::size_t>& starts, std::vector<int>& messages)
        : m_next(next)
        , m_starts(starts)
        , m_messages(messages)
    {
    }
    void AddMessage(const CCalcMessage& message) override
    {
        m_messages.push_back(m_starts.empty() ? -1 : static_cast<int>(m_starts.size()) - 1);
        if (m_next != nullptr)
            m_next->AddMessage(message);
    }
    void StartCalculation() override
    {
        m_messages.clear();
        if (m_next != nullptr)
            m_next->StartCalculation();
    }

private:
    ILogReceiver* m_next;
    const std::vector<std::size_t>& m_starts;
    std::vector<int>& m_messages;
};

bool IsBlankCode(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// A statement without the blanks around it; empty when it is all blank.
void TrimStatement(const std::u16string& text, std::size_t& start, std::size_t& end)
{
    while (start < end && IsBlankCode(text[start]))
        ++start;
    while (end > start && IsBlankCode(text[end - 1]))
        --end;
}

}  // namespace

void CCalcDoc::Calculate(bool all)
{
    if (m_calculating)
        return;
    // The editor's text is read once: as the run's text and the one the
    // rewritten text is compared with.
    const QString plain = m_editor->toPlainText();
    const std::u16string before = ToCrLf(plain);
    std::u16string text = before;
    // One calculation starts from the start of the selection.
    std::ptrdiff_t position = all ? -1 : CrLfIndex(plain, m_editor->textCursor().selectionStart());
    // The window may process events during a long run; a text that changed
    // meanwhile (an open request) is newer than the rewritten one.
    // Only a change of the characters counts: the colouring of waiting
    // lines changes formats meanwhile, which QTextDocument::contentsChanged
    // reports too.
    bool changed = false;
    const QMetaObject::Connection watch = connect(m_editor->document(), &QTextDocument::contentsChange, this,
                                                  [&changed](int, int removed, int added) {
                                                      if (removed != 0 || added != 0)
                                                          changed = true;
                                                  });
    std::vector<std::size_t> starts;
    std::vector<int> messages;
    bool ok = false;
    {
        const QScopedValueRollback<bool> busy(m_calculating, true);
        CCalcProgress progress(m_context.run, m_editor->window());
        CStatementLog log(m_context.run.logReceiver, starts, messages);
        const QScopedValueRollback<ILogReceiver*> logging(m_context.run.logReceiver, &log);
        ok = NCalculatorText::CalculateText(m_context, text, position,
                                            [&starts](std::size_t start) { starts.push_back(start); });
    }
    disconnect(watch);
    m_statementStarts.clear();
    m_messageStatements.clear();
    if (changed) {
        emit statementFailed(0, 0);
        emit calculated();
        return;
    }
    // The failed statement: the last one the run started.
    std::size_t failedStart = 0;
    std::size_t failedEnd = 0;
    if (!ok && !starts.empty()) {
        const NCalculatorText::CStatementSpan span = NCalculatorText::StatementFrom(text, starts.back());
        failedStart = span.start;
        failedEnd = span.end;
        TrimStatement(text, failedStart, failedEnd);
    }
    // Whatever the run returned, the editor takes the rewritten text (one
    // undoable edit) and counts as modified. The caret goes where the run
    // left it; when "Calculate all" stopped early, to the statement that
    // failed.
    std::ptrdiff_t caret = position >= 0 ? position : 0;
    if (all && failedEnd > failedStart)
        caret = static_cast<std::ptrdiff_t>(failedStart);
    ReplaceText(before, text, caret);
    m_editor->document()->setModified(true);
    m_editor->ensureCursorVisible();

    // The statements of the log lines, as editor positions: the starts
    // ascend, so one walk through the text converts them all.
    if (!messages.empty()) {
        m_statementStarts.reserve(starts.size());
        std::size_t index = 0;
        int editor = 0;
        for (std::size_t start : starts) {
            for (; index < start && index < text.size(); ++index) {
                if (!(text[index] == u'\r' && index + 1 < text.size() && text[index + 1] == u'\n'))
                    ++editor;
            }
            m_statementStarts.push_back(editor);
        }
        m_messageStatements = std::move(messages);
    }
    m_editsSinceRun.clear();
    if (failedEnd > failedStart)
        emit statementFailed(EditorPosition(text, static_cast<std::ptrdiff_t>(failedStart)),
                             EditorPosition(text, static_cast<std::ptrdiff_t>(failedEnd)));
    else
        emit statementFailed(0, 0);
    emit calculated();
}

void CCalcDoc::NoteEdit(int position, int removed, int added)
{
    if (!m_messageStatements.empty())
        m_editsSinceRun.push_back({position, removed, added});
}

bool CCalcDoc::SelectMessageStatement(int row)
{
    if (row < 0 || row >= static_cast<int>(m_messageStatements.size()))
        return false;
    const int statement = m_messageStatements[static_cast<std::size_t>(row)];
    if (statement < 0 || statement >= static_cast<int>(m_statementStarts.size()))
        return false;
    // The start moves with the edits made since the calculation.
    int start = m_statementStarts[static_cast<std::size_t>(statement)];
    for (const CEdit& edit : m_editsSinceRun) {
        if (start >= edit.position + edit.removed)
            start += edit.added - edit.removed;
        else if (start > edit.position)
            start = edit.position;
    }
    const QString plain = m_editor->toPlainText();
    const std::u16string text = ToCrLf(plain);
    const std::ptrdiff_t at = CrLfIndex(plain, std::clamp(start, 0, static_cast<int>(plain.size())));
    // The statement that holds the start now: text typed at its start
    // belongs to it.
    NCalculatorText::CStatementSpan span;
    if (!NCalculatorText::FindStatement(text, std::min(static_cast<std::size_t>(at) + 1, text.size()), span))
        span = NCalculatorText::StatementFrom(text, static_cast<std::size_t>(at));
    std::size_t from = span.start;
    std::size_t to = span.end;
    TrimStatement(text, from, to);
    QTextCursor cursor(m_editor->document());
    cursor.setPosition(EditorPosition(text, static_cast<std::ptrdiff_t>(from)));
    cursor.setPosition(EditorPosition(text, static_cast<std::ptrdiff_t>(to)), QTextCursor::KeepAnchor);
    m_editor->setTextCursor(cursor);
    m_editor->ensureCursorVisible();
    m_editor->setFocus();
    return true;
}

void CCalcDoc::ExecuteCommand(ECmdCode code)
{
    switch (code) {
    case CmdClear: {
        QTextCursor cursor = m_editor->textCursor();
        cursor.select(QTextCursor::Document);
        cursor.removeSelectedText();
        m_editor->setTextCursor(cursor);
        break;
    }
    case CmdBackspace: {
        QTextCursor cursor = m_editor->textCursor();
        if (cursor.hasSelection())
            cursor.removeSelectedText();
        else if (cursor.position() > 0)
            cursor.deletePreviousChar();
        m_editor->setTextCursor(cursor);
        break;
    }
    case CmdCalculate:
        Calculate(false);
        break;
    case CmdCalculateAll:
        Calculate(true);
        break;
    case CmdFreeMemory:
        if (m_preferences.Get(EPreference::FreeConfirmation) != 0 &&
            !askYesNo(tr("You are about to erase all the memory.\nAre you sure?")))
            return;
        m_memory.FreeMemory(EMemorySelection::All);
        emit calculated();
        break;
    }
    m_editor->setFocus();
}

void CCalcDoc::InsertText(std::u16string_view text)
{
    m_editor->textCursor().insertText(ToQString(text));
    m_editor->setFocus();
}

bool CCalcDoc::Open(const QString& path)
{
    std::string bytes;
    const EFileResult result = ReadFileBytes(LocalPath(path), bytes);
    if (result != EFileResult::Ok) {
        showError(FileResultMessage(result));
        return false;
    }
    CTextFileForm form;
    const std::u16string text = DecodeTextFile(bytes, &form);
    m_editor->setPlainText(FromCrLf(text));
    m_editor->moveCursor(QTextCursor::Start);
    m_editor->document()->setModified(false);
    m_path = path;
    m_encoding = form.encoding;
    for (const std::string& note : DescribeTextFileForm(form))
        Note(path, note);
    return true;
}

bool CCalcDoc::Save(const QString& path)
{
    const std::u16string text = Text();
    std::string bytes;
    const bool narrow = m_encoding == ETextEncoding::Windows1252 && EncodeWindows1252(text, bytes);
    if (!narrow)
        bytes = EncodeUtf16File(text);
    int error = 0;
    const EFileResult result = WriteFileReplacing(LocalPath(path), bytes, &error);
    if (result != EFileResult::Ok) {
        showError(FileWriteMessage(result, path, error));
        return false;
    }
    if (m_encoding == ETextEncoding::Windows1252) {
        Note(path, narrow ? "saved in Windows-1252, as it was read"
                          : "saved as UTF-16: the text holds characters that Windows-1252 cannot write");
    }
    if (!narrow)
        m_encoding = ETextEncoding::Utf16;
    m_editor->document()->setModified(false);
    m_path = path;
    return true;
}

void CCalcDoc::Note(const QString& path, const std::string& note)
{
    ILogReceiver* log = m_context.run.logReceiver;
    if (log == nullptr)
        return;
    const std::u16string name = QFileInfo(path).fileName().toStdU16String();
    log->AddMessage(CCalcMessage{0, name.c_str(), Utf8ToUtf16(note)});
}

bool CCalcDoc::ExecuteFile(const QString& path, bool memory)
{
    std::string bytes;
    const EFileResult result = ReadFileBytes(LocalPath(path), bytes);
    if (result != EFileResult::Ok) {
        showError(FileResultMessage(result));
        return false;
    }
    if (m_calculating)
        return false;
    bool ok = false;
    CTextFileForm form;
    CTextStop stop;
    {
        const QScopedValueRollback<bool> busy(m_calculating, true);
        CCalcProgress progress(m_context.run, m_editor->window());
        ok = ExecuteCalculationText(m_context, DecodeTextFile(bytes, &form), &stop);
    }
    // The run's own messages first, then what the file's reading and its
    // stop say about the file.
    for (const std::string& note : DescribeTextFileForm(form))
        Note(path, note);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (!ok && stop.line > 0) {
        // A cancelled load has said so already.
        if (m_context.run.lastStatus != eCancelled)
            Note(path, DescribeTextStop(stop));
        if (memory)
            m_incompleteMemoryFiles[canonical] = stop.linesNotRun;
    } else if (memory) {
        m_incompleteMemoryFiles.erase(canonical);
    }
    emit calculated();
    return ok;
}

bool CCalcDoc::Execute(const QString& path)
{
    return ExecuteFile(path, false);
}

bool CCalcDoc::LoadMemory(const QString& path)
{
    return ExecuteFile(path, true);
}

std::size_t CCalcDoc::LinesNotLoaded(const QString& path) const
{
    const auto found = m_incompleteMemoryFiles.find(QFileInfo(path).canonicalFilePath());
    return found == m_incompleteMemoryFiles.end() ? 0 : found->second;
}

void CCalcDoc::New()
{
    m_editor->clear();
    m_editor->document()->setModified(false);
    m_path.clear();
}

bool CCalcDoc::SaveMemoryText(const QString& path, const std::u16string& text)
{
    if (const std::size_t lost = LinesNotLoaded(path); lost > 0) {
        const QString name = QFileInfo(path).fileName();
        const QString question =
            lost == 1 ? tr("%1 did not load whole: saving over it loses the line it did not load.\n"
                           "Save the memory over it?")
                            .arg(name)
                      : tr("%1 did not load whole: saving over it loses the %2 lines it did not load.\n"
                           "Save the memory over it?")
                            .arg(name)
                            .arg(lost);
        if (!askYesNo(question))
            return false;
    }
    int error = 0;
    const EFileResult result = WriteFileReplacing(LocalPath(path), EncodeUtf16File(text), &error);
    if (result != EFileResult::Ok) {
        showError(FileWriteMessage(result, path, error));
        return false;
    }
    m_incompleteMemoryFiles.erase(QFileInfo(path).canonicalFilePath());
    return true;
}
