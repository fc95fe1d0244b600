#include "TShopCatalogue.h"
#include "TUserCatalogue.h"
#include "U_Pub.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QMap>
#include <QSet>
#include <QUrl>
#include <QtTest>

namespace {

const QString kPlaceholders[] = { QStringLiteral("{?ku}"), QStringLiteral("{?kg}"),
                                  QStringLiteral("{?kc}"), QStringLiteral("{?ke}") };

struct ExpectedShop
{
    const char *name;
    const char *placeholder; // "" for a fixed address
    int occurrences;
};

struct ExpectedCategory
{
    const char *name;
    QList<ExpectedShop> shops;
};

// The shipped catalogue: categories and shops in order, with the placeholder each template
// holds and how often.
const QList<ExpectedCategory> &expectedCatalogue()
{
    static const QList<ExpectedCategory> catalogue = {
        { "购物综合", { { "卓越亚马逊", "{?ku}", 2 }, { "当当网", "{?kg}", 1 }, { "京东商城", "{?kg}", 1 },
                        { "MSN商城", "{?ku}", 1 }, { "No5时尚广场", "{?kg}", 1 }, { "淘宝商城", "{?kg}", 1 },
                        { "红孩子", "{?kg}", 1 } } },
        { "服装服饰", { { "玛萨玛索男装网", "{?ku}", 1 }, { "时尚起义服饰", "", 0 }, { "D1优尚网", "{?kg}", 1 },
                        { "乐淘网上鞋城", "{?ku}", 1 }, { "好乐买品牌鞋城", "{?kg}", 1 },
                        { "VANCL网上商城", "{?ku}", 1 }, { "V+名品折扣区", "{?ku}", 1 },
                        { "上品折扣特卖会", "", 0 }, { "名鞋库折扣鞋城", "", 0 }, { "欧莱诺服饰", "{?ku}", 1 },
                        { "Justyle英伦男装", "{?kg}", 1 }, { "奥迅运动服饰城", "{?ku}", 1 },
                        { "第九大道特卖会", "", 0 }, { "奕尚网名牌服饰", "{?kg}", 1 } } },
        { "数码家电", { { "北斗手机网", "{?kg}", 1 }, { "大中电器", "", 0 }, { "绿森数码", "{?ku}", 1 },
                        { "锐意网", "{?ku}", 1 }, { "新蛋网", "{?kg}", 1 }, { "世纪电器网", "{?kg}", 1 },
                        { "迪信通", "", 0 }, { "苏宁电器", "", 0 }, { "东方cj", "", 0 },
                        { "诺基亚官方网店", "{?ku}", 1 } } },
        { "女性时尚", { { "麦考林", "{?ku}", 1 }, { "梦芭莎内衣女装", "", 0 }, { "兰缪时尚内衣", "", 0 },
                        { "走秀网时尚购物", "", 0 }, { "百丽官方淘秀网", "{?ku}", 1 },
                        { "悠品女装百货", "{?ku}", 1 } } },
        { "化妆品", { { "果皮网", "{?kg}", 1 }, { "天天购物网", "{?kg}", 1 }, { "No5化妆品商城", "{?kg}", 1 },
                      { "乐蜂时尚化妆品", "{?ku}", 1 } } },
        { "母婴儿童", { { "红孩子母婴", "{?kg}", 1 }, { "丽家宝贝", "{?kc}", 1 }, { "乐友商城", "{?ku}", 1 },
                        { "当当母婴", "{?kg}", 1 }, { "宝宝树", "{?ku}", 1 }, { "爱购宝贝", "", 0 },
                        { "葫芦妈妈母婴商城", "{?ku}", 1 }, { "泰妮丝宝宝", "{?ku}", 1 } } },
        { "日用百货", { { "橡果国际购物", "{?ku}", 1 }, { "1号店", "", 0 }, { "中粮我买购物网", "{?kg}", 2 },
                        { "快乐购", "{?ku}", 1 }, { "趣玩创意百货", "", 0 }, { "2688网店", "", 0 } } },
        { "机票酒店", { { "游易网", "{?ke}", 1 }, { "亿龙网", "", 0 }, { "快乐E行", "{?ke}", 2 },
                        { "酷讯旅游", "{?ku}", 1 } } },
        { "两性保健", { { "七彩谷商城", "{?ku}", 1 }, { "爱之谷成人用品", "{?kg}", 1 },
                        { "春水堂情趣用品", "{?kg}", 1 }, { "康陆保健网", "{?ku}", 1 } } },
        { "台湾网店", { { "全买网", "{?ku}", 1 }, { "乐活堂", "{?ku}", 1 } } },
        { "美国购物", { { "亚马逊", "", 0 }, { "ebay", "", 0 } } },
        { "google购物搜索", { { "Google购物", "{?ku}", 1 } } },
    };
    return catalogue;
}

QByteArray readResource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// True when every byte above 127 starts a two-byte GBK character: lead 0x81-0xFE, trail
// 0x40-0xFE without 0x7F. UTF-8 text and the four-byte forms of GB18030 fail this.
bool isTwoByteGbk(const QByteArray &bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto lead = static_cast<unsigned char>(bytes.at(i));
        if (lead < 0x80)
            continue;
        if (lead == 0x80 || lead == 0xFF || i + 1 >= bytes.size())
            return false;
        const auto trail = static_cast<unsigned char>(bytes.at(++i));
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF)
            return false;
    }
    return true;
}

