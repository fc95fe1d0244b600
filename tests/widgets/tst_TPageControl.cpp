#include "TPageControl.h"
#include "TTabStripButtons.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QLabel>
#include <QMenu>
#include <QTextDocument>
#include <QToolTip>
#include <QtTest>

// Every event of the control goes into one log, so that each test compares the whole sequence.
class tst_TPageControl : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void closeButtons_data();
    void closeButtons();
    void closeButtonFollowsPointer_data();
    void closeButtonFollowsPointer();
    void closeAll_data();
    void closeAll();
    void destroyPage_data();
    void destroyPage();
    void selectAdjacentPage_data();
    void selectAdjacentPage();
    void setTabIndex_data();
    void setTabIndex();
    void press_data();
    void press();
    void pressActiveTabTakesFocus_data();
    void pressActiveTabTakesFocus();
    void doubleClick_data();
    void doubleClick();
    void tabAtPoint_data();
    void tabAtPoint();
    void overflow();
    void activeTabStaysInViewAsCaptionsGrow();
    void keyboard_data();
    void keyboard();
    void focusFollowsShownPage();
    void tabMenu_data();
    void tabMenu();
    void tabMenuFollowsLocale();
    void tabMenuChoice();
    void layoutSizes();
    void smallTabsGetSmallCloseButton();
    void buttonsInPlaceForFirstPaint();
    void layoutAfterPaintPaintsNothingMore();
    void pageAtOutOfRange();
    void setPageIndex_data();
    void setPageIndex();
    void hintOverTheTab_data();
    void hintOverTheTab();

private:
    enum CloseHandler { NoHandler, Allow, Refuse, Program };

    void addPages(const QStringList &captions);
    TTabSheet *page(const QString &caption) const;
    QStringList captions() const;
    QString activeCaption() const;
    QAbstractButton *button(const char *name) const;
    QPoint tabCentre(int index) const;
    void settle() { QCoreApplication::sendPostedEvents(m_pc, QEvent::LayoutRequest); }
    // Real mouse input through the window, so that it reaches whatever child is under it.
    void mouse(QTest::MouseAction action, QWidget *target, Qt::MouseButton button, QPoint pos = {});
    QMenu *openTabMenu(Qt::MouseButton mouseButton);
    void setCloseHandler(CloseHandler handler);

    QWidget *m_window = nullptr;
    TPageControl *m_pc = nullptr;
    QStringList m_log;
    QStringList m_refused;  // captions whose tabs OnChanging refuses
    std::function<void(Qt::MouseButton, bool, int, int)> m_onMouseDown;
};

static QString buttonName(Qt::MouseButton button)
{
    return button == Qt::LeftButton ? "Left" : button == Qt::RightButton ? "Right" : "Middle";
}

void tst_TPageControl::init()
{
    m_window = new QWidget;
    m_window->resize(600, 240);
    m_pc = new TPageControl(m_window);
    m_pc->setGeometry(0, 0, 600, 240);
    m_pc->SetShowCloseButton(true);
    m_pc->SetShowCloseButtonOnActiveTab(true);
    m_pc->SetShowMenuButton(true);
    m_pc->SetBoldCurrentTab(true);
    m_pc->SetTabStyle(TPageControl::tsRoundCorners);
    m_log.clear();
    m_refused.clear();
    m_onMouseDown = nullptr;

    m_pc->OnMouseDown = [this](QObject *, Qt::MouseButton button, Qt::KeyboardModifiers, bool dbl, int x, int y) {
        m_log << "MouseDown " + buttonName(button) + (dbl ? " double" : "");
        if (m_onMouseDown)
            m_onMouseDown(button, dbl, x, y);
    };
    m_pc->OnDblClick = [this](QObject *) { m_log << "DblClick"; };
    m_pc->OnChanging = [this](QObject *, int index, bool &allow) {
        const QString caption = m_pc->PageOfTab(index)->Caption();
        m_log << QString("Changing %1 %2").arg(index).arg(caption);
        allow = !m_refused.contains(caption);
    };
    m_pc->OnChange = [this](QObject *) { m_log << QString("Change %1 %2").arg(m_pc->TabIndex()).arg(activeCaption()); };
    m_pc->OnPageChange = [this](QObject *) { m_log << "PageChange " + activeCaption(); };
    m_pc->OnTabClick = [this](QObject *) { m_log << QString("TabClick %1").arg(m_pc->TabIndex()); };

    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void tst_TPageControl::cleanup()
{
    delete m_window;
    m_window = nullptr;
    m_pc = nullptr;
}

void tst_TPageControl::addPages(const QStringList &captions)
{
    for (const QString &caption : captions) {
        auto *sheet = new TTabSheet(m_pc);
        sheet->SetCaption(caption);
        auto *edit = new QLineEdit(sheet);
        edit->setObjectName("edit " + caption);
    }
    settle();
}

TTabSheet *tst_TPageControl::page(const QString &caption) const
{
    for (int i = 0; i < m_pc->PageCount(); ++i) {
        if (m_pc->PageAt(i)->Caption() == caption)
            return m_pc->PageAt(i);
    }
    return nullptr;
}

QStringList tst_TPageControl::captions() const
{
    QStringList result;
    for (int i = 0; i < m_pc->PageCount(); ++i)
        result << m_pc->PageAt(i)->Caption();
    return result;
}

QString tst_TPageControl::activeCaption() const
{
    return m_pc->ActivePage() ? m_pc->ActivePage()->Caption() : "-";
}

QAbstractButton *tst_TPageControl::button(const char *name) const
{
    return m_pc->findChild<QAbstractButton *>(name);
}

QPoint tst_TPageControl::tabCentre(int index) const
{
    return m_pc->TabRect(index).center();
}

void tst_TPageControl::mouse(QTest::MouseAction action, QWidget *target, Qt::MouseButton button, QPoint pos)
{
    if (pos.isNull())
        pos = target->rect().center();
    QTest::mouseEvent(action, m_window->windowHandle(), button, {}, target->mapTo(m_window, pos));
}

QMenu *tst_TPageControl::openTabMenu(Qt::MouseButton mouseButton)
{
    mouse(QTest::MouseClick, button("TTabMenuButton"), mouseButton);
    const auto menu = [] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); };
    return QTest::qWaitFor([&] { return menu() != nullptr; }) ? menu() : nullptr;
}

