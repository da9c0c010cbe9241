#pragma once
// The statistics as a picture, beside the boxes of the Statistics pane: the
// values as points in the complex plane with their mean marked, or, when
// every value is real, their histogram with the mean marked.

#include <QWidget>

#include <span>
#include <vector>

#include "numeric/complex.h"

class CStatisticsPicture : public QWidget {
    Q_OBJECT
public:
    explicit CStatisticsPicture(QWidget* parent = nullptr);

    void SetValues(std::span<const CComplex> values);
    const std::vector<CComplex>& Values() const { return m_values; }
    // True when the picture is a histogram (every value real).
    bool IsHistogram() const;
    // The counts of the histogram's bins, left to right.
    std::vector<int> Bins() const;
    CComplex Mean() const { return m_mean; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<CComplex> m_values;
    CComplex m_mean;
};
