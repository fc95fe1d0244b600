#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "PageInput.h"
#include "TProgressPane.h"
#include "TTabStripButtons.h"

#include <QFileDialog>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrintPreviewDialog>
#include <QSslServer>

namespace {

// Captions of all tabs in strip order, the active one marked with "*".
QStringList captions(TPageControl *strip)
{
    QStringList list;
    for (int i = 0; i < strip->PageCount(); ++i) {
        TTabSheet *page = strip->PageAt(i);
        list.append((page == strip->ActivePage() ? QStringLiteral("*") : QString()) + page->Caption());
    }
    return list;
}

// Every enabled state a widget takes, in order.
class EnabledLog : public QObject
{
public:
    explicit EnabledLog(QWidget *widget) : m_widget(widget) { widget->installEventFilter(this); }
    QList<bool> states;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_widget && event->type() == QEvent::EnabledChange)
            states.append(m_widget->isEnabled());
        return false;
    }

private:
    QWidget *m_widget;
};

// Answers the next modal window to appear.
struct ModalAnswer : ModalDriver
{
    explicit ModalAnswer(std::function<void(QWidget *)> act) : ModalDriver([](QWidget *) { return true; }, std::move(act)) { }
};
} // namespace

class tst_TabManager : public QObject, MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { QVERIFY(openMainWindow()); }
    void cleanup() { closeMainWindow(); }

    void startTab();
    void startTabTakesOverItsLoad();
    void startTabReusedByFirstAddress();
    void successiveCallsAddTabs();
    void reusableCaptionTakesNextAddress();
    void blankTabTakesStartPage();
    void titleRules_data();
    void titleRules();
    void backgroundTabTitle();
    void statusTextOnlyFromActiveTab();
    void progressRules_data();
    void progressRules();
    void progressFromBackgroundTabChangesNothing();
    void commandStateOnBackgroundTab();
    void stopFollowsEveryLoad_data();
    void stopFollowsEveryLoad();
    void loadingTextStaysAfterCommit();
    void errorPages_data();
    void errorPages();
    void targetBlankOpensNewTab();
    void newWindowAfterLastTabClosed();
    void closeTabAt_data();
    void closeTabAt();
    void closeByButtons_data();
    void closeByButtons();
    void closeByMouse_data();
    void closeByMouse();
    void lastTabReturnsToStartPage_data();
    void lastTabReturnsToStartPage();
    void captionsFollowTitlesAfterClose();
    void switchingTabsClearsStatus();
    void closingWindowWhileLoading();
    void backForwardButtons();
    void stopButton();
    void refreshStartPage();
    void refreshPage();
    void saveAndCancel();
    void pageSetupAndPreview();
    void fileMenu();

private:
    void waitCaption(TTabSheetEx *t, const QString &expected)
    {
        QTRY_COMPARE_WITH_TIMEOUT(captionOf(t), expected, kLoad);
    }
    // Opens `path` and waits until its title became the tab's caption.
    TTabSheetEx *openAndWait(const char *path, const QString &expectedCaption)
    {
        m_window->OpenInTab(url(path));
        TTabSheetEx *t = m_window->LastTab();
        if (t)
            waitCaption(t, expectedCaption);
        return t;
    }
    void clickTab(int index, Qt::MouseButton button)
    {
        QTest::mouseClick(m_window->PageControl1, button, {}, m_window->PageControl1->TabRect(index).center());
    }
};

void tst_TabManager::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.servePages(QStringLiteral("tabs")); // "/a" is tests/pages/tabs/a.html
    m_server.setPage("/slow", testPage("Slow", "slow"), "text/html; charset=utf-8", 3000);
}

void tst_TabManager::startTab()
{
    QCOMPARE(m_window->PageControl1->PageCount(), 1);
    TTabSheetEx *t = active();
    QVERIFY(t);
    QCOMPARE(t->Caption(), QStringLiteral("默认"));
    QCOMPARE(t->Hint(), QStringLiteral("默认"));
    QCOMPARE(t->Browser->LocationURL(), QStringLiteral("about:blank"));
    QCOMPARE(t->Browser->parentWidget(), t);
    QVERIFY(m_window->LastTab() == t);
    QVERIFY(!m_window->IsTabClosing());
    QVERIFY(m_window->BtnRfsh->isEnabled());
    QVERIFY(m_window->BtnOptn->isEnabled());
    QVERIFY(!m_window->btnBack->isEnabled());
    QVERIFY(!m_window->btnForward->isEnabled());
    // From the moment the start page is handed over, the tab reads "默认"; the engine's stand-in
    // title for the document never shows it as a blank page.
    QTRY_VERIFY_WITH_TIMEOUT(!t->Browser->Busy(), kLoad);
    QCOMPARE(m_startWatch->captions, QStringList({"默认"}));
    QCOMPARE(m_startWatch->titles, QStringList({"默认"}));
}

