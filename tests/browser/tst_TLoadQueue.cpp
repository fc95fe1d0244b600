#include "MainWindowFixture.h"
#include "TLoadPacer.h"
#include "TLoadQueue.h"
#include "TPageLifecycle.h"

#include <QWebEngineHistory>

#include <memory>
#include <vector>

// The load queue and the sleep of hidden pages, on real engine views against the loopback
// server: which load starts when, what a waiting view reports, and what a page that slept
// looks like when its tab comes back.
namespace {
const int kHold = 4000; // a page that keeps its place in the queue taken for this long

using Views = std::vector<std::unique_ptr<TBrowserView>>;

// The names of the views whose loads the queue started, in order, and the most that loaded at
// the same time.
class StartLog : public QObject
{
public:
    explicit StartLog(const Views &views)
    {
        connect(TLoadQueue::Instance(), &TLoadQueue::loadStarted, this, [this](TBrowserHost *host) {
            started.append(host->objectName());
            peak = qMax(peak, int(started.size() - ended.size()));
        });
        for (const auto &view : views) {
            TBrowserView *v = view.get();
            connect(v, &TBrowserHost::busyChanged, this, [this, v](bool busy) {
                if (!busy && started.contains(v->objectName()) && !ended.contains(v->objectName()))
                    ended.append(v->objectName());
            });
        }
    }
    QStringList started;
    QStringList ended;
    int peak = 0;
};

// What a view reports to its owner, in order.
QStringList *LogEvents(TBrowserView *view)
{
    auto *log = new QStringList;
    QObject::connect(view, &QObject::destroyed, [log] { delete log; });
    view->OnStatusTextChange = [log](QObject *, const QString &text) { log->append("status:" + text); };
    view->OnProgressChange
        = [log](QObject *, int p, int max) { log->append(QStringLiteral("progress:%1/%2").arg(p).arg(max)); };
    view->OnCommandStateChange = [log, view](QObject *, int command, bool) {
        log->append(QStringLiteral("command:%1 busy=%2").arg(command).arg(view->Busy()));
    };
    view->OnDownloadComplete = [log](QObject *) { log->append("download"); };
    view->OnTitleChange = [log](QObject *, const QString &text) { log->append("title:" + text); };
    return log;
}
} // namespace

class tst_TLoadQueue : public QObject, MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup() { closeMainWindow(); }

    void waitingViewReportsItsLoad();
    void startsInOrder_data();
    void startsInOrder();
    void shownViewGoesFirst();
    void shownViewJumpsTheQueue();
    void closedWhileWaiting();
    void stoppedWhileWaiting();
    void newerNavigationReplacesWaitingOne_data();
    void newerNavigationReplacesWaitingOne();
    void waitingCallerLoadsAtOnce_data();
    void waitingCallerLoadsAtOnce();
    void unpacedStartsAtOnce();
    void pacerFollowsProcessors_data();
    void pacerFollowsProcessors();
    void processorTicks_data();
    void processorTicks();

    void comparisonLoadsActiveTabFirst();
    void hiddenPageFreezesAndWakes();
    void hiddenPagesAwakeUntilTheirLoadEnds();
    void pageNeverSeenSleepsOnceLoaded();
    void keepAliveDiscardsLeastRecentlyUsed();
    void discardedTabComesBack();

private:
    Views hiddenViews(int count);
};

void tst_TLoadQueue::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setPage("/hold", testPage("Hold", "hold"), "text/html; charset=utf-8", kHold);
    m_server.servePages(QStringLiteral("tabs")); // "/a" is tests/pages/tabs/a.html
    // Everything else: a page named after its address that takes a moment, so that loads overlap.
    m_server.setFallback([](const QByteArray &target, const QByteArray &) {
        TestHttpServer::Reply reply;
        reply.body = testPage(QString::fromLatin1(target), QStringLiteral("page"));
        reply.delayMs = 300;
        return reply;
    });
}

void tst_TLoadQueue::init()
{
    TLoadQueue::Instance()->SetPaced(true);
    TLoadQueue::Instance()->SetMaxRunning(1);
    // Pages stay awake unless a test is about their sleep.
    TPageLifecycle::Instance()->SetKeepAlive(-1);
    TPageLifecycle::Instance()->SetFreezeAfter(-1);
    m_server.clearRequests();
}