void tst_TPageControl::setCloseHandler(CloseHandler handler)
{
    if (handler == NoHandler) {
        m_pc->OnClose = nullptr;
        return;
    }
    m_pc->OnClose = [this, handler](QObject *, bool &allow) {
        m_log << "Close " + activeCaption();
        QVERIFY(!allow);
        allow = handler == Allow || (handler == Program && m_pc->PageCount() > 1);
        // The program puts its start page back into a last tab that may not close.
        if (handler == Program && !allow)
            m_pc->ActivePage()->SetCaption("默认");
    };
}

// --- Closing ---------------------------------------------------------------------------------

void tst_TPageControl::closeButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("handler");
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QString>("active");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("remaining");

    const QStringList abcd{"A", "B", "C", "D"};
    for (const char *name : {"TTabControlCloseButton", "TActiveTabCloseButton"}) {
        const QString b = name;
        QTest::addRow("%s, allowed, middle tab: the left neighbour follows", name)
            << b << int(Allow) << abcd << "C"
            << QStringList{"Close C", "PageChange -", "Changing 1 B", "Change 1 B", "PageChange B"}
            << QStringList{"A", "B", "D"};
        QTest::addRow("%s, allowed, first tab: the new first tab follows", name)
            << b << int(Allow) << abcd << "A"
            << QStringList{"Close A", "PageChange -", "Changing 0 B", "Change 0 B", "PageChange B"}
            << QStringList{"B", "C", "D"};
        QTest::addRow("%s, allowed, only tab: none follows", name)
            << b << int(Allow) << QStringList{"A"} << "A" << QStringList{"Close A", "PageChange -"} << QStringList{};
        QTest::addRow("%s, refused", name)
            << b << int(Refuse) << abcd << "C" << QStringList{"Close C"} << abcd;
        QTest::addRow("%s, no handler", name) << b << int(NoHandler) << abcd << "C" << QStringList{} << abcd;
    }
}

void tst_TPageControl::closeButtons()
{
    QFETCH(QString, button);
    QFETCH(int, handler);
    QFETCH(QStringList, pages);
    QFETCH(QString, active);
    QFETCH(QStringList, log);
    QFETCH(QStringList, remaining);

    addPages(pages);
    setCloseHandler(CloseHandler(handler));
    m_pc->SetActivePage(page(active));
    settle();
    m_log.clear();
    QPointer<TTabSheet> closing = page(active);

    QAbstractButton *target = this->button(button.toLatin1());
    QVERIFY(target && target->isVisible());
    mouse(QTest::MouseClick, target, Qt::LeftButton);

    QCOMPARE(m_log, log);
    QCOMPARE(captions(), remaining);
    QCOMPARE(closing.isNull(), !remaining.contains(active));
    if (remaining.isEmpty()) {
        QCOMPARE(m_pc->TabIndex(), -1);
        QVERIFY(!this->button("TTabControlCloseButton")->isVisible());
        QVERIFY(!this->button("TActiveTabCloseButton")->isVisible());
    } else {
        QVERIFY(m_pc->ActivePage()->isVisible());
    }
}

void tst_TPageControl::closeButtonFollowsPointer_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("row end") << "TTabControlCloseButton";
    QTest::newRow("active tab") << "TActiveTabCloseButton";
}

// Pushed only while held over the button; only a left release over it closes.
void tst_TPageControl::closeButtonFollowsPointer()
{
    QFETCH(QString, button);
    addPages({"A", "B"});
    setCloseHandler(Allow);
    m_pc->SetActivePage(page("B"));
    settle();
    m_log.clear();
    QAbstractButton *target = this->button(button.toLatin1());
    const QPoint outside(-30, target->height() / 2);

    mouse(QTest::MousePress, target, Qt::LeftButton);
    QVERIFY(target->isDown());
    mouse(QTest::MouseMove, target, Qt::LeftButton, outside);
    QVERIFY(!target->isDown());
    mouse(QTest::MouseMove, target, Qt::LeftButton, target->rect().center());
    QVERIFY(target->isDown());
    mouse(QTest::MouseMove, target, Qt::LeftButton, outside);
    mouse(QTest::MouseRelease, target, Qt::LeftButton, outside);
    QCOMPARE(m_log, QStringList{});

    mouse(QTest::MouseClick, target, Qt::LeftButton);
    QCOMPARE(m_log, (QStringList{"Close B", "PageChange -", "Changing 0 A", "Change 0 A", "PageChange A"}));

    // A right click on the active tab's button does nothing at all.
    m_log.clear();
    if (button == "TActiveTabCloseButton") {
        mouse(QTest::MouseClick, this->button("TActiveTabCloseButton"), Qt::RightButton);
        QCOMPARE(m_log, QStringList{});
    }
}

void tst_TPageControl::closeAll_data()
{
    QTest::addColumn<Qt::MouseButton>("mouseButton");
    QTest::newRow("right press") << Qt::RightButton;
    QTest::newRow("middle press") << Qt::MiddleButton;
}

// With the program's handler every page but the first closes, last first; the first refuses
// and shows the start page again.
void tst_TPageControl::closeAll()
{
    QFETCH(Qt::MouseButton, mouseButton);
    addPages({"A", "B", "C", "D", "E"});
    setCloseHandler(Program);
    QList<bool> updatesWhileClosing;
    auto onClose = m_pc->OnClose;
    m_pc->OnClose = [&](QObject *sender, bool &allow) {
        updatesWhileClosing << m_pc->updatesEnabled();
        onClose(sender, allow);
    };
    m_pc->SetActivePage(page("C"));
    m_log.clear();

    mouse(QTest::MousePress, button("TTabControlCloseButton"), mouseButton);

    const QStringList expected{
        "Changing 4 E", "Change 4 E", "PageChange E",
        "Close E", "PageChange -", "Changing 3 D", "Change 3 D", "PageChange D",
        "Close D", "PageChange -", "Changing 2 C", "Change 2 C", "PageChange C",
        "Close C", "PageChange -", "Changing 1 B", "Change 1 B", "PageChange B",
        "Close B", "PageChange -", "Changing 0 A", "Change 0 A", "PageChange A",
        "Close A"};
    QCOMPARE(m_log, expected);
    QCOMPARE(captions(), QStringList{"默认"});
    QCOMPARE(m_pc->TabIndex(), 0);
    QCOMPARE(updatesWhileClosing, QList<bool>(5, false));
    QVERIFY(m_pc->updatesEnabled());
    mouse(QTest::MouseRelease, button("TTabControlCloseButton"), mouseButton);
}

