#include "TBrowserView.h"
#include "TOfferReading.h"
#include "TPageReader.h"
#include "TPriceParser.h"
#include "TestHttpServer.h"
#include "U_Pub.h"

#include <QSignalSpy>
#include <QtTest>

// The reading of results pages built the harder ways shops build them, one page a shape (the
// pages of tests/pages/reading), read through the real engine as the program reads them. Each row
// also prints how well the page was read: recall and precision of the offers, exact names.
namespace {
const int kWait = 30000;
} // namespace

class tst_ReadingShapes : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void shape_data();
    void shape();

private:
    TestHttpServer m_server;
};

void tst_ReadingShapes::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(TShopRules::UserFilePath());
    QVERIFY(m_server.listen());
    m_server.servePages(QStringLiteral("reading"));
    m_server.setPage("/late-prices-data", TestPage(QStringLiteral("reading/late-prices-data.json")), "application/json");
    // A search address that sends the browser on to the results' own address.
    TestHttpServer::Reply moved;
    moved.status = 302;
    moved.headers = "Location: /lazy?from=old\r\n";
    m_server.setReply("/old-search", moved);
    // GBK named only in the page itself ("¥" is not in GBK: such pages write "￥").
    QByteArray gbk = ToGbk(QString::fromUtf8(TestPage(QStringLiteral("reading/names.html"))).replace(QStringLiteral("¥"), QStringLiteral("￥")));
    gbk.replace("charset=\"utf-8\"", "charset=\"gbk\"");
    m_server.setPage("/names-gbk", gbk, "text/html");
}

void tst_ReadingShapes::shape_data()
{
    // Each offer as name|price|address path|picture path.
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("offers");
    const QStringList names {"星弧 S12 Pro 8GB+256GB 曜石黑 5G 全网通 旗舰手机 官方标配|2999|/g/1|/pic/g1.jpg",
        "Xinghu/星弧 S12Pro 8+256G 5G手机 曜石黑|2949|/g/2|/pic/g2.jpg", "星弧 S12 256GB 云母白|2599|/g/3|/pic/g3.jpg",
        "手机壳 适用星弧S12 Pro 磨砂手机保护套|29.9|/g/4|/pic/g4.jpg", "【官方旗舰】星弧S12 Pro 256GB|3099|/g/5|/pic/g5.jpg",
        "星弧 S12 Pro 16GB+1TB 典藏版…|4599|/g/6|/pic/g6.jpg"};
    const QStringList lazy {"行者 双肩背包 30L|199|/b/1|/pic/b1.jpg",
        "行者 电脑包 15.6寸|159|/b/2|http://img.example.com/pic/b2.jpg", "山野 登山包 50L|399|/b/3|/pic/b3.jpg",
        "山野 腰包 运动款|49|/b/4|/pic/b4.jpg", "行者 旅行箱包 套装|599|/b/5|/pic/b5.jpg"};

    QTest::newRow("a price written many times") << "/price-copies"
        << QStringList {"星弧 S12 Pro 8GB+256GB 曜石黑|2999|/item/201|/pic/201.jpg",
               "星弧 A5 6GB+128GB 晴空蓝|1799|/item/202|/pic/202.jpg",
               "星弧 Fold 折叠屏 12GB+512GB|4999|/item/203|/pic/203.jpg",
               "星弧 S12 Pro 原装硅胶保护壳|129|/item/204|/pic/204.jpg"};
    QTest::newRow("recommendations, cart, filter, pages") << "/recommendations"
        << QStringList {"蓝鲸 Q3 主动降噪 蓝牙耳机|399|/item/301|/pic/301.jpg",
               "声澜 AirBuds 2 真无线耳机|259|/item/302|/pic/302.jpg", "声澜 头戴式 有线耳机|129|/item/303|/pic/303.jpg"};
    QTest::newRow("nothing found, then recommendations") << "/no-results" << QStringList();
    QTest::newRow("0 results, then other goods") << "/zero-count" << QStringList();
    QTest::newRow("names cut short, titles, highlights") << "/names" << names;
    QTest::newRow("names, GBK named in the page") << "/names-gbk" << names;
    QTest::newRow("prices asked for after the load") << "/late-prices"
        << QStringList {"暖灶 3L 智能电饭煲|199|/d/1|/pic/d1.jpg", "暖灶 5L 球釜电饭煲|459|/d/2|/pic/d2.jpg",
               "米香 IH 电饭煲 4L|699|/d/3|/pic/d3.jpg"};
    QTest::newRow("list drawn from the page's state") << "/state"
        << QStringList {"明光 护眼台灯 国AA级|239|/l/11|/pic/l11.jpg", "明光 LED 夹子灯|59.9|/l/12|/pic/l12.jpg",
               "暖阅 落地阅读灯|329|/l/13|/pic/l13.jpg"};
    QTest::newRow("lazy pictures") << "/lazy" << lazy;
    QTest::newRow("redirected to the results") << "/old-search" << lazy;
    QTest::newRow("address rewritten after the load") << "/replace-state"
        << QStringList {"清泉 保温杯 500ml|89|/c/1|/pic/c1.jpg", "清泉 吸管杯 儿童|49|/c/2|/pic/c2.jpg"};
    QTest::newRow("links around whole cards, bare numbers") << "/card-links"
        << QStringList {"织梦 纯棉四件套 1.8m床|299|/k/1|/pic/k1.jpg", "织梦 天丝四件套 冰丝凉感|459|/k/2|/pic/k2.jpg",
               "云眠 长绒棉床品套件|359|/k/3|/pic/k3.jpg"};
    QTest::newRow("sponsored items, rows") << "/sponsored-rows"
        << QStringList {"疾风 竞速跑鞋 碳板|899|/s/1|/pic/s1.jpg", "疾风 缓震跑鞋 男款|459|/s/2|/pic/s2.jpg",
               "轻羽 慢跑鞋 女款|329|/s/3|/pic/s3.jpg", "轻羽 透气网面跑鞋|269|/s/4|/pic/s4.jpg",
               "疾风 越野跑鞋|699|/s/5|/pic/s5.jpg", "轻羽 儿童运动鞋|199|/s/6|/pic/s6.jpg",
               "疾风 马拉松跑鞋|799|/s/7|/pic/s7.jpg", "轻羽 休闲跑鞋|239|/s/8|/pic/s8.jpg"};
}

