#include "TProgressPane.h"
#include "U_Main.h"

#include <QSignalSpy>
#include <QtTest>

// The status bar's rules that need no window: the clock's text and the progress pane.
class tst_StatusPanes : public QObject
{
    Q_OBJECT
private slots:
    void clockText_data();
    void clockText();
    void progressPane_data();
    void progressPane();
    void progressNewTotalResets();
    void progressPanePainting_data();
    void progressPanePainting();
};

void tst_StatusPanes::clockText_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("text");
    const QDate day(2010, 3, 1);
    QTest::newRow("first tick") << QDateTime(day, QTime(11, 59, 55)) << QDateTime(day, QTime(12, 0, 5))
                                << QStringLiteral("2010-03-01 12:00   你已经网购0分钟  Vanzu小精灵V2  ");
    QTest::newRow("90 minutes 30 seconds")
        << QDateTime(day, QTime(8, 0, 0)) << QDateTime(day, QTime(9, 30, 30))
        << QStringLiteral("2010-03-01 09:30   你已经网购90分钟  Vanzu小精灵V2  ");
    QTest::newRow("59.9 seconds is 0")
        << QDateTime(day, QTime(8, 0, 0)) << QDateTime(day, QTime(8, 0, 59, 900))
        << QStringLiteral("2010-03-01 08:00   你已经网购0分钟  Vanzu小精灵V2  ");
    QTest::newRow("across midnight, 24-hour clock")
        << QDateTime(day, QTime(23, 50, 0)) << QDateTime(day.addDays(1), QTime(0, 5, 0))
        << QStringLiteral("2010-03-02 00:05   你已经网购15分钟  Vanzu小精灵V2  ");
    QTest::newRow("afternoon") << QDateTime(day, QTime(13, 0, 0)) << QDateTime(day, QTime(14, 7, 0))
                               << QStringLiteral("2010-03-01 14:07   你已经网购67分钟  Vanzu小精灵V2  ");
}

void tst_StatusPanes::clockText()
{
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, now);
    QFETCH(QString, text);
    QCOMPARE(TFrm_Main::ClockText(now, start, QStringLiteral("Vanzu小精灵V2")), text);
}

void tst_StatusPanes::progressPane_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("complete");
    QTest::addColumn<int>("storedComplete");
    QTest::addColumn<int>("percent");
    QTest::newRow("30 of 100") << 100 << 30 << 30 << 30;
    QTest::newRow("clamped to the total") << 1000 << 1500 << 1000 << 100;
    QTest::newRow("negative clamped") << 10000 << -1 << 10000 << 100;
    QTest::newRow("half rounds to even, down") << 200 << 1 << 1 << 0; // 0.5 -> 0
    QTest::newRow("half rounds to even, up") << 200 << 3 << 3 << 2; // 1.5 -> 2
    QTest::newRow("half rounds to even, 2.5") << 200 << 5 << 5 << 2; // 2.5 -> 2
    QTest::newRow("above half rounds up") << 3 << 2 << 2 << 67; // 66.67 -> 67
    QTest::newRow("below half rounds down") << 3 << 1 << 1 << 33; // 33.3 -> 33
    QTest::newRow("zero total") << 0 << 5 << 0 << 0;
    QTest::newRow("large values") << 2000000000 << 1999999999 << 1999999999 << 100;
}

void tst_StatusPanes::progressPane()
{
    QFETCH(int, total);
    QFETCH(int, complete);
    QFETCH(int, storedComplete);
    QFETCH(int, percent);
    TProgressPane pane;
    QCOMPARE(pane.Percent(), 0);
    pane.SetTotalParts(total);
    pane.SetPartsComplete(complete);
    QCOMPARE(pane.PartsComplete(), storedComplete);
    QCOMPARE(pane.Percent(), percent);
}

void tst_StatusPanes::progressNewTotalResets()
{
    TProgressPane pane;
    QSignalSpy changes(&pane, &TProgressPane::percentChanged);
    pane.SetTotalParts(100);
    pane.SetPartsComplete(40);
    QCOMPARE(pane.Percent(), 40);
    pane.SetTotalParts(50);
    QCOMPARE(pane.PartsComplete(), 0);
    QCOMPARE(pane.Percent(), 0);
    QCOMPARE(changes.count(), 2); // 40, then back to 0
}

void tst_StatusPanes::progressPanePainting_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<bool>("leftFilled");
    QTest::addColumn<bool>("rightFilled");
    QTest::newRow("0 %") << 0 << false << false;
    QTest::newRow("50 %") << 50 << true << false;
    QTest::newRow("100 %") << 100 << true << true;
}

void tst_StatusPanes::progressPanePainting()
{
    QFETCH(int, percent);
    QFETCH(bool, leftFilled);
    QFETCH(bool, rightFilled);
    // The pane as the status bar shows it, drawn by the style.
    TProgressPane pane;
    pane.resize(100, 17);
    pane.SetTotalParts(100);
    pane.SetPartsComplete(percent);
    const QImage shot = pane.grab().toImage();
    const QImage empty = [] {
        TProgressPane blank;
        blank.resize(100, 17);
        return blank.grab().toImage();
    }();
    const int y = shot.height() / 2;
    const int left = 8, right = shot.width() - 9;
    // Filled from the left: a column is filled when it differs from the empty pane there.
    QCOMPARE(shot.pixel(left, y) != empty.pixel(left, y), leftFilled);
    QCOMPARE(shot.pixel(right, y) != empty.pixel(right, y), rightFilled);
    // The percentage is drawn in the middle: there the pane differs from its own colour at the
    // same height further out, in several pixels.
    if (percent != 50) {
        int ink = 0;
        for (int x = 35; x < 65; ++x) {
            for (int row = 3; row < shot.height() - 3; ++row)
                ink += shot.pixel(x, row) != shot.pixel(left, row) ? 1 : 0;
        }
        QVERIFY2(ink > 20, qPrintable(QString::number(ink)));
    }
}

QTEST_MAIN(tst_StatusPanes)
#include "tst_StatusPanes.moc"