Views tst_TLoadQueue::hiddenViews(int count)
{
    Views views;
    for (int i = 0; i < count; ++i) {
        auto view = std::make_unique<TBrowserView>();
        view->setObjectName(QStringLiteral("v%1").arg(i));
        view->resize(400, 300);
        view->InitializeView();
        views.push_back(std::move(view));
    }
    return views;
}

void tst_TLoadQueue::waitingViewReportsItsLoad()
{
    Views views = hiddenViews(2);
    views[0]->Navigate(url("/hold"), 0);
    QStringList *events = LogEvents(views[1].get());
    QVERIFY(views[1]->Navigate(url("/b"), 0));
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor("/hold"), 1, kLoad);

    // Waiting for its turn: busy with the address it is about to show, no engine yet, silent.
    TBrowserView *waiting = views[1].get();
    QVERIFY(waiting->LoadQueued());
    QVERIFY(waiting->Busy());
    QCOMPARE(waiting->LocationURL(), url("/b"));
    QVERIFY(!waiting->HasEngine());
    QVERIFY(!waiting->Document());
    QCOMPARE(TLoadQueue::Instance()->Waiting(), QList<TBrowserHost *> {waiting});
    QCOMPARE(*events, QStringList());
    QCOMPARE(requestsFor("/b"), 0);

    // Its turn comes when the load before it ends; then it loads as any view does.
    QTRY_VERIFY_WITH_TIMEOUT(!waiting->Busy(), kLoad + kHold);
    QVERIFY(!views[0]->Busy());
    QVERIFY(!waiting->LoadQueued());
    QVERIFY(waiting->HasEngine());
    QCOMPARE(waiting->LocationURL(), url("/b"));
    QCOMPARE(events->first(), QStringLiteral("status:正在打开网页 ") + url("/b"));
    // The title is passed on a moment after the engine knows it, perhaps after the load's end.
    QTRY_VERIFY2(events->contains("title:Page B"), qPrintable(events->join(" | ")));
    QStringList load = *events;
    load.removeIf([](const QString &event) { return event.startsWith("title:"); });
    QCOMPARE(load.constLast(), QStringLiteral("download"));
}

void tst_TLoadQueue::startsInOrder_data()
{
    QTest::addColumn<int>("views");
    QTest::addColumn<int>("maxRunning");
    QTest::newRow("one at a time") << 4 << 1;
    QTest::newRow("two at a time") << 5 << 2;
    QTest::newRow("three at a time") << 7 << 3;
    QTest::newRow("more places than loads") << 3 << 6;
}

void tst_TLoadQueue::startsInOrder()
{
    QFETCH(int, views);
    QFETCH(int, maxRunning);
    TLoadQueue::Instance()->SetMaxRunning(maxRunning);
    Views list = hiddenViews(views);
    StartLog log(list);
    QStringList expected;
    for (int i = 0; i < views; ++i) {
        list[i]->Navigate(url("/p" + QByteArray::number(i)), 0);
        expected.append(list[i]->objectName());
    }
    // Nothing starts while the caller still runs: the loads begin with the next turn of the loop.
    QCOMPARE(log.started, QStringList());
    for (const auto &view : list)
        QVERIFY(!view->HasEngine());

    QTRY_COMPARE_WITH_TIMEOUT(log.ended.size(), views, kLoad);
    QCOMPARE(log.started, expected);
    QCOMPARE(log.peak, qMin(views, maxRunning));
    for (int i = 0; i < views; ++i) {
        QCOMPARE(list[i]->LocationURL(), url("/p" + QByteArray::number(i)));
        QCOMPARE(list[i]->EngineView()->title(), QStringLiteral("/p%1").arg(i));
    }
    QCOMPARE(TLoadQueue::Instance()->RunningCount(), 0);
}

void tst_TLoadQueue::shownViewGoesFirst()
{
    Views list = hiddenViews(4);
    StartLog log(list);
    // The last one is on screen, as the active tab of a comparison is.
    list[3]->show();
    QVERIFY(QTest::qWaitForWindowExposed(list[3].get()));
    for (int i = 0; i < 4; ++i)
        list[i]->Navigate(url("/q" + QByteArray::number(i)), 0);
    QTRY_COMPARE_WITH_TIMEOUT(log.ended.size(), 4, kLoad);
    QCOMPARE(log.started, QStringList({"v3", "v0", "v1", "v2"}));
}

