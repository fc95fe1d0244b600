#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

// The status bar's progress pane: total parts and parts complete, shown as a bar with the
// percentage as text. On screen the pane lags by at most a tenth of a second: it is drawn that
// long after it is shown, so that a load that ends sooner never makes it flash, and the bar then
// follows the percentage at most that often. Its place in its row is kept while it is hidden,
// so that showing it moves nothing else.
class TProgressPane : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int TotalParts READ TotalParts WRITE SetTotalParts)
    Q_PROPERTY(int PartsComplete READ PartsComplete WRITE SetPartsComplete)
    Q_PROPERTY(int Percent READ Percent NOTIFY percentChanged)
public:
    explicit TProgressPane(QWidget *parent = nullptr);

    int TotalParts() const { return m_total; }
    // A new total starts the count again: parts complete and the percentage become 0.
    void SetTotalParts(int total);
    int PartsComplete() const { return m_complete; }
    // Clamped to the total (a negative value, taken unsigned, is clamped too); the percentage
    // is rounded to the nearest integer, halves to even.
    void SetPartsComplete(int complete);
    int Percent() const { return m_percent; }

    QSize sizeHint() const override;

signals:
    void percentChanged(int percent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void setPercent(int percent);
    void scheduleRepaint();

    int m_total = 0;
    int m_complete = 0;
    int m_percent = 0;
    QTimer m_appear; // until the shown pane is drawn
    QTimer m_repaint; // the repaint that waits for its turn
    QElapsedTimer m_painted; // since the last paint
};
