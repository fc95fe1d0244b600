#include "U_Pub.h"

#include <QtTest>

namespace {

// Bytes that form encoding leaves as they are, written out rather than derived.
const QByteArray kSafeBytes = QByteArrayLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!$'()*-.@_");

QString fromCodePoint(char32_t codePoint)
{
    return QString::fromUcs4(&codePoint, 1);
}

} // namespace

class tst_SearchUrl : public QObject
{
    Q_OBJECT
private slots:
    void expand_data();
    void expand();
    void encodeEveryByte_data();
    void encodeEveryByte();
    void encodeRuns_data();
    void encodeRuns();
    void keywordBytes_data();
    void keywordBytes();
};

void tst_SearchUrl::expand_data()
{
    QTest::addColumn<QString>("urlTemplate");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("url");

    const QString all = QStringLiteral("search?a={?kg}&b={?ku}&c={?kc}");
    QTest::newRow("worked example") << all << "手机" << "search?a=%CA%D6%BB%FA&b=%E6%89%8B%E6%9C%BA&c=手机";
    QTest::newRow("blank") << all << "a b" << "search?a=a+b&b=a+b&c=a%20b";
    QTest::newRow("plus") << all << "A+B" << "search?a=A%2BB&b=A%2BB&c=A%2BB";
    QTest::newRow("percent") << all << "100%" << "search?a=100%25&b=100%25&c=100%25";
    QTest::newRow("tilde") << all << "~" << "search?a=%7E&b=%7E&c=~";
    QTest::newRow("safe punctuation") << all << "!$'()*-.@_" << "search?a=!$'()*-.@_&b=!$'()*-.@_&c=!$'()*-.@_";
    QTest::newRow("query characters") << all << "a&b=c#d/e?f" << "search?a=a%26b%3Dc%23d%2Fe%3Ff&b=a%26b%3Dc%23d%2Fe%3Ff&c=a%26b%3Dc%23d/e%3Ff";
    // "{?kc}" keeps the keyword whole and inside its own part of the address.
    QTest::newRow("structure in {?kc}") << "s?kw={?kc}&p=1" << "a&x=1#frag b" << "s?kw=a%26x%3D1%23frag%20b&p=1";
    QTest::newRow("forbidden in {?kc}") << "s?kw={?kc}" << "\"<`>\t\x7f" << "s?kw=%22%3C%60%3E%09%7F";
    QTest::newRow("full-width blank") << all << "\u3000" << "search?a=%A1%A1&b=%E3%80%80&c=\u3000";
    QTest::newRow("full-width comma") << all << "，" << "search?a=%A3%AC&b=%EF%BC%8C&c=，";
    QTest::newRow("mixed") << all << "iPhone 4代" << "search?a=iPhone+4%B4%FA&b=iPhone+4%E4%BB%A3&c=iPhone%204代";

    // Inserted text is never searched again, whatever the keyword looks like.
    QTest::newRow("keyword {?ku}") << "q={?kc}&r={?kg}" << "{?ku}" << "q={%3Fku}&r=%7B%3Fku%7D";
    QTest::newRow("keyword {?kc}") << "{?kg}|{?ku}|{?kc}" << "{?kc}" << "%7B%3Fkc%7D|%7B%3Fkc%7D|{%3Fkc}";
    QTest::newRow("keyword {?kg}") << "{?kc}{?kc}" << "{?kg}" << "{%3Fkg}{%3Fkg}";

    QTest::newRow("{?kg} twice") << "a={?kg}&b={?kg}" << "手机" << "a=%CA%D6%BB%FA&b=%CA%D6%BB%FA";
    QTest::newRow("{?ku} twice") << "keywords={?ku}&field-keywords={?ku}" << "手机"
                                 << "keywords=%E6%89%8B%E6%9C%BA&field-keywords=%E6%89%8B%E6%9C%BA";
    QTest::newRow("adjacent placeholders") << "{?kg}{?kg}{?ku}" << "机" << "%BB%FA%BB%FA%E6%9C%BA";
    QTest::newRow("{?ke} is kept") << "from={?ke}&to={?ke}" << "手机" << "from={?ke}&to={?ke}";
    QTest::newRow("upper case is kept") << "q={?KG}&r={?Ku}" << "手机" << "q={?KG}&r={?Ku}";
    QTest::newRow("incomplete placeholder") << "q={?kg&r=?kg}&s={ ?kg}" << "手机" << "q={?kg&r=?kg}&s={ ?kg}";
    QTest::newRow("placeholder inside braces") << "{{?kg}}" << "机" << "{%BB%FA}";
    QTest::newRow("no placeholder") << "http://www.s.cn/list/zhekou.html?q=%E7%89%B9" << "手机"
                                    << "http://www.s.cn/list/zhekou.html?q=%E7%89%B9";
    QTest::newRow("empty keyword") << all << "" << "search?a=&b=&c=";
    QTest::newRow("empty template") << "" << "手机" << "";

    // Characters that GBK lacks: "{?kg}" takes their GB18030 form, never a "?".
    QTest::newRow("emoji") << all << fromCodePoint(0x1F600)
                           << "search?a=%949%FC6&b=%F0%9F%98%80&c=" + fromCodePoint(0x1F600);
    QTest::newRow("CJK extension B") << all << fromCodePoint(0x20000)
                                     << "search?a=%952%826&b=%F0%A0%80%80&c=" + fromCodePoint(0x20000);
    QTest::newRow("euro sign") << "{?kg}|{?ku}" << "€" << "%A2%E3|%E2%82%AC";
    QTest::newRow("GBK and beyond") << "{?kg}|{?ku}" << "手" + fromCodePoint(0x1F600) + "机"
                                    << "%CA%D6%949%FC6%BB%FA|%E6%89%8B%F0%9F%98%80%E6%9C%BA";
}

