#include "windows/editor/calc_view.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QEvent>
#include <QFontDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStringListModel>
#include <QMimeData>
#include <QSettings>

#include <algorithm>

#include "document/editor/completion_model.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/qt_text.h"
#include "windows/editor/calc_highlighter.h"

namespace {

const char* const kEditorSection = "GUI/Editor";

int ReadInt(QSettings& settings, const char* name, int fallback)
{
    bool ok = false;
    const int value = settings.value(name, fallback).toInt(&ok);
    return ok ? value : fallback;
}

}  // namespace

CCalcView::CCalcView(const CMemoryStore& memory, const CPreferenceValues& preferences, QWidget* parent)
    : QPlainTextEdit(parent), m_memory(memory), m_preferences(preferences)
{
    setObjectName("CalcView");
    setAccessibleName(tr("Calculation text"));
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SetFontSpec(LoadFontSpec());
    m_highlighter = new CCalcHighlighter(document(), palette());
    m_definitionsGeneration = memory.Definitions().Generation();
    m_highlighter->SetDefinitions(&memory.Definitions());
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &CCalcView::UpdateBracketMatch);
    connect(document(), &QTextDocument::contentsChange, this, &CCalcView::ForgetTouchedMark);

    m_completionModel = new QStringListModel(this);
    m_completer = new QCompleter(m_completionModel, this);
    m_completer->setWidget(this);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setMaxVisibleItems(10);
    connect(m_completer, qOverload<const QModelIndex&>(&QCompleter::activated), this,
            [this](const QModelIndex& index) { ApplyCompletion(index.row()); });

    m_hint = new QLabel(viewport());
    m_hint->setObjectName("FunctionHint");
    // The interface's font, not the editor's: the hint is a label, not text.
    m_hint->setFont(QApplication::font("QToolTip"));
    m_hint->hide();
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &CCalcView::UpdateHint);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &CCalcView::UpdateHint);
    // Lines still waiting for their colours: those on the screen first.
    m_highlighter->firstShown = [this] { return firstVisibleBlock(); };
    // At most a line of the screen for each line of text: as many as fit.
    m_highlighter->lastShown = [this] {
        const int lines = viewport()->height() / std::max(1, fontMetrics().lineSpacing()) + 1;
        const QTextBlock last = document()->findBlockByNumber(firstVisibleBlock().blockNumber() + lines - 1);
        return last.isValid() ? last : document()->lastBlock();
    };
}

CCalcView::~CCalcView()
{
    m_highlighter->firstShown = nullptr;
    m_highlighter->lastShown = nullptr;
    SaveFontSpec(m_fontSpec);
}

CEditorFontSpec CCalcView::LoadFontSpec()
{
    QSettings settings;
    settings.beginGroup(kEditorSection);
    CEditorFontSpec spec;
    const QString face = settings.value("FontFace", spec.face).toString();
    if (!face.isEmpty())
        spec.face = face;
    spec.size = ReadInt(settings, "FontSize", spec.size);
    spec.weight = ReadInt(settings, "FontWeight", spec.weight);
    spec.italic = ReadInt(settings, "FontItalic", 0) != 0;
    // A size or weight no font can have falls back to the default.
    if (spec.size < 1 || spec.size > 1638)
        spec.size = CEditorFontSpec().size;
    if (spec.weight < 1 || spec.weight > 1000)
        spec.weight = CEditorFontSpec().weight;
    return spec;
}

void CCalcView::SaveFontSpec(const CEditorFontSpec& spec)
{
    QSettings settings;
    settings.beginGroup(kEditorSection);
    settings.setValue("FontFace", spec.face);
    settings.setValue("FontSize", spec.size);
    settings.setValue("FontWeight", spec.weight);
    settings.setValue("FontItalic", spec.italic ? 1 : 0);
}

QFont CCalcView::MakeFont(const CEditorFontSpec& spec)
{
    QFont font(spec.face);
    font.setPointSize(spec.size);
    font.setWeight(static_cast<QFont::Weight>(std::clamp(spec.weight, 1, 1000)));
    font.setItalic(spec.italic);
    font.setStyleHint(QFont::TypeWriter, QFont::PreferAntialias);
    return font;
}