void tst_TLoadQueue::shownViewJumpsTheQueue()
{
    Views list = hiddenViews(4);
    StartLog log(list);
    list[0]->Navigate(url("/hold"), 0);
    for (int i = 1; i < 4; ++i)
        list[i]->Navigate(url("/r" + QByteArray::number(i)), 0);
    QTRY_COMPARE(log.started, QStringList({"v0"}));
    QCOMPARE(TLoadQueue::Instance()->Waiting().size(), 3);

    // Showing the last one (its tab activated) starts it although the only place is taken.
    list[3]->show();
    QTRY_COMPARE_WITH_TIMEOUT(log.started, QStringList({"v0", "v3"}), kLoad);
    QVERIFY(list[0]->Busy());
    QTRY_COMPARE_WITH_TIMEOUT(log.ended.size(), 4, kLoad + kHold);
    QCOMPARE(log.started, QStringList({"v0", "v3", "v1", "v2"}));
}

void tst_TLoadQueue::closedWhileWaiting()
{
    Views list = hiddenViews(3);
    StartLog log(list);
    list[0]->Navigate(url("/hold"), 0);
    list[1]->Navigate(url("/closed"), 0);
    list[2]->Navigate(url("/kept"), 0);
    QTRY_COMPARE(log.started, QStringList({"v0"}));
    TBrowserHost *kept = list[2].get();
    list[1].reset(); // its tab closed
    QCOMPARE(TLoadQueue::Instance()->Waiting(), QList<TBrowserHost *> {kept});
    QTRY_VERIFY_WITH_TIMEOUT(!list[2]->Busy(), kLoad + kHold);
    QCOMPARE(log.started, QStringList({"v0", "v2"}));
    QCOMPARE(requestsFor("/closed"), 0);
    QCOMPARE(requestsFor("/kept"), 1);
}

void tst_TLoadQueue::stoppedWhileWaiting()
{
    Views list = hiddenViews(2);
    list[0]->Navigate(url("/hold"), 0);
    list[1]->Navigate(url("/stopped"), 0);
    QStringList *events = LogEvents(list[1].get());
    QTRY_COMPARE(requestsFor("/hold"), 1);
    list[1]->Stop();
    // The load ends as a stopped one does, and never reaches the network.
    QCOMPARE(*events, QStringList({"progress:100/100", "status:完成", "command:-1 busy=0", "download"}));
    QVERIFY(!list[1]->Busy());
    QVERIFY(!list[1]->LoadQueued());
    QVERIFY(TLoadQueue::Instance()->Waiting().isEmpty());
    QCOMPARE(list[1]->LocationURL(), QString());
    QTRY_VERIFY_WITH_TIMEOUT(!list[0]->Busy(), kLoad + kHold);
    QTest::qWait(500); // nothing can be awaited: nothing should load
    QCOMPARE(requestsFor("/stopped"), 0);
    QVERIFY(!list[1]->HasEngine());
}

void tst_TLoadQueue::newerNavigationReplacesWaitingOne_data()
{
    QTest::addColumn<QString>("then");
    QTest::addColumn<QString>("shown"); // LocationURL in the end
    QTest::newRow("a document from text (the start page)") << "text"
                                                           << "about:blank";
    QTest::newRow("another address") << "/c"
                                     << "/c";
}

void tst_TLoadQueue::newerNavigationReplacesWaitingOne()
{
    QFETCH(QString, then);
    QFETCH(QString, shown);
    Views list = hiddenViews(2);
    list[0]->Navigate(url("/hold"), 0);
    list[1]->Navigate(url("/replaced"), 0);
    QTRY_COMPARE(requestsFor("/hold"), 1);
    if (then == QLatin1String("text")) {
        TTextList page;
        page.setText(QStringLiteral("<html><head><title>默认</title></head><body>start</body></html>"));
        QCOMPARE(list[1]->LoadFromStrings(page), 0);
    } else {
        list[1]->Navigate(url(then.toLatin1()), 0);
    }
    const QString expected = shown.startsWith('/') ? url(shown.toLatin1()) : shown;
    QCOMPARE(list[1]->LocationURL(), expected);
    QTRY_VERIFY_WITH_TIMEOUT(!list[0]->Busy() && !list[1]->Busy(), kLoad + kHold);
    QCOMPARE(list[1]->LocationURL(), expected);
    QCOMPARE(requestsFor("/replaced"), 0);
}

void tst_TLoadQueue::waitingCallerLoadsAtOnce_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Navigate with a time-out") << "navigate";
    QTest::newRow("WaitUntilReady on a waiting view") << "wait";
    QTest::newRow("Refresh of a waiting view") << "refresh";
}

