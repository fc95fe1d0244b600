#include "TProductGrouping.h"

#include <QFile>
#include <QtTest>

#include <cstdio>
#include <cstring>

// Reading offer titles and grouping them by product: single titles, sets of titles, and the
// figures over a labelled set of offers. Run as `tst_ProductGrouping --measure FILE [-v]` it
// prints the figures for another labelled file (keyword, shop, title, price, group label, kind;
// tab-separated; "#" lines are comments) and what it got wrong with -v.
namespace {
struct Figures
{
    double PairPrecision = 0, PairRecall = 0, AccessoryPrecision = 0, AccessoryRecall = 0, HardShare = 0;
    int Offers = 0, CheapRowsWithAccessory = 0;
    QStringList Errors;
};

QString read(const TTitleReading &r)
{
    return QStringList({r.Brand, r.Model, r.VariantText()}).join(QLatin1Char('|'));
}

double ratio(qint64 a, qint64 b)
{
    return b ? double(a) / double(b) : 1.0;
}

Figures measure(const QString &path)
{
    QFile file(path);
    Figures f;
    if (!file.open(QIODevice::ReadOnly))
        return f;
    struct Labelled
    {
        TOffer Offer;
        QString Label, Kind;
    };
    QMap<QString, QList<Labelled>> byKeyword;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QStringList c = line.split(QLatin1Char('\t'));
        if (line.startsWith(QLatin1Char('#')) || c.size() < 6)
            continue;
        Labelled l;
        l.Offer.Shop = c.at(1);
        l.Offer.Name = c.at(2);
        l.Offer.PriceFen = qRound64(c.at(3).toDouble() * 100);
        l.Label = c.at(4).trimmed();
        l.Kind = c.at(5).trimmed();
        byKeyword[c.at(0)].append(l);
    }
    qint64 tp = 0, fp = 0, fn = 0, pairs = 0, hard = 0, accTp = 0, accFp = 0, accFn = 0;
    for (auto it = byKeyword.cbegin(); it != byKeyword.cend(); ++it) {
        const QList<Labelled> &set = it.value();
        QList<TOffer> offers;
        for (const Labelled &l : set)
            offers.append(l.Offer);
        const TProductGrouping g = TProductGrouping::Group(offers, it.key());
        f.Offers += int(offers.size());
        const QString product = OfferKindText(TOfferKind::Product), accessory = OfferKindText(TOfferKind::Accessory);
        for (int i = 0; i < set.size(); ++i) {
            const bool said = g.KindOf(i) == TOfferKind::Accessory, is = set.at(i).Kind == accessory;
            accTp += said && is;
            accFp += said && !is;
            accFn += !said && is;
            if (OfferKindText(g.KindOf(i)) != set.at(i).Kind)
                f.Errors.append(QStringLiteral("类别 %1 ≠ %2: %3").arg(OfferKindText(g.KindOf(i)), set.at(i).Kind, set.at(i).Offer.Name));
            if (set.at(i).Kind != product)
                continue;
            for (int j = i + 1; j < set.size(); ++j) {
                if (set.at(j).Kind != product)
                    continue;
                const bool same = set.at(i).Label == set.at(j).Label, grouped = g.GroupOf(i) == g.GroupOf(j);
                ++pairs;
                hard += set.at(i).Label.section(QLatin1Char('|'), 0, 0) == set.at(j).Label.section(QLatin1Char('|'), 0, 0);
                tp += same && grouped;
                fp += !same && grouped;
                fn += same && !grouped;
                if (same != grouped && f.Errors.size() < 2000)
                    f.Errors.append(QStringLiteral("%1: %2 (%3) | %4 (%5)")
                                        .arg(same ? QStringLiteral("未合") : QStringLiteral("误合"), set.at(i).Offer.Name,
                                            read(g.Readings().at(i)), set.at(j).Offer.Name, read(g.Readings().at(j))));
            }
        }
        // The product view's ten cheapest rows: the first ten groups of products.
        int rows = 0;
        for (const TProductGroup &group : g.Groups()) {
            if (group.Kind != TOfferKind::Product || rows++ >= 10)
                continue;
            for (int offer : group.Offers)
                f.CheapRowsWithAccessory += set.at(offer).Kind == accessory;
        }
    }
    f.PairPrecision = ratio(tp, tp + fp);
    f.PairRecall = ratio(tp, tp + fn);
    f.AccessoryPrecision = ratio(accTp, accTp + accFp);
    f.AccessoryRecall = ratio(accTp, accTp + accFn);
    f.HardShare = ratio(hard, pairs);
    return f;
}

