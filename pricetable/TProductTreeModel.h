#pragma once

#include "TOffer.h"
#include "TPriceHistory.h"
#include "TProductGrouping.h"

#include <QAbstractItemModel>
#include <QSet>

// The price table by product: one row per product (the same brand, model and variant from any
// shop), cheapest product first, its offers below it; accessories and unrelated offers in two
// rows of their own at the end, "配件 (N)" and "其他 (N)". Offers are set again as shops arrive:
// rows keep their identity (a product by its key, an offer by shop, address and title), so that
// what the user selected or expanded stays. The last column tells what the price history knows of
// each product: its lowest price ever, and whether today's is a good one.
class TProductTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column { ColName, ColLowest, ColShop, ColShops, ColHighest, ColHistory, ColumnCount };
    enum Role {
        AddressRole = Qt::UserRole + 1,
        KeyRole,
        KindRole,
        IsOfferRole,
        HistoryKeyRole, // the key the price history knows the row's product by
        NameRole, // the product's clean name, or the offer's title
        LowestFenRole, // the row's lowest price today
        WatchedRole,
    };

    using QAbstractItemModel::QAbstractItemModel;

    void Clear();
    // The comparison's offers and their grouping (of these offers, in this order).
    void SetOffers(const QList<TOffer> &offers, const TProductGrouping &grouping);
    // What the price history knows, by product key, and which products are watched.
    void SetHistory(const QHash<QString, THistorySummary> &summaries, const QSet<QString> &watched);
    const TProductGrouping &Grouping() const { return m_grouping; }
    // Product rows, not counting the accessory and other rows.
    int ProductCount() const;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Top
    {
        QString Id; // a product's key, an offer's identity, or a section's
        int Group = -1; // into the grouping's groups; -1 for a section
        TOfferKind Section = TOfferKind::Product;
        QList<int> Offers; // cheapest first
    };
    QString offerId(int offer) const;
    QString topId(const Top &top) const;
    QVariant topData(const Top &top, int column, int role) const;
    QVariant offerData(int offer, int column, int role) const;
    QString groupTip(const Top &top) const;
    QString readingText(int offer) const;
    QString historyKey(const Top &top) const;
    QString historyText(const QString &key, qint64 todayFen) const;

    QList<TOffer> m_offers;
    TProductGrouping m_grouping;
    QList<Top> m_rows;
    QHash<QString, THistorySummary> m_history;
    QSet<QString> m_watched;
};
