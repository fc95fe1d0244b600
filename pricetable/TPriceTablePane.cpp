#include "TPriceTablePane.h"

#include "EnableClearButtonLater.h"
#include "MessageBoxes.h"
#include "OffersCsv.h"
#include "TOfferFilterModel.h"
#include "TOfferTableModel.h"
#include "TPictureFetcher.h"
#include "TProductGrouping.h"
#include "TProductTreeModel.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QButtonGroup>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
constexpr int kPictureSize = 40;
constexpr int kMaxPictureRequests = 400; // per comparison
} // namespace

TPriceTablePane::TPriceTablePane(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pPrices"));
    m_model = new TOfferTableModel(this);
    m_proxy = new TOfferFilterModel(this);
    m_proxy->setSourceModel(m_model);
    m_products = new TProductTreeModel(this);
    m_productProxy = new TOfferFilterModel(this);
    m_productProxy->setRecursiveFilteringEnabled(true);
    m_productProxy->setSourceModel(m_products);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto *bar = new QHBoxLayout;
    auto *title = new QLabel(QStringLiteral("比价表"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    bar->addWidget(title);
    m_byProduct = new QPushButton(QStringLiteral("按商品"), this);
    m_byProduct->setToolTip(QStringLiteral("同一商品（品牌、型号、规格相同）的报价合为一行，最便宜的在前"));
    m_byOffer = new QPushButton(QStringLiteral("按报价"), this);
    m_byOffer->setToolTip(QStringLiteral("每件报价一行"));
    auto *views = new QButtonGroup(this);
    for (QPushButton *button : {m_byProduct, m_byOffer}) {
        button->setCheckable(true);
        button->setFlat(true);
        views->addButton(button);
        bar->addWidget(button);
    }
    m_byProduct->setChecked(true);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("EdtFilter"));
    m_filter->setPlaceholderText(QStringLiteral("筛选：商品或网店"));
    EnableClearButtonLater(m_filter); // the pane starts hidden
    bar->addWidget(m_filter, 1);
    m_accessories = new QCheckBox(QStringLiteral("隐藏配件和其他"), this);
    m_accessories->setToolTip(QStringLiteral("名称的主体是配件（如手机壳、钢化膜）或关键词以外的商品的，勾选后不显示"));
    bar->addWidget(m_accessories);
    m_chart = new QPushButton(QStringLiteral("价格走势"), this);
    m_chart->setToolTip(QStringLiteral("所选商品在各网店的历史价格"));
    m_chart->setEnabled(false);
    bar->addWidget(m_chart);
    m_export = new QPushButton(QStringLiteral("导出"), this);
    bar->addWidget(m_export);
    m_hide = new QPushButton(QStringLiteral("隐藏"), this);
    bar->addWidget(m_hide);
    layout->addLayout(bar);

    auto *states = new QHBoxLayout;
    m_statesLabel = new QLabel(this);
    m_statesLabel->setTextFormat(Qt::PlainText); // shop names only, but never markup
    m_statesLabel->setWordWrap(true);
    m_statesLabel->setContextMenuPolicy(Qt::CustomContextMenu);
    states->addWidget(m_statesLabel, 1);
    // The shops' menu: a shop read wrongly or not at all is taught from here.
    m_shopMenu = new QMenu(this);
    m_shopButton = new QToolButton(this);
    m_shopButton->setObjectName(QStringLiteral("btnTeachShop"));
    m_shopButton->setText(QStringLiteral("教我读网店"));
    m_shopButton->setAccessibleName(QStringLiteral("教我读网店"));
    m_shopButton->setToolTip(
        QStringLiteral("网店的商品没读到或读错时，在它的页面上点选名称和价格，教程序读取"));
    m_shopButton->setPopupMode(QToolButton::InstantPopup);
    m_shopButton->setFocusPolicy(Qt::StrongFocus);
    m_shopButton->setMenu(m_shopMenu);
    m_shopButton->hide();
    states->addWidget(m_shopButton, 0, Qt::AlignTop);
    layout->addLayout(states);

    m_views = new QStackedWidget(this);
    m_tree = new QTreeView(this);
    m_tree->setModel(m_productProxy);
    m_tree->setUniformRowHeights(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setWordWrap(false);
    m_tree->setTextElideMode(Qt::ElideRight);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(TProductTreeModel::ColName, QHeaderView::Stretch);
    m_tree->setColumnWidth(TProductTreeModel::ColLowest, 90);
    m_tree->setColumnWidth(TProductTreeModel::ColShop, 120);
    m_tree->setColumnWidth(TProductTreeModel::ColShops, 60);
    m_tree->setColumnWidth(TProductTreeModel::ColHighest, 150);
    m_tree->setColumnWidth(TProductTreeModel::ColHistory, 260);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->installEventFilter(this);
    m_views->addWidget(m_tree);

    m_view = new QTableView(this);
    m_view->setModel(m_proxy);
    m_view->setSortingEnabled(true);
    m_view->sortByColumn(TOfferTableModel::ColPrice, Qt::AscendingOrder);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->setTextElideMode(Qt::ElideRight);
    m_view->setIconSize(QSize(kPictureSize, kPictureSize));
    m_view->verticalHeader()->setDefaultSectionSize(kPictureSize + 4);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setSectionResizeMode(TOfferTableModel::ColName, QHeaderView::Stretch);
    m_view->setColumnWidth(TOfferTableModel::ColPicture, kPictureSize + 12);
    m_view->setColumnWidth(TOfferTableModel::ColPrice, 100);
    m_view->setColumnWidth(TOfferTableModel::ColShop, 130);
    m_view->installEventFilter(this);
    m_views->addWidget(m_view);
    layout->addWidget(m_views, 1);

    for (TOfferFilterModel *proxy : {m_proxy, m_productProxy}) {
        connect(m_filter, &QLineEdit::textChanged, proxy, &TOfferFilterModel::SetText);
        connect(m_accessories, &QCheckBox::toggled, proxy, &TOfferFilterModel::SetHideAccessories);
    }
    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!text.trimmed().isEmpty())
            m_tree->expandAll(); // what was found is shown, not only its product
    });
    connect(m_view, &QAbstractItemView::doubleClicked, this, &TPriceTablePane::openRow);
    connect(m_tree, &QAbstractItemView::doubleClicked, this, &TPriceTablePane::openRow);
    connect(m_byProduct, &QPushButton::toggled, this, &TPriceTablePane::ShowByProduct);
    connect(m_export, &QPushButton::clicked, this, &TPriceTablePane::exportClick);
    connect(m_chart, &QPushButton::clicked, this, &TPriceTablePane::requestChart);
    connect(m_tree, &QWidget::customContextMenuRequested, this, &TPriceTablePane::productMenu);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this] { m_chart->setEnabled(!SelectedProductKey().isEmpty()); });
    connect(m_hide, &QPushButton::clicked, this, &TPriceTablePane::hideRequested);
    connect(m_shopMenu, &QMenu::aboutToShow, this, [this] { fillShopMenu(m_shopMenu); });
    connect(m_statesLabel, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (m_shops.isEmpty())
            return;
        auto *menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        fillShopMenu(menu);
        menu->popup(m_statesLabel->mapToGlobal(pos));
    });
    updateAccessorySwitch();
}

