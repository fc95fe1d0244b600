#include "TBrowserView.h"
#include "TOfferReading.h"
#include "TPageReader.h"
#include "TPriceParser.h"
#include "TestHttpServer.h"
#include "U_Pub.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QtTest>

// The reading of results pages through the real engine: the sample pages of tests/pages/offers,
// in the shapes shops use, served by the loopback server, read as the program reads them.
namespace {
const int kWait = 30000;

// An offer as one line: name|price|address|picture|source.
QString offerLine(const TOffer &o)
{
    return QStringList {
        o.Name, PriceText(o.PriceFen), o.Address.toString(), o.Picture.toString(), OfferSourceText(o.Source)}
        .join(QLatin1Char('|'));
}
} // namespace

class tst_OfferReading : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void readPage_data();
    void readPage();
    void rulesFile_data();
    void rulesFile();
    void hostileReading();
    void readerFailsOnErrorPage();

private:
    TestHttpServer m_server;
    QString m_base;
};

void tst_OfferReading::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QDir().mkpath(QFileInfo(TShopRules::UserFilePath()).absolutePath());
    QFile user(TShopRules::UserFilePath());
    QVERIFY(user.open(QIODevice::WriteOnly));
    user.write(
        R"({"shops": [{"host": "127.0.0.1", "item": ".goods", "name": ".n", "price": ".money", "link": "a.go"}]})");
    user.close();

    QVERIFY(m_server.listen());
    m_base = QString::fromLatin1(m_server.baseUrl());
    m_server.servePages(QStringLiteral("offers")); // "/cards" is offers/cards.html
    // The same table as GBK bytes, the encoding named only in the page.
    // GBK has no "¥": such pages write the full-width "￥".
    QByteArray gbk = ToGbk(QString::fromUtf8(TestPage(QStringLiteral("offers/table.html")))
                               .replace(QStringLiteral("¥"), QStringLiteral("￥")));
    gbk.replace("charset=\"utf-8\"", "charset=\"gbk\"");
    m_server.setPage("/table-gbk", gbk, "text/html");
}

void tst_OfferReading::readPage_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("offers");
    QTest::addColumn<int>("reports"); // readings that differ, each reported once
    const QString b = m_base;
    const QString s = QStringLiteral("|结构化数据");
    const QString r = QStringLiteral("|网店规则");
    const QString g = QStringLiteral("|页面识别");

    QTest::newRow("JSON-LD item list")
        << "/jsonld"
        << QStringList {"华为 Mate 手机|3999|" + b + "/item/1|" + b + "/img/1.jpg" + s,
               "小米 手机|1299|https://shop.example/item/2|" + s}
        << 1;
    QTest::newRow("microdata") << "/microdata"
                               << QStringList {"佳能 相机|2499|" + b + "/p/a|" + b + "/a.png" + s,
                                      "尼康 相机|3100|" + b + "/p/b|" + s}
                               << 1;
    QTest::newRow("cards with noise")
        << "/cards"
        << QStringList {"苹果 iPhone 手机 128G|5999|" + b + "/goods/101|" + b + "/pic/101.jpg" + g,
               "三星 Galaxy 手机|3899|" + b + "/goods/102|" + b + "/pic/102.jpg" + g,
               "OPPO Reno 手机|2499|" + b + "/goods/103|" + b + "/pic/103.jpg" + g,
               "vivo X 手机|12000|" + b + "/goods/104|" + b + "/pic/104.jpg" + g}
        << 1;
    const QStringList table {"联想 笔记本|4599|http://other.example/t/1|" + g,
        "戴尔 笔记本|5299|http://other.example/t/2|" + g, "华硕 笔记本|3999|http://other.example/t/3|" + g};
    QTest::newRow("table, UTF-8") << "/table" << table << 1;
    QTest::newRow("table, GBK") << "/table-gbk" << table << 1;
    QTest::newRow("filled in by script")
        << "/script"
        << QStringList {"索尼 耳机|899|" + b + "/e/0|" + g, "漫步者 耳机|199|" + b + "/e/1|" + g,
               "森海 耳机|1599|" + b + "/e/2|" + g}
        << 2; // the empty list, then the filled one
    QTest::newRow("shop rules") << "/rules"
                                << QStringList {"格力 空调|3299|" + b + "/r/1|" + r,
                                       "美的 空调|2899|" + b + "/r/2|" + r}
                                << 1;
    // The countdown changes the document all the time; the offers read the same each time.
    QTest::newRow("ticking countdown")
        << "/countdown" << QStringList {"华为 手表|1299|" + b + "/w/0|" + g, "小米 手环|249|" + b + "/w/1|" + g}
        << 1;
    QTest::newRow("no results") << "/none" << QStringList() << 1;
}

