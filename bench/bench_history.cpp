// The price history's costs: a simulated year of daily comparisons (68 shops × 60 offers) written
// one after the other, then, on that year's file, the write of one more comparison (the time the
// window's thread spends and the time the history's thread spends), the summaries the price
// table reads for the comparison's 4,000 offers, a product's points for its chart (one product
// at 20 shops every day), opening the file, and the export. Prints medians.
//
//   bench_history [--days 365] [--shops 68] [--offers 60] [--runs 9] [--keep FILE]
//
// --keep FILE writes the year into FILE (and leaves it there); --days 0 --keep FILE then measures
// on that file as it is.
#include "TPriceHistory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <time.h>

namespace {
int g_shops = 68, g_offers = 60;
const int kProducts = 3000; // the products the shops list over the year
const QString kChartKey = QStringLiteral("星弧|s0|8+256");

// This thread's processor time in milliseconds: what the window's thread spends, whatever else
// the machine is doing.
double threadCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// The shops' listings drift: each day about 2 % of an offer's places show another product.
// Prices walk by a few per cent; a third of the offers have no product group (their address is
// their key). Product 0 is at the first 20 shops every day.
class Year
{
public:
    Year() : m_random(20261111)
    {
        for (int s = 0; s < g_shops; ++s) {
            QList<int> places;
            for (int i = 0; i < g_offers; ++i)
                places.append(s < 20 && i == 0 ? 0 : 1 + int(m_random.bounded(kProducts - 1)));
            m_places.append(places);
        }
    }

    THistoryComparison Day(int day)
    {
        THistoryComparison c;
        c.Time = QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC).addDays(day);
        c.Keyword = QStringLiteral("手机");
        for (int s = 0; s < g_shops; ++s) {
            const QString shop = QStringLiteral("网店%1").arg(s);
            c.Shops.append(shop);
            for (int i = 0; i < g_offers; ++i) {
                int &product = m_places[s][i];
                if (product != 0 && m_random.bounded(100) < 2)
                    product = 1 + int(m_random.bounded(kProducts - 1));
                qint64 &price = m_prices[qint64(s) * kProducts + product];
                if (price == 0)
                    price = 50000 + product * 97 % 500000;
                price = qMax<qint64>(1000, price + price * (int(m_random.bounded(7)) - 3) / 100);
                THistoryObservation o;
                o.Shop = shop;
                o.Address
                    = QUrl(QStringLiteral("https://item.shop%1.example/product/%2.html?sku=%3&from=search")
                               .arg(s)
                               .arg(product * 7919 % 1000003)
                               .arg(product));
                o.Title = QStringLiteral("品牌%1 Model %2 8+256G 全网通 5G手机 官方正品 %3")
                              .arg(product % 50)
                              .arg(product)
                              .arg(shop);
                const bool grouped = product % 3 != 2;
                o.ProductKey = grouped ? QStringLiteral("星弧|s%1|8+256").arg(product)
                                       : QLatin1Char('@') + o.Address.toString(QUrl::FullyEncoded);
                o.ProductName = grouped ? QStringLiteral("星弧 S%1 8+256").arg(product) : o.Title;
                o.PriceFen = price;
                c.Observations.append(o);
            }
        }
        return c;
    }

private:
    QRandomGenerator m_random;
    QList<QList<int>> m_places;
    QHash<qint64, qint64> m_prices;
};

