#include "MainWindowFixture.h"
#include "OfferModelsChecked.h"
#include "OffersCsv.h"
#include "TOfferReading.h"
#include "TOfferTableModel.h"
#include "TPageLifecycle.h"
#include "TPageReader.h"
#include "TPriceComparison.h"
#include "TPriceTablePane.h"
#include "TShopCatalogue.h"

#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QTableView>
#include <QWebEnginePage>

// The price table end to end: a comparison of three shops whose hosts the loopback server
// answers with sample results pages; the pane, its order, filter, accessories, opening an offer
// and the exported CSV.
namespace {
const int kWait = 60000;
QByteArray hostOf(const QString &shop)
{
    return QUrl(ShopSearchTemplate(LoadShopCatalogueText(), shop), QUrl::TolerantMode).host().toLatin1();
}

// Shop names, products and prices of the pane's rows as shown, top to bottom.
QStringList shownRows(TPriceTablePane *pane)
{
    QStringList rows;
    const QAbstractItemModel *model = pane->View()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        rows.append(model->index(row, TOfferTableModel::ColShop).data().toString() + QLatin1Char(' ')
            + model->index(row, TOfferTableModel::ColName).data().toString() + QLatin1Char(' ')
            + model->index(row, TOfferTableModel::ColPrice).data().toString());
    }
    return rows;
}
} // namespace

class tst_PriceTable : public QObject, MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(serveEveryHost(hostTitledPage)); }
    void cleanup() { closeMainWindow(); }
    void threeShops();
    void hiddenPagesReadBeforeTheySleep();
    void csvQuoting();
};

