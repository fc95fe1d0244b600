#include "TPriceTablePane.h"

#include "EnableClearButtonLater.h"
#include "MessageBoxes.h"
#include "OffersCsv.h"
#include "TOfferFilterModel.h"
#include "TOfferTableModel.h"
#include "TPictureFetcher.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QToolButton>
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

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto *bar = new QHBoxLayout;
    auto *title = new QLabel(QStringLiteral("比价表"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    bar->addWidget(title);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("EdtFilter"));
    m_filter->setPlaceholderText(QStringLiteral("筛选：商品或网店"));
    EnableClearButtonLater(m_filter); // the pane starts hidden
    bar->addWidget(m_filter, 1);
    m_accessories = new QCheckBox(QStringLiteral("隐藏疑似配件"), this);
    m_accessories->setToolTip(
        QStringLiteral("价格低于本表中位价五分之一的商品多为配件（如手机壳），勾选后不显示"));
    bar->addWidget(m_accessories);
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
    layout->addWidget(m_view, 1);

    connect(m_filter, &QLineEdit::textChanged, m_proxy, &TOfferFilterModel::SetText);
    connect(m_accessories, &QCheckBox::toggled, m_proxy, &TOfferFilterModel::SetHideAccessories);
    connect(m_view, &QAbstractItemView::doubleClicked, this, &TPriceTablePane::openRow);
    connect(m_export, &QPushButton::clicked, this, &TPriceTablePane::exportClick);
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

void TPriceTablePane::Start(const QStringList &shops)
{
    m_shops = shops;
    m_stateTexts.clear();
    m_picturesAsked.clear();
    m_model->Clear();
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
    updateAccessorySwitch();
    fetchPictures(offers);
    emit offerCountChanged(OfferCount());
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
    m_accessories->setText(QStringLiteral("隐藏疑似配件 (%1)").arg(count));
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
    if (index.isValid())
        emit openOffer(index.data(TOfferTableModel::AddressRole).toUrl());
}

bool TPriceTablePane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openRow(m_view->currentIndex());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TPriceTablePane::ExportCsv(const QString &path) const
{
    return WriteOffersCsv(path, m_model->Offers());
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
