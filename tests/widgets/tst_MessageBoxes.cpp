#include "MessageBoxes.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>

class tst_MessageBoxes : public QObject
{
    Q_OBJECT
private slots:
    void showMsg_data();
    void showMsg();
    void boxGoesWithItsWindow_data();
    void boxGoesWithItsWindow();
};

void tst_MessageBoxes::showMsg_data()
{
    QTest::addColumn<QString>("message");
    QTest::newRow("the program's own") << "请输入商品关键信息";
    // A message may quote a page's address or text: it is shown as written, never as markup.
    QTest::newRow("markup shown as written") << "无法打开网址：<h1>警告</h1><img src='/etc/hostname'>";
}

void tst_MessageBoxes::showMsg()
{
    QFETCH(QString, message);
    QString title, text, shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = -1;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttonCount = int(box->buttons().size());
        // What the box draws: the text as written, or what markup in it draws.
        const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        QTextDocument drawn;
        drawn.setHtml(label->text());
        const bool plain = label->textFormat() == Qt::PlainText
                || (label->textFormat() == Qt::AutoText && !Qt::mightBeRichText(label->text()));
        shown = plain ? label->text() : drawn.toPlainText();
        box->button(QMessageBox::Ok)->click();
    });
    ShowMsg(message);
    QCOMPARE(title, QStringLiteral("提示"));
    QCOMPARE(text, message);
    QCOMPARE(shown, message);
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(buttonCount, 1);
}

void tst_MessageBoxes::boxGoesWithItsWindow_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("answer"); // what Esc would have answered
    QTest::newRow("OK") << int(MB_OK) << int(IDOK);
    QTest::newRow("OK, cancel") << int(MB_OKCANCEL) << int(IDCANCEL);
    QTest::newRow("yes, no, cancel") << int(MB_YESNOCANCEL) << int(IDCANCEL);
    QTest::newRow("yes, no") << int(MB_YESNO) << int(IDNO);
}

void tst_MessageBoxes::boxGoesWithItsWindow()
{
    // The window that owns an open box is destroyed (a page leaving full screen): the box goes
    // with it, unanswered, and nothing is deleted twice.
    QFETCH(int, flags);
    QFETCH(int, answer);
    auto *window = new QWidget;
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QPointer<QMessageBox> box;
    bool ownedByWindow = false;
    QTimer::singleShot(0, this, [&] {
        box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ownedByWindow = box && box->parentWidget() == window;
        if (ownedByWindow)
            delete window;
        else if (box)
            box->reject();
    });
    const int answered = MsgBox(QStringLiteral("请输入商品关键信息"), QStringLiteral("提示"), flags);
    QVERIFY(ownedByWindow);
    QCOMPARE(answered, answer);
    QVERIFY(box.isNull());
}

QTEST_MAIN(tst_MessageBoxes)
#include "tst_MessageBoxes.moc"