// Lines of text stored with CR LF between them: no lone CR or LF may hide in a line.
QList<QByteArray> crLfLines(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

QString describe(const TShopEntry &entry)
{
    return QStringLiteral("%1|%2|%3").arg(entry.IsCategory ? QStringLiteral("C") : QStringLiteral("S"),
                                           entry.Name, entry.Value);
}

QStringList describe(const QList<TShopEntry> &entries)
{
    QStringList result;
    for (const TShopEntry &entry : entries)
        result << describe(entry);
    return result;
}

QList<TShopEntry> shippedShops()
{
    QList<TShopEntry> shops;
    const QList<TShopEntry> entries = ReadShopCatalogue(LoadShopCatalogueText());
    for (const TShopEntry &entry : entries) {
        if (!entry.IsCategory)
            shops << entry;
    }
    return shops;
}

} // namespace

class tst_ShopCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void catalogueBytes();
    void catalogueThroughLoadTextResource();
    void catalogueOrder();
    void placeholderCensus();
    void templatesAreAddresses();
    void namesFindTheirOwnTemplate();
    void popularShops();
    void startPage();

    void readCatalogue_data();
    void readCatalogue();
    void shopSearchTemplate_data();
    void shopSearchTemplate();

    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QFile::remove(UserCatalogueFilePath());
    }
    void cleanup() { QFile::remove(UserCatalogueFilePath()); }
    void userCatalogue_data();
    void userCatalogue();
    void userFileProblemsToldOnce();
};

void tst_ShopCatalogue::catalogueBytes()
{
    const QByteArray bytes = readResource(QStringLiteral(":/TXT/SHOPLIST_TXT"));
    QVERIFY(!bytes.isEmpty());
    QVERIFY(isTwoByteGbk(bytes));
    QVERIFY(!bytes.contains('\0'));
    // CR LF between the lines and none after the last.
    QCOMPARE(bytes.count("\r\n"), 79);
    QCOMPARE(bytes.count('\r'), 79);
    QCOMPARE(bytes.count('\n'), 79);
    QVERIFY(!bytes.endsWith('\n'));
    const QList<QByteArray> lines = crLfLines(bytes);
    QCOMPARE(lines.size(), 80);
    for (const QByteArray &line : lines) {
        QVERIFY2(line.count('\t') == 1, line.constData());
        QVERIFY2(!line.trimmed().isEmpty(), "blank line");
    }
}

void tst_ShopCatalogue::catalogueThroughLoadTextResource()
{
    const QString raw = FromGbk(readResource(QStringLiteral(":/TXT/SHOPLIST_TXT")));
    QVERIFY(!raw.isEmpty());
    QCOMPARE(LoadShopCatalogueText(), raw + QStringLiteral("\r\n"));
    QCOMPARE(LoadTextResource(QStringLiteral("SHOPLIST_TXT"), QStringLiteral("txt")), raw + QStringLiteral("\r\n"));
}

