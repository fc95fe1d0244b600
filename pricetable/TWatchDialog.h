#pragma once

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;

// "关注": the price below which the user wants to hear of a product, and whether every new
// lowest price is news too. Used to watch a product and to change a watch.
class TWatchDialog : public QDialog
{
    Q_OBJECT
public:
    // `targetFen` is the price proposed: for a new watch, today's lowest (any drop is news).
    TWatchDialog(const QString &name, qint64 targetFen, bool notifyNewLow, QWidget *parent = nullptr);

    qint64 TargetFen() const;
    bool NotifyNewLow() const;
    QDoubleSpinBox *TargetBox() const { return m_target; }

private:
    QDoubleSpinBox *m_target;
    QCheckBox *m_newLow;
};
