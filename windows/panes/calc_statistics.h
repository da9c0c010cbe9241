#pragma once
// The Statistics pane: six read-only boxes with the statistics of the memory
// cells, filled when the memory pane's Statistics button is pressed.

#include <QWidget>

#include <array>
#include <span>

#include "document/memory_statistics.h"

class QLabel;
class QLineEdit;
class CStatisticsPicture;

class CCalcStatistics : public QWidget {
    Q_OBJECT
public:
    // Control ids of the six boxes, in display order.
    static constexpr std::array<int, eStatisticCount> kBoxIds = {1090, 1091, 1096, 1093, 1094, 1095};

    explicit CCalcStatistics(QWidget* parent = nullptr);

    // Computes the statistics of the values and shows them in the boxes.
    void ShowStatistics(std::span<const CComplex> values);
    QString BoxText(EStatistic statistic) const;
    // The values of the last statistics as a picture, beside the boxes.
    CStatisticsPicture* Picture() const { return m_picture; }

    QSize sizeHint() const override;

private:
    std::array<QLabel*, eStatisticCount> m_labels{};
    std::array<QLineEdit*, eStatisticCount> m_boxes{};
    CStatisticsPicture* m_picture = nullptr;
    QSize m_size;
};
