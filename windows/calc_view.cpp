#include "windows/calc_view.h"

#include <QEvent>
#include <QFontDialog>
#include <QMimeData>
#include <QSettings>

#include <algorithm>

#include "windows/calc_highlighter.h"

namespace {

const char* const kEditorSection = "GUI/Editor";

int ReadInt(QSettings& settings, const char* name, int fallback)
{
    bool ok = false;
    const int value = settings.value(name, fallback).toInt(&ok);
    return ok ? value : fallback;
}

}  // namespace

CCalcView::CCalcView(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setObjectName("CalcView");
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SetFontSpec(LoadFontSpec());
    m_highlighter = new CCalcHighlighter(document(), palette());
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &CCalcView::UpdateBracketMatch);
    connect(document(), &QTextDocument::contentsChange, this, &CCalcView::ForgetTouchedMark);
}

CCalcView::~CCalcView()
{
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
    if (m_errorMark.isNull() || !m_errorMark.hasSelection())
        return;
    // The mark's cursor has followed the edit already: an edit inside it or
    // at its edges changes the statement.
    if (position + std::max(removed, added) >= m_errorMark.selectionStart() &&
        position <= m_errorMark.selectionEnd())
        SetErrorMark(0, 0);
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
