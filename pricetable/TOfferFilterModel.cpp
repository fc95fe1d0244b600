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
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    if (m_hideAccessories && (index.data(SetAsideRole).toBool() || sourceParent.data(SetAsideRole).toBool()))
        return false;
    if (m_text.isEmpty())
        return true;
    const QString text = index.data(TextRole).toString();
    if (text.isEmpty())
        return false; // a product or section row shows when one of its offers does
    const QStringList words = m_text.split(QLatin1Char(' '));
    return std::all_of(words.cbegin(), words.cend(),
        [&](const QString &word) { return text.contains(word, Qt::CaseInsensitive); });
}
