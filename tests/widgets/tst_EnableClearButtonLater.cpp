#include "EnableClearButtonLater.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

class tst_EnableClearButtonLater : public QObject
{
    Q_OBJECT
private slots:
    void buttonComesWithFirstShow_data();
    void buttonComesWithFirstShow();
    void buttonComesUnshownAfterTheDelay();
};

static QToolButton *clearButton(QLineEdit *edit)
{
    const QList<QToolButton *> buttons = edit->findChildren<QToolButton *>();
    return buttons.size() == 1 ? buttons.constFirst() : nullptr;
}

void tst_EnableClearButtonLater::buttonComesWithFirstShow_data()
{
    QTest::addColumn<bool>("windowShownFirst");
    QTest::addColumn<bool>("editHidden");
    QTest::newRow("in a window not shown yet") << false << false;
    QTest::newRow("hidden in a shown window") << true << true;
    QTest::newRow("hidden in a window not shown yet") << false << true;
    QTest::newRow("visible already") << true << false;
}

void tst_EnableClearButtonLater::buttonComesWithFirstShow()
{
    QFETCH(bool, windowShownFirst);
    QFETCH(bool, editHidden);
    QWidget window;
    auto *edit = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(edit);
    if (editHidden)
        edit->hide();
    if (windowShownFirst) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    EnableClearButtonLater(edit);
    const bool visible = edit->isVisible();
    QCOMPARE(edit->isClearButtonEnabled(), visible);
    QCOMPARE(clearButton(edit) != nullptr, visible);

    window.show();
    edit->show();
    window.activateWindow(); // there may be no window manager to do it
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(edit->isClearButtonEnabled());
    // Shown again, the edit still has one button, and it clears what was typed.
    edit->hide();
    edit->show();
    QToolButton *clear = clearButton(edit);
    QVERIFY(clear);
    edit->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), edit);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
    QCOMPARE(edit->text(), QStringLiteral("abc"));
    QTRY_VERIFY(clear->isVisible());
    QTest::mouseClick(clear, Qt::LeftButton);
    QCOMPARE(edit->text(), QString());
}

void tst_EnableClearButtonLater::buttonComesUnshownAfterTheDelay()
{
    // A box that stays hidden gets its button all the same, once the window has started.
    QWidget window;
    auto *edit = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(edit);
    EnableClearButtonLater(edit);
    QVERIFY(!edit->isClearButtonEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(edit->isClearButtonEnabled(), ClearButtonDelayMs * 4);
    QVERIFY(!window.isVisible());

    // Shown afterwards, it has the one button.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(clearButton(edit));
}

QTEST_MAIN(tst_EnableClearButtonLater)
#include "tst_EnableClearButtonLater.moc"
