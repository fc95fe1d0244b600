#include "Images.h"
#include "MainWindowFixture.h"
#include "TProgressPane.h"

#include <QDialogButtonBox>
#include <QTimer>

class tst_U_Main : public QObject, MainWindowFixture
{
    Q_OBJECT
private slots:
    void init() { QVERIFY(openMainWindow(Exposed)); }
    void cleanup() { closeMainWindow(); }
    void caption();
    void geometry_data();
    void geometry();
    void toolBarStaysAnchoredRight();
    void hintRouting();
    void exceptionShownAndProgramGoesOn();
    void logoShowsAbout();
    void clockPaneEmptyAtStart();
    void progressStepsShareRepaints();
    void progressPaneDrawnAMomentAfterShown();
    void qtDialogsSpeakChinese();
};

// Runs `answer` on the next modal box to appear and returns its caption, text and icon.
struct BoxSeen
{
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QImage picture, windowIcon;
};
static void closeNextBox(QObject *context, BoxSeen *seen)
{
    QTimer::singleShot(0, context, [context, seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            closeNextBox(context, seen);
            return;
        }
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        seen->picture = box->iconPixmap().toImage();
        seen->windowIcon = box->windowIcon().pixmap(48).toImage();
        box->button(QMessageBox::Ok)->click();
    });
}

void tst_U_Main::caption()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Vanzu小精灵V2"));
}

void tst_U_Main::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("expected"); // position relative to the parent; -1 = not fixed
    QTest::newRow("pTop") << "pTop" << QRect(0, 0, 971, 65);
    QTest::newRow("ImgLogo") << "ImgLogo" << QRect(8, 4, 153, 57);
    QTest::newRow("Label1") << "Label1" << QRect(208, 33, -1, -1);
    QTest::newRow("EdtWD") << "EdtWD" << QRect(240, 28, 185, 20);
    QTest::newRow("BtnWD") << "BtnWD" << QRect(432, 28, 57, 22);
    QTest::newRow("Label2") << "Label2" << QRect(520, 33, -1, -1);
    QTest::newRow("cbKeyWord") << "cbKeyWord" << QRect(576, 28, 161, -1);
    QTest::newRow("btnGo") << "btnGo" << QRect(744, 28, 81, 22);
    QTest::newRow("pTop2") << "pTop2" << QRect(0, 65, 971, 2);
    QTest::newRow("pNav") << "pNav" << QRect(0, 67, 185, 536 - 67 - 19);
    QTest::newRow("pNav2") << "pNav2" << QRect(185, 67, 2, 536 - 67 - 19);
    QTest::newRow("pMain") << "pMain" << QRect(187, 67, 971 - 187, 536 - 67 - 19);
    QTest::newRow("sBToolBar") << "sBToolBar" << QRect(0, 0, 784, 34);
    QTest::newRow("ToolBar1") << "ToolBar1" << QRect(610, -1, 164, -1);
    QTest::newRow("btnBack") << "btnBack" << QRect(4, 2, -1, -1);
    QTest::newRow("btnStop") << "btnStop" << QRect(29, 2, -1, -1);
    QTest::newRow("btnForward") << "btnForward" << QRect(54, 2, -1, -1);
    QTest::newRow("BtnRfsh") << "BtnRfsh" << QRect(87, 2, -1, -1);
    QTest::newRow("BtnOptn") << "BtnOptn" << QRect(120, 2, 39, -1);
    QTest::newRow("PageControl1") << "PageControl1" << QRect(0, 34, 784, 536 - 67 - 19 - 34);
    QTest::newRow("sBar") << "sBar" << QRect(0, 536 - 19, 971, 19);
    QTest::newRow("sBarStus") << "sBarStus" << QRect(-1, -1, 400, -1);
}

void tst_U_Main::geometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, expected);
    QCOMPARE(m_window->size(), QSize(971, 536));
    auto *control = m_window->findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(name));
    QVERIFY(control->isVisible());
    const QRect actual = control->geometry();
    if (expected.x() >= 0)
        QCOMPARE(actual.x(), expected.x());
    if (expected.y() >= 0)
        QCOMPARE(actual.y(), expected.y());
    if (expected.width() >= 0)
        QCOMPARE(actual.width(), expected.width());
    if (expected.height() >= 0)
        QCOMPARE(actual.height(), expected.height());
}

void tst_U_Main::toolBarStaysAnchoredRight()
{
    const int gap = m_window->sBToolBar->width() - m_window->ToolBar1->geometry().right();
    m_window->resize(1200, 700);
    QTRY_COMPARE(m_window->sBToolBar->width(), 1200 - 187);
    QCOMPARE(m_window->sBToolBar->width() - m_window->ToolBar1->geometry().right(), gap);
}

void tst_U_Main::hintRouting()
{
    m_window->sBarStus->clear();
    QTest::mouseMove(m_window->btnGo);
    QTRY_COMPARE(m_window->sBarStus->text(), QStringLiteral("马上对比"));
    QCOMPARE(m_window->btnGo->toolTip(), QStringLiteral("马上对比"));
    // Off the hinted control onto one without a hint: the pane empties.
    QTest::mouseMove(m_window->Label2);
    QTRY_COMPARE(m_window->sBarStus->text(), QString());
    QTest::mouseMove(m_window->BtnWD);
    QTRY_COMPARE(m_window->sBarStus->text(), QStringLiteral("选择购物网店"));
    QTest::mouseMove(m_window->ImgLogo);
    QTRY_COMPARE(m_window->sBarStus->text(), QStringLiteral("关于Vanzu"));
}