void tst_TabManager::startTabTakesOverItsLoad()
{
    // The start page is issued while the window is still being built, before its tab exists.
    // The tab takes that view over as it stands: one view, in the tab, loading, with Stop lit.
    TFrm_Main window;
    const QList<TBrowserView *> views = window.findChildren<TBrowserView *>();
    QCOMPARE(views.size(), 1);
    auto *tab = qobject_cast<TTabSheetEx *>(window.PageControl1->ActivePage());
    QVERIFY(tab);
    QCOMPARE(views.first(), tab->Browser);
    QCOMPARE(tab->Browser->parentWidget(), tab);
    QCOMPARE(tab->Caption(), QStringLiteral("默认"));
    QVERIFY(tab->Browser->Busy());
    QVERIFY(tab->IsBusy);
    QVERIFY(window.btnStop->isEnabled());
    TabWatch watch(tab);
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(watch.settledOn(QStringLiteral("默认")), kLoad);
    QVERIFY(!window.btnStop->isEnabled());
    QVERIFY(tab->Browser->isVisible());
    // The tab never read anything else, and the title reached the window once.
    QCOMPARE(watch.captions, QStringList({"默认"}));
    QCOMPARE(watch.titles, QStringList({"默认"}));
}

void tst_TabManager::startTabReusedByFirstAddress()
{
    TTabSheetEx *start = active();
    m_window->OpenInTab(url("/a"));
    QCOMPARE(m_window->PageControl1->PageCount(), 1);
    QCOMPARE(active(), start);
    QCOMPARE(start->Caption(), QStringLiteral("加载中..."));
    QCOMPARE(start->Hint(), QStringLiteral("加载中..."));
    waitCaption(start, QStringLiteral("page a"));
    QCOMPARE(start->Hint(), QStringLiteral("Page A"));
}

void tst_TabManager::successiveCallsAddTabs()
{
    // No title arrives in between: the first call reuses the start tab, every later one adds.
    m_window->OpenInTab(url("/a"));
    m_window->OpenInTab(url("/b"));
    m_window->OpenInTab(url("/c"));
    QCOMPARE(captions(m_window->PageControl1),
             QStringList({"加载中...", "加载中...", "*加载中..."}));
    QVERIFY(m_window->LastTab() == active());
    waitCaption(tab(0), QStringLiteral("page a"));
    waitCaption(tab(1), QStringLiteral("page b"));
    waitCaption(tab(2), QStringLiteral("page c"));
    // A tab showing a page title is never reused, and keeps it.
    m_window->OpenInTab(url("/a"));
    QCOMPARE(m_window->PageControl1->PageCount(), 4);
    QCOMPARE(m_window->PageControl1->TabIndex(), 3);
    QCOMPARE(tab(2)->Caption(), QStringLiteral("page c"));
}

void tst_TabManager::reusableCaptionTakesNextAddress()
{
    // Which captions are reusable is tst_TabRules's; here the window follows the rule for a
    // caption that a page title never gives.
    m_window->OpenInTab(url("/a"));
    m_window->OpenInTab(url("/b"));
    waitCaption(tab(1), QStringLiteral("page b"));
    tab(1)->SetCaption(QStringLiteral("找不到服务器"));
    m_window->OpenInTab(url("/c"));
    QCOMPARE(m_window->PageControl1->PageCount(), 2);
    QCOMPARE(m_window->PageControl1->TabIndex(), 1);
    QVERIFY(m_window->LastTab() == active());
    QCOMPARE(active()->Caption(), QStringLiteral("加载中..."));
    waitCaption(active(), QStringLiteral("page c"));
}

void tst_TabManager::blankTabTakesStartPage()
{
    openAndWait("/aboutblank", QStringLiteral("空白页"));
    QCOMPARE(active()->Hint(), QStringLiteral("About:Blank"));
    TabWatch watch(active());
    m_window->OpenInTab(QStringLiteral("about:blank"));
    QCOMPARE(m_window->PageControl1->PageCount(), 1);
    QCOMPARE(active()->Caption(), QStringLiteral("默认"));
    QCOMPARE(active()->Hint(), QStringLiteral("默认"));
    QTRY_VERIFY_WITH_TIMEOUT(watch.settledOn(QStringLiteral("默认")), kLoad);
    QCOMPARE(watch.captions, QStringList({"空白页", "加载中...", "默认"}));
    QCOMPARE(watch.titles, QStringList({"默认"}));
    QCOMPARE(active()->Browser->LocationURL(), QStringLiteral("about:blank"));
}

