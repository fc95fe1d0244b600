#pragma once

#include "TOffer.h"
#include "TProductGrouping.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>

// The offers of one comparison, every shop's together: picture, 商品, 价格, 网店. Accessories
// and offers the keyword does not describe are shown in grey, with the reason in their hint.
class TOfferTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { ColPicture, ColName, ColPrice, ColShop, ColumnCount };
    enum Role { SortRole = Qt::UserRole + 1, AddressRole };

    using QAbstractTableModel::QAbstractTableModel;

    void Clear();
    // Replaces what the table holds of `shop` (a page read again replaces its earlier reading).
    void SetShopOffers(const QString &shop, const QList<TOffer> &offers);
    void SetPicture(const QUrl &address, const QPixmap &picture);
    // The grouping of Offers() as they are now: their kinds.
    void SetGrouping(const TProductGrouping &grouping);

    const QList<TOffer> &Offers() const { return m_offers; }
    TOfferKind Kind(int row) const { return row < m_kinds.size() ? m_kinds.at(row) : TOfferKind::Product; }
    // Offers that are not the product itself (accessories and unrelated ones).
    int AccessoryCount() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString kindText(int row) const;

    QList<TOffer> m_offers;
    QHash<QUrl, QPixmap> m_pictures;
    QList<TOfferKind> m_kinds;
    QList<QString> m_nouns; // the noun that decided each kind
};