void TPriceTablePane::fillShopMenu(QMenu *menu)
{
    menu->clear();
    for (const QString &shop : std::as_const(m_shops)) {
        bool canTeach = true;
        bool hasOwnRule = false;
        if (OnShopMenu)
            OnShopMenu(shop, canTeach, hasOwnRule);
        QString name = shop;
        name.replace(QLatin1Char('&'), QLatin1String("&&")); // no mnemonic
        QAction *teach = menu->addAction(name + QStringLiteral("：教我读这个网店…"));
        teach->setEnabled(canTeach);
        connect(teach, &QAction::triggered, this, [this, shop] { emit teachRequested(shop); });
        if (hasOwnRule) {
            QAction *restore = menu->addAction(name + QStringLiteral("：恢复默认读取"));
            connect(restore, &QAction::triggered, this, [this, shop] { emit restoreRequested(shop); });
        }
    }
}

void TPriceTablePane::SetHistory(const QHash<QString, THistorySummary> &summaries, const QSet<QString> &watched)
{
    m_products->SetHistory(summaries, watched);
}

QString TPriceTablePane::SelectedProductKey() const
{
    const QModelIndex current = m_tree->currentIndex();
    return current.isValid() && ShowsByProduct() ? current.data(TProductTreeModel::HistoryKeyRole).toString() : QString();
}

void TPriceTablePane::requestChart()
{
    const QModelIndex current = m_tree->currentIndex();
    const QString key = SelectedProductKey();
    if (!key.isEmpty())
        emit chartRequested(key, current.data(TProductTreeModel::NameRole).toString());
}

void TPriceTablePane::productMenu(const QPoint &pos)
{
    const QModelIndex row = m_tree->indexAt(pos);
    const QString key = row.data(TProductTreeModel::HistoryKeyRole).toString();
    if (key.isEmpty())
        return; // the accessory and other rows are no product
    m_tree->setCurrentIndex(row);
    const QString name = row.data(TProductTreeModel::NameRole).toString();
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("价格走势"), this, [this, key, name] { emit chartRequested(key, name); });
    if (row.data(TProductTreeModel::WatchedRole).toBool()) {
        menu->addAction(QStringLiteral("取消关注"), this, [this, key] { emit unwatchRequested(key); });
    } else {
        const qint64 lowest = row.data(TProductTreeModel::LowestFenRole).toLongLong();
        menu->addAction(QStringLiteral("关注…"), this, [this, key, name, lowest] { emit watchRequested(key, name, lowest); });
    }
    menu->popup(m_tree->viewport()->mapToGlobal(pos));
}