qint64 fileSize(const QString &path)
{
    return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int days = 365, runs = 9;
    QString keep;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        const int value = args.isEmpty() ? 0 : args.first().toInt();
        if (arg == QLatin1String("--days") && (value > 0 || args.first() == QLatin1String("0")))
            days = value;
        else if (arg == QLatin1String("--shops") && value > 0)
            g_shops = value;
        else if (arg == QLatin1String("--offers") && value > 0)
            g_offers = value;
        else if (arg == QLatin1String("--runs") && value > 0)
            runs = value;
        else if (arg == QLatin1String("--keep") && !args.isEmpty())
            keep = args.first();
        else {
            std::fprintf(stderr,
                "usage: bench_history [--days N] [--shops N] [--offers N] [--runs N] [--keep FILE]\n");
            return 2;
        }
        args.removeFirst();
    }
    QTemporaryDir dir;
    const QString path = keep.isEmpty() ? dir.filePath(QStringLiteral("history.sqlite")) : keep;
    Year year;
    QList<double> firstWrites, lastWrites, callerTimes, firstCpu, lastCpu;
    qint64 observations = 0;
    QElapsedTimer total;
    total.start();
    {
        TPriceHistory history;
        history.Open(path);
        history.WaitForWrites();
        for (int day = 0; day < days; ++day) {
            const THistoryComparison c = year.Day(day);
            observations += c.Observations.size();
            QElapsedTimer clock;
            clock.start();
            // While this thread waits, the processor time the program takes is the writer's.
            const std::clock_t cpuStart = std::clock();
            const double callerStart = threadCpuMs();
            history.Record(c);
            const double caller = threadCpuMs() - callerStart;
            history.WaitForWrites();
            const double all = clock.nsecsElapsed() / 1e6;
            (day < 30 ? firstWrites : lastWrites).append(all);
            (day < 30 ? firstCpu : lastCpu).append(double(std::clock() - cpuStart) * 1000 / CLOCKS_PER_SEC);
            callerTimes.append(caller);
            if (day % 30 == 29)
                std::fprintf(stderr, "day %d: %.1f ms\n", day + 1, all);
        }
    }
    if (days > 0) {
        const double yearSeconds = total.nsecsElapsed() / 1e9;
        std::printf("A year: %d comparisons of %d offers (%lld observations) written in %.1f s\n", days,
            g_shops * g_offers, observations, yearSeconds);
        std::printf("  file: %.1f MB (%.1f bytes per observation)\n", fileSize(path) / 1e6,
            double(fileSize(path)) / observations);
        std::printf(
            "  writing one comparison, window's thread: %.3f ms of processor time; history's thread: "
            "%.1f ms (%.1f ms of processor time) in the first 30 days, %.1f ms (%.1f ms) in the last %d\n",
            median(callerTimes), median(firstWrites), median(firstCpu), median(lastWrites), median(lastCpu),
            int(lastWrites.size()));
    }

    TPriceHistory history;
    QElapsedTimer clock;
    clock.start();
    history.Open(path);
    history.WaitForWrites();
    std::printf("Opening the year's file (checks, summaries, watches): %.0f ms; %lld products\n",
        clock.nsecsElapsed() / 1e6, qint64(history.Summaries().size()));

    // What the window does when a comparison is complete: its offers as the history keeps them
    // (the grouping itself is bench_products' to time), then each product's summary, mark and text.
    QList<TOffer> offers;
    for (const THistoryObservation &o : year.Day(days).Observations)
        offers.append({o.Shop, o.Title, o.PriceFen, o.Address, QUrl(), TOfferSource::PageRecognition});
    const TProductGrouping grouping = TProductGrouping::Group(offers, QStringLiteral("手机"));
    QList<double> comparisonTimes, summaryTimes, pointTimes;
    for (int run = 0; run < runs; ++run) {
        clock.restart();
        const THistoryComparison c = HistoryComparisonOf(
            QStringLiteral("手机"), {}, offers, grouping, QDateTime::currentDateTimeUtc());
        comparisonTimes.append(clock.nsecsElapsed() / 1e6);
    }
    std::printf("The history's record of %lld offers (HistoryComparisonOf): %.1f ms\n", qint64(offers.size()),
        median(comparisonTimes));
    qsizetype pointCount = 0, marked = 0;
    const THistoryComparison today = year.Day(days);
    for (int run = 0; run < runs; ++run) {
        clock.restart();
        const QHash<QString, THistorySummary> summaries = history.Summaries();
        marked = 0;
        for (const THistoryObservation &o : today.Observations) {
            const THistorySummary s = summaries.value(o.ProductKey);
            marked += !HistoryMark(o.PriceFen, s).isEmpty() + !HistoryLowText(s).isEmpty();
        }
        summaryTimes.append(clock.nsecsElapsed() / 1e6);
        clock.restart();
        pointCount = history.Points(kChartKey).size();
        pointTimes.append(clock.nsecsElapsed() / 1e6);
    }
    std::printf("Summaries, marks and texts for %lld offers: %.1f ms (%lld marks and texts)\n",
        qint64(today.Observations.size()), median(summaryTimes), qint64(marked));
    std::printf("Points of one product (%lld points): %.1f ms\n", qint64(pointCount), median(pointTimes));

    QList<double> writes;
    for (int run = 0; run < runs; ++run) {
        const THistoryComparison c = year.Day(days + run);
        clock.restart();
        history.Record(c);
        history.WaitForWrites();
        writes.append(clock.nsecsElapsed() / 1e6);
    }
    std::printf("One more comparison on the year's file: %.1f ms\n", median(writes));

    QString error;
    clock.restart();
    const QString csv = dir.filePath(QStringLiteral("history.csv"));
    if (history.ExportCsv(csv, &error))
        std::printf("Export: %.1f s, %.0f MB\n", clock.nsecsElapsed() / 1e9, QFileInfo(csv).size() / 1e6);
    else
        std::printf("Export failed: %s\n", qPrintable(error));
    return 0;
}
