#include "TPriceTablePane.h"
#include "OfferModelsChecked.h"
#include "TOfferTableModel.h"
#include "TPictureFetcher.h"
#include "TestHttpServer.h"

#include <QBuffer>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QTableView>
#include <QtTest>

// The price table while a comparison fills it, shop by shop, as the user works in it.
namespace {
QList<TOffer> offers(const QString &shop, const QList<QPair<QString, qint64>> &namesAndFen)
{
    QList<TOffer> list;
    for (const auto &[name, fen] : namesAndFen) {
        TOffer offer;
        offer.Shop = shop;
        offer.Name = name;
        offer.PriceFen = fen;
        offer.Address = QUrl(QStringLiteral("https://shop.example/") + QString::number(list.size()));
        list.append(offer);
    }
    return list;
}

QByteArray png(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QStringList shownNames(const TPriceTablePane &pane)
{
    QStringList names;
    const QAbstractItemModel *model = pane.View()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names.append(model->index(row, TOfferTableModel::ColName).data().toString());
    return names;
}
} // namespace

class tst_PriceTablePane : public QObject
{
    Q_OBJECT
private slots:
    void shopsArriveAroundTheUser();
    void offerPicturesArrive();
};

void tst_PriceTablePane::shopsArriveAroundTheUser()
{
    TPriceTablePane pane;
    const OfferModelsChecked checked(pane);
    pane.resize(700, 500);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    pane.ShowByProduct(false);
    pane.SetShopOffers(QStringLiteral("甲店"),
        offers(QStringLiteral("甲店"), {{"华为 手机", 399900}, {"小米 手机", 129900}, {"手机支架", 60000}}));

    // The user clicks 华为 手机.
    QTableView *view = pane.View();
    const int row = int(shownNames(pane).indexOf(QStringLiteral("华为 手机")));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
        view->visualRect(view->model()->index(row, TOfferTableModel::ColName)).center());
    QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("华为 手机"));

    // Two more shops arrive, cheaper and dearer rows around it: it stays the one selected.
    pane.SetShopOffers(QStringLiteral("乙店"),
        offers(QStringLiteral("乙店"), {{"手机壳", 990}, {"OPPO 手机", 249900}, {"vivo 手机", 1200000}}));
    QCOMPARE(shownNames(pane),
        QStringList({"手机壳", "手机支架", "小米 手机", "OPPO 手机", "华为 手机", "vivo 手机"}));
    QVERIFY(pane.AccessorySwitch()->text().contains(QStringLiteral("(2)")));
    // Accessories set aside while the next shop arrives.
    QTest::mouseClick(
        pane.AccessorySwitch(), Qt::LeftButton, {}, QPoint(6, pane.AccessorySwitch()->height() / 2));
    pane.SetShopOffers(QStringLiteral("丙店"),
        offers(QStringLiteral("丙店"), {{"三星 手机", 599900}, {"苹果 手机", 699900}, {"荣耀 手机", 459900}}));
    QCOMPARE(shownNames(pane),
        QStringList({"小米 手机", "OPPO 手机", "华为 手机", "荣耀 手机", "三星 手机", "苹果 手机", "vivo 手机"}));
    QVERIFY(pane.AccessorySwitch()->text().contains(QStringLiteral("(2)")));
    QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("华为 手机"));
    QCOMPARE(view->selectionModel()->selectedRows(TOfferTableModel::ColName).size(), 1);
    QCOMPARE(view->selectionModel()->selectedRows(TOfferTableModel::ColName).constFirst().data().toString(),
        QStringLiteral("华为 手机"));

    // 乙店 read again: its rows are replaced, the others and the selection stay.
    pane.SetShopOffers(QStringLiteral("乙店"), offers(QStringLiteral("乙店"), {{"OPPO 手机", 239900}}));
    QCOMPARE(pane.OfferCount(), 7);
    QCOMPARE(view->model()->index(0, TOfferTableModel::ColPrice).data().toString(), QStringLiteral("¥1299"));
    QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("华为 手机"));
}

void tst_PriceTablePane::offerPicturesArrive()
{
    // Each offer's picture as the shop's picture host sends it; the table shows it small, and a
    // picture that cannot be had leaves its cell empty.
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setPage("/wide.png", png({200, 100}), "image/png");
    server.setPage("/tall.png", png({30, 90}), "image/png");
    server.setPage("/text.png", "<html>not a picture</html>", "image/png");
    TestHttpServer::Reply huge;
    huge.contentType = "image/png";
    huge.body = png({40, 40}) + QByteArray(TPictureFetcher::MaxBytes + 1024, 'x');
    server.setReply("/huge.png", huge);
    const QList<QPair<QByteArray, QSize>> pictures {{"/wide.png", {40, 20}}, {"/text.png", {0, 0}},
        {"/missing.png", {0, 0}}, {"/huge.png", {0, 0}}, {"/tall.png", {13, 40}}};

    TPriceTablePane pane;
    const OfferModelsChecked checked(pane);
    pane.Start({QStringLiteral("甲店")});
    QList<TOffer> list;
    for (const auto &[path, size] : pictures) {
        list += offers(QStringLiteral("甲店"), {{QString::fromLatin1(path), 1000 + list.size()}});
        list.last().Picture = QUrl(QString::fromLatin1(server.baseUrl() + path));
    }
    pane.SetShopOffers(QStringLiteral("甲店"), list);
    // Every picture is asked for once, however often the shop's offers come again.
    pane.SetShopOffers(QStringLiteral("甲店"), list);

    const auto pictureOf = [&pane](int row) {
        return pane.Model()->index(row, TOfferTableModel::ColPicture).data(Qt::DecorationRole).value<QPixmap>();
    };
    QTRY_VERIFY(!pictureOf(0).isNull() && !pictureOf(4).isNull());
    QTRY_COMPARE(server.requestTargets().size(), pictures.size());
    QTest::qWait(300); // the failed ones have nothing to wait for
    for (int row = 0; row < pictures.size(); ++row)
        QCOMPARE(pictureOf(row).size(), pictures.at(row).second);
}

QTEST_MAIN(tst_PriceTablePane)
#include "tst_PriceTablePane.moc"