// --- Destroying pages and moving between them -------------------------------------------------

void tst_TPageControl::destroyPage_data()
{
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("destroyed");
    QTest::addColumn<QStringList>("destroyLog");
    QTest::addColumn<QStringList>("selectLog");

    QTest::newRow("active page: none shown, then the last")
        << "B" << "B" << QStringList{"PageChange -"}
        << QStringList{"Changing 2 D", "Change 2 D", "PageChange D"};
    QTest::newRow("page left of the active one: its index drops, then the one before it")
        << "C" << "A" << QStringList{"Changing 1 C", "Change 1 C", "PageChange C"}
        << QStringList{"Changing 0 B", "Change 0 B", "PageChange B"};
    QTest::newRow("page right of the active one: silent, then the one before it")
        << "B" << "D" << QStringList{} << QStringList{"Changing 0 A", "Change 0 A", "PageChange A"};
    QTest::newRow("another page while the first is active: back wraps to the last")
        << "A" << "C" << QStringList{} << QStringList{"Changing 2 D", "Change 2 D", "PageChange D"};
}

void tst_TPageControl::destroyPage()
{
    QFETCH(QString, active);
    QFETCH(QString, destroyed);
    QFETCH(QStringList, destroyLog);
    QFETCH(QStringList, selectLog);
    addPages({"A", "B", "C", "D"});
    m_pc->SetActivePage(page(active));
    m_log.clear();

    delete page(destroyed);
    QCOMPARE(m_log, destroyLog);
    QCOMPARE(m_pc->PageCount(), 3);
    if (active == destroyed) {
        QCOMPARE(m_pc->ActivePage(), nullptr);
        QCOMPARE(m_pc->TabIndex(), -1);
        for (int i = 0; i < m_pc->PageCount(); ++i)
            QVERIFY(!m_pc->PageAt(i)->isVisible());
    } else {
        QCOMPARE(activeCaption(), active);
        QCOMPARE(m_pc->TabIndex(), m_pc->ActivePage()->PageIndex());
    }

    m_log.clear();
    m_pc->SelectAdjacentPage(false);
    QCOMPARE(m_log, selectLog);
    QVERIFY(m_pc->ActivePage()->isVisible());
}

void tst_TPageControl::selectAdjacentPage_data()
{
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("hiddenTab");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<QString>("expected");

    QTest::newRow("single page forward stays") << QStringList{"A"} << "A" << "" << true << "A";
    QTest::newRow("single page backward stays") << QStringList{"A"} << "A" << "" << false << "A";
    QTest::newRow("forward skips a hidden tab") << QStringList{"A", "B", "C"} << "A" << "B" << true << "C";
    QTest::newRow("forward wraps to the first") << QStringList{"A", "B", "C"} << "C" << "" << true << "A";
    QTest::newRow("no active page forward: the first") << QStringList{"A", "B", "C"} << "" << "" << true << "A";
    QTest::newRow("no pages") << QStringList{} << "" << "" << true << "-";
}

void tst_TPageControl::selectAdjacentPage()
{
    QFETCH(QStringList, pages);
    QFETCH(QString, active);
    QFETCH(QString, hiddenTab);
    QFETCH(bool, forward);
    QFETCH(QString, expected);
    addPages(pages);
    if (!hiddenTab.isEmpty())
        page(hiddenTab)->SetTabVisible(false);
    m_pc->SetActivePage(page(active));
    m_log.clear();

    m_pc->SelectAdjacentPage(forward);
    QCOMPARE(activeCaption(), expected);
    if (expected == active || expected == "-")
        QCOMPARE(m_log, QStringList{});
    else
        QCOMPARE(m_log.last(), "PageChange " + expected);
}

void tst_TPageControl::setTabIndex_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("disabled");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("tabIndex");
    QTest::addColumn<QString>("shown");

    QTest::newRow("another tab") << 2 << "" << "" << QStringList{"Changing 2 C", "Change 2 C", "PageChange C"} << 2 << "C";
    QTest::newRow("the active tab: nothing") << 1 << "" << "" << QStringList{} << 1 << "B";
    QTest::newRow("refused by OnChanging") << 2 << "" << "C" << QStringList{"Changing 2 C"} << 1 << "B";
    QTest::newRow("disabled tab: refused unasked") << 2 << "C" << "" << QStringList{} << 1 << "B";
    QTest::newRow("beyond the tabs: no tab active, page stays") << 7 << "" << "" << QStringList{} << -1 << "B";
    QTest::newRow("-1: no tab active, page stays") << -1 << "" << "" << QStringList{} << -1 << "B";
}

void tst_TPageControl::setTabIndex()
{
    QFETCH(int, index);
    QFETCH(QString, disabled);
    QFETCH(QString, refused);
    QFETCH(QStringList, log);
    QFETCH(int, tabIndex);
    QFETCH(QString, shown);
    addPages({"A", "B", "C"});
    if (!disabled.isEmpty())
        page(disabled)->SetTabEnabled(false);
    m_refused << refused;
    m_pc->SetActivePage(page("B"));
    settle();
    m_log.clear();

    m_pc->SetTabIndex(index);
    QCOMPARE(m_log, log);
    QCOMPARE(m_pc->TabIndex(), tabIndex);
    QCOMPARE(activeCaption(), shown);
    QVERIFY(page(shown)->isVisible());
    QCOMPARE(button("TActiveTabCloseButton")->isVisible(), tabIndex >= 0);
}

