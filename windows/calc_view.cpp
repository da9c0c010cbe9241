#include "windows/calc_view.h"

#include <QFontDialog>
#include <QMimeData>
#include <QSettings>

#include <algorithm>

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
