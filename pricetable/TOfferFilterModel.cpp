#include "TOfferFilterModel.h"

#include "TOfferTableModel.h"

#include <algorithm>

TOfferFilterModel::TOfferFilterModel(QObject *parent) : QSortFilterProxyModel(parent)
{
    setSortRole(TOfferTableModel::SortRole);
    setSortLocaleAware(true);
}

void TOfferFilterModel::SetText(const QString &text)
{
    m_text = text.simplified();
    invalidateFilter();
}

void TOfferFilterModel::SetHideAccessories(bool hide)
{
    m_hideAccessories = hide;
    invalidateFilter();
}

bool TOfferFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QAbstractItemModel *model = sourceModel();
    if (m_hideAccessories
        && model->index(sourceRow, 0, sourceParent).data(TOfferTableModel::AccessoryRole).toBool())
        return false;
    if (m_text.isEmpty())
        return true;
    const QStringList words = m_text.split(QLatin1Char(' '));
    const QString name = model->index(sourceRow, TOfferTableModel::ColName, sourceParent).data().toString();
    const QString shop = model->index(sourceRow, TOfferTableModel::ColShop, sourceParent).data().toString();
    return std::all_of(words.cbegin(), words.cend(), [&](const QString &word) {
        return name.contains(word, Qt::CaseInsensitive) || shop.contains(word, Qt::CaseInsensitive);
    });
}
