#pragma once

#include <QSortFilterProxyModel>

// Narrows the offer table by text (name or shop) and, when asked, leaves out probable
// accessories; sorts by the table's SortRole.
class TOfferFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit TOfferFilterModel(QObject *parent = nullptr);
    void SetText(const QString &text);
    void SetHideAccessories(bool hide);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_text;
    bool m_hideAccessories = false;
};
