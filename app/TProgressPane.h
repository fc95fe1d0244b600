#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

// The status bar's progress pane: total parts and parts complete, shown as a bar with the
// percentage as text. The bar follows the percentage at most every tenth of a second.
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

private:
    void setPercent(int percent);
    void scheduleRepaint();

    int m_total = 0;
    int m_complete = 0;
    int m_percent = 0;
    QTimer m_repaint;        // the repaint that waits for its turn
    QElapsedTimer m_painted; // since the last paint
};
