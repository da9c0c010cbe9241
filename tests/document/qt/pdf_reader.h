#pragma once
// Reads back what a test printed to PDF: the words of every page with their
// boxes in points (from pdftotext -bbox) and the fonts used (from pdffonts).

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <vector>

struct CPdfWord {
    int page;  // 1-based
    double xMin, yMin, xMax, yMax;
    QString text;
};

struct CPdfText {
    bool ok = false;
    QString error;
    int pages = 0;
    double width = 0;  // of the first page, points
    double height = 0;
    std::vector<CPdfWord> words;

    std::vector<CPdfWord> OnPage(int page) const
    {
        std::vector<CPdfWord> result;
        for (const CPdfWord& word : words)
            if (word.page == page)
                result.push_back(word);
        return result;
    }
    // The words of a page joined by blanks, line by line from the top and
    // left to right within a line (words of one line share their bottom).
    QString PageText(int page) const
    {
        std::vector<CPdfWord> ordered = OnPage(page);
        std::stable_sort(ordered.begin(), ordered.end(),
                         [](const CPdfWord& a, const CPdfWord& b) { return a.yMax < b.yMax; });
        QStringList texts;
        for (std::size_t start = 0; start < ordered.size();) {
            std::size_t end = start + 1;
            while (end < ordered.size() && ordered[end].yMax - ordered[start].yMax < 1.5)
                ++end;
            std::stable_sort(ordered.begin() + static_cast<std::ptrdiff_t>(start),
                             ordered.begin() + static_cast<std::ptrdiff_t>(end),
                             [](const CPdfWord& a, const CPdfWord& b) { return a.xMin < b.xMin; });
            for (std::size_t i = start; i < end; ++i)
                texts << ordered[i].text;
            start = end;
        }
        return texts.join(' ');
    }
    // The first word with this text on the page, or nullptr.
    const CPdfWord* Find(int page, const QString& text) const
    {
        for (const CPdfWord& word : words)
            if (word.page == page && word.text == text)
                return &word;
        return nullptr;
    }
    const CPdfWord* FindLast(int page, const QString& text) const
    {
        const CPdfWord* found = nullptr;
        for (const CPdfWord& word : words)
            if (word.page == page && word.text == text)
                found = &word;
        return found;
    }
};

inline QString RunTool(const QString& program, const QStringList& arguments, QString* error)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = program + " failed (install poppler-utils): " + QString::fromLocal8Bit(process.readAllStandardError());
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline CPdfText ReadPdf(const QString& path)
{
    CPdfText pdf;
    const QString html = RunTool("pdftotext", {"-bbox", path, "-"}, &pdf.error);
    if (!pdf.error.isEmpty())
        return pdf;
    static const QRegularExpression pageExpression(R"re(<page width="([\d.]+)" height="([\d.]+)">)re");
    static const QRegularExpression wordExpression(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    // Walk the pages and their words in document order.
    static const QRegularExpression tokenExpression(R"re(<page [^>]*>|<word [^>]*>[^<]*</word>)re");
    auto tokens = tokenExpression.globalMatch(html);
    while (tokens.hasNext()) {
        const QString token = tokens.next().captured(0);
        if (const auto page = pageExpression.match(token); page.hasMatch()) {
            if (++pdf.pages == 1) {
                pdf.width = page.captured(1).toDouble();
                pdf.height = page.captured(2).toDouble();
            }
        } else if (const auto word = wordExpression.match(token); word.hasMatch()) {
            // Ligatures such as "fi" read back as their letters.
            QString text = word.captured(5).normalized(QString::NormalizationForm_KC);
            text.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&amp;", "&");
            pdf.words.push_back({pdf.pages, word.captured(1).toDouble(), word.captured(2).toDouble(),
                                 word.captured(3).toDouble(), word.captured(4).toDouble(), text});
        }
    }
    pdf.ok = true;
    return pdf;
}

// The names of the fonts the PDF uses.
inline QStringList PdfFonts(const QString& path, QString* error)
{
    const QString listing = RunTool("pdffonts", {path}, error);
    QStringList names;
    const QStringList lines = listing.split('\n');
    for (int i = 2; i < lines.size(); ++i) {
        const QString name = lines[i].section(' ', 0, 0, QString::SectionSkipEmpty);
        if (!name.isEmpty())
            names << name;
    }
    return names;
}