void tst_TabManager::titleRules_data()
{
    // The rule from title to caption has its rows in tst_TabRules; these are the ways a title
    // reaches the window, the hint keeping it as it came.
    QTest::addColumn<QByteArray>("path"); // a page with the title, or none: the title as reported
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("caption");
    QTest::newRow("reported, blanks and capitals") << QByteArray() << "  Hello World  " << "hello world";
    QTest::newRow("from a page, 20 characters") << QByteArray("/t20") << "ABCDEFGHIJKLMNOPQRST" << "abcdefghijklmnopqrst...";
    // With an empty title the engine reports the page's address.
    const QString address = QStringLiteral("127.0.0.1:%1/untitled").arg(m_server.port());
    QTest::newRow("empty") << QByteArray("/untitled") << address << address.left(20) + "...";
}

void tst_TabManager::titleRules()
{
    QFETCH(QByteArray, path);
    QFETCH(QString, title);
    QFETCH(QString, caption);
    if (path.isEmpty()) {
        // The engine itself trims a document's title, so the blanks come as a report would.
        m_window->BrowserTitleChange(active()->Browser, title);
    } else {
        m_window->OpenInTab(url(path.constData()));
    }
    waitCaption(active(), caption);
    QTRY_COMPARE_WITH_TIMEOUT(active()->Hint(), title, kLoad);
}

void tst_TabManager::backgroundTabTitle()
{
    TTabSheetEx *first = openAndWait("/later", QStringLiteral("before"));
    openAndWait("/a", QStringLiteral("page a"));
    QVERIFY(active() != first);
    waitCaption(first, QStringLiteral("after"));
    QCOMPARE(first->Hint(), QStringLiteral("After"));
    QVERIFY(active() != first);
}

void tst_TabManager::statusTextOnlyFromActiveTab()
{
    TTabSheetEx *background = openAndWait("/a", QStringLiteral("page a"));
    TTabSheetEx *front = openAndWait("/b", QStringLiteral("page b"));
    m_window->sBarStus->setText(QStringLiteral("unchanged"));
    m_window->BrowserStatusTextChange(background->Browser, QStringLiteral("正在打开网页 http://x/"));
    QCOMPARE(m_window->sBarStus->text(), QStringLiteral("unchanged"));
    m_window->BrowserStatusTextChange(front->Browser, QStringLiteral("正在打开网页 http://x/"));
    QCOMPARE(m_window->sBarStus->text(), QStringLiteral("正在打开网页 "));
    m_window->BrowserStatusTextChange(front->Browser, QStringLiteral("完成"));
    QCOMPARE(m_window->sBarStus->text(), QString());

    // And from the engine itself: a page that opens slowly shows the opening text.
    m_window->OpenInTab(url("/slow"));
    QTRY_COMPARE_WITH_TIMEOUT(m_window->sBarStus->text(), QStringLiteral("正在打开网页 "), kLoad);
}

void tst_TabManager::progressRules_data()
{
    QTest::addColumn<int>("progress");
    QTest::addColumn<int>("progressMax");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("complete");
    QTest::newRow("30 of 100") << 30 << 100 << true << 100 << 30;
    QTest::newRow("97 of 100") << 97 << 100 << true << 100 << 97;
    QTest::newRow("98 of 100") << 98 << 100 << false << 0 << 0;
    QTest::newRow("100 of 100") << 100 << 100 << false << 0 << 0;
    QTest::newRow("0 of 0") << 0 << 0 << false << 0 << 0;
    QTest::newRow("-1 of 10000") << -1 << 10000 << true << 10000 << 10000;
}

void tst_TabManager::progressRules()
{
    QFETCH(int, progress);
    QFETCH(int, progressMax);
    QFETCH(bool, shown);
    QFETCH(int, total);
    QFETCH(int, complete);
    m_window->pBar->hide();
    m_window->pBar->SetTotalParts(0);
    m_window->BrowserProgressChange(active()->Browser, progress, progressMax);
    QCOMPARE(m_window->pBar->isVisible(), shown);
    if (shown) {
        QCOMPARE(m_window->pBar->TotalParts(), total);
        QCOMPARE(m_window->pBar->PartsComplete(), complete);
    }
}

