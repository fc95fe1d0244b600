#pragma once

#include "TOffer.h"
#include "TShopState.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>

class TBrowserHost;
class TPageReader;

// Reads the offers of the results pages a comparison opens: one reader per shop's tab. It holds
// each shop's state and tells what it reads and how each shop stands; the price table listens.
// Owned by the main window.
class TPriceComparison : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // A new comparison of `shops` for `keyword`: readers of the last one stop.
    void Begin(const QStringList &shops, const QString &keyword = QString());
    // `view` has just been sent to `shop`'s results page.
    void Watch(TBrowserHost *view, const QString &shop);
    // `shop` could not be opened (no valid address).
    void NotOpened(const QString &shop);
    // Reads `shop`'s results page again as it stands (after the user has taught the program the
    // shop): its offers and state are replaced. False when its tab no longer shows that page.
    bool Reread(const QString &shop);

    // The comparison's shops, in its order.
    QStringList Shops() const { return m_order; }
    // The shop whose results page `view` shows now; empty when it shows none (another page, or
    // one not read yet).
    QString ShopOf(const QObject *view) const;
    // The view that shows `shop`'s results page now; null when none does.
    TBrowserHost *ResultsView(const QString &shop) const;
    // The address of `shop`'s results page as last read; empty before.
    QUrl ResultsAddress(const QString &shop) const { return m_shops.value(shop).address; }

    // Every shop of the comparison has come to an end, read or not.
    bool AllDone() const;
    // Every shop was read (with or without offers).
    bool AllRead() const;
    // One line per shop, in the comparison's order: the shop, then its state.
    QStringList Report() const;

signals:
    void begun(const QStringList &shops, const QString &keyword);
    // A reading of `shop`'s page; a later one replaces it.
    void offersRead(const QString &shop, const QList<TOffer> &offers);
    void shopStateChanged(const QString &shop, TShopState state, int offers);
    void shopDone(const QString &shop);

private:
    struct Shop
    {
        QPointer<TPageReader> reader;
        QPointer<TBrowserHost> view;
        QUrl address; // of the document read
        TShopState state = TShopState::Waiting;
        int offers = 0;
        bool done = false;
        bool read = false;
    };
    void read(TBrowserHost *view, const QString &shop, bool now);
    void setState(const QString &shop, TShopState state);
    void end(const QString &shop, bool read);

    QStringList m_order;
    QHash<QString, Shop> m_shops;
};
