#include "TPriceTable.h"

#include "EnableClearButtonLater.h"
#include "TPictureFetcher.h"
#include "TPriceParser.h"
#include "U_Pub.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int kPictureSize = 40;
constexpr int kMaxPictureRequests = 400; // per comparison
} // namespace

// ---- TOfferTableModel

void TOfferTableModel::Clear()
{
    beginResetModel();
    m_offers.clear();
    m_pictures.clear();
    m_medianFen = 0;
    endResetModel();
}

void TOfferTableModel::SetShopOffers(const QString &shop, const QList<TOffer> &offers)
{
    // Rows go and come one shop at a time, not in a reset: the rows the user has selected or
    // scrolled to stay while the other shops arrive.
    const bool judgedBefore = m_offers.size() >= AccessoryMinOffers;
    const qint64 medianBefore = m_medianFen;
    for (qsizetype last = m_offers.size() - 1; last >= 0; --last) {
        if (m_offers.at(last).Shop != shop)
            continue;
        qsizetype first = last;
        while (first > 0 && m_offers.at(first - 1).Shop == shop)
            --first;
        beginRemoveRows({}, int(first), int(last));
        m_offers.remove(first, last - first + 1);
        endRemoveRows();
        last = first;
    }
    if (!offers.isEmpty()) {
        beginInsertRows({}, int(m_offers.size()), int(m_offers.size() + offers.size() - 1));
        m_offers += offers;
        endInsertRows();
    }
    // Which offers are probable accessories follows the median and the table's size; the filter
    // that hides them looks again (no roles named: every role may have changed).
    UpdateMedian();
    const bool judged = m_offers.size() >= AccessoryMinOffers;
    if ((m_medianFen != medianBefore || judged != judgedBefore) && !m_offers.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void TOfferTableModel::SetPicture(const QUrl &address, const QPixmap &picture)
{
    m_pictures.insert(address, picture);
    for (int row = 0; row < m_offers.size(); ++row) {
        if (m_offers.at(row).Picture == address)
            emit dataChanged(index(row, ColPicture), index(row, ColPicture), {Qt::DecorationRole});
    }
}

void TOfferTableModel::UpdateMedian()
{
    QList<qint64> prices;
    for (const TOffer &offer : m_offers)
        prices.append(offer.PriceFen);
    std::sort(prices.begin(), prices.end());
    m_medianFen = prices.isEmpty() ? 0 : prices.at(prices.size() / 2);
}

bool TOfferTableModel::IsAccessory(const TOffer &offer) const
{
    return m_offers.size() >= AccessoryMinOffers && offer.PriceFen * AccessoryDivisor < m_medianFen;
}

int TOfferTableModel::AccessoryCount() const
{
    return int(std::count_if(
        m_offers.cbegin(), m_offers.cend(), [this](const TOffer &o) { return IsAccessory(o); }));
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
            if (IsAccessory(offer))
                tip += QStringLiteral("<br>疑似配件：远低于本表的中位价");
            return tip + QStringLiteral("</p>");
        }
        return {};
    case Qt::ForegroundRole:
        if (IsAccessory(offer))
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
    case AccessoryRole:
        return IsAccessory(offer);
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

// ---- TOfferFilterModel

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

// ---- CSV

namespace {
QByteArray CsvField(QString text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@").contains(text.at(0)))
        text.prepend(QLatin1Char('\''));
    if (text.contains(QLatin1Char('"')) || text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('\r'))
        || text.contains(QLatin1Char('\n')))
        text = QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return text.toUtf8();
}
} // namespace

QByteArray OffersCsv(QList<TOffer> offers)
{
    std::stable_sort(offers.begin(), offers.end(),
        [](const TOffer &a, const TOffer &b) { return a.PriceFen < b.PriceFen; });
    QByteArray csv("\xEF\xBB\xBF");
    csv += QStringLiteral("网店,商品,价格,地址,来源\r\n").toUtf8();
    for (const TOffer &o : offers) {
        csv += CsvField(o.Shop) + ',' + CsvField(o.Name) + ',' + PriceText(o.PriceFen).toLatin1() + ','
            + CsvField(o.Address.toString(QUrl::FullyEncoded)) + ',' + CsvField(OfferSourceText(o.Source))
            + "\r\n";
    }
    return csv;
}

// ---- TPriceTablePane

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

    m_statesLabel = new QLabel(this);
    m_statesLabel->setTextFormat(Qt::PlainText); // shop names only, but never markup
    m_statesLabel->setWordWrap(true);
    layout->addWidget(m_statesLabel);

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
    connect(m_view, &QAbstractItemView::doubleClicked, this, &TPriceTablePane::OpenRow);
    connect(m_export, &QPushButton::clicked, this, &TPriceTablePane::ExportClick);
    connect(m_hide, &QPushButton::clicked, this, &TPriceTablePane::hideRequested);
    UpdateAccessorySwitch();
}

void TPriceTablePane::Start(const QStringList &shops)
{
    m_shops = shops;
    m_states.clear();
    m_picturesAsked.clear();
    m_model->Clear();
    m_filter->clear();
    UpdateStates();
    UpdateAccessorySwitch();
    emit offerCountChanged(0);
}

void TPriceTablePane::SetShopState(const QString &shop, const QString &state)
{
    if (!m_shops.contains(shop))
        m_shops.append(shop);
    m_states.insert(shop, state);
    UpdateStates();
}

void TPriceTablePane::SetShopOffers(const QString &shop, const QList<TOffer> &offers)
{
    m_model->SetShopOffers(shop, offers);
    UpdateAccessorySwitch();
    FetchPictures(offers);
    emit offerCountChanged(OfferCount());
}

void TPriceTablePane::UpdateStates()
{
    QStringList parts;
    for (const QString &shop : m_shops)
        parts.append(shop + QStringLiteral("：") + m_states.value(shop, QStringLiteral("等待加载")));
    m_statesLabel->setText(parts.join(QStringLiteral("　")));
}

void TPriceTablePane::UpdateAccessorySwitch()
{
    const int count = m_model->AccessoryCount();
    m_accessories->setText(QStringLiteral("隐藏疑似配件 (%1)").arg(count));
    m_accessories->setEnabled(count > 0 || m_accessories->isChecked());
}

void TPriceTablePane::FetchPictures(const QList<TOffer> &offers)
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

void TPriceTablePane::OpenRow(const QModelIndex &index)
{
    if (index.isValid())
        emit openOffer(index.data(TOfferTableModel::AddressRole).toUrl());
}

bool TPriceTablePane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OpenRow(m_view->currentIndex());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TPriceTablePane::ExportCsv(const QString &path) const
{
    const QByteArray csv = OffersCsv(m_model->Offers());
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size() && file.commit();
}

void TPriceTablePane::ExportClick()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出比价表"),
        folder + QStringLiteral("/比价表.csv"), QStringLiteral("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    if (!ExportCsv(path))
        ShowMsg(QStringLiteral("无法写入文件：%1").arg(QDir::toNativeSeparators(path)));
}
