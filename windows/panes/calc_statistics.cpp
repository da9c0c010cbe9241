#include "windows/panes/calc_statistics.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

#include <algorithm>

#include "document/qt/qt_text.h"
#include "windows/panes/statistics_picture.h"

namespace {

const char* const kLabels[eStatisticCount] = {
    QT_TRANSLATE_NOOP("CCalcStatistics", "Mean (average)"),
    QT_TRANSLATE_NOOP("CCalcStatistics", "Variance"),
    QT_TRANSLATE_NOOP("CCalcStatistics", "Standard deviation"),
    QT_TRANSLATE_NOOP("CCalcStatistics", "Average deviation"),
    QT_TRANSLATE_NOOP("CCalcStatistics", "Skewness"),
    QT_TRANSLATE_NOOP("CCalcStatistics", "Kurtosis"),
};

// Template geometry in dialog units.
constexpr int kTemplateWidth = 278;
constexpr int kTemplateHeight = 101;
constexpr int kLabelX = 3;
constexpr int kBoxX = 68;
constexpr int kBoxWidth = 207;
constexpr int kBoxHeight = 14;
constexpr int kRowY[eStatisticCount] = {3, 19, 35, 51, 67, 84};

// The widest text a box shows: two parts of seventeen digits with a
// three-digit exponent each.
constexpr char16_t kLongestValue[] = u"-8.8888888888888888E+888\u2212i\u00D78.8888888888888888E+888";

}  // namespace

CCalcStatistics::CCalcStatistics(QWidget* parent)
    : QWidget(parent)
{
    // Dialog units from the font: a quarter of the average character width
    // horizontally, an eighth of the character height vertically.
    const QFontMetrics metrics(font());
    const double unitX = metrics.averageCharWidth() / 4.0;
    const double unitY = metrics.height() / 8.0;
    auto x = [unitX](int units) { return static_cast<int>(units * unitX + 0.5); };
    auto y = [unitY](int units) { return static_cast<int>(units * unitY + 0.5); };

    // The boxes move right when a label is wider in this font than the
    // template allowed for.
    int boxX = x(kBoxX);
    for (const char* label : kLabels)
        boxX = std::max(boxX, x(kLabelX) + metrics.horizontalAdvance(tr(label)) + x(3));
    const int shift = boxX - x(kBoxX);
    // The boxes are wide enough for the longest value a box can show, so
    // that complex means and deviations show whole; the pane grows with
    // them.
    int boxWidth = x(kBoxWidth);
    {
        QLineEdit probe;
        const QFontMetrics boxFont(probe.font());
        const int frame = probe.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &probe);
        const QMargins margins = probe.textMargins();
        // The line edit keeps 2 pixels on each side inside its frame, and
        // one for the caret.
        const int chrome = 2 * frame + margins.left() + margins.right() + 2 * 2 + 1;
        boxWidth = std::max(boxWidth, boxFont.horizontalAdvance(QString::fromUtf16(kLongestValue)) + chrome);
    }
    const int widening = boxWidth - x(kBoxWidth);
    for (int i = 0; i < eStatisticCount; ++i) {
        m_labels[i] = new QLabel(tr(kLabels[i]), this);
        m_labels[i]->setGeometry(x(kLabelX), y(kRowY[i]), boxX - x(kLabelX), y(kBoxHeight));
        m_boxes[i] = new QLineEdit(this);
        m_boxes[i]->setReadOnly(true);
        m_boxes[i]->setProperty("controlId", kBoxIds[i]);
        m_boxes[i]->setAccessibleName(m_labels[i]->text());
        m_boxes[i]->setGeometry(boxX, y(kRowY[i]), boxWidth, y(kBoxHeight));
        m_labels[i]->setBuddy(m_boxes[i]);
    }
    // The picture stands to the right of the boxes, as high as the pane.
    const int pictureSide = y(kTemplateHeight) - y(kRowY[0]) - 2;
    m_picture = new CStatisticsPicture(this);
    m_picture->setGeometry(x(kTemplateWidth) + shift + widening, y(kRowY[0]), pictureSide, pictureSide);
    m_size = QSize(x(kTemplateWidth) + shift + widening + pictureSide + x(kLabelX), y(kTemplateHeight));
    setFixedSize(m_size);
}

QSize CCalcStatistics::sizeHint() const
{
    return m_size;
}

void CCalcStatistics::ShowStatistics(std::span<const CComplex> values)
{
    const auto statistics = MemoryStatistics(values);
    for (int i = 0; i < eStatisticCount; ++i) {
        const std::u16string text = StatisticText(statistics[i]);
        m_boxes[i]->setText(ToQString(text));
        m_boxes[i]->setCursorPosition(0);
    }
    m_picture->SetValues(values);
}

QString CCalcStatistics::BoxText(EStatistic statistic) const
{
    return m_boxes[statistic]->text();
}