QString report(const Figures &f)
{
    return QStringLiteral("%1 offers: pairs precision %2 recall %3; accessories precision %4 recall %5; "
                          "accessories in the ten cheapest product rows %6; same-brand pairs %7%")
        .arg(f.Offers)
        .arg(f.PairPrecision, 0, 'f', 3)
        .arg(f.PairRecall, 0, 'f', 3)
        .arg(f.AccessoryPrecision, 0, 'f', 3)
        .arg(f.AccessoryRecall, 0, 'f', 3)
        .arg(f.CheapRowsWithAccessory)
        .arg(f.HardShare * 100, 0, 'f', 0);
}
} // namespace

class tst_ProductGrouping : public QObject
{
    Q_OBJECT
private slots:
    void reading_data();
    void reading();
    void grouping_data();
    void grouping();
    void labelledSet();
};

void tst_ProductGrouping::reading_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("read"); // brand|model|variant|kind
    const QString phone = QStringLiteral("手机");
    QTest::newRow("spaced") << phone << "星弧 S12 Pro 5G手机 8GB+256GB 曜石黑" << "星弧|s12 pro|8+256|商品";
    QTest::newRow("glued, promotion") << phone << "【百亿补贴】星弧S12Pro 8G+256G 全网通" << "星弧|s12 pro|8+256|商品";
    QTest::newRow("full width") << phone << "星弧　Ｓ１２　ＰＲＯ　８＋２５６Ｇ" << "星弧|s12 pro|8+256|商品";
    QTest::newRow("memory after") << phone << "正品 星弧s12 256G 12G运存 顺丰包邮" << "星弧|s12|12+256|商品";
    QTest::newRow("series word") << phone << "澜图 Note9 Pro 6+128" << "澜图|note 9 pro|6+128|商品";
    QTest::newRow("storage only") << phone << "澜图 K30 Ultra 1TB 远峰蓝" << "澜图|k30 ultra|1t|商品";
    QTest::newRow("5G is no memory") << phone << "澜图 X3 5G手机 256G" << "澜图|x3|256|商品";
    QTest::newRow("gift") << phone << "星弧 S12 手机 8+256G【送壳膜】送充电器" << "星弧|s12|8+256|商品";
    QTest::newRow("fits") << phone << "适用于星弧S12手机壳 全包防摔" << "星弧|s12||配件";
    QTest::newRow("ends in accessory") << phone << "星弧S12 Pro 钢化膜 高清" << "星弧|s12 pro||配件";
    QTest::newRow("maker and line") << phone << "小米 Redmi K70 至尊版 12GB+256GB" << "红米|k70 至尊|12+256|商品";
    QTest::newRow("other goods") << phone << "星弧 平板电脑 Pad 6 8+128G" << "星弧|pad 6|8+128|无关";
    QTest::newRow("television") << "电视" << "曜视 65V8 65英寸 4K 智能液晶电视机" << "曜视|v8|65英寸|商品";
    QTest::newRow("inches as 寸") << "电视" << "曜视电视 V8 Pro 75寸 家用" << "曜视|v8 pro|75英寸|商品";
    QTest::newRow("milk powder") << "奶粉" << "飞鹤 奶粉 3段 1.2kg*6罐" << "飞鹤||3段 1200g x6|商品";
    QTest::newRow("stage in words") << "奶粉" << "飞鹤奶粉三段 800克" << "飞鹤||3段 800g|商品";
    QTest::newRow("milk accessory") << "奶粉" << "奶粉盒 便携分装 适用飞鹤" << "飞鹤|||配件";
    QTest::newRow("empty") << phone << "" << "|||商品";
    QTest::newRow("emoji and surrogates") << phone << QString::fromUtf8("😀😀 星弧 S12 ") + QChar(0xD800) + "8+256"
                                          << "星弧|s12|8+256|商品";
    QTest::newRow("long") << phone << QString(300, QChar(0x4E00)) << "|||商品";
}