void tst_SearchUrl::expand()
{
    QFETCH(QString, urlTemplate);
    QFETCH(QString, keyword);
    QFETCH(QString, url);
    QCOMPARE(ExpandSearchUrl(urlTemplate, keyword), url);
}

void tst_SearchUrl::encodeEveryByte_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("encoded");
    for (int b = 0; b < 256; ++b) {
        QString encoded;
        if (b == 0)
            encoded = QString(); // a NUL ends the input
        else if (b == ' ')
            encoded = QStringLiteral("+");
        else if (kSafeBytes.contains(char(b)))
            encoded = QChar(b);
        else
            encoded = QStringLiteral("%") + QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        QTest::addRow("byte %d", b) << b << encoded;
    }
}

void tst_SearchUrl::encodeEveryByte()
{
    QFETCH(int, byte);
    QFETCH(QString, encoded);
    QCOMPARE(UrlFormEncode(QByteArray(1, char(byte))), encoded);
}

void tst_SearchUrl::encodeRuns_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("safe set unchanged") << kSafeBytes << QString::fromLatin1(kSafeBytes);
    QTest::newRow("NUL ends the input") << QByteArray("ab\0cd", 5) << "ab";
    QTest::newRow("NUL first") << QByteArray("\0ab", 3) << "";
    QTest::newRow("blanks") << QByteArray("  a  ") << "++a++";
    QTest::newRow("controls") << QByteArray("\t\r\n\x7f") << "%09%0D%0A%7F";
    QTest::newRow("reserved punctuation") << QByteArray("\"`#%&+,/:;<=>?[\\]^{|}~")
                                          << "%22%60%23%25%26%2B%2C%2F%3A%3B%3C%3D%3E%3F%5B%5C%5D%5E%7B%7C%7D%7E";
    QTest::newRow("high bytes") << QByteArray("\x80\xff\xca\xd6") << "%80%FF%CA%D6";
}

void tst_SearchUrl::encodeRuns()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, encoded);
    QCOMPARE(UrlFormEncode(bytes), encoded);
}

void tst_SearchUrl::keywordBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("gbk");
    QTest::newRow("ASCII") << "iPhone 4" << QByteArray("iPhone 4");
    QTest::newRow("two-byte characters") << "手机，\u3000" << QByteArray("\xca\xd6\xbb\xfa\xa3\xac\xa1\xa1");
    QTest::newRow("emoji, four bytes") << fromCodePoint(0x1F600) << QByteArray("\x94\x39\xfc\x36");
    QTest::newRow("CJK extension B, four bytes") << fromCodePoint(0x20000) << QByteArray("\x95\x32\x82\x36");
    QTest::newRow("two-byte and four-byte") << "手" + fromCodePoint(0x1F600) << QByteArray("\xca\xd6\x94\x39\xfc\x36");
}

void tst_SearchUrl::keywordBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, gbk);
    QCOMPARE(ToGbk(text), gbk);
    QCOMPARE(FromGbk(gbk), text); // and back, nothing lost
}

QTEST_APPLESS_MAIN(tst_SearchUrl)
#include "tst_SearchUrl.moc"