// --- Mouse -----------------------------------------------------------------------------------

void tst_TPageControl::press_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<Qt::MouseButton>("mouseButton");
    QTest::addColumn<int>("tab");  // -1: the empty end of the row
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("active");

    const QStringList selectsC{"Changing 2 C", "Change 2 C", "PageChange C", "TabClick 2"};
    QTest::newRow("left on an inactive tab") << "" << Qt::LeftButton << 2 << QStringList{"MouseDown Left"} + selectsC << "C";
    QTest::newRow("right on an inactive tab") << "" << Qt::RightButton << 2 << QStringList{"MouseDown Right"} + selectsC << "C";
    QTest::newRow("middle on an inactive tab") << "" << Qt::MiddleButton << 2 << QStringList{"MouseDown Middle"} + selectsC << "C";
    QTest::newRow("the active tab: no change") << "" << Qt::LeftButton << 1 << QStringList{"MouseDown Left", "TabClick 1"} << "B";
    QTest::newRow("refused by OnChanging") << "refuse C" << Qt::LeftButton << 2 << QStringList{"MouseDown Left", "Changing 2 C"} << "B";
    QTest::newRow("disabled tab") << "disable C" << Qt::LeftButton << 2 << QStringList{"MouseDown Left"} << "B";
    QTest::newRow("empty end of the row") << "" << Qt::LeftButton << -1 << QStringList{"MouseDown Left"} << "B";
    QTest::newRow("handler adds a page: nothing hit")
        << "add page" << Qt::RightButton << 2
        << QStringList{"MouseDown Right", "Changing 4 E", "Change 4 E", "PageChange E"} << "E";
    QTest::newRow("handler removes a page: nothing hit") << "remove D" << Qt::RightButton << 2 << QStringList{"MouseDown Right"} << "B";
    QTest::newRow("handler closes the pressed tab as the program does")
        << "close pressed" << Qt::RightButton << 2
        << QStringList{"MouseDown Right", "Changing 0 A", "Change 0 A", "PageChange A"} << "A";
    QTest::newRow("handler disables the control") << "disable control" << Qt::LeftButton << 2 << QStringList{"MouseDown Left"} << "B";
}

void tst_TPageControl::press()
{
    QFETCH(QString, setup);
    QFETCH(Qt::MouseButton, mouseButton);
    QFETCH(int, tab);
    QFETCH(QStringList, log);
    QFETCH(QString, active);
    addPages({"A", "B", "C", "D"});
    m_pc->SetActivePage(page("B"));
    settle();
    if (setup == "refuse C")
        m_refused << "C";
    else if (setup == "disable C")
        page("C")->SetTabEnabled(false);
    m_onMouseDown = [&](Qt::MouseButton, bool, int x, int y) {
        if (setup == "add page") {
            auto *sheet = new TTabSheet(m_pc);
            sheet->SetCaption("E");
            m_pc->SetActivePage(sheet);
        } else if (setup == "remove D") {
            delete page("D");
        } else if (setup == "close pressed") {
            delete m_pc->PageAt(m_pc->TabAtPoint(x, y));
            m_pc->SelectAdjacentPage(false);
        } else if (setup == "disable control") {
            m_pc->setEnabled(false);
        }
    };
    settle();
    m_log.clear();

    const QRect row(m_pc->TabRect(3).right() + 5, m_pc->TabRect(3).top(), 10, m_pc->TabRect(3).height());
    mouse(QTest::MouseClick, m_pc, mouseButton, tab >= 0 ? tabCentre(tab) : row.center());
    QCOMPARE(m_log, log);
    QCOMPARE(activeCaption(), active);

    // A press on a page is the page's own.
    m_log.clear();
    m_onMouseDown = nullptr;
    if (m_pc->isEnabled()) {
        mouse(QTest::MouseClick, m_pc->ActivePage(), Qt::RightButton, QPoint(200, 100));
        QCOMPARE(m_log, QStringList{});
    }
}

void tst_TPageControl::pressActiveTabTakesFocus_data()
{
    QTest::addColumn<bool>("tabStop");
    QTest::newRow("tab stop") << true;
    QTest::newRow("no tab stop") << false;
}

void tst_TPageControl::pressActiveTabTakesFocus()
{
    QFETCH(bool, tabStop);
    addPages({"A", "B"});
    m_pc->SetTabStop(tabStop);
    m_pc->SetActivePage(page("B"));
    QLineEdit *edit = page("B")->findChild<QLineEdit *>();
    edit->setFocus();
    QVERIFY(edit->hasFocus());
    m_log.clear();

    mouse(QTest::MouseClick, m_pc, Qt::LeftButton, tabCentre(1));
    QCOMPARE(m_log, (QStringList{"MouseDown Left", "TabClick 1"}));
    QCOMPARE(QApplication::focusWidget(), tabStop ? static_cast<QWidget *>(m_pc) : edit);
}

void tst_TPageControl::doubleClick_data()
{
    QTest::addColumn<bool>("programHandler");
    QTest::addColumn<QStringList>("log");
    const QStringList firstClick{"MouseDown Left", "Changing 2 C", "Change 2 C", "PageChange C", "TabClick 2"};
    QTest::newRow("plain") << false << firstClick + QStringList{"DblClick", "MouseDown Left double", "TabClick 2"};
    QTest::newRow("handler closes on a double click")
        << true << firstClick + QStringList{"DblClick", "MouseDown Left double", "PageChange -", "Changing 2 D", "Change 2 D", "PageChange D"};
}

void tst_TPageControl::doubleClick()
{
    QFETCH(bool, programHandler);
    QFETCH(QStringList, log);
    addPages({"A", "B", "C", "D"});
    m_pc->SetActivePage(page("B"));
    settle();
    if (programHandler) {
        m_onMouseDown = [this](Qt::MouseButton button, bool dbl, int x, int y) {
            const int index = m_pc->TabAtPoint(x, y);
            if (index >= 0 && button == Qt::LeftButton && dbl) {
                delete m_pc->PageAt(index);
                m_pc->SelectAdjacentPage(false);
            }
        };
    }
    m_log.clear();
    mouse(QTest::MouseDClick, m_pc, Qt::LeftButton, tabCentre(2));
    QCOMPARE(m_log, log);
}

