#include "TWatchChecker.h"

#include "TPriceComparison.h"
#include "TProductGrouping.h"
#include "TShopCatalogue.h"
#include "U_Main.h"
#include "U_Pub.h"

#include <QSet>

namespace {
// How often the running program looks for products due for a check.
constexpr std::chrono::minutes kLookEvery {10};
// How long a check put back for the user's comparison waits before it tries again.
constexpr std::chrono::minutes kRetryAfter {15};
} // namespace

TWatchChecker::TWatchChecker(TFrm_Main *window, TPriceHistory *history)
    : QObject(window), m_window(window), m_history(history)
{
    m_schedule.setInterval(kLookEvery);
    connect(&m_schedule, &QTimer::timeout, this, &TWatchChecker::lookForDue);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { endCurrent(false); });
}

void TWatchChecker::StartSchedule()
{
    m_schedule.start();
    // The first look waits until the start page and the user's first steps are over.
    QTimer::singleShot(std::chrono::minutes(1), this, &TWatchChecker::lookForDue);
}

void TWatchChecker::lookForDue()
{
    const TPriceComparison *own = m_window->PriceComparison();
    if (m_running || (own && !own->Shops().isEmpty() && !own->AllDone()))
        return; // never before the user's own comparison
    CheckNow(false);
}

bool TWatchChecker::CheckNow(bool everyProduct)
{
    if (m_running)
        return true;
    // One run per comparison the watched products came from: products of one comparison are
    // checked together.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<Run> runs;
    for (const TWatch &watch : m_history->Watches()) {
        const bool due = !watch.LastChecked.isValid() || watch.LastChecked.secsTo(now) >= m_interval.count();
        if ((!everyProduct && !due) || watch.Keyword.isEmpty() || watch.Shops.isEmpty())
            continue;
        auto same = std::find_if(runs.begin(), runs.end(),
            [&](const Run &run) { return run.Keyword == watch.Keyword && run.Shops == watch.Shops; });
        if (same == runs.end())
            runs.append({watch.Keyword, watch.Shops, {watch.Key}});
        else
            same->Keys.append(watch.Key);
    }
    if (runs.isEmpty())
        return false;
    m_queue = runs;
    m_running = true;
    m_allRead = true;
    startNext();
    return true;
}

void TWatchChecker::startNext()
{
    if (m_queue.isEmpty()) {
        m_running = false;
        emit finished(m_allRead);
        return;
    }
    const Run &run = m_queue.constFirst();
    m_offers.clear();
    delete m_comparison;
    m_comparison = new TPriceComparison(this);
    connect(m_comparison, &TPriceComparison::offersRead, this,
        [this](const QString &shop, const QList<TOffer> &offers) { m_offers.insert(shop, offers); });
    connect(m_comparison, &TPriceComparison::shopDone, this, [this] {
        if (m_comparison->AllDone())
            QMetaObject::invokeMethod(this, [this] { endCurrent(true); }, Qt::QueuedConnection);
    });
    m_comparison->Begin(run.Shops, run.Keyword);
    // The catalogue as it is now: a shop since removed cannot be opened and is counted unread.
    TTextList catalogue(QLatin1Char('\t'));
    catalogue.setText(LoadShopCatalogueText());
    for (const QString &shop : run.Shops) {
        const QString address = ExpandSearchUrl(catalogue.value(shop), run.Keyword);
        if (!address.startsWith(QLatin1String("http"))) {
            m_comparison->NotOpened(shop);
            continue;
        }
        TTabSheetEx *tab = m_window->OpenInBackgroundTab(address);
        m_tabs.append(tab);
        m_comparison->Watch(tab->Browser, shop);
    }
    m_deadline.start(std::chrono::seconds(m_waitSeconds));
    if (m_comparison->AllDone())
        QMetaObject::invokeMethod(this, [this] { endCurrent(true); }, Qt::QueuedConnection);
}

void TWatchChecker::endCurrent(bool inTime)
{
    if (!m_running || m_queue.isEmpty() || !m_comparison)
        return;
    m_deadline.stop();
    const Run run = m_queue.takeFirst();
    const bool allRead = inTime && m_comparison->AllRead();
    m_allRead = m_allRead && allRead;
    QList<TOffer> offers;
    for (const QString &shop : run.Shops)
        offers += m_offers.value(shop);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const TProductGrouping grouping = TProductGrouping::Group(offers, run.Keyword);
    const THistoryComparison comparison = HistoryComparisonOf(run.Keyword, run.Shops, offers, grouping, now);
    if (!comparison.Observations.isEmpty())
        m_history->Record(comparison);

    // Each watched product's lowest price in this comparison, with where it was.
    struct Lowest
    {
        qint64 Fen = 0;
        QString Shop;
        QUrl Address;
    };
    QHash<QString, Lowest> lowest;
    for (const THistoryObservation &o : comparison.Observations) {
        Lowest &l = lowest[o.ProductKey];
        if (o.PriceFen > 0 && (l.Fen <= 0 || o.PriceFen < l.Fen))
            l = {o.PriceFen, o.Shop, o.Address};
    }
    const QSet<QString> keys(run.Keys.cbegin(), run.Keys.cend());
    for (TWatch watch : m_history->Watches()) {
        if (!keys.contains(watch.Key))
            continue;
        const TWatch before = watch;
        const Lowest l = lowest.value(watch.Key);
        for (const TWatchNotice &n : CheckWatch(watch, l.Fen, l.Shop, l.Address, now))
            emit notice(n);
        m_history->SetWatch(watch);
        emit checked(before, watch, l.Fen);
    }
    closeTabs();
    startNext();
}

void TWatchChecker::closeTabs()
{
    for (const QPointer<TTabSheetEx> &tab : std::as_const(m_tabs))
        m_window->CloseBackgroundTab(tab);
    m_tabs.clear();
    delete m_comparison;
    m_comparison = nullptr;
}

void TWatchChecker::Postpone()
{
    if (!m_running)
        return;
    m_deadline.stop();
    m_queue.clear();
    closeTabs();
    m_running = false;
    QTimer::singleShot(kRetryAfter, this, &TWatchChecker::lookForDue);
}
