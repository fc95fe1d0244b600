#pragma once

#include <QDialog>
#include <QUrl>

class QPushButton;
class QTableWidget;
class TPriceHistory;

// "关注列表": the watched products with their target, last and lowest price and when they were
// last checked; a watch is changed, removed or its cheapest offer opened from here. The list
// follows the history as checks come in.
class TWatchListDialog : public QDialog
{
    Q_OBJECT
public:
    TWatchListDialog(TPriceHistory *history, QWidget *parent = nullptr);

    QTableWidget *Table() const { return m_table; }
    void Refresh();

signals:
    void openOffer(const QUrl &address);

private:
    QString selectedKey() const;
    void editSelected();
    void removeSelected();

    TPriceHistory *m_history;
    QTableWidget *m_table;
    QPushButton *m_edit;
    QPushButton *m_remove;
    QPushButton *m_open;
};