void tst_TabManager::progressFromBackgroundTabChangesNothing()
{
    TTabSheetEx *background = openAndWait("/a", QStringLiteral("page a"));
    openAndWait("/b", QStringLiteral("page b"));
    m_window->pBar->hide();
    m_window->BrowserProgressChange(background->Browser, 30, 100);
    QVERIFY(m_window->pBar->isHidden());
}

void tst_TabManager::commandStateOnBackgroundTab()
{
    openAndWait("/a", QStringLiteral("page a")); // the start tab, with the start page behind it
    TTabSheetEx *background = openAndWait("/b", QStringLiteral("page b"));
    openAndWait("/c", QStringLiteral("page c"));
    QVERIFY(!background->CanGoBack);
    m_window->BrowserCommandStateChange(background->Browser, 2, true);
    QVERIFY(background->CanGoBack);
    QVERIFY(!m_window->btnBack->isEnabled());
    m_window->PageControl1->SetActivePage(background);
    QVERIFY(m_window->btnBack->isEnabled());
    m_window->BrowserCommandStateChange(background->Browser, 1, true);
    QVERIFY(background->CanGoForward);
    m_window->BrowserCommandStateChange(background->Browser, 7, false); // other commands: nothing
    QVERIFY(background->CanGoForward && background->CanGoBack);
}

void tst_TabManager::stopFollowsEveryLoad_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("address opened") << "open";
    QTest::newRow("link clicked") << "link";
    QTest::newRow("refresh") << "refresh";
    QTest::newRow("back") << "back";
    QTest::newRow("forward") << "forward";
}

