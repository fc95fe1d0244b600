#pragma once

#include "TPickPanel.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>

class QPoint;
class TBrowserHost;
class TPickMode;
class TPriceComparison;
class TPriceTablePane;

// Teaching the program a shop's results page. "教我读这个网店…", from the price table's shops'
// menu or from the context menu of a compared shop's results page, shows the shop's tab and
// starts a pick in its page (TPickMode) with its panel (TPickPanel). 确定 keeps the rule worked
// out there for the page's host in the user's shoprules.json and has the comparison read the
// page again; "恢复默认读取" removes the user's rule of that host and reads again. Owned by the
// main window.
class TShopTeacher : public QObject
{
    Q_OBJECT
public:
    TShopTeacher(TPriceComparison *comparison, TPriceTablePane *pane, QObject *parent = nullptr);

    void Teach(const QString &shop);
    void Restore(const QString &shop);
    // A page's context menu: on a compared shop's results page the shop's menu pops up at the
    // global position `pos` (true); on any other page nothing happens (false).
    bool PageMenu(QObject *view, const QPoint &pos);

    TPickMode *PickMode() const { return m_pick; }
    // The pick's panel; null when no pick is on.
    TPickPanel *Panel() const { return m_panel; }
    // The shop being taught; empty when no pick is on.
    QString Shop() const { return m_shop; }

private:
    void pickChanged();
    void preview(const QJsonObject &rule);
    void confirm();
    void pickEnded();
    // The user has a rule of his own for the host of `shop`'s results page.
    bool hasOwnRule(const QString &shop) const;

    TPriceComparison *m_comparison;
    TPickMode *m_pick;
    QPointer<TPickPanel> m_panel;
    QString m_shop;
    QJsonObject m_rule; // the rule the panel shows the offers of
    int m_previews = 0; // a later preview makes an earlier one's answer stale
};