void CCalcView::SetFontSpec(const CEditorFontSpec& spec)
{
    m_fontSpec = spec;
    setFont(MakeFont(spec));
}

void CCalcView::SetDefaultFont()
{
    SetFontSpec(CEditorFontSpec());
}

bool CCalcView::SelectFont()
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font(), this, QString(), QFontDialog::FontDialogOptions());
    if (!ok)
        return false;
    CEditorFontSpec spec;
    spec.face = chosen.family();
    spec.size = chosen.pointSize() > 0 ? chosen.pointSize() : m_fontSpec.size;
    spec.weight = chosen.weight();
    spec.italic = chosen.italic();
    SetFontSpec(spec);
    return true;
}

bool CCalcView::canInsertFromMimeData(const QMimeData* source) const
{
    return source != nullptr && !isReadOnly() && source->hasText();
}

void CCalcView::insertFromMimeData(const QMimeData* source)
{
    // The text is inserted here rather than by the base class: the base
    // class inspects the data's formats in ways that fail on data without
    // any format, which is what the clipboard hands out on X when no
    // program owns it.
    if (!canInsertFromMimeData(source))
        return;
    const QString text = source->text();
    if (text.isEmpty())
        return;
    insertPlainText(text);
    ensureCursorVisible();
}

void CCalcView::changeEvent(QEvent* event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_highlighter != nullptr) {
        m_highlighter->SetPalette(palette());
        UpdateExtraSelections();
    }
}

void CCalcView::SetErrorMark(int start, int end)
{
    // Setting the extra selections lays the view out again: not for nothing.
    if (end <= start && (m_errorMark.isNull() || !m_errorMark.hasSelection()))
        return;
    if (end <= start) {
        m_errorMark = QTextCursor();
    } else {
        m_errorMark = QTextCursor(document());
        m_errorMark.setPosition(start);
        m_errorMark.setPosition(std::min(end, document()->characterCount() - 1), QTextCursor::KeepAnchor);
    }
    UpdateExtraSelections();
}

void CCalcView::ForgetTouchedMark(int position, int removed, int added)
{
    // The bracket marks were found in the text before the edit and may
    // now lie beyond its end; they are found again before anything draws
    // them (the caret need not move, as with Delete).
    const CBracketPair pair = MatchingBracket(document(), textCursor().position());
    bool changed = pair.at != m_bracket || pair.match != m_bracketMatch;
    m_bracket = pair.at;
    m_bracketMatch = pair.match;
    // The mark's cursor has followed the edit already: an edit inside it or
    // at its edges changes the statement.
    if (!m_errorMark.isNull() && m_errorMark.hasSelection() &&
        position + std::max(removed, added) >= m_errorMark.selectionStart() &&
        position <= m_errorMark.selectionEnd()) {
        m_errorMark = QTextCursor();
        changed = true;
    }
    // Setting the extra selections lays the view out again: not for nothing.
    if (changed)
        UpdateExtraSelections();
}

void CCalcView::UpdateBracketMatch()
{
    const CBracketPair pair = MatchingBracket(document(), textCursor().position());
    if (pair.at == m_bracket && pair.match == m_bracketMatch)
        return;
    m_bracket = pair.at;
    m_bracketMatch = pair.match;
    UpdateExtraSelections();
}

void CCalcView::UpdateExtraSelections()
{
    const CEditorColors colors(palette());
    QList<QTextEdit::ExtraSelection> selections;
    if (!m_errorMark.isNull() && m_errorMark.hasSelection()) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = m_errorMark;
        mark.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        mark.format.setUnderlineColor(colors.error);
        selections << mark;
    }
    for (int position : {m_bracket, m_bracketMatch}) {
        if (position < 0)
            continue;
        QTextEdit::ExtraSelection bracket;
        bracket.cursor = QTextCursor(document());
        bracket.cursor.setPosition(position);
        bracket.cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
        bracket.format.setBackground(colors.bracketMatch);
        selections << bracket;
    }
    setExtraSelections(selections);
}