void tst_TLoadQueue::waitingCallerLoadsAtOnce()
{
    QFETCH(QString, how);
    Views list = hiddenViews(2);
    list[0]->Navigate(url("/hold"), 0);
    QTRY_COMPARE(requestsFor("/hold"), 1);
    TBrowserView *view = list[1].get();
    if (how == QLatin1String("navigate")) {
        QVERIFY(view->Navigate(url("/a"), kLoad));
    } else {
        view->Navigate(url("/a"), 0);
        QVERIFY(view->LoadQueued());
        if (how == QLatin1String("wait")) {
            QVERIFY(view->WaitUntilReady(kLoad));
        } else {
            view->Refresh();
            QVERIFY(!view->LoadQueued());
            QVERIFY(view->WaitUntilReady(kLoad));
        }
    }
    // Loaded while the only place in the queue was still taken.
    QVERIFY(list[0]->Busy());
    QVERIFY(!view->Busy());
    QCOMPARE(view->LocationURL(), url("/a"));
    QCOMPARE(requestsFor("/a"), 1);
}

void tst_TLoadQueue::unpacedStartsAtOnce()
{
    TLoadQueue::Instance()->SetPaced(false);
    Views list = hiddenViews(3);
    for (int i = 0; i < 3; ++i) {
        list[i]->Navigate(url("/u" + QByteArray::number(i)), 0);
        QVERIFY(list[i]->HasEngine());
        QVERIFY(!list[i]->LoadQueued());
    }
    QVERIFY(TLoadQueue::Instance()->Waiting().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!list[0]->Busy() && !list[1]->Busy() && !list[2]->Busy(), kLoad);
}

// ---------------------------------------------------------------------------------------------

void tst_TLoadQueue::pacerFollowsProcessors_data()
{
    // Samples "busy running waiting", separated by ";", each "xN" times; the limits after each.
    QTest::addColumn<QString>("samples");
    QTest::addColumn<QList<int>>("limits");
    QTest::newRow("network-bound: two more each time, up to the ceiling")
        << "0.3 L 40 x4" << QList<int> {10, 12, 12, 12};
    QTest::newRow("processors busy: one fewer each time, down to the floor")
        << "0.95 L 40 x8" << QList<int> {7, 6, 5, 4, 3, 2, 2, 2};
    QTest::newRow("idle with places free: the loads are not what waits")
        << "0.2 2 40 x2" << QList<int> {8, 8};
    QTest::newRow("idle with nothing waiting") << "0.1 8 0 x2" << QList<int> {8, 8};
    QTest::newRow("between idle and busy: holds") << "0.75 L 40 x3" << QList<int> {8, 8, 8};
    QTest::newRow("unknown load: holds") << "-1 L 40 x2" << QList<int> {8, 8};
    QTest::newRow("the network, then the renderers")
        << "0.4 L 40 x2; 1.0 L 40 x4; 0.5 L 40" << QList<int> {10, 12, 11, 10, 9, 8, 10};
}

void tst_TLoadQueue::pacerFollowsProcessors()
{
    QFETCH(QString, samples);
    QFETCH(QList<int>, limits);
    TLoadPacer pacer;
    QList<int> seen;
    for (const QString &group : samples.split(QLatin1Char(';'))) {
        const QStringList f = group.simplified().split(QLatin1Char(' '));
        const int times = f.value(3, QStringLiteral("x1")).mid(1).toInt();
        for (int i = 0; i < times; ++i) {
            // "L": every place taken, as while loads wait for one.
            const int running = f.at(1) == QLatin1String("L") ? pacer.Limit() : f.at(1).toInt();
            seen.append(pacer.Adjust({f.at(0).toDouble(), running, f.at(2).toInt()}));
        }
    }
    QCOMPARE(seen, limits);
}