void tst_ReadingShapes::shape()
{
    QFETCH(QString, path);
    QFETCH(QStringList, offers);

    TBrowserView view;
    view.resize(1000, 800);
    view.show();
    view.Navigate(QString::fromLatin1(m_server.baseUrl()) + path, 0);
    TPageReader reader(&view, [](const QUrl &) { return OfferReadingScript({}); });
    QSignalSpy read(&reader, &TPageReader::read);
    QSignalSpy done(&reader, &TPageReader::done);
    QSignalSpy failed(&reader, &TPageReader::failed);
    QVERIFY(done.wait(kWait));
    QCOMPARE(failed.count(), 0);
    QVERIFY(!read.isEmpty());

    const QString base = QString::fromLatin1(m_server.baseUrl());
    auto local = [&base](const QUrl &url) {
        const QString text = url.toString();
        return text.startsWith(base) ? text.mid(base.size()) : text;
    };
    QStringList lines;
    for (const TOffer &o : OffersFromReading(read.last().at(0).toString(), QStringLiteral("店")))
        lines.append(QStringList {o.Name, PriceText(o.PriceFen), local(o.Address), local(o.Picture)}.join('|'));

    // How well the page was read, by offer address: found, right, and with the exact name.
    auto field = [](const QString &line, int i) { return line.section(QLatin1Char('|'), i, i); };
    int right = 0, exactNames = 0;
    for (const QString &line : lines) {
        for (const QString &expected : offers) {
            if (field(line, 2) == field(expected, 2)) {
                right += field(line, 1) == field(expected, 1);
                exactNames += field(line, 0) == field(expected, 0);
            }
        }
    }
    qInfo("%s: recall %d/%d, precision %d/%d, names exact %d/%d", QTest::currentDataTag(), right,
        int(offers.size()), right, int(lines.size()), exactNames, int(offers.size()));
    QCOMPARE(lines, offers);
}

QTEST_MAIN(tst_ReadingShapes)
#include "tst_ReadingShapes.moc"
