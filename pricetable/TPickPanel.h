#pragma once

#include "TOffer.h"

#include <QFrame>
#include <QList>

class QLabel;
class QPushButton;
class QTreeWidget;

// The small panel over a page while the user teaches the program how to read a shop: what to
// click next, how many products the picked name and price find and the first of them, and
// 重新选择, 确定, 取消 (Esc). It sits at the top right of the widget it is made in. Everything
// it shows of the page is plain text.
class TPickPanel : public QFrame
{
    Q_OBJECT
public:
    enum Step { PickName, PickPrice, Result };
    // Offers listed; the count covers them all.
    static constexpr int ListedOffers = 5;

    TPickPanel(const QString &shop, QWidget *parent);

    // The step the pick has come to, with why the last click was not taken (empty when it was).
    void ShowStep(Step step, const QString &problem = QString());
    // The offers the picked structure finds on the page (Result).
    void ShowOffers(const QList<TOffer> &offers);
    int Count() const { return m_count; }

    QLabel *StepLabel() const { return m_step; }
    QLabel *CountLabel() const { return m_countLabel; }
    QTreeWidget *OfferList() const { return m_list; }
    QPushButton *RepickButton() const { return m_repick; }
    QPushButton *ConfirmButton() const { return m_confirm; }
    QPushButton *CancelButton() const { return m_cancel; }

signals:
    void repickClicked();
    void confirmClicked();
    void cancelClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void place();

    QLabel *m_step;
    QLabel *m_problem;
    QLabel *m_countLabel;
    QTreeWidget *m_list;
    QPushButton *m_repick;
    QPushButton *m_confirm;
    QPushButton *m_cancel;
    int m_count = 0;
};