// --- Hit testing -----------------------------------------------------------------------------

void tst_TPageControl::tabAtPoint_data()
{
    QTest::addColumn<QString>("probe");
    QTest::addColumn<int>("expected");
    QTest::newRow("no tabs") << "no tabs" << -1;
    QTest::newRow("centre of a tab") << "centre" << 2;
    QTest::newRow("empty end of the row") << "row end" << -1;
    QTest::newRow("page area") << "page" << -1;
    QTest::newRow("active tab's left overhang over its neighbour") << "left overhang" << 1;
    QTest::newRow("active tab's right overhang over its neighbour") << "right overhang" << 1;
    QTest::newRow("active tab's top overhang") << "top overhang" << 1;
    QTest::newRow("above an inactive tab") << "above inactive" << -1;
    QTest::newRow("rounded corner of an inactive tab") << "corner" << -1;
    QTest::newRow("just inside that corner") << "inside corner" << 3;
    QTest::newRow("right after a caption changed") << "after caption" << -1;
    QTest::newRow("right after a page was added") << "after add" << -1;
}

void tst_TPageControl::tabAtPoint()
{
    QFETCH(QString, probe);
    QFETCH(int, expected);
    if (probe == "no tabs") {
        QCOMPARE(m_pc->TabAtPoint(10, 10), -1);
        return;
    }
    addPages({"A", "B", "C", "D"});
    m_pc->SetActivePage(page("B"));
    settle();
    const QRect active = m_pc->TabRect(1);
    const QRect right = m_pc->TabRect(2);
    QPoint point = right.center();
    if (probe == "row end")
        point = QPoint(m_pc->TabRect(3).right() + 5, right.center().y());
    else if (probe == "page")
        point = QPoint(right.center().x(), active.bottom() + 20);
    else if (probe == "left overhang")
        point = QPoint(active.left() - 2, active.center().y());
    else if (probe == "right overhang")
        point = QPoint(active.right() + 2, active.center().y());
    else if (probe == "top overhang")
        point = QPoint(active.center().x(), active.top() - 2);
    else if (probe == "above inactive")
        point = QPoint(right.center().x(), right.top() - 1);
    else if (probe == "corner")
        point = m_pc->TabRect(3).topLeft();
    else if (probe == "inside corner")
        point = m_pc->TabRect(3).topLeft() + QPoint(2, 2);
    else if (probe == "after caption")
        page("C")->SetCaption("CC");
    else if (probe == "after add")
        new TTabSheet(m_pc);
    QCOMPARE(m_pc->TabAtPoint(point.x(), point.y()), expected);

    // Once laid out again, the tab is found where it is now.
    if (probe.startsWith("after")) {
        settle();
        QCOMPARE(m_pc->TabAtPoint(m_pc->TabRect(2).center().x(), m_pc->TabRect(2).center().y()), 2);
    }
}

void tst_TPageControl::overflow()
{
    QStringList many;
    for (int i = 0; i < 30; ++i)
        many << QString("标签%1").arg(i);
    addPages(many);
    m_pc->SetActivePage(m_pc->PageAt(0));
    settle();
    auto *scroller = m_pc->findChild<QWidget *>("TTabScroller");
    QVERIFY(scroller && scroller->isVisible());
    auto *back = scroller->findChild<QAbstractButton *>("startArrow");
    auto *ahead = scroller->findChild<QAbstractButton *>("endArrow");
    QAbstractButton *activeClose = button("TActiveTabCloseButton");
    QVERIFY(!back->isEnabled());
    QVERIFY(ahead->isEnabled());
    QVERIFY(activeClose->isVisible());
    int lastShown = 0;
    while (m_pc->TabRect(lastShown + 1).isValid())
        ++lastShown;
    QVERIFY(lastShown > 0 && lastShown < 29);
    // Shown tabs end before the arrows.
    QVERIFY(m_pc->TabRect(lastShown).right() < scroller->x());

    // One step towards the end hides the active first tab and with it its close button.
    mouse(QTest::MouseClick, ahead, Qt::LeftButton);
    QVERIFY(m_pc->TabRect(0).isEmpty());
    QCOMPARE(m_pc->TabRect(1).left(), 2);
    QVERIFY(!activeClose->isVisible());
    QCOMPARE(m_pc->TabAtPoint(tabCentre(1).x(), tabCentre(1).y()), 1);
    QVERIFY(back->isEnabled());
    mouse(QTest::MouseClick, back, Qt::LeftButton);
    QVERIFY(m_pc->TabRect(0).isValid());
    QVERIFY(activeClose->isVisible());
    QVERIFY(!back->isEnabled());

    // Activating a tab further right scrolls until it is fully shown; one further left becomes
    // the first shown tab.
    m_pc->SetTabIndex(29);
    QVERIFY(m_pc->TabRect(29).isValid());
    QVERIFY(m_pc->TabRect(29).right() < scroller->x());
    QVERIFY(!ahead->isEnabled());
    QVERIFY(activeClose->isVisible());
    QVERIFY(m_pc->TabRect(29).contains(activeClose->geometry().center()));
    m_pc->SetTabIndex(3);
    QCOMPARE(m_pc->TabRect(3).left(), 2);
    QVERIFY(m_pc->TabRect(2).isEmpty());

    // Arrows stop at the ends.
    for (int i = 0; i < 40 && ahead->isEnabled(); ++i)
        mouse(QTest::MouseClick, ahead, Qt::LeftButton);
    QVERIFY(m_pc->TabRect(29).isValid());
    QVERIFY(!ahead->isEnabled());
    QVERIFY(!activeClose->isVisible());
}