void tst_TLoadQueue::processorTicks_data()
{
    QTest::addColumn<QByteArray>("stat");
    QTest::addColumn<qint64>("ticks");
    QTest::newRow("a renderer") << QByteArray("4242 (QtWebEngineProc) S 4200 4200 4200 0 -1 4194560 5000 0 0 0 "
                                              "1234 567 0 0 20 0\n")
                                << qint64(1801);
    QTest::newRow("blanks and parentheses in the name")
        << QByteArray("77 (Web Content (x) ) R 1 77 77 0 -1 0 0 0 0 0 30 12 0 0 20 0") << qint64(42);
    QTest::newRow("a name that looks like fields")
        << QByteArray("78 (1 2 3 4 5 6 7 8 9 10 11 12 13) S 1 2 3 4 5 6 7 8 9 10 7 3") << qint64(10);
    QTest::newRow("cut short") << QByteArray("79 (x) S 1 2 3 4 5 6 7 8 9 10 11") << qint64(-1);
    QTest::newRow("no name") << QByteArray("80 x S 1 2 3 4 5 6 7 8 9 10 11 12 13 14") << qint64(-1);
    QTest::newRow("not a number") << QByteArray("81 (x) S 1 2 3 4 5 6 7 8 9 10 ab 12") << qint64(-1);
    QTest::newRow("empty") << QByteArray() << qint64(-1);
}

void tst_TLoadQueue::processorTicks()
{
    QFETCH(QByteArray, stat);
    QFETCH(qint64, ticks);
    QCOMPARE(TProcessorLoad::CpuTicks(stat), ticks);
}

void tst_TLoadQueue::comparisonLoadsActiveTabFirst()
{
    QVERIFY(openMainWindow());
    TFrm_Main &window = *m_window;
    QStringList started; // by the address each tab was given
    connect(TLoadQueue::Instance(), &TLoadQueue::loadStarted, &window, [&](TBrowserHost *host) {
        for (int i = 0; i < window.PageControl1->PageCount(); ++i) {
            if (qobject_cast<TTabSheetEx *>(window.PageControl1->PageAt(i))->Browser == host)
                started.append(QStringLiteral("/s%1").arg(i + 1));
        }
    });

    // As a comparison does: the start tab takes the first shop, the others get new tabs.
    for (const char *path : {"/s1", "/s2", "/s3", "/s4"})
        window.OpenInTab(url(path));
    QCOMPARE(window.PageControl1->PageCount(), 4);
    QCOMPARE(window.PageControl1->TabIndex(), 3);
    for (int i = 0; i < 4; ++i) {
        auto *tab = qobject_cast<TTabSheetEx *>(window.PageControl1->PageAt(i));
        QCOMPARE(tab->Caption(), QStringLiteral("加载中..."));
        QVERIFY(tab->Browser->Busy());
        // The start tab's engine already runs: it loads at once, and shows the start page's
        // address until the new page arrives. The others wait with the address they will show.
        QCOMPARE(tab->Browser->LoadQueued(), i > 0);
        if (i > 0)
            QCOMPARE(tab->Browser->LocationURL(), url("/s" + QByteArray::number(i + 1)));
    }
    for (int i = 0; i < 4; ++i) {
        auto *tab = qobject_cast<TTabSheetEx *>(window.PageControl1->PageAt(i));
        QTRY_COMPARE_WITH_TIMEOUT(captionOf(tab), QStringLiteral("/s%1").arg(i + 1), kLoad);
        QCOMPARE(tab->Browser->LocationURL(), url("/s" + QByteArray::number(i + 1)));
    }
    // The active tab first, then the others in order.
    QCOMPARE(started, QStringList({"/s4", "/s2", "/s3"}));
    const QList<QByteArray> targets = m_server.requestTargets();
    QVERIFY(targets.indexOf("/s4") < targets.indexOf("/s2"));
    QVERIFY(targets.indexOf("/s2") < targets.indexOf("/s3"));
}

void tst_TLoadQueue::hiddenPageFreezesAndWakes()
{
    TPageLifecycle::Instance()->SetFreezeAfter(300);
    auto view = std::make_unique<TBrowserView>();
    view->resize(400, 300);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    QVERIFY(view->Navigate(url("/ticker"), kLoad));
    QWebEnginePage *page = view->EngineView()->page();
    QTRY_VERIFY(page->title() != QStringLiteral("t0") && page->title().startsWith('t'));
    QTest::qWait(500); // on screen it never sleeps
    QCOMPARE(page->lifecycleState(), QWebEnginePage::LifecycleState::Active);

    view->hide();
    QTRY_COMPARE_WITH_TIMEOUT(page->lifecycleState(), QWebEnginePage::LifecycleState::Frozen, kLoad);
    const QString frozenTitle = page->title();
    QTest::qWait(300); // nothing can be awaited: the page's timer should not run
    QCOMPARE(page->title(), frozenTitle);

    view->show();
    QCOMPARE(page->lifecycleState(), QWebEnginePage::LifecycleState::Active);
    QTRY_VERIFY(page->title() != frozenTitle);
    QCOMPARE(view->LocationURL(), url("/ticker"));
}

