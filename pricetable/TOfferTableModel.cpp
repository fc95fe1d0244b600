#include "TOfferTableModel.h"

#include "TOfferFilterModel.h"
#include "TPriceParser.h"

#include <QColor>

#include <algorithm>

void TOfferTableModel::Clear()
{
    beginResetModel();
    m_offers.clear();
    m_pictures.clear();
    m_kinds.clear();
    m_nouns.clear();
    endResetModel();
}

void TOfferTableModel::SetShopOffers(const QString &shop, const QList<TOffer> &offers)
{
    // Rows go and come one shop at a time, not in a reset: the rows the user has selected or
    // scrolled to stay while the other shops arrive.
    for (qsizetype last = m_offers.size() - 1; last >= 0; --last) {
        if (m_offers.at(last).Shop != shop)
            continue;
        qsizetype first = last;
        while (first > 0 && m_offers.at(first - 1).Shop == shop)
            --first;
        beginRemoveRows({}, int(first), int(last));
        m_offers.remove(first, last - first + 1);
        if (m_kinds.size() > first) {
            m_kinds.remove(first, qMin(last + 1, m_kinds.size()) - first);
            m_nouns.remove(first, qMin(last + 1, m_nouns.size()) - first);
        }
        endRemoveRows();
        last = first;
    }
    if (!offers.isEmpty()) {
        beginInsertRows({}, int(m_offers.size()), int(m_offers.size() + offers.size() - 1));
        m_offers += offers;
        endInsertRows();
    }
}

void TOfferTableModel::SetGrouping(const TProductGrouping &grouping)
{
    // What each offer is may change with every shop (brands are learned from all titles); the
    // filter that hides accessories looks again (no roles named: every role may have changed).
    QList<TOfferKind> kinds;
    QList<QString> nouns;
    for (int row = 0; row < m_offers.size() && row < grouping.Readings().size(); ++row) {
        kinds.append(grouping.KindOf(row));
        nouns.append(grouping.Readings().at(row).Noun);
    }
    if (kinds == m_kinds && nouns == m_nouns)
        return;
    m_kinds = kinds;
    m_nouns = nouns;
    if (!m_offers.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

QString TOfferTableModel::kindText(int row) const
{
    switch (Kind(row)) {
    case TOfferKind::Accessory:
        return QStringLiteral("配件：名称的主体是%1").arg(m_nouns.value(row).isEmpty() ? QStringLiteral("配件") : m_nouns.value(row));
    case TOfferKind::Unrelated:
        return QStringLiteral("与关键词无关：名称说的是%1").arg(m_nouns.value(row));
    case TOfferKind::Product:
        break;
    }
    return {};
}

void TOfferTableModel::SetPicture(const QUrl &address, const QPixmap &picture)
{
    m_pictures.insert(address, picture);
    for (int row = 0; row < m_offers.size(); ++row) {
        if (m_offers.at(row).Picture == address)
            emit dataChanged(index(row, ColPicture), index(row, ColPicture), {Qt::DecorationRole});
    }
}

int TOfferTableModel::AccessoryCount() const
{
    return int(std::count_if(m_kinds.cbegin(), m_kinds.cend(), [](TOfferKind k) { return k != TOfferKind::Product; }));
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
            if (Kind(index.row()) != TOfferKind::Product)
                tip += QStringLiteral("<br>") + kindText(index.row()).toHtmlEscaped();
            return tip + QStringLiteral("</p>");
        }
        return {};
    case Qt::ForegroundRole:
        if (Kind(index.row()) != TOfferKind::Product)
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
    case TOfferFilterModel::SetAsideRole:
        return Kind(index.row()) != TOfferKind::Product;
    case TOfferFilterModel::TextRole:
        return offer.Name + QLatin1Char('\n') + offer.Shop;
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