void tst_TPageControl::activeTabStaysInViewAsCaptionsGrow()
{
    // Short captions fit; the last tab is made active. Then every caption grows (titles replacing
    // "加载中..."): the row overflows and must still show the active tab.
    QStringList shortCaptions;
    for (int i = 0; i < 6; ++i)
        shortCaptions << QString::number(i);
    addPages(shortCaptions);
    m_pc->SetTabIndex(5);
    settle();
    QVERIFY(!m_pc->findChild<QWidget *>("TTabScroller")->isVisible());
    for (int i = 0; i < 6; ++i)
        m_pc->PageAt(i)->SetCaption(QString("一个很长的网页标题 %1").arg(i));
    settle();
    QVERIFY(m_pc->findChild<QWidget *>("TTabScroller")->isVisible());
    QVERIFY(m_pc->TabRect(5).isValid());
    QVERIFY(button("TActiveTabCloseButton")->isVisible());

    // Scrolled away by hand, the row stays where the user put it when a caption changes.
    auto *back = m_pc->findChild<QWidget *>("TTabScroller")->findChild<QAbstractButton *>("startArrow");
    while (m_pc->TabRect(5).isValid())
        mouse(QTest::MouseClick, back, Qt::LeftButton);
    const QRect firstShown = m_pc->TabRect(0);
    m_pc->PageAt(3)->SetCaption(QString("另一个标题"));
    settle();
    QVERIFY(m_pc->TabRect(5).isEmpty());
    QCOMPARE(m_pc->TabRect(0).isValid(), firstShown.isValid());
    // Activating it again brings it back, and it stays in view from then on.
    m_pc->SetTabIndex(5);
    settle();
    QVERIFY(m_pc->TabRect(5).isValid());
    m_pc->resize(m_pc->width() - 60, m_pc->height());
    settle();
    QVERIFY(m_pc->TabRect(5).isValid());
}

// --- Keyboard --------------------------------------------------------------------------------

void tst_TPageControl::keyboard_data()
{
    QTest::addColumn<QString>("focus");  // "strip" or the caption of a page whose editor has focus
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("disabled");
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<QStringList>("log");

    const int none = Qt::NoModifier;
    const int ctrl = Qt::ControlModifier;
    const int ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    const QStringList noRefusal;
    QTest::newRow("Right to the next tab") << "strip" << int(Qt::Key_Right) << none << "B" << "" << noRefusal
        << QStringList{"Changing 2 C", "Change 2 C", "PageChange C", "TabClick 2"};
    QTest::newRow("Right wraps after the last") << "strip" << int(Qt::Key_Right) << none << "E" << "" << noRefusal
        << QStringList{"Changing 0 A", "Change 0 A", "PageChange A", "TabClick 0"};
    QTest::newRow("Left wraps before the first") << "strip" << int(Qt::Key_Left) << none << "A" << "" << noRefusal
        << QStringList{"Changing 4 E", "Change 4 E", "PageChange E", "TabClick 4"};
    QTest::newRow("Down passes a disabled tab") << "strip" << int(Qt::Key_Down) << none << "B" << "C" << noRefusal
        << QStringList{"Changing 3 D", "Change 3 D", "PageChange D", "TabClick 3"};
    QTest::newRow("Up passes a refused tab") << "strip" << int(Qt::Key_Up) << none << "D" << "" << QStringList{"C"}
        << QStringList{"Changing 2 C", "Changing 1 B", "Change 1 B", "PageChange B", "TabClick 1"};
    QTest::newRow("Home searches inwards") << "strip" << int(Qt::Key_Home) << none << "D" << "A" << QStringList{"B"}
        << QStringList{"Changing 1 B", "Changing 2 C", "Change 2 C", "PageChange C", "TabClick 2"};
    QTest::newRow("End searches inwards") << "strip" << int(Qt::Key_End) << none << "B" << "E" << noRefusal
        << QStringList{"Changing 3 D", "Change 3 D", "PageChange D", "TabClick 3"};
    QTest::newRow("every other tab refused: back at the active one")
        << "strip" << int(Qt::Key_Right) << none << "C" << "" << QStringList{"A", "B", "D", "E"}
        << QStringList{"Changing 3 D", "Changing 4 E", "Changing 0 A", "Changing 1 B"};
    QTest::newRow("Home on the first tab") << "strip" << int(Qt::Key_Home) << none << "A" << "" << noRefusal << QStringList{};
    QTest::newRow("Up inside a page is the page's") << "B" << int(Qt::Key_Up) << none << "B" << "" << noRefusal << QStringList{};
    QTest::newRow("Ctrl+Tab inside a page") << "B" << int(Qt::Key_Tab) << ctrl << "B" << "" << noRefusal
        << QStringList{"Changing 2 C", "Change 2 C", "PageChange C"};
    QTest::newRow("Ctrl+Shift+Tab inside a page") << "B" << int(Qt::Key_Tab) << ctrlShift << "B" << "" << noRefusal
        << QStringList{"Changing 0 A", "Change 0 A", "PageChange A"};
    QTest::newRow("Ctrl+Shift+Backtab on the strip") << "strip" << int(Qt::Key_Backtab) << ctrlShift << "A" << "" << noRefusal
        << QStringList{"Changing 4 E", "Change 4 E", "PageChange E"};
}

void tst_TPageControl::keyboard()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, active);
    QFETCH(QString, disabled);
    QFETCH(QStringList, refused);
    QFETCH(QStringList, log);
    addPages({"A", "B", "C", "D", "E"});
    if (!disabled.isEmpty())
        page(disabled)->SetTabEnabled(false);
    m_pc->SetActivePage(page(active));
    m_refused = refused;
    QWidget *target = focus == "strip" ? static_cast<QWidget *>(m_pc) : page(focus)->findChild<QLineEdit *>();
    target->setFocus();
    QVERIFY(target->hasFocus());
    m_log.clear();

    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(m_log, log);
}

