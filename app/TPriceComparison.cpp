#include "TPriceComparison.h"

#include "TBrowserHost.h"
#include "TOfferReading.h"
#include "TPageReader.h"

namespace {
TShopState FailureState(TPageReader::Failure why)
{
    switch (why) {
    case TPageReader::Crashed:
        return TShopState::Crashed;
    case TPageReader::Left:
        return TShopState::Left;
    case TPageReader::Asleep:
        return TShopState::Asleep;
    case TPageReader::TimedOut:
        return TShopState::TimedOut;
    case TPageReader::LoadFailed:
        break;
    }
    return TShopState::Unreadable;
}
} // namespace

void TPriceComparison::Begin(const QStringList &shops, const QString &keyword)
{
    for (const Shop &shop : std::as_const(m_shops))
        delete shop.reader;
    m_shops.clear();
    m_order.clear();
    for (const QString &name : shops) {
        if (!m_order.contains(name))
            m_order.append(name);
    }
    emit begun(m_order, keyword);
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
    setState(shop, TShopState::Reading);
    connect(reader, &TPageReader::read, this, [this, shop](const QString &result) {
        const QList<TOffer> offers = OffersFromReading(result, shop);
        m_shops[shop].offers = int(offers.size());
        emit offersRead(shop, offers);
        if (!offers.isEmpty())
            setState(shop, TShopState::Offers);
        else if (m_shops.value(shop).state == TShopState::Offers)
            setState(shop, TShopState::Reading); // its offers are gone from the page
    });
    connect(reader, &TPageReader::failed, this, [this, shop](TPageReader::Failure why) {
        setState(shop, FailureState(why));
        end(shop, false);
    });
    connect(reader, &TPageReader::done, this, [this, shop, reader] {
        reader->deleteLater();
        if (m_shops.value(shop).done)
            return; // failed
        if (m_shops.value(shop).offers == 0)
            setState(shop, TShopState::NoOffers);
        end(shop, true);
    });
}

void TPriceComparison::NotOpened(const QString &shop)
{
    setState(shop, TShopState::InvalidAddress);
    end(shop, false);
}

void TPriceComparison::setState(const QString &shop, TShopState state)
{
    Shop &entry = m_shops[shop];
    entry.state = state;
    emit shopStateChanged(shop, state, entry.offers);
}

void TPriceComparison::end(const QString &shop, bool read)
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
        QString state = ShopStateText(entry.state, entry.offers);
        if (!entry.done)
            state = QStringLiteral("未及读取（") + state + QStringLiteral("）");
        lines.append(shop + QLatin1Char('\t') + state);
    }
    return lines;
}
