#include "TPageControl.h"
#include "TPriceComparison.h"
#include "TPriceTablePane.h"
#include "TProductTreeModel.h"
#include "TShopCatalogue.h"
#include "TTabSheetEx.h"
#include "TestHttpServer.h"
#include "TestMain.h"
#include "U_Main.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

// The price table by product, end to end: three local shops write one phone their own ways;
// the product view puts it in one row, an accessory and an unrelated offer apart, opens an offer
// of a product, and the CSV numbers the products.
namespace {

QByteArray page(const QList<QPair<const char *, const char *>> &rows)
{
    QByteArray html = "<html><head><meta charset=\"utf-8\"><title>t</title></head><body><table>";
    for (int i = 0; i < rows.size(); ++i)
        html += "<tr><td><a href=\"/t/" + QByteArray::number(i + 1) + "\">" + rows.at(i).first + "</a></td><td>¥"
            + rows.at(i).second + "</td></tr>";
    return html + "</table></body></html>";
}

QByteArray hostOf(const QString &shop)
{
    return QUrl(ShopSearchTemplate(LoadShopCatalogueText(), shop), QUrl::TolerantMode).host().toLatin1();
}
} // namespace

class tst_ProductTable : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_server.listen());
        routeAllHostsTo(m_server.port()); // before the engine starts
    }
    void threeShopsByProduct();

private:
    TestHttpServer m_server;
};

void tst_ProductTable::threeShopsByProduct()
{
    const QHash<QByteArray, QByteArray> pages {
        {hostOf(QStringLiteral("当当网")),
            page({{"星弧 S12 Pro 8GB+256GB 曜石黑", "3,999"}, {"星弧S12 手机壳 透明", "19.90"}, {"星弧 X3 8+128G", "1,199"}})},
        {hostOf(QStringLiteral("京东商城")),
            page({{"【新品】Xinghu/星弧 S12Pro 8+256G 5G手机", "3,899"}, {"星弧 S12 8+256G", "2,999"},
                {"星弧 平板电脑 Pad 6", "1,999"}})},
        {hostOf(QStringLiteral("红孩子")),
            page({{"XINGHU S12 PRO 8G 256G 冰川蓝", "4,099"}, {"星弧 X3 手机 128G", "1,249"},
                {"星弧 S12 Pro 12+256G", "4,399"}})}};
    m_server.setFallback([=](const QByteArray &target, const QByteArray &host) {
        TestHttpServer::Reply reply;
        reply.body = pages.value(host);
        return reply.body.isEmpty() ? hostTitledPage(target, host) : reply;
    });

    QTemporaryDir dir;
    TFrm_Main window;
    window.SetHistoryFilePath(dir.filePath(QStringLiteral("kd.db")));
    window.resize(1100, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY_WITH_TIMEOUT(!window.ActiveTab()->Browser->Busy(), 60000);
    window.EdtWD->setText(QStringLiteral("当当网;京东商城;红孩子"));
    window.cbKeyWord->setEditText(QStringLiteral("手机"));
    window.btnGoClick();
    QTRY_VERIFY_WITH_TIMEOUT(window.PriceComparison()->AllDone(), 60000);
    TPriceTablePane *pane = window.pPrices;
    QVERIFY(pane->ShowsByProduct());

    // One row per product, cheapest first; the product the three shops write apart is one row.
    QTreeView *tree = pane->ProductView();
    const QAbstractItemModel *model = tree->model();
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows.append(model->index(row, TProductTreeModel::ColName).data().toString());
    QCOMPARE(rows, QStringList({"星弧 X3 8+128", "星弧 S12 8+256", "星弧 S12 Pro 8+256", "星弧 S12 Pro 12+256", "配件 (1)",
        "其他 (1)"}));
    const QModelIndex pro = model->index(2, 0);
    QCOMPARE(pro.siblingAtColumn(TProductTreeModel::ColLowest).data().toString(), QStringLiteral("¥3899"));
    QCOMPARE(pro.siblingAtColumn(TProductTreeModel::ColShop).data().toString(), QStringLiteral("京东商城"));
    QCOMPARE(pro.siblingAtColumn(TProductTreeModel::ColShops).data().toString(), QStringLiteral("3 家"));
    QVERIFY(pro.data(Qt::ToolTipRole).toString().contains(QStringLiteral("【新品】Xinghu/星弧 S12Pro")));

    // Enter opens the product's row, then its dearest offer in a tab.
    tree->setFocus();
    tree->setCurrentIndex(pro);
    QTest::keyClick(tree, Qt::Key_Return);
    QVERIFY(tree->isExpanded(pro));
    const int tabs = window.PageControl1->PageCount();
    tree->setCurrentIndex(model->index(2, 0, pro));
    QTest::keyClick(tree, Qt::Key_Return);
    QCOMPARE(window.PageControl1->PageCount(), tabs + 1);
    QTRY_COMPARE_WITH_TIMEOUT(window.ActiveTab()->Browser->LocationURL(),
        QString::fromLatin1("http://" + hostOf(QStringLiteral("红孩子")) + "/t/1"), 60000);

    // The CSV: every offer with its product's number and its kind, cheapest first.
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    QVERIFY(pane->ExportCsv(path));
    QFile csv(path);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QStringList tails;
    for (const QString &line : QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        tails.append(line.section(QLatin1Char(','), -2));
    QCOMPARE(tails, QStringList({"同款,类别", "1,配件", "2,商品", "2,商品", "3,无关", "4,商品", "5,商品", "5,商品",
        "5,商品", "6,商品"}));
}

VANZU_TEST_MAIN(tst_ProductTable)
#include "tst_ProductTable.moc"