void tst_OfferReading::readPage()
{
    QFETCH(QString, path);
    QFETCH(QStringList, offers);
    QFETCH(int, reports);

    const TShopRules rules = TShopRules::Load();
    TBrowserView view;
    view.resize(1000, 800);
    view.show();
    view.Navigate(m_base + path, 0);
    TPageReader reader(
        &view, [&rules](const QUrl &url) { return OfferReadingScript(rules.RuleFor(url.host())); });
    QSignalSpy read(&reader, &TPageReader::read);
    QSignalSpy done(&reader, &TPageReader::done);
    QSignalSpy failed(&reader, &TPageReader::failed);
    QVERIFY(done.wait(kWait));
    QCOMPARE(failed.count(), 0);
    QVERIFY(read.count() >= 1);
    QVERIFY2(read.count() <= reports, qPrintable(QString::number(read.count())));

    QStringList lines;
    for (const TOffer &offer : OffersFromReading(read.last().at(0).toString(), QStringLiteral("测试店")))
        lines.append(offerLine(offer));
    QCOMPARE(lines, offers);
}

void tst_OfferReading::rulesFile_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("item"); // of the rule found; empty: none
    QTest::newRow("shipped") << "search.dangdang.com"
                             << "#search_nature_rg li";
    QTest::newRow("user's file") << "127.0.0.1"
                                 << ".goods";
    QTest::newRow("domain above") << "a.search.jd.com"
                                  << "#J_goodsList li.gl-item";
    QTest::newRow("case") << "SEARCH.JD.COM"
                          << "#J_goodsList li.gl-item";
    QTest::newRow("unknown") << "example.com"
                             << "";
}

void tst_OfferReading::rulesFile()
{
    QFETCH(QString, host);
    QFETCH(QString, item);
    QCOMPARE(TShopRules::Load().RuleFor(host).value(QLatin1String("item")).toString(), item);
}

void tst_OfferReading::hostileReading()
{
    // What a page could make the script hand back: only plain offers with web addresses pass.
    const QString json = QString::fromUtf8(R"J({"base": "https://s.example/q?k=1", "structured": [
        {"name": "<b>粗体</b>\n  名字", "price": "¥10", "url": "g/1", "image": "javascript:x()"},
        {"name": "文件", "price": "¥10", "url": "file:///etc/passwd"},
        {"name": "", "price": "¥10", "url": "/n"},
        {"name": 42, "price": {"a": 1}, "url": []},
        {"name": "无价", "price": "¥0", "url": "/z"}]})J");
    const QList<TOffer> offers = OffersFromReading(json, QStringLiteral("店"));
    QCOMPARE(offers.size(), 1);
    QCOMPARE(offers.at(0).Name, QStringLiteral("<b>粗体</b> 名字"));
    QCOMPARE(offers.at(0).Address, QUrl(QStringLiteral("https://s.example/g/1")));
    QVERIFY(offers.at(0).Picture.isEmpty());
    QVERIFY(OffersFromReading(QStringLiteral("not json"), QStringLiteral("店")).isEmpty());
}

void tst_OfferReading::readerFailsOnErrorPage()
{
    // A port nobody listens on: the load fails, and the program's error page is not read.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const QString address = QStringLiteral("http://127.0.0.1:%1/x").arg(probe.serverPort());
    probe.close();
    TBrowserView view;
    view.show();
    view.Navigate(address, 0);
    TPageReader reader(&view, [](const QUrl &) { return QStringLiteral("'x'"); });
    QSignalSpy failed(&reader, &TPageReader::failed);
    QVERIFY(failed.wait(kWait));
    QCOMPARE(failed.at(0).at(0).value<TPageReader::Failure>(), TPageReader::LoadFailed);
}

QTEST_MAIN(tst_OfferReading)
#include "tst_OfferReading.moc"