void tst_TLoadQueue::hiddenPagesAwakeUntilTheirLoadEnds()
{
    // Pages that may sleep the moment they are idle: each still reaches the end of its load awake,
    // where the program reads it, and only then sleeps.
    TLoadQueue::Instance()->SetMaxRunning(3);
    TPageLifecycle::Instance()->SetFreezeAfter(0);
    TPageLifecycle::Instance()->SetKeepAlive(0);
    Views list = hiddenViews(6);
    QStringList stateAtEnd;
    for (int i = 0; i < 6; ++i) {
        TBrowserView *view = list[i].get();
        connect(view, &TBrowserHost::busyChanged, view, [view, &stateAtEnd](bool busy) {
            if (!busy && view->EngineView())
                stateAtEnd << QString::number(int(view->EngineView()->page()->lifecycleState()));
        });
        view->Navigate(url("/w" + QByteArray::number(i)), 0);
    }
    QTRY_VERIFY_WITH_TIMEOUT(
        std::none_of(list.cbegin(), list.cend(), [](const auto &v) { return v->Busy(); }), kLoad);
    QCOMPARE(stateAtEnd, QStringList(6, QString::number(int(QWebEnginePage::LifecycleState::Active))));
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(list[i]->EngineView()->title(), QStringLiteral("/w%1").arg(i));
        QTRY_VERIFY_WITH_TIMEOUT(
            list[i]->EngineView()->page()->lifecycleState() != QWebEnginePage::LifecycleState::Active, kLoad);
    }
}

void tst_TLoadQueue::pageNeverSeenSleepsOnceLoaded()
{
    // A comparison's background tab sleeps as soon as it has loaded; a tab the user has looked
    // at keeps running for FreezeAfter once hidden.
    TPageLifecycle::Instance()->SetFreezeAfter(60000);
    Views list = hiddenViews(2);
    list[1]->show();
    QVERIFY(QTest::qWaitForWindowExposed(list[1].get()));
    for (int i = 0; i < 2; ++i)
        list[i]->Navigate(url("/ticker?" + QByteArray::number(i)), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!list[0]->Busy() && !list[1]->Busy(), kLoad);
    list[1]->hide();
    const auto state = [&](int i) { return list[i]->EngineView()->page()->lifecycleState(); };
    QTRY_COMPARE_WITH_TIMEOUT(state(0), QWebEnginePage::LifecycleState::Frozen, kLoad);
    QTest::qWait(500); // nothing can be awaited: the seen page should stay awake
    QCOMPARE(state(1), QWebEnginePage::LifecycleState::Active);

    // Shown at last, the sleeping page wakes and runs; hidden again, it has been seen.
    const QString frozenTitle = list[0]->EngineView()->title();
    list[0]->show();
    QTRY_VERIFY_WITH_TIMEOUT(list[0]->EngineView()->title() != frozenTitle, kLoad);
    list[0]->hide();
    QTest::qWait(500);
    QCOMPARE(state(0), QWebEnginePage::LifecycleState::Active);
}