void tst_PriceTable::threeShops()
{
    const QByteArray dangdang = hostOf(QStringLiteral("当当网"));
    const QByteArray jingdong = hostOf(QStringLiteral("京东商城"));
    const QByteArray hongwawa = hostOf(QStringLiteral("红孩子"));
    m_server.setFallback([=](const QByteArray &target, const QByteArray &host) {
        TestHttpServer::Reply reply;
        if (host == dangdang)
            reply.body = TestPage("offers/jsonld.html");
        else if (host == jingdong)
            reply.body = TestPage("offers/cards.html");
        else if (host == hongwawa)
            reply.body = TestPage("offers/phone-table.html");
        else
            return hostTitledPage(target, host);
        return reply;
    });

    QVERIFY(openMainWindow());
    TFrm_Main &window = *m_window;
    const OfferModelsChecked checked(*window.pPrices);
    window.resize(1100, 800);
    QVERIFY(window.pPrices->isHidden());
    QVERIFY(window.btnPrices->isHidden());

    window.EdtWD->setText(QStringLiteral("当当网;京东商城;红孩子"));
    window.cbKeyWord->setEditText(QStringLiteral("手机"));
    QTest::mouseClick(window.btnGo, Qt::LeftButton);
    TPriceTablePane *pane = window.pPrices;
    pane->ShowByProduct(false);
    QTRY_VERIFY_WITH_TIMEOUT(window.PriceComparison()->AllDone(), kWait);
    QVERIFY(window.PriceComparison()->AllRead());
    QVERIFY(pane->isVisible());
    QVERIFY(window.btnPrices->isVisible());
    QCOMPARE(window.btnPrices->text(), QStringLiteral("比价表 (8)"));
    QCOMPARE(pane->ShopState(QStringLiteral("当当网")), QStringLiteral("2 件"));
    QCOMPARE(pane->ShopState(QStringLiteral("京东商城")), QStringLiteral("4 件"));
    QVERIFY(pane->StatesLabel()->text().contains(QStringLiteral("红孩子：2 件")));

    // Cheapest first, every shop together.
    const QStringList all {QStringLiteral("红孩子 手机壳 \"透明\", 软 ¥9.9"),
        QStringLiteral("当当网 小米 手机 ¥1299"), QStringLiteral("京东商城 OPPO Reno 手机 ¥2499"),
        QStringLiteral("京东商城 三星 Galaxy 手机 ¥3899"), QStringLiteral("当当网 华为 Mate 手机 ¥3999"),
        QStringLiteral("红孩子 联想 手机 ¥4599"), QStringLiteral("京东商城 苹果 iPhone 手机 128G ¥5999"),
        QStringLiteral("京东商城 vivo X 手机 ¥12000")};
    QCOMPARE(shownRows(pane), all);

    // The accessory is set aside with one click.
    QVERIFY(pane->AccessorySwitch()->text().contains(QStringLiteral("(1)")));
    QTest::mouseClick(
        pane->AccessorySwitch(), Qt::LeftButton, {}, QPoint(6, pane->AccessorySwitch()->height() / 2));
    QCOMPARE(shownRows(pane), all.mid(1));
    QTest::mouseClick(
        pane->AccessorySwitch(), Qt::LeftButton, {}, QPoint(6, pane->AccessorySwitch()->height() / 2));
    QCOMPARE(shownRows(pane).size(), 8);

    // The filter box narrows by text, typed as the user types (Chinese through the input method).
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    pane->FilterBox()->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), pane->FilterBox());
    QInputMethodEvent typed;
    typed.setCommitString(QStringLiteral("京东"));
    QApplication::sendEvent(QApplication::focusWidget(), &typed);
    QCOMPARE(shownRows(pane).size(), 4);
    QTest::keyClicks(QApplication::focusWidget(), " vivo");
    QCOMPARE(shownRows(pane), QStringList {all.last()});
    pane->FilterBox()->clear();

    // Sorting by another column, then back by price.
    QTest::mouseClick(pane->View()->horizontalHeader()->viewport(), Qt::LeftButton, {},
        QPoint(pane->View()->horizontalHeader()->sectionViewportPosition(TOfferTableModel::ColShop) + 5, 5));
    QCOMPARE(shownRows(pane).first().section(QLatin1Char(' '), 0, 0), QStringLiteral("京东商城"));
    pane->View()->sortByColumn(TOfferTableModel::ColPrice, Qt::AscendingOrder);
    QCOMPARE(shownRows(pane), all);

    // Enter on an offer opens it in a new tab through OpenInTab.
    const int tabs = window.PageControl1->PageCount();
    pane->View()->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), pane->View());
    pane->View()->setCurrentIndex(pane->View()->model()->index(2, TOfferTableModel::ColName));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(window.PageControl1->PageCount(), tabs + 1);
    QTRY_COMPARE_WITH_TIMEOUT(window.ActiveTab()->Browser->LocationURL(),
        QString::fromLatin1("http://" + jingdong + "/goods/103"), kWait);

    // 导出 writes the table: header, cheapest first, plain decimal prices, absolute addresses.
    const QString csvPath = m_dir.filePath(QStringLiteral("out.csv"));
    QVERIFY(pane->ExportCsv(csvPath));
    QFile csv(csvPath);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QByteArray d = "http://" + dangdang, j = "http://" + jingdong, h = "http://" + hongwawa;
    QCOMPARE(QString::fromUtf8(csv.readAll()),
        QString::fromUtf8("\xEF\xBB\xBF网店,商品,价格,地址,来源,同款,类别\r\n"
                          "红孩子,\"手机壳 \"\"透明\"\", 软\",9.9,"
            + h
            + "/t/2,页面识别,1,配件\r\n"
              "当当网,小米 手机,1299,https://shop.example/item/2,结构化数据,2,商品\r\n"
              "京东商城,OPPO Reno 手机,2499,"
            + j
            + "/goods/103,页面识别,3,商品\r\n"
              "京东商城,三星 Galaxy 手机,3899,"
            + j
            + "/goods/102,页面识别,4,商品\r\n"
              "当当网,华为 Mate 手机,3999,"
            + d
            + "/item/1,结构化数据,5,商品\r\n"
              "红孩子,联想 手机,4599,"
            + h
            + "/t/1,页面识别,6,商品\r\n"
              "京东商城,苹果 iPhone 手机 128G,5999,"
            + j
            + "/goods/101,页面识别,7,商品\r\n"
              "京东商城,vivo X 手机,12000,"
            + j + "/goods/104,页面识别,8,商品\r\n"));

    // The pane hides and shows again; a new comparison starts a new table.
    QTest::mouseClick(pane->HideButton(), Qt::LeftButton);
    QVERIFY(pane->isHidden());
    QTest::mouseClick(window.btnPrices, Qt::LeftButton);
    QVERIFY(pane->isVisible());
    window.EdtWD->setText(QStringLiteral("红孩子"));
    window.btnGoClick();
    QCOMPARE(pane->OfferCount(), 0);
    QVERIFY(pane->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(window.PriceComparison()->AllDone(), kWait);
    QCOMPARE(pane->OfferCount(), 2);
    QVERIFY(pane->isVisible());
}