void tst_ShopCatalogue::catalogueOrder()
{
    QStringList expected;
    for (const ExpectedCategory &category : expectedCatalogue()) {
        expected << QStringLiteral("C|%1|$").arg(QString::fromUtf8(category.name));
        for (const ExpectedShop &shop : category.shops)
            expected << QStringLiteral("S|%1").arg(QString::fromUtf8(shop.name));
    }
    QCOMPARE(expected.size(), 80);

    // Every line is an entry (none skipped), the first is a category, and the shops of each
    // category follow it in order.
    const QList<TShopEntry> entries = ReadShopCatalogue(LoadShopCatalogueText());
    QStringList actual;
    int categories = 0;
    for (const TShopEntry &entry : entries) {
        if (entry.IsCategory) {
            ++categories;
            actual << describe(entry);
        } else {
            actual << QStringLiteral("S|%1").arg(entry.Name);
        }
    }
    QCOMPARE(actual, expected);
    QCOMPARE(categories, 12);
    QCOMPARE(entries.size() - categories, 68);
}

void tst_ShopCatalogue::placeholderCensus()
{
    QMap<QString, int> census;
    QStringList doubles;
    const QList<TShopEntry> shops = shippedShops();
    QCOMPARE(shops.size(), 68);

    QMap<QString, std::pair<QString, int>> expected;
    for (const ExpectedCategory &category : expectedCatalogue()) {
        for (const ExpectedShop &shop : category.shops)
            expected.insert(QString::fromUtf8(shop.name), { QString::fromUtf8(shop.placeholder), shop.occurrences });
    }

    for (const TShopEntry &shop : shops) {
        QString kind;
        int occurrences = 0;
        QString rest = shop.Value;
        for (const QString &placeholder : kPlaceholders) {
            const int n = int(shop.Value.count(placeholder));
            if (n == 0)
                continue;
            QVERIFY2(kind.isEmpty(), qPrintable(shop.Name + QStringLiteral(" mixes placeholders")));
            kind = placeholder;
            occurrences = n;
            rest.remove(placeholder);
        }
        // Nothing else that looks like a placeholder.
        QVERIFY2(!rest.contains(QLatin1Char('{')) && !rest.contains(QLatin1Char('}')), qPrintable(shop.Value));
        census[kind.isEmpty() ? QStringLiteral("none") : kind] += 1;
        if (occurrences > 1)
            doubles << shop.Name;
        QCOMPARE(std::make_pair(kind, occurrences), expected.value(shop.Name));
    }

    QStringList measured;
    for (auto it = census.cbegin(); it != census.cend(); ++it)
        measured << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    QCOMPARE(measured, (QStringList{ QStringLiteral("none 18"), QStringLiteral("{?kc} 1"), QStringLiteral("{?ke} 2"),
                                     QStringLiteral("{?kg} 20"), QStringLiteral("{?ku} 27") }));
    QCOMPARE(doubles, (QStringList{ QStringLiteral("卓越亚马逊"), QStringLiteral("中粮我买购物网"), QStringLiteral("快乐E行") }));
}

void tst_ShopCatalogue::templatesAreAddresses()
{
    for (const TShopEntry &shop : shippedShops()) {
        QVERIFY2(shop.Value.startsWith(QLatin1String("http://")), qPrintable(shop.Value));
        // Fixed search words are stored percent-encoded: a template is printable ASCII only.
        for (const QChar c : shop.Value)
            QVERIFY2(c.unicode() > 32 && c.unicode() < 127, qPrintable(shop.Value));
        // "{?ke}" stays in the address as it is, so only the browser's tolerant reading applies.
        const QUrl url(ExpandSearchUrl(shop.Value, QStringLiteral("手机")));
        QVERIFY2(url.isValid(), qPrintable(url.errorString()));
        QCOMPARE(url.scheme(), QStringLiteral("http"));
        QVERIFY2(url.host().contains(QLatin1Char('.')), qPrintable(shop.Value));
    }
}

void tst_ShopCatalogue::namesFindTheirOwnTemplate()
{
    // The search finds a template by name, the first line that matches without regard to
    // case: names must be unique in that sense and free of the selection separator.
    const QString text = LoadShopCatalogueText();
    const QList<TShopEntry> entries = ReadShopCatalogue(text);
    QSet<QString> seen;
    for (const TShopEntry &entry : entries) {
        QVERIFY2(!entry.Name.isEmpty(), qPrintable(entry.Value));
        QVERIFY2(!entry.Name.contains(QLatin1Char(';')), qPrintable(entry.Name));
        const QString folded = entry.Name.toCaseFolded();
        QVERIFY2(!seen.contains(folded), qPrintable(entry.Name));
        seen.insert(folded);
        QCOMPARE(ShopSearchTemplate(text, entry.Name), entry.Value);
        QCOMPARE(ShopSearchTemplate(text, entry.Name.toUpper()), entry.Value);
    }
    QCOMPARE(seen.size(), 80);
}