void tst_ProductGrouping::reading()
{
    QFETCH(QString, keyword);
    QFETCH(QString, title);
    QFETCH(QString, read);
    TProductLexicon lexicon = TProductLexicon::BuiltIn();
    lexicon.Add(TProductLexicon::Brands, {QStringLiteral("星弧"), QStringLiteral("xinghu")});
    lexicon.Add(TProductLexicon::Brands, {QStringLiteral("澜图")});
    lexicon.Add(TProductLexicon::Brands, {QStringLiteral("曜视")});
    TProductTitle reader(keyword, lexicon);
    const TTitleReading r = reader.Read(title);
    QCOMPARE(QStringList({r.Brand, r.Model, r.VariantText(), OfferKindText(r.Kind)}).join(QLatin1Char('|')), read);
}

void tst_ProductGrouping::grouping_data()
{
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("groups"); // the titles' group numbers in order
    QTest::newRow("four ways, learned brand") << QStringList {"Xinghu/星弧 S12 Pro 8+256G", "星弧S12Pro 8GB+256GB",
        "XINGHU S12 Pro 8G 256G", "星弧（XINGHU）S12 PRO（8GB/256GB）"} << "1 1 1 1";
    QTest::newRow("pro, storage, model") << QStringList {"星弧 S12 8+256", "星弧 S12 Pro 8+256", "星弧 S12 12+256",
        "星弧 S13 8+256", "星弧 S12 Pro 8+256G"} << "1 2 3 4 2";
    QTest::newRow("less said joins the one that fits")
        << QStringList {"星弧 X3 8+128", "星弧 X3 128G", "星弧 X3 手机"} << "1 1 1";
    QTest::newRow("less said, two fit") << QStringList {"星弧 X3 8+128", "星弧 X3 12+128", "星弧 X3 128G"} << "1 2 3";
    QTest::newRow("no model, each alone") << QStringList {"星弧 手机 8+256", "星弧 新款手机 8+256"} << "1 2";
    QTest::newRow("title starts teach a brand")
        << QStringList {"蓝鲸 K30 8+128", "蓝鲸K30 8G+128G", "蓝鲸 手机 K30 8+128", "K30 8+128"} << "1 1 1 1";
    QTest::newRow("series names") << QStringList {"贝宁 启源 3段 800g", "贝宁启源婴幼儿配方奶粉3段800克",
        "贝宁 臻护 3段 800g", "贝宁 臻护 奶粉 3段 800g"} << "1 1 2 2";
    QTest::newRow("accessory apart") << QStringList {"星弧 S12 8+256", "星弧S12 手机壳", "星弧 S12 8+256G"} << "1 2 1";
}

void tst_ProductGrouping::grouping()
{
    QFETCH(QStringList, titles);
    QFETCH(QString, groups);
    QList<TOffer> offers;
    for (const QString &title : titles) {
        TOffer offer;
        offer.Name = title;
        offer.PriceFen = 100000 + offers.size(); // in the titles' order
        offers.append(offer);
    }
    const TProductGrouping g = TProductGrouping::Group(offers, QString());
    QStringList numbers;
    for (int i = 0; i < offers.size(); ++i)
        numbers.append(QString::number(g.Groups().at(g.GroupOf(i)).Number));
    QCOMPARE(numbers.join(QLatin1Char(' ')), groups);
}

void tst_ProductGrouping::labelledSet()
{
    const Figures f = measure(QStringLiteral(VANZU_PRODUCT_PAGES "/labelled.tsv"));
    qInfo().noquote() << report(f);
    QVERIFY(f.Offers >= 400);
    QVERIFY2(f.PairPrecision >= 0.97, qPrintable(f.Errors.join(QLatin1Char('\n'))));
    QVERIFY2(f.PairRecall >= 0.92, qPrintable(f.Errors.join(QLatin1Char('\n'))));
    QVERIFY(f.AccessoryPrecision >= 0.92);
    QVERIFY(f.AccessoryRecall >= 0.92);
    QCOMPARE(f.CheapRowsWithAccessory, 0);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "--measure") == 0) {
        const Figures f = measure(QString::fromLocal8Bit(argv[2]));
        if (argc >= 4 && std::strcmp(argv[3], "-v") == 0)
            std::puts(qUtf8Printable(f.Errors.join(QLatin1Char('\n'))));
        std::puts(qUtf8Printable(report(f)));
        return f.Offers > 0 ? 0 : 1;
    }
    tst_ProductGrouping test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_ProductGrouping.moc"