void tst_TabManager::stopFollowsEveryLoad()
{
    QFETCH(QString, how);
    TTabSheetEx *t = openAndWait("/toslow", QStringLiteral("to slow"));
    if (how == "back" || how == "forward") {
        t->Browser->Navigate(url("/a"), 0);
        waitCaption(t, QStringLiteral("page a"));
        QTRY_VERIFY(m_window->btnBack->isEnabled());
        if (how == "forward") {
            QTest::mouseClick(m_window->btnBack, Qt::LeftButton);
            waitCaption(t, QStringLiteral("to slow"));
            QTRY_VERIFY(!t->Browser->Busy() && m_window->btnForward->isEnabled());
        }
    }
    QTRY_VERIFY(!m_window->btnStop->isEnabled());
    // Only the buttons' own changes count: nobody calls UpdateNavButtons here.
    EnabledLog stop(m_window->btnStop);
    if (how == "open")
        m_window->OpenInTab(url("/slow"));
    else if (how == "link")
        QVERIFY(ClickElement(t->Browser, QStringLiteral("document.getElementById('go')")));
    else if (how == "refresh")
        QTest::mouseClick(m_window->BtnRfsh, Qt::LeftButton);
    else
        QTest::mouseClick(how == "back" ? m_window->btnBack : m_window->btnForward, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(stop.states.contains(true), kLoad);
    QTRY_VERIFY_WITH_TIMEOUT(!active()->Browser->Busy(), kLoad);
    QTRY_VERIFY(!m_window->btnStop->isEnabled());
}

void tst_TabManager::loadingTextStaysAfterCommit()
{
    // The engine reports "no link" when the new page commits; while the page still loads (its
    // picture takes 3 s) the pane keeps the loading text.
    TTabSheetEx *t = openAndWait("/toslow", QStringLiteral("to slow"));
    QVERIFY(ClickLink(t->Browser, QPoint(40, 40)));
    waitCaption(t, QStringLiteral("slow image"));
    QVERIFY(t->Browser->Busy());
    QCOMPARE(m_window->sBarStus->text(), QStringLiteral("正在打开网页 "));
    QTRY_VERIFY_WITH_TIMEOUT(!t->Browser->Busy(), kLoad);
    QCOMPARE(m_window->sBarStus->text(), QString());
}

void tst_TabManager::errorPages_data()
{
    QTest::addColumn<bool>("tls");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("reused");
    QTest::newRow("closed port") << false << "找不到服务器" << true;
    QTest::newRow("certificate error") << true << "网站的安全证书有问题" << false;
}

void tst_TabManager::errorPages()
{
    QFETCH(bool, tls);
    QFETCH(QString, title);
    QFETCH(bool, reused);
    // A port where nobody listens, or an untrusted TLS server.
    QSslServer tlsServer;
    tlsServer.setSslConfiguration(untrustedTlsConfiguration());
    quint16 port = 0;
    if (tls) {
        QVERIFY(tlsServer.listen(QHostAddress::LocalHost));
        port = tlsServer.serverPort();
    } else {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        port = probe.serverPort();
    }
    const QString address = QStringLiteral("%1://127.0.0.1:%2/x?a=<b>").arg(tls ? "https" : "http").arg(port);
    const QString shown = QString::fromLatin1(QUrl(address).toEncoded());

    m_window->OpenInTab(address);
    TTabSheetEx *t = m_window->LastTab();
    waitCaption(t, title);
    QCOMPARE(t->Hint(), title);
    QCOMPARE(t->Browser->LocationURL(), shown);
    const QString text = RunScript(t->Browser, QStringLiteral("document.body.innerText")).toString();
    QVERIFY2(text.contains(shown), qPrintable(text));
    QCOMPARE(RunScript(t->Browser, QStringLiteral("document.getElementById('retry').textContent")).toString(),
             QStringLiteral("重新加载"));
    QCOMPARE(RunScript(t->Browser, QStringLiteral("document.getElementById('retry').href")).toString(), shown);
    QTRY_VERIFY(!m_window->btnStop->isEnabled());

    // The next address goes into this tab only when its server could not be found.
    const int before = m_window->PageControl1->PageCount();
    if (!reused) {
        m_window->OpenInTab(url("/a"));
        QCOMPARE(m_window->PageControl1->PageCount(), before + 1);
        return;
    }
    m_window->OpenInTab(address);
    QCOMPARE(m_window->PageControl1->PageCount(), before);
    QVERIFY(m_window->LastTab() == t);
    waitCaption(t, title);
    // "重新加载" tries the address again: now a server answers there.
    TestHttpServer late;
    QVERIFY(late.listen(port));
    late.setPage("/x", testPage("Back again"));
    QVERIFY(ClickElement(t->Browser, QStringLiteral("document.getElementById('retry')")));
    waitCaption(t, QStringLiteral("back again"));
}

void tst_TabManager::targetBlankOpensNewTab()
{
    TTabSheetEx *opener = openAndWait("/newwin", QStringLiteral("opener"));
    QVERIFY(ClickLink(opener->Browser, QPoint(40, 40)));
    QTRY_COMPARE_WITH_TIMEOUT(m_window->PageControl1->PageCount(), 2, kLoad);
    QCOMPARE(m_window->PageControl1->TabIndex(), 1);
    waitCaption(tab(1), QStringLiteral("page b"));
    QCOMPARE(tab(0)->Caption(), QStringLiteral("opener"));
    QVERIFY(m_window->LastTab() == tab(1));
}

void tst_TabManager::newWindowAfterLastTabClosed()
{
    // The tab of the last OpenInTab is gone: the requesting tab stands in for it.
    TTabSheetEx *opener = openAndWait("/newwin", QStringLiteral("opener"));
    openAndWait("/a", QStringLiteral("page a"));
    m_window->CloseTabAt(1);
    QVERIFY(!m_window->LastTab());
    QCOMPARE(active(), opener);
    TBrowserHost *ppDisp = nullptr;
    bool cancel = false;
    m_window->BrowserNewWindow2(opener->Browser, ppDisp, cancel);
    QCOMPARE(m_window->PageControl1->PageCount(), 2);
    QVERIFY(ppDisp == tab(1)->Browser->Application());
    QVERIFY(!cancel);
    QCOMPARE(active(), tab(1));
    waitCaption(tab(1), QStringLiteral("opener"));
}

void tst_TabManager::closeTabAt_data()
{
    QTest::addColumn<int>("activeIndex");
    QTest::addColumn<int>("closeIndex");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("active middle: the last becomes active") << 1 << 1 << QStringList({"page a", "*page c"});
    QTest::newRow("first of three, B active: wraps to C") << 1 << 0 << QStringList({"page b", "*page c"});
    QTest::newRow("last, B active: A") << 1 << 2 << QStringList({"*page a", "page b"});
    QTest::newRow("active last") << 2 << 2 << QStringList({"page a", "*page b"});
}

void tst_TabManager::closeTabAt()
{
    QFETCH(int, activeIndex);
    QFETCH(int, closeIndex);
    QFETCH(QStringList, after);
    openAndWait("/a", QStringLiteral("page a"));
    openAndWait("/b", QStringLiteral("page b"));
    openAndWait("/c", QStringLiteral("page c"));
    m_window->PageControl1->SetActivePage(tab(activeIndex));
    QPointer<TBrowserView> closedView = tab(closeIndex)->Browser;
    m_window->CloseTabAt(closeIndex);
    QCOMPARE(captions(m_window->PageControl1), after);
    QVERIFY(!closedView);
    QVERIFY(!m_window->IsTabClosing());
}

void tst_TabManager::closeByButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("close button on the active tab") << "TActiveTabCloseButton";
    QTest::newRow("close button at the row's end") << "TTabControlCloseButton";
}