namespace {

bool IsNameCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_';
}

QChar ClosingOf(QChar opening)
{
    return opening == u'(' ? QChar(u')') : opening == u'[' ? QChar(u']') : QChar(u'}');
}

}  // namespace

void CCalcView::paintEvent(QPaintEvent* event)
{
    // Lines that a change of many lines left waiting for their colours
    // get them before they are drawn, wherever the view has moved.
    m_highlighter->ColourShown();
    QPlainTextEdit::paintEvent(event);
}

void CCalcView::DefinitionsChanged()
{
    const std::uint64_t generation = m_memory.Definitions().Generation();
    if (generation == m_definitionsGeneration)
        return;
    m_definitionsGeneration = generation;
    m_highlighter->rehighlight();
}

QStringList CCalcView::Completions() const
{
    return m_completer->popup()->isVisible() ? m_completionModel->stringList() : QStringList();
}

QString CCalcView::HintText() const
{
    return m_hint->isVisible() ? m_hint->text() : QString();
}

void CCalcView::keyPressEvent(QKeyEvent* event)
{
    if (m_completer->popup()->isVisible()) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab: {
            const QModelIndex current = m_completer->popup()->currentIndex();
            const int row = current.isValid() ? current.row() : 0;
            CloseCompletion();
            ApplyCompletion(row);
            return;
        }
        case Qt::Key_Escape:
            CloseCompletion();
            return;
        case Qt::Key_Backtab:
            event->ignore();
            return;
        default:
            break;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
    const QString typed = event->text();
    const bool editing = event->key() == Qt::Key_Backspace || (!typed.isEmpty() && typed[0].isPrint());
    if (editing && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        UpdateCompletion();
    else if (event->key() != Qt::Key_Shift)
        CloseCompletion();
}

void CCalcView::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    m_hint->hide();
}

void CCalcView::CloseCompletion()
{
    m_completer->popup()->hide();
}

