// How long the price table's history column and the price chart take: the history column of a
// comparison of 4,000 offers filled from the history's summaries (every product seen before),
// and the chart of a product seen in 365 comparisons by 20 shops, made and shown. Prints the
// median of a few runs. Runs on Qt's offscreen platform unless another is chosen.
//
//   bench_price_views [--offers 4000] [--days 365] [--shops 20] [--runs 9]
#include "TPriceChartDialog.h"
#include "TPriceTablePane.h"
#include "TProductTreeModel.h"

#include <QApplication>
#include <QChartView>
#include <QElapsedTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>

namespace {
double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int offerCount = 4000, days = 365, shopCount = 20, runs = 9;
    while (args.size() >= 2) {
        const QString option = args.takeFirst();
        const int value = qMax(1, args.takeFirst().toInt());
        if (option == QLatin1String("--offers"))
            offerCount = value;
        else if (option == QLatin1String("--days"))
            days = value;
        else if (option == QLatin1String("--shops"))
            shopCount = value;
        else if (option == QLatin1String("--runs"))
            runs = value;
    }

    // 4,000 offers of 400 products (brand, model, variant) in 68 shops.
    const QStringList brands {QStringLiteral("星弧"), QStringLiteral("青橙"), QStringLiteral("云雀"), QStringLiteral("北极光")};
    QHash<QString, QList<TOffer>> byShop;
    for (int i = 0; i < offerCount; ++i) {
        TOffer offer;
        offer.Shop = QStringLiteral("网店%1").arg(i % 68);
        const int product = i % 400;
        offer.Name = QStringLiteral("%1 K%2 Pro %3+256G 手机").arg(brands.at(product % 4)).arg(product).arg(8 + product % 3 * 4);
        offer.PriceFen = 100000 + (i * 7919) % 300000;
        offer.Address = QUrl(QStringLiteral("https://shop%1.example/item/%2").arg(i % 68).arg(i));
        byShop[offer.Shop].append(offer);
    }
    TPriceTablePane pane;
    pane.resize(1000, 600);
    pane.show();
    pane.Start(byShop.keys(), QStringLiteral("手机"));
    for (auto it = byShop.cbegin(); it != byShop.cend(); ++it)
        pane.SetShopOffers(it.key(), it.value());
    QHash<QString, THistorySummary> summaries;
    const QAbstractItemModel *model = pane.ProductView()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        THistorySummary summary;
        summary.LowestFen = 120000;
        summary.LowestTime = QDateTime::currentDateTimeUtc().addDays(-30);
        summary.LastFen = 150000;
        summary.LastTime = QDateTime::currentDateTimeUtc().addDays(-1);
        summary.Comparisons = 30;
        summaries.insert(model->index(row, 0).data(TProductTreeModel::HistoryKeyRole).toString(), summary);
    }
    QList<double> column;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        pane.SetHistory(summaries, {});
        for (int row = 0; row < model->rowCount(); ++row)
            model->index(row, TProductTreeModel::ColHistory).data(); // what the view asks of each row
        QCoreApplication::processEvents();
        column.append(timer.nsecsElapsed() / 1e6);
    }

    QList<TPricePoint> points;
    const QDateTime first = QDateTime::currentDateTimeUtc().addDays(-days);
    for (int day = 0; day < days; ++day) {
        for (int shop = 0; shop < shopCount; ++shop)
            points.append({first.addDays(day), QStringLiteral("网店%1").arg(shop), 250000 + (day * 37 + shop * 101) % 50000});
    }
    QList<double> chart;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        auto *dialog = new TPriceChartDialog(QStringLiteral("星弧 S12 Pro 8+256"), points);
        dialog->show();
        dialog->ChartView()->grab(); // painted once
        chart.append(timer.nsecsElapsed() / 1e6);
        delete dialog;
    }
    std::printf("history column, %d offers (%d products): %.1f ms\n", offerCount, int(model->rowCount()), median(column));
    std::printf("price chart, %d days x %d shops: %.1f ms\n", days, shopCount, median(chart));
    return 0;
}
