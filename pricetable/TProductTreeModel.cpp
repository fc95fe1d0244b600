#include "TProductTreeModel.h"

#include "TOfferFilterModel.h"
#include "TPriceParser.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QSet>

namespace {
const QString kAccessoryId = QStringLiteral("s:配件");
const QString kOtherId = QStringLiteral("s:其他");
constexpr quintptr kTop = 0; // internal id of a top row; an offer's is its row's number + 1

QString yuan(qint64 fen)
{
    return QStringLiteral("¥") + PriceText(fen);
}

} // namespace

void TProductTreeModel::Clear()
{
    beginResetModel();
    m_offers.clear();
    m_grouping = TProductGrouping();
    m_rows.clear();
    endResetModel();
}

QString TProductTreeModel::offerId(int offer) const
{
    const TOffer &o = m_offers.at(offer);
    return o.Shop + QLatin1Char('\n') + o.Address.toString() + QLatin1Char('\n') + o.Name;
}

QString TProductTreeModel::topId(const Top &top) const
{
    if (top.Group < 0)
        return top.Section == TOfferKind::Accessory ? kAccessoryId : kOtherId;
    const TProductGroup &group = m_grouping.Groups().at(top.Group);
    return group.Key.isEmpty() ? QStringLiteral("o:") + offerId(group.Offers.constFirst())
                               : QStringLiteral("k:") + group.Key;
}

void TProductTreeModel::SetOffers(const QList<TOffer> &offers, const TProductGrouping &grouping)
{
    // The rows are laid out anew and every index the views hold is carried to the row of the same
    // product or offer, or dropped with it.
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    struct Place
    {
        QString Top, Offer; // Offer empty for a top row
        int Column;
    };
    QList<Place> places;
    places.reserve(before.size());
    for (const QModelIndex &index : before) {
        if (index.internalId() == kTop) {
            places.append({m_rows.at(index.row()).Id, QString(), index.column()});
        } else {
            const Top &top = m_rows.at(int(index.internalId() - 1));
            places.append({top.Id, offerId(top.Offers.at(index.row())), index.column()});
        }
    }

    m_offers = offers;
    m_grouping = grouping;
    m_rows.clear();
    Top accessories {kAccessoryId, -1, TOfferKind::Accessory, {}};
    Top others {kOtherId, -1, TOfferKind::Unrelated, {}};
    const QList<TProductGroup> &groups = m_grouping.Groups();
    for (int g = 0; g < groups.size(); ++g) {
        const TProductGroup &group = groups.at(g);
        if (group.Kind == TOfferKind::Accessory) {
            accessories.Offers += group.Offers;
        } else if (group.Kind == TOfferKind::Unrelated) {
            others.Offers += group.Offers;
        } else {
            Top top;
            top.Group = g;
            top.Offers = group.Offers;
            top.Id = topId(top);
            m_rows.append(top);
        }
    }
    for (Top *section : {&accessories, &others}) {
        if (section->Offers.isEmpty())
            continue;
        std::sort(section->Offers.begin(), section->Offers.end(), [this](int a, int b) {
            return m_offers.at(a).PriceFen < m_offers.at(b).PriceFen
                || (m_offers.at(a).PriceFen == m_offers.at(b).PriceFen && a < b);
        });
        m_rows.append(*section);
    }

    QHash<QString, int> rowOf;
    for (int row = 0; row < m_rows.size(); ++row)
        rowOf.insert(m_rows.at(row).Id, row);
    QModelIndexList after;
    after.reserve(before.size());
    for (const Place &place : std::as_const(places)) {
        const int row = rowOf.value(place.Top, -1);
        if (row < 0) {
            after.append(QModelIndex());
        } else if (place.Offer.isEmpty()) {
            after.append(createIndex(row, place.Column, kTop));
        } else {
            const QList<int> &children = m_rows.at(row).Offers;
            int child = -1;
            for (int i = 0; i < children.size() && child < 0; ++i) {
                if (offerId(children.at(i)) == place.Offer)
                    child = i;
            }
            after.append(child < 0 ? QModelIndex() : createIndex(child, place.Column, quintptr(row + 1)));
        }
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void TProductTreeModel::SetHistory(const QHash<QString, THistorySummary> &summaries, const QSet<QString> &watched)
{
    m_history = summaries;
    m_watched = watched;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, ColHistory), index(int(m_rows.size()) - 1, ColHistory));
}