void tst_U_Main::exceptionShownAndProgramGoesOn()
{
    // A handler that fails: its message reaches the information box, and the next handler runs.
    int runs = 0;
    auto *button = new QToolButton(m_window);
    button->show();
    connect(button, &QToolButton::clicked, this, [&runs] {
        ++runs;
        throw std::runtime_error("出错了");
    });
    BoxSeen seen;
    closeNextBox(this, &seen);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(runs, 1);
    QCOMPARE(seen.title, QStringLiteral("提示"));
    QCOMPARE(seen.text, QStringLiteral("出错了"));
    QCOMPARE(seen.icon, QMessageBox::Information);
    QVERIFY(m_window->isVisible());

    BoxSeen again;
    closeNextBox(this, &again);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(runs, 2);
    QCOMPARE(again.text, QStringLiteral("出错了"));
}

void tst_U_Main::logoShowsAbout()
{
    BoxSeen seen;
    closeNextBox(this, &seen);
    QTest::mouseClick(m_window->ImgLogo, Qt::LeftButton);
    QCOMPARE(seen.title, QStringLiteral("提示"));
    QCOMPARE(seen.text, TFrm_Main::AboutText());
    QVERIFY(seen.text.contains(QStringLiteral("Vanzu")));
    QCOMPARE(m_window->ImgLogo->cursor().shape(), Qt::PointingHandCursor);
    // The about box shows the program's icon, not the information sign, as the window does.
    const QIcon icon = AppIcon();
    QCOMPARE(icon.availableSizes(), (QList<QSize> {QSize(48, 48), QSize(128, 128), QSize(256, 256)}));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QVERIFY(!seen.picture.isNull());
    QCOMPARE(seen.picture, icon.pixmap(seen.picture.size()).toImage());
    QCOMPARE(seen.windowIcon, icon.pixmap(48).toImage());
    QCOMPARE(m_window->windowIcon().pixmap(48).toImage(), icon.pixmap(48).toImage());
}

void tst_U_Main::clockPaneEmptyAtStart()
{
    QCOMPARE(m_window->sBarStus2->text(), QString());
    QCOMPARE(m_window->Timer1->interval(), 10000);
    QVERIFY(m_window->Timer1->isActive());
    QVERIFY(m_window->StartTime().isValid());
    QVERIFY(m_window->StartTime().secsTo(QDateTime::currentDateTime()) < 60);
    // A tick writes the clock for the recorded start time.
    m_window->Timer1Timer();
    QVERIFY(m_window->sBarStus2->text().contains(QStringLiteral("你已经网购0分钟  Vanzu小精灵V2  ")));
    QVERIFY(m_window->sBarStus2->alignment() & Qt::AlignRight);
}

// The progress pane's paints, each with the percentage it showed.
struct PanePaints : QObject
{
    explicit PanePaints(TProgressPane *pane) : pane(pane) { pane->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            shown.append(pane->Percent());
        return false;
    }
    TProgressPane *pane;
    QList<int> shown;
};

void tst_U_Main::progressStepsShareRepaints()
{
    TProgressPane pane;
    pane.resize(100, 17);
    pane.SetTotalParts(100);
    PanePaints paints(&pane);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    QTRY_VERIFY(!paints.shown.isEmpty());
    // A page's progress in small steps, each given its chance to be painted at once: they
    // share repaints, and the last one is shown in the end.
    paints.shown.clear();
    for (int complete = 1; complete <= 20; ++complete) {
        pane.SetPartsComplete(complete);
        QCoreApplication::sendPostedEvents();
    }
    QVERIFY2(paints.shown.size() < 10, qPrintable(QString::number(paints.shown.size())));
    QTRY_COMPARE(paints.shown.value(paints.shown.size() - 1, -1), 20);
}

void tst_U_Main::progressPaneDrawnAMomentAfterShown()
{
    // The start page's own load is over, and with it its progress.
    TBrowserView *start = m_window->ActiveTab()->Browser;
    QTRY_VERIFY_WITH_TIMEOUT(!start->Busy(), 15000);
    QTRY_VERIFY(m_window->pBar->isHidden());
    const QRect clock = m_window->sBarStus2->geometry();
    PanePaints paints(m_window->pBar);
    // Each load's first progress shows it at once, its place in the row kept, and it is drawn
    // only once it has stayed a moment.
    for (const int progress : {30, 10}) {
        paints.shown.clear();
        m_window->BrowserProgressChange(start, progress, 100);
        QVERIFY(m_window->pBar->isVisible());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(m_window->sBarStus2->geometry(), clock);
        QVERIFY(paints.shown.isEmpty());
        QTRY_COMPARE(paints.shown.value(0, -1), progress);
        m_window->BrowserProgressChange(start, 100, 100); // the load has ended
        QVERIFY(m_window->pBar->isHidden());
        QCOMPARE(m_window->sBarStus2->geometry(), clock);
    }
}

void tst_U_Main::qtDialogsSpeakChinese()
{
    // Qt's own buttons, as the message boxes, the save dialog and page setup show them.
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    QCOMPARE(box.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    QCOMPARE(box.button(QDialogButtonBox::Save)->text(), QStringLiteral("保存"));
}

VANZU_TEST_MAIN(tst_U_Main)
#include "tst_U_Main.moc"
