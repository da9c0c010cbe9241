#pragma once
// The printed calculation text: laid out page by page in the text font
// inside the margins, each page with its header (file line, page number)
// and footer (time and date, page number) in the service font. The same
// drawing serves the printer, the print preview and PDF output.

#include <QDateTime>
#include <QFont>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "document/print_layout.h"
#include "document/qt/print_settings.h"

class QImage;
class QPaintDevice;
class QPainter;
class QPrinter;
class QTextLayout;

class CPrintDocument {
public:
    // `text` is the editor text (line breaks "\n", "\r\n" or U+2029);
    // `path` the document's file path, empty for an unsaved document.
    CPrintDocument(const QString& text, const QString& path, const CPrintSettings& settings,
                   const QDateTime& now = QDateTime::currentDateTime());
    ~CPrintDocument();

    // Prints only the characters [start, end) of the text.
    void SetSelection(int start, int end);

    // Measures the printer and lays the text out for it. The printer is
    // switched to full-page coordinates; call before it is painted on.
    void Prepare(QPrinter& printer);

    // Whether the margins leave room for the text, below the header and
    // above the footer; when not, the job prints one empty page.
    bool MarginsUsable() const { return m_usable; }
    // The number of pages of the job: the text's pages, at least one.
    int PageCount() const;
    const CDeviceMetrics& Metrics() const { return m_metrics; }
    const CDeviceMargins& Margins() const { return m_margins; }
    // The font of the header and footer made for the prepared printer.
    const QFont& ServiceFont() const { return m_serviceFont; }

    // Draws page `page` (1-based) on a painter open on the prepared printer.
    void PaintPage(QPainter& painter, int page) const;

    // Runs a whole job on the printer: opens a painter, prints the pages
    // `from` to `to` (0 for "to the end") that exist, and calls
    // `beforePage` ahead of each; a false answer aborts the job.
    enum EResult { Printed, NotStarted, Aborted };
    EResult Print(QPrinter& printer, int from = 1, int to = 0,
                  const std::function<bool(int page)>& beforePage = {});

    // The small document icon drawn before the file line.
    static const QImage& DocumentIcon();

private:
    struct CLine {
        int paragraph;
        int line;
        int height;
    };
    QFont MakeFont(const CPrintFont& font) const;
    void LayOut();
    void PaintHeaderFooter(QPainter& painter, const QRect& area, int page) const;

    QString m_text;
    QString m_path;
    CPrintSettings m_settings;
    QDateTime m_now;

    CDeviceMetrics m_metrics;
    CDeviceMargins m_margins;
    bool m_usable = false;
    QPaintDevice* m_paintDevice = nullptr;
    QFont m_textFont;
    QFont m_serviceFont;
    std::vector<std::unique_ptr<QTextLayout>> m_paragraphs;
    std::vector<CLine> m_lines;
    std::vector<std::size_t> m_pageStarts;  // index of each page's first line
};