QString TProductTreeModel::historyKey(const Top &top) const
{
    if (top.Group < 0)
        return {};
    const TProductGroup &group = m_grouping.Groups().at(top.Group);
    return group.Key.isEmpty() ? AddressKey(m_offers.at(top.Offers.constFirst()).Address) : group.Key;
}

QString TProductTreeModel::historyText(const QString &key, qint64 todayFen) const
{
    const auto found = m_history.constFind(key);
    QString text = found == m_history.cend() ? QString() : HistoryLowText(*found);
    if (found != m_history.cend()) {
        const QString mark = HistoryMark(todayFen, *found);
        if (!mark.isEmpty())
            text = mark + QStringLiteral("  ") + text;
    }
    if (m_watched.contains(key))
        text = QStringLiteral("已关注") + (text.isEmpty() ? QString() : QStringLiteral(" · ") + text);
    return text;
}

int TProductTreeModel::ProductCount() const
{
    return int(std::count_if(m_rows.cbegin(), m_rows.cend(), [](const Top &t) { return t.Group >= 0; }));
}

QModelIndex TProductTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column < 0 || column >= ColumnCount || row < 0)
        return {};
    if (!parent.isValid())
        return row < m_rows.size() ? createIndex(row, column, kTop) : QModelIndex();
    if (parent.internalId() != kTop || parent.row() >= m_rows.size()
        || row >= m_rows.at(parent.row()).Offers.size())
        return {};
    return createIndex(row, column, quintptr(parent.row() + 1));
}

QModelIndex TProductTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == kTop)
        return {};
    return createIndex(int(child.internalId() - 1), 0, kTop);
}

int TProductTreeModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return int(m_rows.size());
    if (parent.internalId() != kTop || parent.column() != 0)
        return 0;
    return int(m_rows.at(parent.row()).Offers.size());
}

int TProductTreeModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

QVariant TProductTreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (index.internalId() == kTop)
        return topData(m_rows.at(index.row()), index.column(), role);
    const Top &top = m_rows.at(int(index.internalId() - 1));
    return offerData(top.Offers.at(index.row()), index.column(), role);
}

QVariant TProductTreeModel::topData(const Top &top, int column, int role) const
{
    const int cheapest = top.Offers.constFirst();
    if (top.Group < 0) {
        switch (role) {
        case Qt::DisplayRole:
            if (column != ColName)
                return {};
            return (top.Section == TOfferKind::Accessory ? QStringLiteral("配件 (%1)") : QStringLiteral("其他 (%1)"))
                .arg(top.Offers.size());
        case Qt::ForegroundRole:
            return QColor(Qt::gray);
        case Qt::ToolTipRole:
            return top.Section == TOfferKind::Accessory
                ? QStringLiteral("<p>名称的主体是配件（如手机壳、钢化膜、充电器），不是所搜的商品本身</p>")
                : QStringLiteral("<p>名称说的是关键词以外的商品</p>");
        case KindRole:
            return int(top.Section);
        case TOfferFilterModel::SetAsideRole:
            return true;
        default:
            return {};
        }
    }
    const TProductGroup &group = m_grouping.Groups().at(top.Group);
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case ColName:
            return group.Name;
        case ColLowest:
            return yuan(m_offers.at(cheapest).PriceFen);
        case ColShop:
            return m_offers.at(cheapest).Shop;
        case ColShops: {
            QSet<QString> shops;
            for (int offer : top.Offers)
                shops.insert(m_offers.at(offer).Shop);
            return QStringLiteral("%1 家").arg(shops.size());
        }
        case ColHighest: {
            const qint64 high = m_offers.at(top.Offers.constLast()).PriceFen;
            const qint64 low = m_offers.at(cheapest).PriceFen;
            return top.Offers.size() < 2 ? QString() : yuan(high) + QStringLiteral("（差 ¥%1）").arg(PriceText(high - low));
        }
        case ColHistory:
            return historyText(historyKey(top), m_offers.at(cheapest).PriceFen);
        default:
            return {};
        }
    case Qt::FontRole:
        if (column == ColName) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::TextAlignmentRole:
        if (column == ColLowest || column == ColHighest)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::ToolTipRole:
        return groupTip(top);
    case KeyRole:
        return group.Key;
    case HistoryKeyRole:
        return historyKey(top);
    case NameRole:
        return group.Name;
    case LowestFenRole:
        return m_offers.at(cheapest).PriceFen;
    case WatchedRole:
        return m_watched.contains(historyKey(top));
    case KindRole:
        return int(group.Kind);
    case TOfferFilterModel::TextRole:
        return group.Name;
    default:
        return {};
    }
}

