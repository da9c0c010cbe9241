#pragma once
// The editor view over the main window's client area: a plain-text editor
// whose lines wrap at the window edge, with its own font kept in the
// settings section "GUI/Editor". Text arrives from the clipboard, the
// selection (middle click) and drops only as plain text.

#include <QFont>
#include <QPlainTextEdit>

class QMimeData;

struct CEditorFontSpec {
    QString face = "Courier New";
    int size = 15;       // points
    int weight = 400;    // 100 to 900, 400 regular
    bool italic = false;

    bool operator==(const CEditorFontSpec&) const = default;
};

class CCalcView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CCalcView(QWidget* parent = nullptr);
    // Writes the font to the settings.
    ~CCalcView() override;

    CEditorFontSpec FontSpec() const { return m_fontSpec; }
    void SetFontSpec(const CEditorFontSpec& spec);
    // "Courier New", 15 points, regular, upright.
    void SetDefaultFont();
    bool IsDefaultFont() const { return m_fontSpec == CEditorFontSpec(); }
    // The font dialog on the current font; true when a font was chosen.
    bool SelectFont();

    static CEditorFontSpec LoadFontSpec();
    static void SaveFontSpec(const CEditorFontSpec& spec);
    static QFont MakeFont(const CEditorFontSpec& spec);

    // Every way data comes in (paste, the selection's middle click, a drop)
    // ends here. Only data that carries text is taken; a missing source, or
    // the empty one a clipboard without an owner hands out, is refused.
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    CEditorFontSpec m_fontSpec;
};
