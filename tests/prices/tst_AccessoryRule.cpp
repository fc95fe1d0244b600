#include "TAccessoryRule.h"

#include <QtTest>

// The accessory rule on its own: which prices of a comparison are set aside as probable
// accessories.
class tst_AccessoryRule : public QObject
{
    Q_OBJECT
private slots:
    void rule_data();
    void rule();
};

void tst_AccessoryRule::rule_data()
{
    QTest::addColumn<QList<qint64>>("prices"); // the comparison's, in yuan
    QTest::addColumn<qint64>("asked");
    QTest::addColumn<bool>("accessory");
    const QList<qint64> five{1000, 1000, 1000, 1000, 9};
    QTest::newRow("far below the median") << five << qint64(9) << true;
    QTest::newRow("exactly a fifth is kept") << five << qint64(200) << false;
    QTest::newRow("just below a fifth") << five << qint64(199) << true;
    QTest::newRow("four offers judge nothing") << QList<qint64>{1000, 1000, 1000, 9} << qint64(9) << false;
    QTest::newRow("order does not count") << QList<qint64>{9, 1000, 1000, 9, 1000} << qint64(9) << true;
    // Of an even count the upper middle price is the median: 500, not 300.
    QTest::newRow("even count: upper median") << QList<qint64>{100, 100, 300, 500, 500, 500} << qint64(99) << true;
    QTest::newRow("even count: above a fifth") << QList<qint64>{100, 100, 300, 500, 500, 500} << qint64(100) << false;
    QTest::newRow("no prices") << QList<qint64>{} << qint64(1) << false;
}

void tst_AccessoryRule::rule()
{
    QFETCH(QList<qint64>, prices);
    QFETCH(qint64, asked);
    QFETCH(bool, accessory);
    for (qint64 &price : prices)
        price *= 100;
    TAccessoryRule rule;
    rule.SetPrices(prices);
    QCOMPARE(rule.IsAccessory(asked * 100), accessory);
}

QTEST_APPLESS_MAIN(tst_AccessoryRule)
#include "tst_AccessoryRule.moc"