QVariant TProductTreeModel::offerData(int offer, int column, int role) const
{
    const TOffer &o = m_offers.at(offer);
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case ColName:
            return o.Name;
        case ColLowest:
            return yuan(o.PriceFen);
        case ColShop:
            return o.Shop;
        default:
            return {};
        }
    case Qt::TextAlignmentRole:
        if (column == ColLowest)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::ToolTipRole:
        // Page text: escaped, inside markup, so that it is never taken for markup of its own.
        return QStringLiteral("<p>") + o.Name.toHtmlEscaped() + QStringLiteral("<br>")
            + readingText(offer).toHtmlEscaped() + QStringLiteral("</p>");
    case AddressRole:
        return o.Address;
    case IsOfferRole:
        return true;
    case HistoryKeyRole: {
        const int group = m_grouping.GroupOf(offer);
        const QString key = group < 0 ? QString() : m_grouping.Groups().at(group).Key;
        return key.isEmpty() ? AddressKey(o.Address) : key;
    }
    case NameRole: {
        const int group = m_grouping.GroupOf(offer);
        const bool keyed = group >= 0 && !m_grouping.Groups().at(group).Key.isEmpty();
        return keyed ? m_grouping.Groups().at(group).Name : o.Name;
    }
    case LowestFenRole:
        return o.PriceFen;
    case WatchedRole:
        return m_watched.contains(offerData(offer, 0, HistoryKeyRole).toString());
    case KindRole:
        return int(m_grouping.KindOf(offer));
    case TOfferFilterModel::TextRole:
        return o.Name + QLatin1Char('\n') + o.Shop;
    default:
        return {};
    }
}

QString TProductTreeModel::readingText(int offer) const
{
    const TTitleReading &r = m_grouping.Readings().at(offer);
    const QString none = QStringLiteral("未读出");
    QString text = QStringLiteral("读作：品牌 %1，型号 %2，规格 %3")
                       .arg(r.Brand.isEmpty() ? none : r.Brand, r.Model.isEmpty() ? none : r.Model,
                           r.Variant.isEmpty() ? QStringLiteral("未注明") : r.VariantText());
    if (r.Kind == TOfferKind::Accessory)
        text += QStringLiteral("；是配件（%1）").arg(r.Noun.isEmpty() ? QStringLiteral("价格远低于商品") : r.Noun);
    else if (r.Kind == TOfferKind::Unrelated)
        text += QStringLiteral("；与关键词无关（%1）").arg(r.Noun);
    return text;
}

QString TProductTreeModel::groupTip(const Top &top) const
{
    const TProductGroup &group = m_grouping.Groups().at(top.Group);
    QStringList lines;
    if (group.Key.isEmpty()) {
        lines.append(QStringLiteral("品牌或型号未能读出，单独列出"));
    } else {
        const QStringList fields = group.Key.split(QLatin1Char('|'));
        lines.append(QStringLiteral("同款：品牌、型号、规格都相同（%1，%2，%3）")
                         .arg(fields.value(0), fields.value(1), fields.value(2).isEmpty() ? QStringLiteral("规格未注明") : fields.value(2)));
    }
    for (int i = 0; i < top.Offers.size() && i < 12; ++i) {
        const int offer = top.Offers.at(i);
        const TOffer &o = m_offers.at(offer);
        lines.append(QStringLiteral("%1 %2：%3").arg(o.Shop, yuan(o.PriceFen), o.Name.left(80)));
        lines.append(QStringLiteral("　") + readingText(offer));
    }
    if (top.Offers.size() > 12)
        lines.append(QStringLiteral("……共 %1 件").arg(top.Offers.size()));
    QStringList escaped;
    for (const QString &line : std::as_const(lines))
        escaped.append(line.toHtmlEscaped());
    return QStringLiteral("<p>") + escaped.join(QStringLiteral("<br>")) + QStringLiteral("</p>");
}

QVariant TProductTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractItemModel::headerData(section, orientation, role);
    switch (section) {
    case ColName:
        return QStringLiteral("商品");
    case ColLowest:
        return QStringLiteral("最低价");
    case ColShop:
        return QStringLiteral("网店");
    case ColShops:
        return QStringLiteral("网店数");
    case ColHighest:
        return QStringLiteral("最高价");
    case ColHistory:
        return QStringLiteral("历史价格");
    default:
        return {};
    }
}
