#include "TPriceTablePane.h"
#include "TProductTreeModel.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QTreeView>
#include <QtTest>

// The price table by product while shops arrive: products form and grow around what the user
// has selected and expanded; the model keeps Qt's rules throughout.
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

QTEST_MAIN(tst_ProductTreeModel)
#include "tst_ProductTreeModel.moc"