void tst_PriceTable::hiddenPagesReadBeforeTheySleep()
{
    // Hidden pages that would sleep before their content could settle are still read first; once
    // read, they sleep as before.
    TPageLifecycle *lifecycle = TPageLifecycle::Instance();
    const int freezeAfter = lifecycle->FreezeAfter();
    const int keepAlive = lifecycle->KeepAlive();
    lifecycle->SetFreezeAfter(TPageReader::QuietMs / 2);
    lifecycle->SetKeepAlive(0);
    const auto restore = qScopeGuard([&] {
        lifecycle->SetFreezeAfter(freezeAfter);
        lifecycle->SetKeepAlive(keepAlive);
    });
    const QByteArray page = TestPage("offers/cards.html");
    m_server.setFallback([=](const QByteArray &, const QByteArray &) {
        TestHttpServer::Reply reply;
        reply.body = page;
        return reply;
    });

    QVERIFY(openMainWindow());
    TFrm_Main &window = *m_window;
    // A page in the first tab, so that every shop gets a new tab of its own.
    window.OpenInTab(QStringLiteral("http://www.example.com/"));
    QTRY_VERIFY_WITH_TIMEOUT(!window.ActiveTab()->Browser->Busy(), kWait);
    window.EdtWD->setText(QStringLiteral("当当网;京东商城;红孩子"));
    window.cbKeyWord->setEditText(QStringLiteral("手机"));
    window.btnGoClick();
    QCOMPARE(window.PageControl1->PageCount(), 4);
    QTRY_VERIFY2_WITH_TIMEOUT(
        window.PriceComparison()->AllDone(), qPrintable(window.PriceComparison()->Report().join(' ')), kWait);
    QVERIFY2(window.PriceComparison()->AllRead(), qPrintable(window.PriceComparison()->Report().join(' ')));
    QCOMPARE(window.pPrices->OfferCount(), 12);
    auto *hidden = qobject_cast<TTabSheetEx *>(window.PageControl1->PageAt(1));
    QVERIFY(hidden != window.ActiveTab());
    QTRY_VERIFY_WITH_TIMEOUT(
        hidden->Browser->EngineView()->page()->lifecycleState() != QWebEnginePage::LifecycleState::Active,
        kWait);
}

void tst_PriceTable::csvQuoting()
{
    TOffer offer;
    offer.Shop = QStringLiteral("店");
    offer.Name = QStringLiteral("=HYPERLINK(\"x\")\r\n第二行");
    offer.PriceFen = 123456;
    offer.Address = QUrl(QStringLiteral("https://a.example/p?q=手机&x=1,2"));
    offer.Source = TOfferSource::ShopRules;
    QCOMPARE(OffersCsv({offer}),
        QByteArray("\xEF\xBB\xBF") + QStringLiteral("网店,商品,价格,地址,来源,同款,类别\r\n").toUtf8()
            + QStringLiteral("店,\"'=HYPERLINK(\"\"x\"\")\r\n第二行\",1234.56,"
                             "\"https://a.example/p?q=%E6%89%8B%E6%9C%BA&x=1,2\",网店规则,1,商品\r\n")
                  .toUtf8());
}

VANZU_TEST_MAIN(tst_PriceTable)
#include "tst_PriceTable.moc"
