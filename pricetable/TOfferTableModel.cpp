#include "TOfferTableModel.h"

#include "TPriceParser.h"

#include <QColor>

#include <algorithm>

void TOfferTableModel::Clear()
{
    beginResetModel();
    m_offers.clear();
    m_pictures.clear();
    m_accessories.SetPrices({});
    endResetModel();
}

void TOfferTableModel::SetShopOffers(const QString &shop, const QList<TOffer> &offers)
{
    // Rows go and come one shop at a time, not in a reset: the rows the user has selected or
    // scrolled to stay while the other shops arrive.
    const bool judgedBefore = m_accessories.Judges();
    const qint64 medianBefore = m_accessories.MedianFen();
    for (qsizetype last = m_offers.size() - 1; last >= 0; --last) {
        if (m_offers.at(last).Shop != shop)
            continue;
        qsizetype first = last;
        while (first > 0 && m_offers.at(first - 1).Shop == shop)
            --first;
        beginRemoveRows({}, int(first), int(last));
        m_offers.remove(first, last - first + 1);
        endRemoveRows();
        last = first;
    }
    if (!offers.isEmpty()) {
        beginInsertRows({}, int(m_offers.size()), int(m_offers.size() + offers.size() - 1));
        m_offers += offers;
        endInsertRows();
    }
    // Which offers are probable accessories follows the median and the table's size; the filter
    // that hides them looks again (no roles named: every role may have changed).
    judgeAccessories();
    if ((m_accessories.MedianFen() != medianBefore || m_accessories.Judges() != judgedBefore)
        && !m_offers.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void TOfferTableModel::SetPicture(const QUrl &address, const QPixmap &picture)
{
    m_pictures.insert(address, picture);
    for (int row = 0; row < m_offers.size(); ++row) {
        if (m_offers.at(row).Picture == address)
            emit dataChanged(index(row, ColPicture), index(row, ColPicture), {Qt::DecorationRole});
    }
}

void TOfferTableModel::judgeAccessories()
{
    QList<qint64> prices;
    prices.reserve(m_offers.size());
    for (const TOffer &offer : m_offers)
        prices.append(offer.PriceFen);
    m_accessories.SetPrices(std::move(prices));
}

int TOfferTableModel::AccessoryCount() const
{
    return int(std::count_if(
        m_offers.cbegin(), m_offers.cend(), [this](const TOffer &o) { return IsAccessory(o); }));
}

int TOfferTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_offers.size());
}

int TOfferTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TOfferTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_offers.size())
        return {};
    const TOffer &offer = m_offers.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColName:
            return offer.Name;
        case ColPrice:
            return QStringLiteral("¥") + PriceText(offer.PriceFen);
        case ColShop:
            return offer.Shop;
        default:
            return {};
        }
    case Qt::DecorationRole:
        if (index.column() == ColPicture)
            return m_pictures.value(offer.Picture);
        return {};
    case Qt::ToolTipRole:
        // Page text: tool tips that look like markup are shown as markup, so escape it.
        if (index.column() == ColName) {
            // Always markup, so that an escaped name never shows its entities.
            QString tip = QStringLiteral("<p>") + offer.Name.toHtmlEscaped();
            if (IsAccessory(offer))
                tip += QStringLiteral("<br>疑似配件：远低于本表的中位价");
            return tip + QStringLiteral("</p>");
        }
        return {};
    case Qt::ForegroundRole:
        if (IsAccessory(offer))
            return QColor(Qt::gray);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == ColPrice)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case SortRole:
        switch (index.column()) {
        case ColName:
            return offer.Name;
        case ColShop:
            return offer.Shop;
        default:
            return offer.PriceFen;
        }
    case AccessoryRole:
        return IsAccessory(offer);
    case AddressRole:
        return offer.Address;
    default:
        return {};
    }
}

QVariant TOfferTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ColPicture:
        return QStringLiteral("图片");
    case ColName:
        return QStringLiteral("商品");
    case ColPrice:
        return QStringLiteral("价格");
    case ColShop:
        return QStringLiteral("网店");
    default:
        return {};
    }
}