void tst_TabManager::closeByButtons()
{
    QFETCH(QString, button);
    openAndWait("/a", QStringLiteral("page a"));
    openAndWait("/b", QStringLiteral("page b"));
    openAndWait("/c", QStringLiteral("page c"));
    m_window->PageControl1->SetActivePage(tab(1));
    auto *close = m_window->PageControl1->findChild<QWidget *>(button);
    QVERIFY(close);
    QTRY_VERIFY(close->isVisible());
    QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
    QCOMPARE(captions(m_window->PageControl1), QStringList({"*page a", "page c"}));
    QTRY_VERIFY(!m_window->IsTabClosing());
}

void tst_TabManager::closeByMouse_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<bool>("closes");
    QTest::newRow("right press") << "right" << true;
    QTest::newRow("left double-click") << "double" << true;
    QTest::newRow("single left click") << "left" << false;
    QTest::newRow("middle press") << "middle" << false;
}

void tst_TabManager::closeByMouse()
{
    QFETCH(QString, gesture);
    QFETCH(bool, closes);
    openAndWait("/a", QStringLiteral("page a"));
    openAndWait("/b", QStringLiteral("page b"));
    m_window->PageControl1->SetActivePage(tab(1));
    QTRY_VERIFY(!m_window->PageControl1->TabRect(0).isEmpty()); // tab shapes exist after a layout pass
    const QPoint centre = m_window->PageControl1->TabRect(0).center();
    if (gesture == QLatin1String("right"))
        QTest::mousePress(m_window->PageControl1, Qt::RightButton, {}, centre);
    else if (gesture == QLatin1String("middle"))
        QTest::mousePress(m_window->PageControl1, Qt::MiddleButton, {}, centre);
    else if (gesture == QLatin1String("left"))
        QTest::mouseClick(m_window->PageControl1, Qt::LeftButton, {}, centre);
    else
        QTest::mouseDClick(m_window->PageControl1, Qt::LeftButton, {}, centre);
    if (closes)
        QCOMPARE(captions(m_window->PageControl1), QStringList({"*page b"}));
    else
        QCOMPARE(m_window->PageControl1->PageCount(), 2);
    QVERIFY(!m_window->IsTabClosing());
    // A press outside every tab closes nothing.
    QTest::mousePress(m_window->PageControl1, Qt::RightButton, {}, QPoint(m_window->PageControl1->width() / 2, 8));
    QCOMPARE(m_window->PageControl1->PageCount(), closes ? 1 : 2);
}

void tst_TabManager::lastTabReturnsToStartPage_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close button") << "button";
    QTest::newRow("right press") << "right";
}

void tst_TabManager::lastTabReturnsToStartPage()
{
    QFETCH(QString, how);
    openAndWait("/a", QStringLiteral("page a"));
    QCOMPARE(m_window->PageControl1->PageCount(), 1);
    TTabSheetEx *only = active();
    TabWatch watch(only);
    if (how == QLatin1String("button")) {
        bool allowClose = false;
        m_window->PageControl1Close(m_window->PageControl1, allowClose);
        QVERIFY(!allowClose);
        QVERIFY(m_window->IsTabClosing()); // raised for the close, lowered once it is over
    } else {
        QTRY_VERIFY(!m_window->PageControl1->TabRect(0).isEmpty());
        QTest::mousePress(m_window->PageControl1, Qt::RightButton, {}, m_window->PageControl1->TabRect(0).center());
    }
    QCOMPARE(m_window->PageControl1->PageCount(), 1);
    QCOMPARE(active(), only);
    QCOMPARE(only->Caption(), QStringLiteral("默认"));
    QCOMPARE(only->Hint(), QStringLiteral("默认"));
    QTRY_VERIFY(!m_window->IsTabClosing());
    QTRY_VERIFY_WITH_TIMEOUT(watch.settledOn(QStringLiteral("默认")), kLoad);
    QCOMPARE(watch.captions, QStringList({"page a", "默认"}));
    QCOMPARE(watch.titles, QStringList({"默认"}));
}

