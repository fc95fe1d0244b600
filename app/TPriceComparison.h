#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

class TBrowserHost;
class TPageReader;
class TPriceTablePane;

// Reads the offers of the results pages a comparison opens into the price table: one reader
// per shop's tab, the shop's state in the pane as it goes. Owned by the main window.
class TPriceComparison : public QObject
{
    Q_OBJECT
public:
    TPriceComparison(TPriceTablePane *pane, QObject *parent);

    // A new comparison of `shops`: a new table; readers of the last one stop.
    void Begin(const QStringList &shops);
    // `view` has just been sent to `shop`'s results page.
    void Watch(TBrowserHost *view, const QString &shop);
    // `shop` could not be opened (no valid address).
    void NotOpened(const QString &shop);

    // Every shop of the comparison has come to an end, read or not.
    bool AllDone() const;
    // Every shop was read (with or without offers).
    bool AllRead() const;
    // One line per shop, in the comparison's order: the shop, then its state.
    QStringList Report() const;

signals:
    void shopDone(const QString &shop);

private:
    struct Shop
    {
        QPointer<TPageReader> reader;
        bool done = false;
        bool read = false;
        int offers = 0;
        QString state;
    };
    void SetState(const QString &shop, const QString &state);
    void End(const QString &shop, bool read);

    TPriceTablePane *m_pane;
    QStringList m_order;
    QHash<QString, Shop> m_shops;
};