void TPriceTablePane::ShowByProduct(bool byProduct)
{
    m_byProduct->setChecked(byProduct);
    m_byOffer->setChecked(!byProduct);
    m_views->setCurrentWidget(byProduct ? static_cast<QWidget *>(m_tree) : m_view);
}

bool TPriceTablePane::ShowsByProduct() const
{
    return m_views->currentWidget() == m_tree;
}

void TPriceTablePane::Start(const QStringList &shops, const QString &keyword)
{
    m_shops = shops;
    m_keyword = keyword;
    m_stateTexts.clear();
    m_picturesAsked.clear();
    m_model->Clear();
    m_products->Clear();
    m_filter->clear();
    updateStates();
    updateAccessorySwitch();
    emit offerCountChanged(0);
}

void TPriceTablePane::SetShopState(const QString &shop, TShopState state, int offers)
{
    if (!m_shops.contains(shop))
        m_shops.append(shop);
    m_stateTexts.insert(shop, ShopStateText(state, offers));
    updateStates();
}

QString TPriceTablePane::ShopState(const QString &shop) const
{
    return m_stateTexts.value(shop, ShopStateText(TShopState::Waiting));
}

int TPriceTablePane::OfferCount() const
{
    return int(m_model->Offers().size());
}

QList<TOffer> TPriceTablePane::Offers() const
{
    return m_model->Offers();
}

void TPriceTablePane::SetShopOffers(const QString &shop, const QList<TOffer> &offers)
{
    m_model->SetShopOffers(shop, offers);
    regroup();
    updateAccessorySwitch();
    fetchPictures(offers);
    emit offerCountChanged(OfferCount());
}

void TPriceTablePane::regroup()
{
    // Every shop's offers are read together: a brand learned from one shop's titles helps read
    // another's. Rows keep their identity, so what the user selected or expanded stays.
    const TProductGrouping grouping = TProductGrouping::Group(m_model->Offers(), m_keyword);
    m_model->SetGrouping(grouping);
    m_products->SetOffers(m_model->Offers(), grouping);
}

void TPriceTablePane::updateStates()
{
    QStringList parts;
    for (const QString &shop : m_shops)
        parts.append(shop + QStringLiteral("：") + ShopState(shop));
    m_statesLabel->setText(parts.join(QStringLiteral("　")));
    m_shopButton->setVisible(!m_shops.isEmpty());
}

void TPriceTablePane::updateAccessorySwitch()
{
    const int count = m_model->AccessoryCount();
    m_accessories->setText(QStringLiteral("隐藏配件和其他 (%1)").arg(count));
    m_accessories->setEnabled(count > 0 || m_accessories->isChecked());
}

void TPriceTablePane::fetchPictures(const QList<TOffer> &offers)
{
    if (!m_pictures) {
        m_pictures = new TPictureFetcher(QSize(kPictureSize, kPictureSize), this);
        connect(m_pictures, &TPictureFetcher::fetched, this, [this](const QUrl &address, const QImage &picture) {
            if (m_picturesAsked.contains(address))
                m_model->SetPicture(address, QPixmap::fromImage(picture));
        });
    }
    for (const TOffer &offer : offers) {
        const QUrl address = offer.Picture;
        if (address.isEmpty() || m_picturesAsked.contains(address)
            || m_picturesAsked.size() >= kMaxPictureRequests)
            continue;
        m_picturesAsked.insert(address, true);
        m_pictures->Fetch(address);
    }
}

void TPriceTablePane::openRow(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    if (index.model() == m_productProxy) {
        // A product or section row opens and closes; an offer row opens the offer.
        if (!index.data(TProductTreeModel::IsOfferRole).toBool())
            return;
        emit openOffer(index.data(TProductTreeModel::AddressRole).toUrl());
        return;
    }
    emit openOffer(index.data(TOfferTableModel::AddressRole).toUrl());
}

bool TPriceTablePane::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_view || watched == m_tree) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const QModelIndex current = static_cast<QAbstractItemView *>(watched)->currentIndex();
            if (watched == m_tree && current.isValid() && !current.data(TProductTreeModel::IsOfferRole).toBool()) {
                const QModelIndex row = current.siblingAtColumn(0);
                m_tree->setExpanded(row, !m_tree->isExpanded(row));
            } else {
                openRow(current);
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TPriceTablePane::ExportCsv(const QString &path) const
{
    return WriteOffersCsv(path, m_model->Offers(), m_keyword);
}

void TPriceTablePane::exportClick()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出比价表"),
        folder + QStringLiteral("/比价表.csv"), QStringLiteral("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    if (!ExportCsv(path))
        ShowMsg(QStringLiteral("无法写入文件：%1").arg(QDir::toNativeSeparators(path)));
}
