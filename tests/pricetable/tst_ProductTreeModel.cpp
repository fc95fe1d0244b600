#include "TPriceChartDialog.h"
#include "TPriceTablePane.h"
#include "TProductTreeModel.h"

#include <QAbstractItemModelTester>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QTreeView>
#include <QtTest>

// The price table by product while shops arrive: products form and grow around what the user
// has selected and expanded; the model keeps Qt's rules throughout. What the price history knows
// of each product, in the table and in its chart.
namespace {
QList<TOffer> offers(const QString &shop, const QList<QPair<QString, qint64>> &namesAndYuan)
{
    QList<TOffer> list;
    for (const auto &[name, yuan] : namesAndYuan) {
        TOffer offer;
        offer.Shop = shop;
        offer.Name = name;
        offer.PriceFen = yuan * 100;
        offer.Address = QUrl(QStringLiteral("https://") + shop + QStringLiteral(".example/") + QString::number(list.size()));
        list.append(offer);
    }
    return list;
}

QStringList rows(const QAbstractItemModel *model, const QModelIndex &parent = {})
{
    QStringList names;
    for (int row = 0; row < model->rowCount(parent); ++row)
        names.append(model->index(row, 0, parent).data().toString());
    return names;
}
} // namespace

class tst_ProductTreeModel : public QObject
{
    Q_OBJECT
private slots:
    void shopsArriveAroundTheUser();
    void historyColumn_data();
    void historyColumn();
    void priceChart_data();
    void priceChart();
};