void tst_ShopCatalogue::popularShops()
{
    const QByteArray bytes = readResource(QStringLiteral(":/TXT/TOPSHOP_TXT"));
    QVERIFY(isTwoByteGbk(bytes));
    // CR LF after every line, the last included.
    QCOMPARE(bytes.count("\r\n"), 7);
    QCOMPARE(bytes.count('\r'), 7);
    QCOMPARE(bytes.count('\n'), 7);
    QVERIFY(bytes.endsWith("\r\n"));

    const QString text = LoadTextResource(QStringLiteral("topshop_txt"), QStringLiteral("TXT"));
    QCOMPARE(text, FromGbk(bytes));
    TTextList list; // "=" separates name and address
    list.setText(text);
    QStringList names;
    QStringList schemes;
    for (int i = 0; i < list.count(); ++i) {
        names << list.name(i);
        const QUrl url(list.valueFromIndex(i), QUrl::StrictMode);
        QVERIFY2(url.isValid() && !url.host().isEmpty(), qPrintable(list.at(i)));
        schemes << url.scheme();
    }
    QCOMPARE(names, (QStringList{ QStringLiteral("淘宝网"), QStringLiteral("当当网"), QStringLiteral("卓越网"),
                                  QStringLiteral("京东商城"), QStringLiteral("凡客诚品"), QStringLiteral("支付宝"),
                                  QStringLiteral("快递查询") }));
    QCOMPARE(schemes, (QStringList{ QStringLiteral("http"), QStringLiteral("http"), QStringLiteral("http"),
                                    QStringLiteral("http"), QStringLiteral("http"), QStringLiteral("https"),
                                    QStringLiteral("http") }));
    // The referral address of the first ends with "=", and the line is cut at its first "=".
    QVERIFY(list.valueFromIndex(0).endsWith(QLatin1Char('=')));
    QVERIFY(list.valueFromIndex(0).count(QLatin1Char('=')) > 1);
    QCOMPARE(list.value(QStringLiteral("淘宝网")), list.valueFromIndex(0));
}