void CCalcView::UpdateCompletion()
{
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) {
        CloseCompletion();
        return;
    }
    const QString line = cursor.block().text().left(cursor.positionInBlock());
    std::vector<CCompletion> completions;
    int typedLength = 0;
    // Inside the bracket of a memory reference: the stored cells.
    static const QRegularExpression memoryKey(
        QStringLiteral("(?:^|[^A-Za-z0-9_])mem(?:ory)?\\s*([\\[({])([^\\])}\\[({]*)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch key = memoryKey.match(line);
    if (key.hasMatch()) {
        const QString typedKey = key.captured(2);
        const QString trimmed = typedKey.trimmed();
        // The whole key after the blanks that open it is replaced.
        int leading = 0;
        while (leading < typedKey.size() && typedKey[leading].isSpace())
            ++leading;
        typedLength = static_cast<int>(typedKey.size()) - leading;
        const QChar closing = ClosingOf(key.captured(1)[0]);
        const QTextBlock block = cursor.block();
        const int column = cursor.positionInBlock();
        const bool closed = column < block.text().size() && block.text()[column] == closing;
        completions = MemoryCompletions(FromQString(trimmed), m_memory,
                                        closed ? std::u16string() : std::u16string(1, closing.unicode()));
    } else {
        int start = static_cast<int>(line.size());
        while (start > 0 && IsNameCharacter(line[start - 1]))
            --start;
        // A name starts with a letter or "_", never inside a number.
        while (start < line.size() && line[start].isDigit())
            ++start;
        typedLength = static_cast<int>(line.size()) - start;
        const bool afterNumber = start > 0 && (line[start - 1].isDigit() || line[start - 1] == u'.');
        if (typedLength >= 2 && !afterNumber)
            completions = NameCompletions(FromQString(line.mid(start)), m_preferences, &m_memory.Definitions());
    }
    if (completions.empty()) {
        CloseCompletion();
        return;
    }
    // A single offer that is what was typed already needs no list.
    if (completions.size() == 1 && ToQString(completions[0].text) == line.right(typedLength)) {
        CloseCompletion();
        return;
    }
    m_completionStart = cursor.position() - typedLength;
    QStringList labels;
    m_completionTexts.clear();
    for (const CCompletion& completion : completions) {
        labels << ToQString(completion.label);
        m_completionTexts.push_back(completion.text);
    }
    m_completionModel->setStringList(labels);
    m_completer->setCompletionPrefix(QString());
    // The words in the editor's own font, whatever font the editor has now.
    // The list is made at its first use rather than with the editor; a
    // screen reader reads its entries under this name.
    m_completer->popup()->setFont(font());
    m_completer->popup()->setAccessibleName(tr("Completions"));
    QRect rect = cursorRect();
    rect.setWidth(m_completer->popup()->sizeHintForColumn(0) +
                  m_completer->popup()->verticalScrollBar()->sizeHint().width() + 8);
    m_completer->complete(rect);
    m_completer->popup()->setCurrentIndex(m_completionModel->index(0, 0));
}

void CCalcView::ApplyCompletion(int row)
{
    if (row < 0 || row >= static_cast<int>(m_completionTexts.size()))
        return;
    QTextCursor cursor = textCursor();
    const int end = cursor.position();
    if (m_completionStart > end)
        return;
    cursor.setPosition(m_completionStart);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.insertText(ToQString(m_completionTexts[static_cast<std::size_t>(row)]));
    setTextCursor(cursor);
    m_completionTexts.clear();
    UpdateHint();
}

void CCalcView::UpdateHint()
{
    // The innermost bracket still open before the caret on its line, and
    // the name in front of it.
    const QTextCursor cursor = textCursor();
    const QString line = cursor.block().text();
    int depth = 0;
    int opening = -1;
    for (int i = cursor.positionInBlock() - 1; i >= 0; --i) {
        const QChar c = line[i];
        if (c == u')' || c == u']' || c == u'}') {
            ++depth;
        } else if (c == u'(' || c == u'[' || c == u'{') {
            if (depth == 0) {
                opening = i;
                break;
            }
            --depth;
        } else if (c == u';') {
            break;
        }
    }
    QString hint;
    if (opening >= 0) {
        int end = opening;
        while (end > 0 && (line[end - 1] == u' ' || line[end - 1] == u'\t'))
            --end;
        int start = end;
        while (start > 0 && IsNameCharacter(line[start - 1]))
            --start;
        if (start == end && end > 0)
            start = end - 1;  // the one-character names: Γ, √, ∑, ∏
        if (start < end) {
            const std::u16string name = FromQString(line.mid(start, end - start));
            hint = ToQString(FunctionHint(name, m_preferences));
            if (hint.isEmpty())
                hint = ToQString(DefinitionHint(name, m_memory.Definitions()));
        }
    }
    if (hint.isEmpty()) {
        m_hint->hide();
        return;
    }
    // The editor's own colours, the background a shade towards the text so
    // that the hint stands out from the lines it covers.
    const QColor base = palette().color(QPalette::Base);
    const QColor text = palette().color(QPalette::Text);
    const QColor shade = QColor::fromRgbF(base.redF() * 0.88f + text.redF() * 0.12f,
                                          base.greenF() * 0.88f + text.greenF() * 0.12f,
                                          base.blueF() * 0.88f + text.blueF() * 0.12f);
    m_hint->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; border: 1px solid %3; padding: 1px 3px; }")
                              .arg(shade.name(), text.name(), CEditorColors(palette()).oldResult.name()));
    m_hint->setText(hint);
    m_hint->adjustSize();
    const QRect caret = cursorRect();
    QPoint at(caret.left(), caret.bottom() + 3);
    if (at.y() + m_hint->height() > viewport()->height())
        at.setY(caret.top() - m_hint->height() - 3);
    at.setX(std::max(0, std::min(at.x(), viewport()->width() - m_hint->width())));
    m_hint->move(at);
    m_hint->show();
    m_hint->raise();
}