void tst_ProductTreeModel::shopsArriveAroundTheUser()
{
    TPriceTablePane pane;
    QAbstractItemModelTester tester(pane.ProductModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    pane.resize(800, 500);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    pane.Start({QStringLiteral("甲店"), QStringLiteral("乙店"), QStringLiteral("丙店")}, QStringLiteral("手机"));
    QVERIFY(pane.ShowsByProduct());
    pane.SetShopOffers(QStringLiteral("甲店"),
        offers(QStringLiteral("甲店"), {{"星弧 S12 Pro 8+256G", 3999}, {"星弧 S12 8+256G", 2999}, {"星弧S12 手机壳", 19}}));
    QTreeView *tree = pane.ProductView();
    const QAbstractItemModel *model = tree->model();
    QCOMPARE(rows(model), QStringList({"星弧 S12 8+256", "星弧 S12 Pro 8+256", "配件 (1)"}));

    // The user opens S12 Pro and selects its offer.
    const QModelIndex pro = model->index(1, 0);
    tree->expand(pro);
    tree->setCurrentIndex(model->index(0, 0, pro));
    QCOMPARE(tree->currentIndex().data().toString(), QStringLiteral("星弧 S12 Pro 8+256G"));

    // Cheaper products and more offers of S12 Pro arrive: the row moves, stays open and selected.
    pane.SetShopOffers(QStringLiteral("乙店"),
        offers(QStringLiteral("乙店"), {{"Xinghu/星弧 S12Pro 8GB+256GB", 3899}, {"星弧 X3 8+128G", 1199},
                                           {"<b>星弧</b> 平板电脑 Pad 6", 1999}}));
    QCOMPARE(rows(model), QStringList({"星弧 X3 8+128", "星弧 S12 8+256", "星弧 S12 Pro 8+256", "配件 (1)", "其他 (1)"}));
    const QModelIndex moved = model->index(2, 0);
    QVERIFY(tree->isExpanded(moved));
    QCOMPARE(rows(model, moved), QStringList({"Xinghu/星弧 S12Pro 8GB+256GB", "星弧 S12 Pro 8+256G"}));
    QCOMPARE(tree->currentIndex().data().toString(), QStringLiteral("星弧 S12 Pro 8+256G"));
    QCOMPARE(tree->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(moved.siblingAtColumn(TProductTreeModel::ColShops).data().toString(), QStringLiteral("2 家"));
    QCOMPARE(moved.siblingAtColumn(TProductTreeModel::ColHighest).data().toString(), QStringLiteral("¥3999（差 ¥100）"));

    // Page text in hints is escaped; the product's hint says what each title was read as.
    const QModelIndex other = model->index(0, 0, model->index(4, 0));
    QVERIFY(other.data(Qt::ToolTipRole).toString().contains(QStringLiteral("&lt;b&gt;星弧&lt;/b&gt;")));
    QVERIFY(moved.data(Qt::ToolTipRole).toString().contains(QStringLiteral("型号 s12 pro，规格 8+256")));

    // A shop read again loses an offer; the accessory switch sets the sections aside.
    pane.SetShopOffers(QStringLiteral("甲店"), offers(QStringLiteral("甲店"), {{"星弧 S12 Pro 8+256G", 3999}}));
    QCOMPARE(rows(model), QStringList({"星弧 X3 8+128", "星弧 S12 Pro 8+256", "其他 (1)"}));
    QCOMPARE(tree->currentIndex().data().toString(), QStringLiteral("星弧 S12 Pro 8+256G"));
    pane.AccessorySwitch()->click();
    QCOMPARE(rows(model), QStringList({"星弧 X3 8+128", "星弧 S12 Pro 8+256"}));
}

void tst_ProductTreeModel::historyColumn_data()
{
    QTest::addColumn<qint64>("lowestYuan"); // 0: the history never saw the product
    QTest::addColumn<qint64>("lastYuan");
    QTest::addColumn<bool>("watched");
    QTest::addColumn<QString>("expected"); // for today's ¥2,899
    QTest::newRow("never seen") << qint64(0) << qint64(0) << false << QString();
    QTest::newRow("never seen, watched") << qint64(0) << qint64(0) << true << QStringLiteral("已关注");
    QTest::newRow("within 5 % of the lowest") << qint64(2799) << qint64(2999) << false
                                              << QStringLiteral("好价  历史最低 ¥2,799（11月11日）");
    QTest::newRow("below the lowest") << qint64(2999) << qint64(3099) << false
                                      << QStringLiteral("好价  历史最低 ¥2,999（11月11日）");
    QTest::newRow("fallen since last seen") << qint64(2500) << qint64(3150) << false
                                            << QStringLiteral("↓8%  历史最低 ¥2,500（11月11日）");
    QTest::newRow("dearer than last seen") << qint64(2500) << qint64(2800) << true
                                           << QStringLiteral("已关注 · 历史最低 ¥2,500（11月11日）");
}

void tst_ProductTreeModel::historyColumn()
{
    QFETCH(qint64, lowestYuan);
    QFETCH(qint64, lastYuan);
    QFETCH(bool, watched);
    QFETCH(QString, expected);
    TPriceTablePane pane;
    pane.Start({QStringLiteral("甲店")}, QStringLiteral("手机"));
    pane.SetShopOffers(QStringLiteral("甲店"),
        offers(QStringLiteral("甲店"),
            {{"星弧 S12 8+256G", 2899}, {"星弧 S12 8+256G 曜石黑", 2999}, {"星弧S12 手机壳", 19}, {"无名 手机", 999}}));
    const QString key = QStringLiteral("星弧|s12|8+256");
    QHash<QString, THistorySummary> summaries;
    if (lowestYuan > 0) {
        THistorySummary summary;
        summary.LowestFen = lowestYuan * 100;
        summary.LowestTime = QDateTime(QDate(2026, 11, 11), QTime(20, 0));
        summary.LastFen = lastYuan * 100;
        summary.LastTime = QDateTime(QDate(2026, 12, 1), QTime(9, 0));
        summary.Comparisons = 3;
        summaries.insert(key, summary);
    }
    pane.SetHistory(summaries, watched ? QSet<QString> {key} : QSet<QString>());
    const QAbstractItemModel *model = pane.ProductView()->model();
    QCOMPARE(rows(model), QStringList({"无名 手机", "星弧 S12 8+256", "配件 (1)"}));
    const QModelIndex product = model->index(1, 0);
    QCOMPARE(product.data(TProductTreeModel::HistoryKeyRole).toString(), key);
    QCOMPARE(product.siblingAtColumn(TProductTreeModel::ColHistory).data().toString(), expected);
    // A product whose model could not be read is known by its offer's address; the accessories'
    // row is no product, and an offer row speaks of no history of its own.
    QCOMPARE(model->index(0, 0).data(TProductTreeModel::HistoryKeyRole).toString(),
        QStringLiteral("@https://xn--hxt161c.example/3"));
    QVERIFY(model->index(2, 0).data(TProductTreeModel::HistoryKeyRole).toString().isEmpty());
    QVERIFY(model->index(0, TProductTreeModel::ColHistory, product).data().toString().isEmpty());
}

void tst_ProductTreeModel::priceChart_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("shops");
    QTest::addColumn<QString>("summaryStart");
    QTest::addColumn<QString>("lowMark");
    QTest::newRow("seen once") << 1 << 2 << QStringLiteral("只在") << QStringLiteral("历史最低 ¥2,990");
    QTest::newRow("a month in three shops") << 30 << 3 << QStringLiteral("30 次比价，3 家网店；历史最低 ¥2,700")
                                            << QStringLiteral("历史最低 ¥2,700");
}

void tst_ProductTreeModel::priceChart()
{
    QFETCH(int, days);
    QFETCH(int, shops);
    QFETCH(QString, summaryStart);
    QFETCH(QString, lowMark);
    QList<TPricePoint> points;
    const QDateTime first(QDate(2026, 11, 1), QTime(8, 0), Qt::UTC);
    for (int day = 0; day < days; ++day) {
        for (int shop = 0; shop < shops; ++shop)
            points.append({first.addDays(day), QStringLiteral("店%1").arg(shop), (2990 - 10 * day + 50 * shop) * 100});
    }
    TPriceChartDialog dialog(QStringLiteral("<b>星弧</b> S12"), points);
    QVERIFY(dialog.windowTitle().endsWith(QStringLiteral("<b>星弧</b> S12"))); // page text stays text
    QVERIFY2(dialog.SummaryLabel()->text().startsWith(summaryStart), qPrintable(dialog.SummaryLabel()->text()));
    // One line per shop with every day's point, and the lowest ever marked.
    const QList<QAbstractSeries *> series = dialog.ChartView()->chart()->series();
    QCOMPARE(series.size(), shops + 1);
    for (int shop = 0; shop < shops; ++shop)
        QCOMPARE(static_cast<QLineSeries *>(series.at(shop))->count(), days);
    QCOMPARE(series.constLast()->name(), lowMark);
}

QTEST_MAIN(tst_ProductTreeModel)
#include "tst_ProductTreeModel.moc"
