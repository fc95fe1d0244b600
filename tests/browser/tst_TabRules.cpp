#include "TabTextRules.h"

#include <QtTest>

// The pure text rules of the browser tabs: caption from title, status pane from status text, and
// which captions let the next address into their tab.
class tst_TabRules : public QObject
{
    Q_OBJECT
private slots:
    void caption_data();
    void caption();
    void statusPane_data();
    void statusPane();
    void reusable_data();
    void reusable();
};

void tst_TabRules::caption_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("caption");
    QTest::newRow("blanks around, capitals") << "  Hello World  " << "hello world";
    QTest::newRow("controls around") << "\t\r\nShop\x01" << "shop";
    QTest::newRow("full-width blank stays") << QString::fromUtf8("\u3000Shop") << QString::fromUtf8("\u3000shop");
    QTest::newRow("19 characters kept") << "abcdefghijklmnopqrs" << "abcdefghijklmnopqrs";
    QTest::newRow("20 characters gain dots") << "ABCDEFGHIJKLMNOPQRST" << "abcdefghijklmnopqrst...";
    QTest::newRow("25 characters cut to 20") << "abcdefghijklmnopqrstuvwxy" << "abcdefghijklmnopqrst...";
    QTest::newRow("Chinese counts one each") << QString::fromUtf8("淘宝网 - 淘！我喜欢，全球最大的网购零售平台之一")
                                             << QString::fromUtf8("淘宝网 - 淘！我喜欢，全球最大的网购零...");
    QTest::newRow("19 Chinese characters kept") << QString(19, QChar(0x4e2d)) << QString(19, QChar(0x4e2d));
    QTest::newRow("about:blank") << "about:blank" << QString::fromUtf8("空白页");
    QTest::newRow("About:Blank in capitals") << "About:BLANK" << QString::fromUtf8("空白页");
    QTest::newRow("about:blank with blanks") << "  about:blank " << QString::fromUtf8("空白页");
    QTest::newRow("only non-ASCII letters keep case") << QString::fromUtf8("ÄÖÜ Straße") << QString::fromUtf8("ÄÖÜ straße");
    QTest::newRow("empty") << "" << "";
    QTest::newRow("only blanks") << "    " << "";
    QTest::newRow("reserved caption passes through") << QString::fromUtf8("找不到服务器") << QString::fromUtf8("找不到服务器");
    // 19 letters then an emoji (a surrogate pair) straddling the cut: the pair is not split.
    QTest::newRow("surrogate pair at the cut") << QString("abcdefghijklmnopqrs") + QString::fromUtf8("😀") + "z"
                                              << "abcdefghijklmnopqrs...";
}

void tst_TabRules::caption()
{
    QFETCH(QString, title);
    QFETCH(QString, caption);
    QCOMPARE(TabCaptionFromTitle(title), caption);
}

void tst_TabRules::statusPane_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("pane");
    QTest::newRow("text before the address")
        << QString::fromUtf8("正在打开网页 http://www.dangdang.com/") << QString::fromUtf8("正在打开网页 ");
    QTest::newRow("no http") << QString::fromUtf8("完成") << "";
    QTest::newRow("begins with http") << "http://a/" << "";
    QTest::newRow("case significant") << "Open HTTP://a/ http://b" << "Open HTTP://a/ ";
    QTest::newRow("first of two") << "a http://x b http://y" << "a ";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("https counts") << "go https://x" << "go ";
}

void tst_TabRules::statusPane()
{
    QFETCH(QString, status);
    QFETCH(QString, pane);
    QCOMPARE(StatusPaneText(status), pane);
}

void tst_TabRules::reusable_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("reusable");
    QTest::newRow("默认") << "默认" << true;
    QTest::newRow("空白页") << "空白页" << true;
    QTest::newRow("找不到服务器") << "找不到服务器" << true;
    QTest::newRow("加载中...") << "加载中..." << false;
    QTest::newRow("a page title") << "淘宝网" << false;
    QTest::newRow("blank before") << " 默认" << false;
    QTest::newRow("blank after") << "空白页 " << false;
    QTest::newRow("other case") << "About:blank" << false;
    QTest::newRow("part of it") << "找不到" << false;
    QTest::newRow("empty") << "" << false;
}

void tst_TabRules::reusable()
{
    QFETCH(QString, caption);
    QFETCH(bool, reusable);
    QCOMPARE(IsReusableCaption(caption), reusable);
}

QTEST_APPLESS_MAIN(tst_TabRules)
#include "tst_TabRules.moc"
