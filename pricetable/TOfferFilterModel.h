#pragma once

#include <QSortFilterProxyModel>

// Narrows the offer table or the product tree by text and, when asked, leaves out accessories
// and unrelated offers; sorts by the table's SortRole. The source model answers TextRole (the
// text a row is found by) and KindRole-free rows are kept.
class TOfferFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    // The text a row is found by (name and shop); a row answering nothing is kept for its children.
    static constexpr int TextRole = Qt::UserRole + 50;
    // True for a row set aside by the accessory switch.
    static constexpr int SetAsideRole = Qt::UserRole + 51;

    explicit TOfferFilterModel(QObject *parent = nullptr);
    void SetText(const QString &text);
    void SetHideAccessories(bool hide);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_text;
    bool m_hideAccessories = false;
};
