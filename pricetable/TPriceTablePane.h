#pragma once

#include "TOffer.h"
#include "TPriceHistory.h"
#include "TShopState.h"

#include <QHash>
#include <QSet>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QTableView;
class QTreeView;
class TOfferFilterModel;
class TOfferTableModel;
class TPictureFetcher;
class TProductTreeModel;

// The pane "比价表": the offers of the current comparison by product (按商品: one row per
// product, its offers below it) or one by one (按报价), each shop's state, a filter box, the
// switch that sets accessories and unrelated offers aside, and 导出. Beside the shops' states (and
// as their context menu) the shops' menu offers, for each shop, "教我读这个网店…" and
// "恢复默认读取".
class TPriceTablePane : public QWidget
{
    Q_OBJECT
public:
    explicit TPriceTablePane(QWidget *parent = nullptr);

    // A new comparison for `keyword`: an empty table, no shops.
    void Start(const QStringList &shops, const QString &keyword = QString());
    void SetShopState(const QString &shop, TShopState state, int offers);
    void SetShopOffers(const QString &shop, const QList<TOffer> &offers);
    // The state of `shop` as the pane shows it.
    QString ShopState(const QString &shop) const;
    int OfferCount() const;
    QList<TOffer> Offers() const;
    // Writes the table as CSV; false (and nothing replaced) when the file cannot be written.
    bool ExportCsv(const QString &path) const;

    // What the price history knows of the products, and which are watched (the last column).
    void SetHistory(const QHash<QString, THistorySummary> &summaries, const QSet<QString> &watched);
    // The product of the selected row, by its history key; empty when no product row is selected.
    QString SelectedProductKey() const;
    QPushButton *ChartButton() const { return m_chart; }

    // Shows the offers by product (the default) or one by one.
    void ShowByProduct(bool byProduct);
    bool ShowsByProduct() const;

    TOfferTableModel *Model() const { return m_model; }
    TProductTreeModel *ProductModel() const { return m_products; }
    QTableView *View() const { return m_view; }
    QTreeView *ProductView() const { return m_tree; }
    QPushButton *ByProductButton() const { return m_byProduct; }
    QPushButton *ByOfferButton() const { return m_byOffer; }
    QLineEdit *FilterBox() const { return m_filter; }
    QCheckBox *AccessorySwitch() const { return m_accessories; }
    QPushButton *HideButton() const { return m_hide; }
    QLabel *StatesLabel() const { return m_statesLabel; }
    QToolButton *ShopMenuButton() const { return m_shopButton; }

    // Asked for each shop as the shops' menu opens: whether its results page can be taught now
    // (CanTeach), and whether the user has a reading rule of his own for it (HasOwnRule).
    std::function<void(const QString &Shop, bool &CanTeach, bool &HasOwnRule)> OnShopMenu;

signals:
    void openOffer(const QUrl &address);
    // "教我读这个网店…" and "恢复默认读取" of the shops' menu.
    void teachRequested(const QString &shop);
    void restoreRequested(const QString &shop);
    void hideRequested();
    // "价格走势" and "关注…" / "取消关注" of a product row (or an offer row: its product).
    void chartRequested(const QString &key, const QString &name);
    void watchRequested(const QString &key, const QString &name, qint64 lowestFen);
    void unwatchRequested(const QString &key);
    void offerCountChanged(int count);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateStates();
    void updateAccessorySwitch();
    void fetchPictures(const QList<TOffer> &offers);
    void openRow(const QModelIndex &index);
    void regroup();
    void exportClick();
    void fillShopMenu(QMenu *menu);
    void productMenu(const QPoint &pos);
    void requestChart();

    TOfferTableModel *m_model;
    TOfferFilterModel *m_proxy;
    TProductTreeModel *m_products;
    TOfferFilterModel *m_productProxy;
    QStackedWidget *m_views;
    QTableView *m_view;
    QTreeView *m_tree;
    QPushButton *m_byProduct;
    QPushButton *m_byOffer;
    QLineEdit *m_filter;
    QCheckBox *m_accessories;
    QPushButton *m_export;
    QPushButton *m_hide;
    QPushButton *m_chart;
    QLabel *m_statesLabel;
    QToolButton *m_shopButton;
    QMenu *m_shopMenu;
    TPictureFetcher *m_pictures = nullptr; // made with the first offers
    QStringList m_shops;
    QString m_keyword;
    QHash<QString, QString> m_stateTexts; // as shown; a shop without one is waiting
    QHash<QUrl, bool> m_picturesAsked; // this comparison's; pictures of an earlier one are dropped
};