// Focus inside the shown page moves into the next shown page, or to the strip when that page
// cannot take it; focus elsewhere stays.
void tst_TPageControl::focusFollowsShownPage()
{
    addPages({"A", "B", "C"});
    m_pc->SetActivePage(page("A"));
    page("A")->findChild<QLineEdit *>()->setFocus();
    m_pc->SetActivePage(page("B"));
    QCOMPARE(QApplication::focusWidget(), page("B")->findChild<QLineEdit *>());

    page("C")->setEnabled(false);
    m_pc->SetActivePage(page("C"));
    QCOMPARE(QApplication::focusWidget(), m_pc);

    auto *outside = new QLineEdit(m_window);
    outside->move(0, 220);
    outside->show();
    outside->setFocus();
    m_pc->SetActivePage(page("A"));
    QCOMPARE(QApplication::focusWidget(), outside);

    // Destroying the page that holds the focus leaves it on the strip.
    page("A")->findChild<QLineEdit *>()->setFocus();
    delete page("A");
    QCOMPARE(QApplication::focusWidget(), m_pc);
}

// --- Tab menu --------------------------------------------------------------------------------

void tst_TPageControl::tabMenu_data()
{
    QTest::addColumn<Qt::MouseButton>("mouseButton");
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<QStringList>("items");

    // Equal captions (case aside) each keep an entry, in tab order.
    const QStringList sorted{"A&&B", "apple", "Apple", "banana", "cherry"};
    QTest::newRow("left button, sorted") << Qt::LeftButton << true << sorted;
    QTest::newRow("right button, sorted") << Qt::RightButton << true << sorted;
    QTest::newRow("tab order") << Qt::LeftButton << false << QStringList{"banana", "apple", "cherry", "Apple", "A&&B"};
}

void tst_TPageControl::tabMenu()
{
    QFETCH(Qt::MouseButton, mouseButton);
    QFETCH(bool, sorted);
    QFETCH(QStringList, items);
    addPages({"banana", "apple", "hidden", "cherry", "Apple", "A&B"});
    page("hidden")->SetTabVisible(false);
    page("cherry")->SetTabEnabled(false);
    m_pc->SetSortTabMenu(sorted);
    m_pc->SetActivePage(page("Apple"));
    m_log.clear();
    QAbstractButton *menuButton = button("TTabMenuButton");

    // Released elsewhere: no menu.
    mouse(QTest::MousePress, menuButton, mouseButton);
    QVERIFY(menuButton->isDown());
    mouse(QTest::MouseMove, menuButton, mouseButton, QPoint(-40, 5));
    mouse(QTest::MouseRelease, menuButton, mouseButton, QPoint(-40, 5));
    QVERIFY(!QApplication::activePopupWidget());

    QMenu *menu = openTabMenu(mouseButton);
    QVERIFY(menu);
    QStringList texts, checked, disabled;
    for (QAction *action : menu->actions()) {
        texts << action->text();
        if (action->isChecked())
            checked << action->text();
        if (!action->isEnabled())
            disabled << action->text();
    }
    QCOMPARE(texts, items);
    QCOMPARE(checked, QStringList{"Apple"});
    QCOMPARE(disabled, QStringList{"cherry"});
    // Below the button, right edges aligned.
    const QPoint corner = menuButton->mapToGlobal(QPoint(menuButton->width(), menuButton->height()));
    QCOMPARE(menu->geometry().right() + 1, corner.x());
    QCOMPARE(menu->geometry().top(), corner.y());

    QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QCOMPARE(m_log, QStringList{});
}

// Chinese captions in pinyin order under a Chinese locale, not in character code order.
void tst_TPageControl::tabMenuFollowsLocale()
{
    m_pc->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    addPages({"京东", "一号店", "当当网", "国美在线"});
    m_pc->SetActivePage(page("京东"));
    QMenu *menu = openTabMenu(Qt::LeftButton);
    QVERIFY(menu);
    QStringList texts;
    for (QAction *action : menu->actions())
        texts << action->text();
    QCOMPARE(texts, (QStringList{"当当网", "国美在线", "京东", "一号店"}));
    menu->close();
}

void tst_TPageControl::tabMenuChoice()
{
    addPages({"B", "A", "C"});
    m_pc->SetActivePage(page("B"));
    m_log.clear();
    QMenu *menu = openTabMenu(Qt::LeftButton);
    QVERIFY(menu);
    QAction *c = menu->actions().at(2);
    QCOMPARE(c->text(), "C");
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(c).center());
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QCOMPARE(m_log, (QStringList{"Changing 2 C", "Change 2 C", "PageChange C"}));
}

// --- Layout ----------------------------------------------------------------------------------

void tst_TPageControl::layoutSizes()
{
    QFont font = m_pc->font();
    font.setPixelSize(13);
    m_pc->setFont(font);
    QVERIFY(!button("TTabControlCloseButton")->isVisible());
    QVERIFY(!button("TTabMenuButton")->isVisible());

    addPages({"默认", "a", "淘宝网 - 淘！我喜欢"});
    m_pc->SetActivePage(page("默认"));
    settle();
    QFont bold = font;
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const int textHeight = metrics.height();
    QList<int> widths;
    for (int i = 0; i < 3; ++i) {
        const QRect tab = m_pc->TabRect(i);
        const int content = std::max(metrics.horizontalAdvance(m_pc->PageAt(i)->Caption()) + 2,
                                     metrics.horizontalAdvance("AAA"));
        QCOMPARE(tab.width(), content + 20 + 6);
        QCOMPARE(tab.height(), textHeight + 6);
        if (i > 0)
            QCOMPARE(tab.left(), m_pc->TabRect(i - 1).right() + 1);
        widths << tab.width();
    }
    m_pc->SetActivePage(page("a"));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(m_pc->TabRect(i).width(), widths.at(i));

    const QRect close = button("TTabControlCloseButton")->geometry();
    const QRect menu = button("TTabMenuButton")->geometry();
    QCOMPARE(close.size(), QSize(textHeight + 4, textHeight + 4));
    QCOMPARE(menu.size(), close.size());
    QCOMPARE(close.right(), m_pc->width() - 3);
    QCOMPARE(close.bottom(), m_pc->TabRect(0).bottom() - 2);
    QCOMPARE(menu.right(), close.left() - 3);
    QCOMPARE(menu.top(), close.top());

    const QRect active = m_pc->TabRect(1);
    const QRect small = button("TActiveTabCloseButton")->geometry();
    QCOMPARE(small.size(), QSize(15, 13));
    QVERIFY(small.left() > active.left() + metrics.horizontalAdvance("AAA"));
    QVERIFY(small.right() <= active.right());
    QVERIFY(std::abs(small.center().y() - (active.top() - 2 + active.bottom()) / 2) <= 1);
}