void tst_ShopCatalogue::startPage()
{
    const QByteArray bytes = readResource(QStringLiteral(":/HTM/INIT_HTM"));
    QVERIFY(isTwoByteGbk(bytes));
    QCOMPARE(bytes.count("\r\n"), 12);
    QCOMPARE(bytes.count('\r'), 12);
    QCOMPARE(bytes.count('\n'), 12);
    QVERIFY(!bytes.endsWith('\n'));

    const QStringList expected = {
        QStringLiteral("<html>"),
        QStringLiteral("<head>"),
        QStringLiteral("<title>默认</title>"),
        QStringLiteral("</head>"),
        QStringLiteral("<body>"),
        QStringLiteral("<p>"),
        QStringLiteral("<center>"),
        QStringLiteral("<font size=\"4\" color=\"#FF6600\">*Vanzu小精灵*</font><BR> "),
        QStringLiteral("<font size=\"2\" color=\"#C0C0C0\">你的购物助手</font>"),
        QStringLiteral("</p>"),
        QStringLiteral("</center>"),
        QStringLiteral("</body>"),
        QStringLiteral("</html>"),
    };
    QStringList lines;
    for (const QByteArray &line : crLfLines(bytes))
        lines << FromGbk(line);
    QCOMPARE(lines, expected);
    QCOMPARE(LoadTextResource(QStringLiteral("init_htm"), QStringLiteral("htm")),
             expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

void tst_ShopCatalogue::readCatalogue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("empty text") << QString() << QStringList();
    QTest::newRow("category line") << "购物综合\t$" << QStringList{ "C|购物综合|$" };
    QTest::newRow("dollar and a blank is a shop") << "甲\t$ " << QStringList{ "S|甲|$ " };
    QTest::newRow("blank and a dollar is a shop") << "甲\t $" << QStringList{ "S|甲| $" };
    QTest::newRow("two dollars is a shop") << "甲\t$$" << QStringList{ "S|甲|$$" };
    QTest::newRow("only a TAB is skipped") << "A\t$\r\n\t\r\nB\thttp://b" << QStringList{ "C|A|$", "S|B|http://b" };
    QTest::newRow("only blanks are skipped") << "A\t$\r\n   \r\nB\thttp://b" << QStringList{ "C|A|$", "S|B|http://b" };
    QTest::newRow("control characters are skipped") << QString("\x01\x1f \t") << QStringList();
    QTest::newRow("empty lines are skipped") << "A\t$\r\n\r\n\r\nB\thttp://b\r\n" << QStringList{ "C|A|$", "S|B|http://b" };
    QTest::newRow("full-width blank is text") << QString::fromUtf8("\u3000") << QStringList{ "S||" };
    QTest::newRow("shop before every category")
        << "顶\thttp://t\r\n购物综合\t$\r\n当当网\thttp://d" << QStringList{ "S|顶|http://t", "C|购物综合|$", "S|当当网|http://d" };
    QTest::newRow("category without shops") << "A\t$\r\nB\t$\r\nx\thttp://x" << QStringList{ "C|A|$", "C|B|$", "S|x|http://x" };
    QTest::newRow("line without TAB has an empty name") << "A\t$\r\njust text" << QStringList{ "C|A|$", "S||" };
    QTest::newRow("cut at the first TAB") << "A\thttp://a\tb" << QStringList{ "S|A|http://a\tb" };
    QTest::newRow("name and value untrimmed") << " A \t http://a " << QStringList{ "S| A | http://a " };
    QTest::newRow("empty name") << "\thttp://a" << QStringList{ "S||http://a" };
    QTest::newRow("empty value") << "A\t" << QStringList{ "S|A|" };
    QTest::newRow("name with a blank dollar value") << " \t$" << QStringList{ "C| |$" };
    QTest::newRow("CR, LF and CR LF breaks") << "A\t$\rB\tb\nC\tc\r\nD\td" << QStringList{ "C|A|$", "S|B|b", "S|C|c", "S|D|d" };
    QTest::newRow("NUL ends the text") << QString("A\t$\r\nB\tb").insert(5, QChar(0)) + "\r\nC\tc" << QStringList{ "C|A|$" };
}

void tst_ShopCatalogue::readCatalogue()
{
    QFETCH(QString, text);
    QFETCH(QStringList, entries);
    QCOMPARE(describe(ReadShopCatalogue(text)), entries);
}

void tst_ShopCatalogue::shopSearchTemplate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    const QString text = QStringLiteral("购物综合\t$\r\n当当网\thttp://d?k={?kg}\r\nEbay\thttp://e\r\n"
                                        "当当网\thttp://second\r\nplain\r\n A \thttp://a\r\n");
    QTest::newRow("shop") << text << "当当网" << "http://d?k={?kg}";
    QTest::newRow("first match wins") << "A\tone\r\na\ttwo" << "A" << "one";
    QTest::newRow("letters without regard to case") << text << "EBAY" << "http://e";
    QTest::newRow("category found as well") << text << "购物综合" << "$";
    QTest::newRow("unknown name") << text << "京东商城" << "";
    QTest::newRow("name cut short") << text << "当当" << "";
    QTest::newRow("line without TAB never matches") << text << "plain" << "";
    QTest::newRow("names are not trimmed") << text << "A" << "";
    QTest::newRow("untrimmed name matches") << text << " A " << "http://a";
    QTest::newRow("empty catalogue") << QString() << "当当网" << "";
}

void tst_ShopCatalogue::shopSearchTemplate()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QCOMPARE(ShopSearchTemplate(text, name), value);
}

