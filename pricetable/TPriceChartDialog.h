#pragma once

#include "TPriceHistory.h"

#include <QDialog>

class QChartView;
class QLabel;

// "价格走势": a product's prices over time, one line per shop, its lowest price ever marked. A
// product seen in one comparison only shows its single points and says so.
class TPriceChartDialog : public QDialog
{
    Q_OBJECT
public:
    TPriceChartDialog(const QString &name, const QList<TPricePoint> &points, QWidget *parent = nullptr);

    QChartView *ChartView() const { return m_view; }
    // The line under the title: how many comparisons and shops, the lowest ever, or that the
    // product was seen once.
    QLabel *SummaryLabel() const { return m_summary; }

private:
    QChartView *m_view;
    QLabel *m_summary;
};
