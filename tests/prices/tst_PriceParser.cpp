#include "TPriceParser.h"

#include <QtTest>

class tst_PriceParser : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void priceText_data();
    void priceText();
};

void tst_PriceParser::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("fen"); // -1: no price

    QTest::newRow("yen, thousands") << QStringLiteral("¥1,299.00") << qint64(129900);
    QTest::newRow("full-width yen, blank") << QStringLiteral("￥ 99") << qint64(9900);
    QTest::newRow("yuan after") << QStringLiteral("99.00元") << qint64(9900);
    QTest::newRow("RMB") << QStringLiteral("RMB 99") << qint64(9900);
    QTest::newRow("rmb lower, no blank") << QStringLiteral("rmb99.5") << qint64(9950);
    QTest::newRow("full-width digits") << QStringLiteral("￥１２９９．５０") << qint64(129950);
    QTest::newRow("wan") << QStringLiteral("1.2万") << qint64(1200000);
    QTest::newRow("yen wan yuan") << QStringLiteral("¥ 3.45 万元") << qint64(3450000);
    QTest::newRow("range low end") << QStringLiteral("¥99-199") << qint64(9900);
    QTest::newRow("range tilde yuan") << QStringLiteral("99 ~ 199元") << qint64(9900);
    QTest::newRow("range full-width") << QStringLiteral("￥99－199") << qint64(9900);
    QTest::newRow("plain number") << QStringLiteral("  58.8 ") << qint64(5880);
    QTest::newRow("words around") << QStringLiteral("促销价：¥ 2,499 包邮") << qint64(249900);
    QTest::newRow("yuan picks its number") << QStringLiteral("月销3000件 128元") << qint64(12800);
    QTest::newRow("currency mark wins") << QStringLiteral("第2件 ¥15") << qint64(1500);
    QTest::newRow("rounded to fen") << QStringLiteral("¥9.996") << qint64(1000);
    QTest::newRow("comma not thousands") << QStringLiteral("¥12,34") << qint64(1200);
    QTest::newRow("leading zeros") << QStringLiteral("¥007.10") << qint64(710);
    QTest::newRow("highest price") << QStringLiteral("¥100,000,000") << qint64(10000000000);
    QTest::newRow("no-break blank") << QStringLiteral("¥\u00A0199") << qint64(19900);
    for (const char *exponent : {"1e308", "¥1e21", "1e-7元", "¥2.5E+3"})
        QTest::addRow("exponent %s", exponent) << QString::fromUtf8(exponent) << qint64(-1);
    QTest::newRow("e after a price is a word") << QStringLiteral("¥99 each") << qint64(9900);

    QTest::newRow("zero") << QStringLiteral("¥0.00") << qint64(-1);
    QTest::newRow("rounds to zero") << QStringLiteral("¥0.004") << qint64(-1);
    QTest::newRow("negative") << QStringLiteral("-¥99") << qint64(-1);
    QTest::newRow("negative after mark") << QStringLiteral("¥ -99") << qint64(-1);
    QTest::newRow("negative yuan") << QStringLiteral("−5元") << qint64(-1);
    QTest::newRow("no digits") << QStringLiteral("面议") << qint64(-1);
    QTest::newRow("mark without number") << QStringLiteral("¥") << qint64(-1);
    QTest::newRow("empty") << QString() << qint64(-1);
    QTest::newRow("absurd") << QStringLiteral("¥100,000,000.01") << qint64(-1);
    QTest::newRow("absurd wan") << QStringLiteral("10001万") << qint64(-1);
    QTest::newRow("too many digits") << QStringLiteral("¥99999999999999999999999") << qint64(-1);
}

void tst_PriceParser::parse()
{
    QFETCH(QString, text);
    QFETCH(qint64, fen);
    const std::optional<qint64> price = ParsePriceFen(text);
    QCOMPARE(price.value_or(-1), fen);
}

void tst_PriceParser::priceText_data()
{
    QTest::addColumn<qint64>("fen");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << qint64(129900) << QStringLiteral("1299");
    QTest::newRow("tenths") << qint64(9950) << QStringLiteral("99.5");
    QTest::newRow("fen") << qint64(99) << QStringLiteral("0.99");
    QTest::newRow("one fen") << qint64(1) << QStringLiteral("0.01");
    QTest::newRow("large") << qint64(10000000000) << QStringLiteral("100000000");
}

void tst_PriceParser::priceText()
{
    QFETCH(qint64, fen);
    QFETCH(QString, text);
    QCOMPARE(PriceText(fen), text);
    QCOMPARE(ParsePriceFen(text).value_or(-1), fen); // and it reads back
}

QTEST_APPLESS_MAIN(tst_PriceParser)
#include "tst_PriceParser.moc"