// The user's file merged with the embedded catalogue, as every reader of the catalogue sees it.
void tst_ShopCatalogue::userCatalogue_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected"); // "name=template" ("name=" absent), "name@category"
    QTest::addColumn<int>("problems");
    const QString dangdang = QStringLiteral("当当网=") + ShopSearchTemplate(LoadBuiltInShopCatalogueText(), "当当网");
    QTest::newRow("template replaced") << QByteArray("当当网\thttps://dd.example/s?k={?ku}\n")
                                       << QStringList{"当当网=https://dd.example/s?k={?ku}", "当当网@购物综合"} << 0;
    QTest::newRow("names compared without case") << QByteArray("msn商城\thttp://m.example/?q={?ku}\r\n")
                                                  << QStringList{"MSN商城=http://m.example/?q={?ku}"} << 0;
    QTest::newRow("empty template hides") << QByteArray("当当网\t\n") << QStringList{"当当网="} << 0;
    QTest::newRow("new shop under its category")
        << QByteArray("服装服饰\t$\n我的鞋店\thttp://shoe.example/?q={?kg}\n")
        << QStringList{"我的鞋店=http://shoe.example/?q={?kg}", "我的鞋店@服装服饰"} << 0;
    QTest::newRow("new category at the end")
        << QByteArray("二手\t$\n闲置\thttps://x.example/?q={?ku}\n空分类\t$\n")
        << QStringList{"闲置@二手", "@空分类"} << 0;
    QTest::newRow("line without TAB") << QByteArray("当当网 http://x.example/\n") << QStringList{dangdang} << 1;
    QTest::newRow("not an http address") << QByteArray("当当网\tftp://x.example/\n") << QStringList{dangdang} << 1;
    QTest::newRow("new shop before any category") << QByteArray("孤店\thttp://a.example/\n") << QStringList{"孤店="} << 1;
    QTest::newRow("name with ;") << QByteArray("服装服饰\t$\na;b\thttp://a.example/\n") << QStringList{"a;b="} << 1;
    // A NUL would end the merged catalogue's text, and every category after it with it.
    QTest::newRow("control characters in a name or an address")
        << QByteArray("二").append('\0').append("手\t$\n服装服饰\t$\n鞋店\thttp://a.example/\n当当网\thttp://x.exa\x01mple/\n")
        << QStringList{"鞋店@服装服饰", dangdang} << 2;
    QTest::newRow("category name as a shop") << QByteArray("购物综合\thttp://a.example/\n") << QStringList{dangdang} << 1;
    QTest::newRow("not UTF-8, the rest still used")
        << QByteArray("\xB5\xB1\xB5\xB1\thttp://gbk.example/\n当当网\t\n") << QStringList{"当当网="} << 2;
    QTest::newRow("a folder where the file should be") << QByteArray() << QStringList{dangdang} << 1;
}

void tst_ShopCatalogue::userCatalogue()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);
    QFETCH(int, problems);
    const QString path = UserCatalogueFilePath();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    if (file.isEmpty()) {
        QVERIFY(QDir().mkpath(path));
    } else {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
    }
    const QString text = LoadShopCatalogueText();
    QCOMPARE(ReadUserCatalogue().Problems.size(), problems);
    const QList<TShopEntry> entries = ReadShopCatalogue(text);
    QStringList categories;
    for (const QString &check : expected) {
        if (check.contains('@')) {
            const QString name = check.section('@', 0, 0), category = check.section('@', 1);
            QString within;
            bool found = name.isEmpty();
            for (const TShopEntry &entry : entries) {
                if (entry.IsCategory)
                    within = entry.Name;
                else if (entry.Name == name)
                    found = within == category;
            }
            QVERIFY2(found, qPrintable(check));
            if (name.isEmpty()) // a category that stands last
                QCOMPARE(entries.last().Name, category);
        } else {
            QCOMPARE(ShopSearchTemplate(text, check.section('=', 0, 0)), check.section('=', 1));
        }
    }
    // Whatever the file holds, the embedded shops it does not name are all still there.
    QVERIFY(entries.size() >= ReadShopCatalogue(LoadBuiltInShopCatalogueText()).size() - 1);
    QDir(path).removeRecursively();
}

void tst_ShopCatalogue::userFileProblemsToldOnce()
{
    QStringList told;
    SetUserCatalogueProblemReporter([&told](const QString &message) { told << message; });
    QVERIFY(LoadShopCatalogueText() == LoadBuiltInShopCatalogueText()); // no file: as shipped
    const QString path = UserCatalogueFilePath();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("这一行没有制表符\n");
    out.close();
    LoadShopCatalogueText();
    LoadShopCatalogueText();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().contains(QStringLiteral("第 1 行")), qPrintable(told.first()));
    SetUserCatalogueProblemReporter(nullptr);
}

QTEST_GUILESS_MAIN(tst_ShopCatalogue)
#include "tst_ShopCatalogue.moc"
