#include "TPriceComparison.h"

#include "TBrowserHost.h"
#include "TOfferReading.h"
#include "TPageReader.h"

#include <QWebEnginePage>
#include <QWebEngineView>

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
    read(view, shop, false);
}

bool TPriceComparison::Reread(const QString &shop)
{
    TBrowserHost *view = ResultsView(shop);
    if (!view)
        return false;
    read(view, shop, true);
    return true;
}

void TPriceComparison::read(TBrowserHost *view, const QString &shop, bool now)
{
    Shop &entry = m_shops[shop];
    delete entry.reader;
    const QUrl address = now ? entry.address : QUrl();
    entry = Shop();
    entry.view = view;
    entry.address = address;
    // The rules are read once per page: a rules file changed between comparisons counts.
    auto *reader = new TPageReader(
        view,
        [](const QUrl &address) { return OfferReadingScript(TShopRules::Load().RuleFor(address.host())); },
        this, now ? TPageReader::Now : TPageReader::AfterLoad);
    entry.reader = reader;
    setState(shop, TShopState::Reading);
    connect(reader, &TPageReader::read, this, [this, shop, reader](const QString &result) {
        const QList<TOffer> offers = OffersFromReading(result, shop);
        m_shops[shop].offers = int(offers.size());
        m_shops[shop].address = reader->Address();
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

QString TPriceComparison::ShopOf(const QObject *view) const
{
    for (const QString &shop : m_order) {
        if (ResultsView(shop) == view && view)
            return shop;
    }
    return QString();
}

TBrowserHost *TPriceComparison::ResultsView(const QString &shop) const
{
    const Shop entry = m_shops.value(shop);
    if (!entry.view || !entry.address.isValid() || !entry.view->EngineView())
        return nullptr;
    // The same document, wherever the page has scrolled to by its fragment.
    const QUrl shown = entry.view->EngineView()->page()->url();
    if (shown.adjusted(QUrl::RemoveFragment) != entry.address.adjusted(QUrl::RemoveFragment))
        return nullptr;
    return entry.view;
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