void tst_TLoadQueue::keepAliveDiscardsLeastRecentlyUsed()
{
    TPageLifecycle::Instance()->SetKeepAlive(2);
    Views list = hiddenViews(4);
    for (int i = 0; i < 4; ++i)
        list[i]->Navigate(url("/k" + QByteArray::number(i)), 0);
    QTRY_VERIFY_WITH_TIMEOUT(
        std::none_of(list.cbegin(), list.cend(), [](const auto &v) { return v->Busy(); }), kLoad);
    // Loaded one after the other: the two loaded last keep their renderer.
    const auto state = [&](int i) { return list[i]->EngineView()->page()->lifecycleState(); };
    QTRY_COMPARE_WITH_TIMEOUT(state(0), QWebEnginePage::LifecycleState::Discarded, kLoad);
    QTRY_COMPARE_WITH_TIMEOUT(state(1), QWebEnginePage::LifecycleState::Discarded, kLoad);
    QCOMPARE(state(2), QWebEnginePage::LifecycleState::Active);
    QCOMPARE(state(3), QWebEnginePage::LifecycleState::Active);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(list[i]->LocationURL(), url("/k" + QByteArray::number(i)));
        QCOMPARE(list[i]->EngineView()->title(), QStringLiteral("/k%1").arg(i));
        QVERIFY(!list[i]->Busy());
    }
    // Asleep, they stay asleep: nothing reloads them behind the user's back.
    QTest::qWait(300); // nothing can be awaited: nothing should load
    for (int i = 0; i < 4; ++i)
        QCOMPARE(requestsFor("/k" + QByteArray::number(i)), 1);
    QCOMPARE(state(0), QWebEnginePage::LifecycleState::Discarded);

    // A view shown again is used again: it wakes, and the oldest of the others makes room.
    list[0]->show();
    QTRY_COMPARE_WITH_TIMEOUT(state(0), QWebEnginePage::LifecycleState::Active, kLoad);
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor("/k0"), 2, kLoad);
    QTRY_VERIFY_WITH_TIMEOUT(!list[0]->Busy(), kLoad);
    list[0]->hide();
    QTRY_COMPARE_WITH_TIMEOUT(state(2), QWebEnginePage::LifecycleState::Discarded, kLoad);
    QCOMPARE(state(0), QWebEnginePage::LifecycleState::Active);
    QCOMPARE(state(3), QWebEnginePage::LifecycleState::Active);
}

void tst_TLoadQueue::discardedTabComesBack()
{
    TPageLifecycle::Instance()->SetKeepAlive(0);
    QVERIFY(openMainWindow());
    TFrm_Main &window = *m_window;

    // A tab with history: the start page, then a, then b.
    window.OpenInTab(url("/a"));
    auto *first = window.ActiveTab();
    QTRY_COMPARE_WITH_TIMEOUT(captionOf(first), QStringLiteral("page a"), kLoad);
    QVERIFY(first->Browser->Navigate(url("/b"), kLoad));
    QTRY_COMPARE_WITH_TIMEOUT(captionOf(first), QStringLiteral("page b"), kLoad);
    QWebEnginePage *page = first->Browser->EngineView()->page();
    const int historyIndex = page->history()->currentItemIndex();
    const int historyCount = page->history()->count();
    QCOMPARE(historyCount, 3);
    QVERIFY(first->CanGoBack);

    // Another tab in front: the first one's page is discarded, its tab unchanged.
    window.OpenInTab(url("/c"));
    QVERIFY(window.ActiveTab() != first);
    QTRY_COMPARE_WITH_TIMEOUT(page->lifecycleState(), QWebEnginePage::LifecycleState::Discarded, kLoad);
    QSignalSpy captions(first, &TTabSheet::captionChanged);
    QCOMPARE(first->Caption(), QStringLiteral("page b"));
    QCOMPARE(first->Hint(), QStringLiteral("Page B"));
    QCOMPARE(first->Browser->LocationURL(), url("/b"));
    QVERIFY(!first->Browser->Busy());
    const int requests = requestsFor("/b");

    // Back to it: the page is loaded again where it was, caption and history as they were.
    QTRY_VERIFY(!window.PageControl1->TabRect(0).isEmpty()); // tab shapes exist after a layout pass
    QTest::mouseClick(window.PageControl1, Qt::LeftButton, {}, window.PageControl1->TabRect(0).center());
    QCOMPARE(window.ActiveTab(), first);
    QTRY_COMPARE_WITH_TIMEOUT(page->lifecycleState(), QWebEnginePage::LifecycleState::Active, kLoad);
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor("/b"), requests + 1, kLoad);
    QTRY_VERIFY_WITH_TIMEOUT(!first->Browser->Busy(), kLoad);
    QCOMPARE(page->title(), QStringLiteral("Page B"));
    QCOMPARE(first->Browser->LocationURL(), url("/b"));
    QCOMPARE(page->history()->currentItemIndex(), historyIndex);
    QCOMPARE(page->history()->count(), historyCount);
    QVERIFY(first->CanGoBack);
    QTRY_VERIFY(window.btnBack->isEnabled());
    QCOMPARE(captions.count(), 0);
    QCOMPARE(first->Caption(), QStringLiteral("page b"));

    // And history still works from there.
    QTest::mouseClick(window.btnBack, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(captionOf(first), QStringLiteral("page a"), kLoad);
    QCOMPARE(first->Browser->LocationURL(), url("/a"));
}

VANZU_TEST_MAIN(tst_TLoadQueue)
#include "tst_TLoadQueue.moc"