void tst_TPageControl::smallTabsGetSmallCloseButton()
{
    QFont font = m_pc->font();
    font.setPixelSize(5);
    m_pc->setFont(font);
    addPages({"A", "B"});
    m_pc->SetActivePage(page("B"));
    settle();
    QVERIFY2(m_pc->TabRect(1).height() <= 12, "precondition: tabs 12 pixels high or less");
    QCOMPARE(button("TActiveTabCloseButton")->size(), QSize(10, 9));
}

namespace {
// Counts the paints a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) : QObject(widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};
} // namespace

void tst_TPageControl::buttonsInPlaceForFirstPaint()
{
    // Tabs made while the window is hidden, as a main window makes its first tab: when it is
    // shown, the row and the active tab's close button are in place before anything is painted.
    QWidget window;
    auto *pc = new TPageControl(&window);
    pc->setGeometry(0, 0, 400, 200);
    pc->SetShowCloseButtonOnActiveTab(true);
    for (const QString &caption : {QStringLiteral("A"), QStringLiteral("B")})
        (new TTabSheet(pc))->SetCaption(caption);
    pc->SetActivePage(pc->PageAt(1));
    window.show();
    QAbstractButton *close = pc->findChild<QAbstractButton *>("TActiveTabCloseButton");
    QVERIFY(close->isVisible());
    QVERIFY(pc->TabRect(1).contains(close->geometry()));
}

void tst_TPageControl::layoutAfterPaintPaintsNothingMore()
{
    addPages({"A"});
    QCoreApplication::sendPostedEvents(m_window, QEvent::UpdateRequest);
    PaintCounter counter(m_pc);
    (new TTabSheet(m_pc))->SetCaption("B");
    m_pc->SetActivePage(page("B"));
    // A paint before the strip's pending layout request, as the window system's first exposure
    // of a window brings it: the paint lays the row out and shows it.
    m_pc->repaint();
    QCOMPARE(counter.paints, 1);
    settle();
    QCoreApplication::sendPostedEvents(m_window, QEvent::UpdateRequest);
    QCOMPARE(counter.paints, 1);
    // The buttons follow the row all the same.
    QAbstractButton *close = button("TActiveTabCloseButton");
    QVERIFY(close->isVisible());
    QVERIFY(m_pc->TabRect(1).contains(close->geometry()));
}

// --- Errors ----------------------------------------------------------------------------------

void tst_TPageControl::pageAtOutOfRange()
{
    addPages({"A", "B"});
    QCOMPARE(m_pc->PageAt(1)->Caption(), "B");
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, m_pc->PageAt(2));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, m_pc->PageAt(-1));
}

void tst_TPageControl::setPageIndex_data()
{
    QTest::addColumn<QString>("moved");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QStringList>("log");

    const QStringList abcd{"A", "B", "C", "D"};
    QTest::newRow("beyond the last")
        << "A" << 4 << "4 is an invalid PageIndex value. PageIndex must be between 0 and 3" << abcd << QStringList{};
    QTest::newRow("negative")
        << "A" << -1 << "-1 is an invalid PageIndex value. PageIndex must be between 0 and 3" << abcd << QStringList{};
    QTest::newRow("in front of the active page: its index follows")
        << "D" << 0 << "" << QStringList{"D", "A", "B", "C"} << QStringList{"Changing 3 C", "Change 3 C", "PageChange C"};
    QTest::newRow("from before the active page to the end: its index follows") << "A" << 3 << "" << QStringList{"B", "C", "D", "A"}
        << QStringList{"Changing 1 C", "Change 1 C", "PageChange C"};
    QTest::newRow("to its own place: nothing") << "D" << 3 << "" << abcd << QStringList{};
}

void tst_TPageControl::setPageIndex()
{
    QFETCH(QString, moved);
    QFETCH(int, index);
    QFETCH(QString, error);
    QFETCH(QStringList, order);
    QFETCH(QStringList, log);
    addPages({"A", "B", "C", "D"});
    m_pc->SetActivePage(page("C"));
    m_log.clear();

    QString what;
    try {
        page(moved)->SetPageIndex(index);
    } catch (const ETabControlError &e) {
        what = QString::fromUtf8(e.what());
    }
    QCOMPARE(what, error);
    QCOMPARE(captions(), order);
    QCOMPARE(m_log, log);
    QCOMPARE(m_pc->TabIndex(), page("C")->PageIndex());
}

void tst_TPageControl::hintOverTheTab_data()
{
    QTest::addColumn<QString>("hint");
    QTest::newRow("a title") << "Page A  的标题";
    QTest::newRow("markup stays text") << "<h1>警告</h1><img src='/etc/hostname'> & <b>x</b>";
}

void tst_TPageControl::hintOverTheTab()
{
    QFETCH(QString, hint);
    addPages({"A", "B"});
    page("B")->SetHint(hint);
    page("B")->SetShowHint(true);
    // The pointer rests on the tab: its hint shows there, word for word. Over the page, no hint.
    // What Qt sends once the pointer has rested there (its timer is not to be relied on under
    // a loaded virtual display).
    const QPoint at = tabCentre(1);
    QHelpEvent rest(QEvent::ToolTip, at, m_pc->mapToGlobal(at));
    QApplication::sendEvent(m_pc, &rest);
    QTRY_VERIFY(QToolTip::isVisible());
    const QList<QLabel *> tips = [] {
        QList<QLabel *> found;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->inherits("QTipLabel") && w->isVisible())
                found << static_cast<QLabel *>(w);
        }
        return found;
    }();
    QCOMPARE(tips.size(), 1);
    QTextDocument shown;
    shown.setHtml(tips.first()->text());
    QCOMPARE(shown.toPlainText(), hint);
    QCOMPARE(page("B")->toolTip(), QString());
    QToolTip::hideText();
}

QTEST_MAIN(tst_TPageControl)
#include "tst_TPageControl.moc"
