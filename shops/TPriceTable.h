#pragma once

#include "TOfferReading.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>
#include <QSortFilterProxyModel>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class TPictureFetcher;
class QPushButton;
class QTableView;

// The offers of one comparison, every shop's together: picture, 商品, 价格, 网店.
//
// Offers far below the table's median price are marked as probable accessories: a search for
// 手机 also finds 手机壳 at ¥9.9, which would crowd the top of a cheapest-first table. An offer
// is marked when the table holds at least AccessoryMinOffers offers and its price is below
// 1/AccessoryDivisor of their median.
class TOfferTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { ColPicture, ColName, ColPrice, ColShop, ColumnCount };
    enum Role { SortRole = Qt::UserRole + 1, AccessoryRole, AddressRole };
    static constexpr int AccessoryMinOffers = 5;
    static constexpr int AccessoryDivisor = 5;

    using QAbstractTableModel::QAbstractTableModel;

    void Clear();
    // Replaces what the table holds of `shop` (a page read again replaces its earlier reading).
    void SetShopOffers(const QString &shop, const QList<TOffer> &offers);
    void SetPicture(const QUrl &address, const QPixmap &picture);

    const QList<TOffer> &Offers() const { return m_offers; }
    bool IsAccessory(const TOffer &offer) const;
    int AccessoryCount() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void UpdateMedian();

    QList<TOffer> m_offers;
    QHash<QUrl, QPixmap> m_pictures;
    qint64 m_medianFen = 0;
};

// Narrows the table by text (name or shop) and, when asked, leaves out probable accessories.
class TOfferFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit TOfferFilterModel(QObject *parent = nullptr);
    void SetText(const QString &text);
    void SetHideAccessories(bool hide);
    bool HideAccessories() const { return m_hideAccessories; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_text;
    bool m_hideAccessories = false;
};

// The offers as CSV: UTF-8 with a byte-order mark, RFC 4180 quoting, CR LF line ends, the header
// 网店,商品,价格,地址,来源, one row per offer, cheapest first (the order of `offers` among equal
// prices). A field that a spreadsheet would take for a formula (=, +, -, @ first) is written
// with a leading "'", so that a page's text cannot become a formula.
QByteArray OffersCsv(QList<TOffer> offers);

// The pane "比价表": the offers of the current comparison, each shop's state, a filter box, the
// accessory switch and 导出.
class TPriceTablePane : public QWidget
{
    Q_OBJECT
public:
    explicit TPriceTablePane(QWidget *parent = nullptr);

    // A new comparison: an empty table, no shops.
    void Start(const QStringList &shops);
    void SetShopState(const QString &shop, const QString &state);
    void SetShopOffers(const QString &shop, const QList<TOffer> &offers);
    QString ShopState(const QString &shop) const { return m_states.value(shop); }
    int OfferCount() const { return int(m_model->Offers().size()); }
    QList<TOffer> Offers() const { return m_model->Offers(); }
    // Writes the table as CSV; false (and nothing replaced) when the file cannot be written.
    bool ExportCsv(const QString &path) const;

    TOfferTableModel *Model() const { return m_model; }
    TOfferFilterModel *Proxy() const { return m_proxy; }
    QTableView *View() const { return m_view; }
    QLineEdit *FilterBox() const { return m_filter; }
    QCheckBox *AccessorySwitch() const { return m_accessories; }
    QPushButton *ExportButton() const { return m_export; }
    QPushButton *HideButton() const { return m_hide; }
    QLabel *StatesLabel() const { return m_statesLabel; }

signals:
    void openOffer(const QUrl &address);
    void hideRequested();
    void offerCountChanged(int count);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void UpdateStates();
    void UpdateAccessorySwitch();
    void FetchPictures(const QList<TOffer> &offers);
    void OpenRow(const QModelIndex &index);
    void ExportClick();

    TOfferTableModel *m_model;
    TOfferFilterModel *m_proxy;
    QTableView *m_view;
    QLineEdit *m_filter;
    QCheckBox *m_accessories;
    QPushButton *m_export;
    QPushButton *m_hide;
    QLabel *m_statesLabel;
    TPictureFetcher *m_pictures = nullptr; // made with the first offers
    QStringList m_shops;
    QHash<QString, QString> m_states;
    QHash<QUrl, bool> m_picturesAsked; // this comparison's; pictures of an earlier one are dropped
};