void tst_TabManager::captionsFollowTitlesAfterClose()
{
    // Every close path, then a new page: its caption still follows its title and the buttons
    // still follow the active tab.
    openAndWait("/a", QStringLiteral("page a"));
    openAndWait("/b", QStringLiteral("page b"));
    m_window->PageControl1->CloseActiveTab();
    QTRY_VERIFY(!m_window->IsTabClosing());
    openAndWait("/c", QStringLiteral("page c"));
    m_window->CloseTabAt(0);
    openAndWait("/b", QStringLiteral("page b"));
    bool allowClose = false;
    m_window->PageControl1Close(m_window->PageControl1, allowClose); // allowed: two pages
    QVERIFY(allowClose);
    QTRY_VERIFY(!m_window->IsTabClosing());
    openAndWait("/a", QStringLiteral("page a"));
    m_window->btnBack->setEnabled(false);
    m_window->BtnRfsh->setEnabled(false);
    m_window->UpdateNavButtons();
    QVERIFY(m_window->BtnRfsh->isEnabled());
}

void tst_TabManager::switchingTabsClearsStatus()
{
    openAndWait("/a", QStringLiteral("page a"));
    openAndWait("/b", QStringLiteral("page b"));
    m_window->sBarStus->setText(QStringLiteral("x"));
    m_window->pBar->show();
    clickTab(0, Qt::LeftButton);
    QCOMPARE(m_window->PageControl1->TabIndex(), 0);
    QCOMPARE(m_window->sBarStus->text(), QString());
    QVERIFY(m_window->pBar->isHidden());
}

void tst_TabManager::closingWindowWhileLoading()
{
    ModalLog boxes;
    m_window->OpenInTab(url("/slow"));
    m_window->OpenInTab(url("/slow"));
    m_window->OpenInTab(url("/later"));
    QVERIFY(m_window->close());
    QVERIFY(m_window->IsClosing());
    // Events that still arrive change nothing.
    const QString before = captionOf(active());
    m_window->BrowserTitleChange(active()->Browser, QStringLiteral("changed"));
    QCOMPARE(captionOf(active()), before);
    delete m_window;
    QTest::qWait(500); // nothing can be awaited: no box may come
    QCOMPARE(boxes.texts, QStringList());
}

void tst_TabManager::backForwardButtons()
{
    openAndWait("/a", QStringLiteral("page a"));
    active()->Browser->Navigate(url("/b"), 0);
    waitCaption(active(), QStringLiteral("page b"));
    QTRY_VERIFY(m_window->btnBack->isEnabled());
    QVERIFY(!m_window->btnForward->isEnabled());
    QTest::mouseClick(m_window->btnBack, Qt::LeftButton);
    QVERIFY(!m_window->btnBack->isEnabled()); // disabled by its own click at once
    waitCaption(active(), QStringLiteral("page a"));
    QTRY_VERIFY(m_window->btnForward->isEnabled());
    QTest::mouseClick(m_window->btnForward, Qt::LeftButton);
    QVERIFY(!m_window->btnForward->isEnabled());
    waitCaption(active(), QStringLiteral("page b"));
    QTRY_VERIFY(m_window->btnBack->isEnabled());
}

void tst_TabManager::stopButton()
{
    m_window->OpenInTab(url("/slow"));
    m_window->UpdateNavButtons();
    QVERIFY(m_window->btnStop->isEnabled());
    QTest::mouseClick(m_window->btnStop, Qt::LeftButton);
    QVERIFY(!m_window->btnStop->isEnabled());
    QTRY_VERIFY(!active()->Browser->Busy());
}

void tst_TabManager::refreshStartPage()
{
    TabWatch watch(active());
    QTest::mouseClick(m_window->BtnRfsh, Qt::LeftButton);
    QCOMPARE(active()->Caption(), QStringLiteral("默认"));
    QTRY_VERIFY_WITH_TIMEOUT(watch.settledOn(QStringLiteral("默认")), kLoad);
    QCOMPARE(watch.captions, QStringList({"默认"}));
    QCOMPARE(watch.titles, QStringList({"默认"}));
    QCOMPARE(active()->Browser->LocationURL(), QStringLiteral("about:blank"));
    QTRY_VERIFY(m_window->BtnRfsh->isEnabled());
}

