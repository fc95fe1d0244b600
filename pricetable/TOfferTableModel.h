#pragma once

#include "TAccessoryRule.h"
#include "TOffer.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>

// The offers of one comparison, every shop's together: picture, 商品, 价格, 网店. Offers that
// the accessory rule marks are shown in grey, with the reason in their hint.
class TOfferTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { ColPicture, ColName, ColPrice, ColShop, ColumnCount };
    enum Role { SortRole = Qt::UserRole + 1, AccessoryRole, AddressRole };

    using QAbstractTableModel::QAbstractTableModel;

    void Clear();
    // Replaces what the table holds of `shop` (a page read again replaces its earlier reading).
    void SetShopOffers(const QString &shop, const QList<TOffer> &offers);
    void SetPicture(const QUrl &address, const QPixmap &picture);

    const QList<TOffer> &Offers() const { return m_offers; }
    bool IsAccessory(const TOffer &offer) const { return m_accessories.IsAccessory(offer.PriceFen); }
    int AccessoryCount() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void judgeAccessories();

    QList<TOffer> m_offers;
    QHash<QUrl, QPixmap> m_pictures;
    TAccessoryRule m_accessories;
};
