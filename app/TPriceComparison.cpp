#include "TPriceComparison.h"

#include "TBrowserHost.h"
#include "TOfferReading.h"
#include "TPageReader.h"
#include "TPriceTable.h"

namespace {
const QString kReading = QStringLiteral("读取中");

QString FailureText(TPageReader::Failure why)
{
    switch (why) {
    case TPageReader::Crashed:
        return QStringLiteral("页面崩溃");
    case TPageReader::Left:
        return QStringLiteral("已离开结果页");
    case TPageReader::Asleep:
        return QStringLiteral("页面已休眠");
    case TPageReader::TimedOut:
        return QStringLiteral("超时");
    case TPageReader::LoadFailed:
        break;
    }
    return QStringLiteral("无法读取");
}
} // namespace

TPriceComparison::TPriceComparison(TPriceTablePane *pane, QObject *parent) : QObject(parent), m_pane(pane) { }

void TPriceComparison::Begin(const QStringList &shops)
{
    for (const Shop &shop : std::as_const(m_shops))
        delete shop.reader;
    m_shops.clear();
    m_order.clear();
    for (const QString &name : shops) {
        if (!m_order.contains(name))
            m_order.append(name);
    }
    m_pane->Start(m_order);
}

void TPriceComparison::Watch(TBrowserHost *view, const QString &shop)
{
    Shop &entry = m_shops[shop];
    delete entry.reader;
    entry = Shop();
    // The rules are read once per page: a rules file changed between comparisons counts.
    auto *reader = new TPageReader(
        view,
        [](const QUrl &address) { return OfferReadingScript(TShopRules::Load().RuleFor(address.host())); },
        this);
    entry.reader = reader;
    SetState(shop, kReading);
    connect(reader, &TPageReader::read, this, [this, shop](const QString &result) {
        const QList<TOffer> offers = OffersFromReading(result, shop);
        m_shops[shop].offers = int(offers.size());
        m_pane->SetShopOffers(shop, offers);
        if (!offers.isEmpty())
            SetState(shop, QStringLiteral("%1 件").arg(offers.size()));
    });
    connect(reader, &TPageReader::failed, this, [this, shop](TPageReader::Failure why) {
        SetState(shop, FailureText(why));
        End(shop, false);
    });
    connect(reader, &TPageReader::done, this, [this, shop, reader] {
        reader->deleteLater();
        if (m_shops.value(shop).done)
            return; // failed
        if (m_shops.value(shop).offers == 0)
            SetState(shop, QStringLiteral("未找到商品"));
        End(shop, true);
    });
}

void TPriceComparison::NotOpened(const QString &shop)
{
    SetState(shop, QStringLiteral("无效链接地址"));
    End(shop, false);
}

void TPriceComparison::SetState(const QString &shop, const QString &state)
{
    m_shops[shop].state = state;
    m_pane->SetShopState(shop, state);
}

void TPriceComparison::End(const QString &shop, bool read)
{
    Shop &entry = m_shops[shop];
    if (entry.done)
        return;
    entry.done = true;
    entry.read = read;
    emit shopDone(shop);
}

bool TPriceComparison::AllDone() const
{
    return std::all_of(
        m_order.cbegin(), m_order.cend(), [this](const QString &s) { return m_shops.value(s).done; });
}

bool TPriceComparison::AllRead() const
{
    return std::all_of(
        m_order.cbegin(), m_order.cend(), [this](const QString &s) { return m_shops.value(s).read; });
}

QStringList TPriceComparison::Report() const
{
    QStringList lines;
    for (const QString &shop : m_order) {
        const Shop entry = m_shops.value(shop);
        QString state = entry.state.isEmpty() ? QStringLiteral("等待加载") : entry.state;
        if (!entry.done)
            state = QStringLiteral("未及读取（") + state + QStringLiteral("）");
        lines.append(shop + QLatin1Char('\t') + state);
    }
    return lines;
}