void tst_TabManager::refreshPage()
{
    openAndWait("/a", QStringLiteral("page a"));
    const int before = int(m_server.requestTargets().count("/a"));
    QTest::mouseClick(m_window->BtnRfsh, Qt::LeftButton);
    QVERIFY(!m_window->BtnRfsh->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(int(m_server.requestTargets().count("/a")), before + 1, kLoad);
    QTRY_VERIFY(m_window->BtnRfsh->isEnabled());
    QCOMPARE(active()->Caption(), QStringLiteral("page a"));
}

void tst_TabManager::saveAndCancel()
{
    openAndWait("/a", QStringLiteral("page a"));
    const QString target = m_dir.filePath(QStringLiteral("saved.htm"));
    {
        QString filter, title;
        ModalAnswer answer([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            filter = dialog->nameFilters().join(QLatin1Char('|'));
            title = dialog->windowTitle();
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        });
        m_window->pmSaveClick();
        QCOMPARE(answer.acted, 1);
        QCOMPARE(title, QStringLiteral("Vanzu小精灵V2"));
        QVERIFY2(filter.contains(QLatin1String("*.htm")), qPrintable(filter));
        QTest::qWait(300);
        QVERIFY(!QFile::exists(target));
    }
    {
        ModalAnswer answer([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            // Typed, as selectFile() leaves a focused name box alone.
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(target);
            static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides accept()
        });
        m_window->pmSaveClick();
        QCOMPARE(answer.acted, 1);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(target).size() > 0, kLoad);
        QFile saved(target);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("aaa"));
    }
}

void tst_TabManager::pageSetupAndPreview()
{
    openAndWait("/a", QStringLiteral("page a"));
    {
        ModalAnswer answer([](QWidget *modal) { QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection); });
        m_window->pmPageSettingClick();
        QCOMPARE(answer.acted, 1);
        QCOMPARE(answer.className, QStringLiteral("QPageSetupDialog"));
    }
    {
        ModalAnswer answer([](QWidget *modal) { QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection); });
        m_window->pmPrintClick();
        QCOMPARE(answer.acted, 1);
        QCOMPARE(answer.className, QStringLiteral("QPrintPreviewDialog"));
    }
}

void tst_TabManager::fileMenu()
{
    const QList<QAction *> items = m_window->pmRopt->actions();
    // Save, page setup and print, then the user's shops: the manager and the shop sets; then the
    // price history: the watch list and clearing it.
    QCOMPARE(items.size(), 11);
    QVERIFY(items.at(4)->isSeparator());
    QCOMPARE(items.at(5)->text(), QStringLiteral("网店管理(&M)..."));
    QCOMPARE(items.at(7)->menu(), m_window->pmShopSets);
    QVERIFY(items.at(8)->isSeparator());
    QCOMPARE(items.at(9)->text(), QStringLiteral("关注列表(&W)..."));
    QCOMPARE(items.at(10)->text(), QStringLiteral("清除历史(&H)..."));
    QCOMPARE(items.at(0)->text(), QStringLiteral("保存网页(&S)"));
    QCOMPARE(items.at(0)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(items.at(0)->statusTip(), QStringLiteral("保存网页"));
    QVERIFY(items.at(1)->isSeparator());
    QCOMPARE(items.at(2)->text(), QStringLiteral("页面设置(&O)"));
    QVERIFY(items.at(2)->shortcut().isEmpty());
    QCOMPARE(items.at(3)->text(), QStringLiteral("打印(&P)"));
    QCOMPARE(items.at(3)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    QCOMPARE(items.at(3)->statusTip(), QStringLiteral("打印网页"));

    // A click on the button's body: the menu right below it, left edges aligned.
    QTimer::singleShot(0, this, [this] {
        QTRY_VERIFY(m_window->pmRopt->isVisible());
        const QPoint corner = m_window->BtnOptn->mapToGlobal(QPoint(0, m_window->BtnOptn->height()));
        QCOMPARE(m_window->pmRopt->geometry().topLeft(), corner);
        // Highlighting an item puts its hint into the status pane.
        m_window->pmRopt->setActiveAction(m_window->pmPrint);
        QTRY_COMPARE(m_window->sBarStus->text(), QStringLiteral("打印网页"));
        m_window->pmRopt->close();
    });
    m_window->BtnOptnClick();
    QTRY_VERIFY(!m_window->pmRopt->isVisible());
    // The hint of the last highlighted item goes with the menu.
    QCOMPARE(m_window->sBarStus->text(), QString());

    // A right press on the button, through the window as the user's mouse comes, opens the
    // same menu at the pointer.
    const QPoint at = m_window->BtnOptn->rect().center();
    QTest::mouseClick(m_window->windowHandle(), Qt::RightButton, {}, m_window->BtnOptn->mapTo(m_window, at));
    QTRY_VERIFY(m_window->pmRopt->isVisible());
    QCOMPARE(m_window->pmRopt->geometry().topLeft(), m_window->BtnOptn->mapToGlobal(at));
    m_window->pmRopt->close();
    QTRY_VERIFY(!m_window->pmRopt->isVisible());
}

VANZU_TEST_MAIN(tst_TabManager)
#include "tst_TabManager.moc"
