#include "EnableClearButtonWhenShown.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

class tst_EnableClearButtonWhenShown : public QObject
{
    Q_OBJECT
private slots:
    void buttonComesWithFirstShow_data();
    void buttonComesWithFirstShow();
};

static QToolButton *clearButton(QLineEdit *edit)
{
    const QList<QToolButton *> buttons = edit->findChildren<QToolButton *>();
    return buttons.size() == 1 ? buttons.constFirst() : nullptr;
}

void tst_EnableClearButtonWhenShown::buttonComesWithFirstShow_data()
{
    QTest::addColumn<bool>("windowShownFirst");
    QTest::addColumn<bool>("editHidden");
    QTest::newRow("in a window not shown yet") << false << false;
    QTest::newRow("hidden in a shown window") << true << true;
    QTest::newRow("hidden in a window not shown yet") << false << true;
    QTest::newRow("visible already") << true << false;
}

void tst_EnableClearButtonWhenShown::buttonComesWithFirstShow()
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

    EnableClearButtonWhenShown(edit);
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

QTEST_MAIN(tst_EnableClearButtonWhenShown)
#include "tst_EnableClearButtonWhenShown.moc"
