#include "TBrowserHooks.h"
#include "TBrowserView.h"
#include "ModalDriver.h"
#include "PageInput.h"
#include "TestHttpServer.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QtTest>

#include <cfenv>
#include <csignal>
#include <memory>

namespace {
const int kLoadTimeout = 15000; // the first page also starts the engine

// Everything a view reports that the main window listens to, in order. Progress values
// between the ends vary from run to run; they are kept apart.
class EventLog
{
public:
    explicit EventLog(TBrowserView *view) : m_view(view)
    {
        view->OnStatusTextChange = [this](QObject *s, const QString &text) { add(s, QStringLiteral("status:") + text); };
        view->OnProgressChange = [this](QObject *s, int progress, int progressMax) {
            progressSteps.append(progress);
            if (progress == 0 || progress == progressMax)
                add(s, QStringLiteral("progress:%1/%2").arg(progress).arg(progressMax));
        };
        view->OnCommandStateChange = [this](QObject *s, int command, bool enable) {
            if (command == -1)
                add(s, QStringLiteral("command:-1 busy=") + yesNo(m_view->Busy()));
            else
                add(s, QStringLiteral("command:%1=").arg(command) + yesNo(enable));
        };
        view->OnDownloadComplete = [this](QObject *s) { add(s, QStringLiteral("download busy=") + yesNo(m_view->Busy())); };
        view->OnTitleChange = [this](QObject *s, const QString &text) { add(s, QStringLiteral("title:") + text); };
        view->OnNavigateComplete2 = [this](QObject *s, QObject *pDisp, QVariant &url) {
            add(s, QStringLiteral("navigate:") + url.toString());
            if (pDisp != m_view->Application())
                add(s, QStringLiteral("navigate: unexpected pDisp"));
        };
    }
    int count(const QString &event) const { return int(events.count(event)); }

    QStringList events;
    QList<int> progressSteps;

private:
    static QString yesNo(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }
    void add(QObject *sender, const QString &event)
    {
        events.append(sender == m_view ? event : QStringLiteral("wrong sender: ") + event);
    }
    TBrowserView *m_view;
};

QString PlainText(TBrowserView *view)
{
    auto text = std::make_shared<QString>();
    auto done = std::make_shared<bool>(false);
    view->EngineView()->page()->toPlainText([text, done](const QString &result) {
        *text = result;
        *done = true;
    });
    if (!QTest::qWaitFor([done] { return *done; }, 5000))
        qWarning("no text from the page");
    return *text;
}

QString PageTitle(TBrowserView *view)
{
    return view->EngineView() ? view->EngineView()->title() : QString();
}

// Gives the page the keyboard focus with a click at `pos`, as a user would.
bool ClickIntoPage(TBrowserView *view, const QPoint &pos)
{
    view->activateWindow();
    if (!QTest::qWaitForWindowActive(view) || !PointAtLink(view, QPoint(40, 60)))
        return false;
    QWidget *page = view->EngineView()->focusProxy();
    QTest::mouseClick(page, Qt::LeftButton, {}, pos);
    return QTest::qWaitFor([page] { return page->hasFocus(); }, 5000);
}
} // namespace

class tst_TBrowserView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    // Without the engine.
    void addressToUrl_data();
    void addressToUrl();
    void navigateWithoutLoading_data();
    void navigateWithoutLoading();
    void saveWithoutDocument();
    void fpExceptionsSetting();
    void saveDialogDefaults_data();
    void saveDialogDefaults();

    // With the engine.
    void navigationEventSequence();
    void backForwardAvailability();
    void goBackWithoutHistoryDoesNothing();
    void hoveredLinkIsStatusText();
    void navigateDirectory();
    void chineseAddressGoesOutAsGbk_data();
    void chineseAddressGoesOutAsGbk();
    void loadFromStrings_data();
    void loadFromStrings();
    void largeDocumentSurvivesHistory();
    void newWindow_data();
    void newWindow();
    void contextMenu_data();
    void contextMenu();
    void scriptErrorKeepsScriptsRunning();
    void scriptErrorCancelStopsScripts();
    void scriptDialogs_data();
    void scriptDialogs();
    void leavingPageThatObjects_data();
    void leavingPageThatObjects();
    void ctrlNIsSwallowed();
    void stopLeavesMarkForNextWait();
    void waitUntilReady_data();
    void waitUntilReady();
    void viewDeletedDuringItsWait_data();
    void viewDeletedDuringItsWait();
    void saveToFile_data();
    void saveToFile();
    void pageSetupAndPrintPreview();
    void viewDeletedWhilePreviewOpen();
    void killedRendererRecovers();

private:
    std::unique_ptr<TBrowserView> newView();
    bool navigateAndWait(TBrowserView *view, const QString &address);
    QString url(const char *path) const { return QString::fromLatin1(m_server.baseUrl() + path); }
    int requestsFor(const QByteArray &target) const { return int(m_server.requestTargets().count(target)); }

    TestHttpServer m_server;
};

void tst_TBrowserView::initTestCase()
{
    InitBrowserProcess();
    QVERIFY(m_server.listen());
    m_server.servePages(QStringLiteral("view")); // "/a" is tests/pages/view/a.html
    m_server.setPage("/late", testPage("Late", "late"), "text/html; charset=utf-8", 300);
    m_server.setPage("/slow", testPage("Slow", "slow"), "text/html; charset=utf-8", 4000);
    m_server.setFallback([](const QByteArray &target, const QByteArray &) {
        TestHttpServer::Reply reply;
        reply.body = testPage(QStringLiteral("any"), QString::fromLatin1(target));
        return reply;
    });
}

void tst_TBrowserView::cleanupTestCase()
{
    DoneBrowserProcess();
}

std::unique_ptr<TBrowserView> tst_TBrowserView::newView()
{
    auto view = std::make_unique<TBrowserView>();
    view->resize(800, 600);
    view->InitializeView();
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        qWarning("view not exposed");
    return view;
}

bool tst_TBrowserView::navigateAndWait(TBrowserView *view, const QString &address)
{
    if (!view->Navigate(address, kLoadTimeout))
        return false;
    return !view->Busy() && view->LocationURL() == address;
}

// ---------------------------------------------------------------------------------------------

void tst_TBrowserView::addressToUrl_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("expected"); // empty: the address is refused

    QTest::newRow("ascii as it is") << "http://x/a?b=c#d" << QByteArray("http://x/a?b=c#d");
    QTest::newRow("chinese as gbk bytes") << "http://x/s?q=手机" << QByteArray("http://x/s?q=%CA%D6%BB%FA");
    QTest::newRow("chinese in the path") << "http://x/手机/" << QByteArray("http://x/%CA%D6%BB%FA/");
    QTest::newRow("escapes kept") << "http://x/s?q=%CA%D6" << QByteArray("http://x/s?q=%CA%D6");
    QTest::newRow("stray percent") << "http://x/100%" << QByteArray("http://x/100%25");
    QTest::newRow("space quote angle backtick") << "http://x/a b\"<>`" << QByteArray("http://x/a%20b%22%3C%3E%60");
    QTest::newRow("braces bar caret backslash") << "http://x/{a}|^\\" << QByteArray("http://x/%7Ba%7D%7C%5E%5C");
    QTest::newRow("control character") << QStringLiteral("http://x/a\tb") << QByteArray("http://x/a%09b");
    QTest::newRow("beyond gbk as gb18030") << QStringLiteral("http://x/\U00020000") << QByteArray("http://x/%952%826");
    QTest::newRow("no scheme means http") << "www.x.com/a" << QByteArray("http://www.x.com/a");
    QTest::newRow("unclosed ipv6 host") << "http://[bad" << QByteArray();
    QTest::newRow("port out of range") << "http://x:99999/" << QByteArray();
    QTest::newRow("digit before scheme") << "1http://x" << QByteArray();
    QTest::newRow("http without host") << "http:///a" << QByteArray();
}

void tst_TBrowserView::addressToUrl()
{
    QFETCH(QString, address);
    QFETCH(QByteArray, expected);
    const QUrl url = BrowserAddressToUrl(address);
    if (expected.isEmpty()) {
        QVERIFY(!url.isValid());
    } else {
        QVERIFY(url.isValid());
        QCOMPARE(url.toEncoded(), expected);
    }
}

void tst_TBrowserView::navigateWithoutLoading_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("refused");

    QTest::newRow("empty") << QString() << false;
    QTest::newRow("blanks only") << "   " << false;
    QTest::newRow("blanks and tab") << " \t " << false;
    QTest::newRow("unclosed ipv6 host") << "http://[bad" << true;
    QTest::newRow("port out of range") << "http://x:99999/" << true;
    QTest::newRow("with chinese") << "http://[手机" << true;
}

void tst_TBrowserView::navigateWithoutLoading()
{
    QFETCH(QString, address);
    QFETCH(bool, refused);
    TBrowserView view;
    if (refused) {
        try {
            view.Navigate(address, 0);
            QFAIL("no error for a refused address");
        } catch (const TBrowserError &error) {
            QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("无法打开网址：") + address);
        }
    } else {
        QVERIFY(view.Navigate(address, 0));
    }
    QVERIFY(!view.Busy());
    QVERIFY(!view.HasEngine());
    QVERIFY(!view.Document());
    QCOMPARE(view.LocationURL(), QString());
}

void tst_TBrowserView::saveWithoutDocument()
{
    TBrowserView view;
    QTemporaryDir dir;
    QCOMPARE(view.SaveToFile(dir.filePath("x.htm")), 1);
    QVERIFY(!QFile::exists(dir.filePath("x.htm")));
    QVERIFY(!view.HasEngine());
}

void tst_TBrowserView::fpExceptionsSetting()
{
#if defined(__GLIBC__)
    // Start the process with the division-by-zero trap on, as another framework might.
    DoneBrowserProcess();
    feenableexcept(FE_DIVBYZERO);
    InitBrowserProcess();

    TBrowserView view;
    view.DisableErrors.fpExceptions = false;
    view.InitializeView();
    const int masked = fegetexcept();
    view.DisableErrors.fpExceptions = true;
    view.InitializeView();
    const int restored = fegetexcept();

    DoneBrowserProcess();
    fedisableexcept(FE_ALL_EXCEPT);
    InitBrowserProcess();
    QCOMPARE(masked, 0);
    QCOMPARE(restored, FE_DIVBYZERO);
#else
    QSKIP("needs glibc to read the exception mask");
#endif
}

void tst_TBrowserView::saveDialogDefaults_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expectedTitle");
    QTest::addColumn<QStringList>("expectedFilters");

    QTest::newRow("as the program calls it") << "*.htm" << "Vanzu小精灵V2" << "Vanzu小精灵V2" << QStringList{"*.htm"};
    QTest::newRow("defaults when empty") << QString() << QString() << "Browser - Save Dialog"
                                         << QStringList{"网页 (*.htm *.html)", "文本和文档 (*.txt *.doc *.rtf)",
                                                        "XML 文件 (*.xml)", "所有文件 (*)"};
    QTest::newRow("pairs with bars") << "网页|*.htm;*.html|所有文件|*.*" << "存" << "存"
                                     << QStringList{"网页 (*.htm *.html)", "所有文件 (*.*)"};
}

void tst_TBrowserView::saveDialogDefaults()
{
    QFETCH(QString, filter);
    QFETCH(QString, title);
    QFETCH(QString, expectedTitle);
    QFETCH(QStringList, expectedFilters);

    TBrowserView view;
    QString shownTitle;
    QStringList shownFilters;
    ModalDriver driver([](QWidget *w) { return qobject_cast<QFileDialog *>(w) != nullptr; },
                       [&](QWidget *w) {
                           auto *dialog = static_cast<QFileDialog *>(w);
                           shownTitle = dialog->windowTitle();
                           shownFilters = dialog->nameFilters();
                           dialog->reject();
                       });
    QString fileName = QStringLiteral("unchanged");
    view.ShowSaveDialog(filter, title, fileName);
    QCOMPARE(driver.acted, 1);
    QCOMPARE(shownTitle, expectedTitle);
    QCOMPARE(shownFilters, expectedFilters);
    QCOMPARE(fileName, QStringLiteral("unchanged"));
}

// ---------------------------------------------------------------------------------------------

void tst_TBrowserView::navigationEventSequence()
{
    auto view = newView();
    EventLog log(view.get());
    const QString address = url("/a");

    QVERIFY(view->Navigate(address, 0));
    QVERIFY(view->Busy()); // before the engine reports anything
    QTRY_VERIFY_WITH_TIMEOUT(log.count("download busy=false") == 1 && log.count("title:A") == 1, kLoadTimeout);

    // The load's own course, in order.
    const QStringList load = {
        QStringLiteral("status:正在打开网页 ") + address,
        QStringLiteral("command:-1 busy=true"),
        QStringLiteral("progress:0/100"),
        QStringLiteral("progress:100/100"),
        QStringLiteral("status:完成"),
        QStringLiteral("command:-1 busy=false"),
        QStringLiteral("download busy=false"),
    };
    // What the document reports once it is committed, in order. The engine passes these on a
    // moment after it knows them, so on a slow machine they may trail the end of the load.
    const QStringList document = {
        QStringLiteral("navigate:") + address,
        QStringLiteral("title:127.0.0.1:%1/a").arg(m_server.port()), // the engine's stand-in title
        QStringLiteral("title:A"),
    };
    QStringList loadEvents, documentEvents;
    for (const QString &event : std::as_const(log.events))
        (event.startsWith("navigate:") || event.startsWith("title:") ? documentEvents : loadEvents).append(event);
    QCOMPARE(loadEvents, load);
    QCOMPARE(documentEvents, document);
    QCOMPARE(log.events.first(), load.first()); // nothing comes before the load starts
    QVERIFY(std::is_sorted(log.progressSteps.cbegin(), log.progressSteps.cend()));
    QCOMPARE(view->LocationURL(), address);
    QCOMPARE(view->ReadyState(), rsComplete);
    QVERIFY(view->Document());
}

void tst_TBrowserView::backForwardAvailability()
{
    auto view = newView();
    EventLog log(view.get());
    QVERIFY(navigateAndWait(view.get(), url("/a")));
    QCOMPARE(log.count("command:2=true"), 0);
    QVERIFY(navigateAndWait(view.get(), url("/b")));
    QCOMPARE(log.count("command:2=true"), 1);
    QCOMPARE(log.count("command:1=true"), 0);

    log.events.clear();
    view->GoBack();
    QVERIFY(view->Busy());
    QTRY_COMPARE_WITH_TIMEOUT(log.count("download busy=false"), 1, kLoadTimeout);
    QCOMPARE(view->LocationURL(), url("/a"));
    QCOMPARE(log.count("command:1=true"), 1);
    QCOMPARE(log.count("command:2=false"), 1);

    log.events.clear();
    view->GoForward();
    QTRY_COMPARE_WITH_TIMEOUT(log.count("download busy=false"), 1, kLoadTimeout);
    QCOMPARE(view->LocationURL(), url("/b"));
    QCOMPARE(log.count("command:1=false"), 1);
    QCOMPARE(log.count("command:2=true"), 1);

    // A move within the document gets no load of its own, yet ends the busy state.
    log.events.clear();
    QVERIFY(view->Navigate(url("/b#part"), kLoadTimeout));
    QVERIFY(!view->Busy());
    QCOMPARE(view->LocationURL(), url("/b#part"));
    QCOMPARE(log.count("download busy=false"), 1);
}

void tst_TBrowserView::goBackWithoutHistoryDoesNothing()
{
    auto view = newView();
    view->GoBack(); // no engine yet
    QVERIFY(!view->HasEngine());

    QVERIFY(navigateAndWait(view.get(), url("/a")));
    EventLog log(view.get());
    const int requests = requestsFor("/a");
    view->GoBack();
    view->GoForward();
    QVERIFY(!view->Busy());
    QTest::qWait(200); // nothing can be awaited: nothing should happen
    QCOMPARE(log.events, QStringList());
    QCOMPARE(requestsFor("/a"), requests);
    QCOMPARE(view->LocationURL(), url("/a"));
}

void tst_TBrowserView::hoveredLinkIsStatusText()
{
    auto view = newView();
    QVERIFY(navigateAndWait(view.get(), url("/a")));
    EventLog log(view.get());
    QWidget *page = view->EngineView()->focusProxy();
    QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QTest::mouseMove(page, QPoint(40, 60));
                return log.events.contains(QStringLiteral("status:") + url("/b"));
            }(),
            5000);
    QTest::mouseMove(page, QPoint(40, 450));
    QTRY_COMPARE(log.events.last(), QStringLiteral("status:"));
}

void tst_TBrowserView::navigateDirectory()
{
    QTemporaryDir dir;
    QVERIFY(QFile(dir.filePath("inside.txt")).open(QIODevice::WriteOnly));
    auto view = newView();
    QVERIFY(view->Navigate(dir.path(), kLoadTimeout));
    const QString expected = QString::fromLatin1(QUrl::fromLocalFile(dir.path()).toEncoded());
    QVERIFY2(view->LocationURL().startsWith(expected), qPrintable(view->LocationURL()));
    QTRY_VERIFY(PlainText(view.get()).contains("inside.txt"));
}

void tst_TBrowserView::chineseAddressGoesOutAsGbk_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("requestLine");

    QTest::newRow("query") << "/search?q=手机" << QByteArray("GET /search?q=%CA%D6%BB%FA HTTP/1.1");
    QTest::newRow("path") << "/手机/list" << QByteArray("GET /%CA%D6%BB%FA/list HTTP/1.1");
    QTest::newRow("already escaped") << "/search?q=%CA%D6%BB%FA&x=1" << QByteArray("GET /search?q=%CA%D6%BB%FA&x=1 HTTP/1.1");
}

void tst_TBrowserView::chineseAddressGoesOutAsGbk()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, requestLine);
    auto view = newView();
    m_server.clearRequests();
    QVERIFY(view->Navigate(QString::fromLatin1(m_server.baseUrl()) + path, kLoadTimeout));
    QVERIFY2(m_server.requestLines().contains(requestLine), m_server.requestLines().join('\n'));
}

void tst_TBrowserView::loadFromStrings_data()
{
    QTest::addColumn<int>("fillerBytes");
    QTest::addColumn<QString>("ownTitle"); // none when null
    QTest::addColumn<QString>("title");    // the one title reported

    QTest::newRow("small with title") << 0 << "测试页" << "测试页";
    QTest::newRow("small without title") << 0 << QString() << "about:blank";
    QTest::newRow("small titled about:blank") << 0 << "about:blank" << "about:blank";
    QTest::newRow("above 1 MB with title") << 1200 * 1000 << "测试页" << "测试页";
    QTest::newRow("above 1 MB without title") << 1200 * 1000 << QString() << "about:blank";
}

void tst_TBrowserView::loadFromStrings()
{
    QFETCH(int, fillerBytes);
    QFETCH(QString, ownTitle);
    QFETCH(QString, title);

    TTextList lines;
    lines.append(QStringLiteral("<html><head>"));
    if (!ownTitle.isNull())
        lines.append(QStringLiteral("<title>") + ownTitle + QStringLiteral("</title>"));
    lines.append(QStringLiteral("</head><body><p>你好，世界</p>"));
    const QString filler = QStringLiteral("手机电脑");
    for (int bytes = 0; bytes < fillerBytes; bytes += 8 * 100)
        lines.append(filler.repeated(100));
    lines.append(QStringLiteral("</body></html>"));

    auto view = newView(); // created a moment before
    EventLog log(view.get());
    QCOMPARE(view->LoadFromStrings(lines), 0);
    QCOMPARE(view->LocationURL(), QStringLiteral("about:blank"));
    QVERIFY(view->Busy());
    QVERIFY(view->WaitUntilReady(kLoadTimeout));

    // The engine's stand-in title comes before the document's own and is no title of it.
    QTRY_VERIFY(!log.events.filter(QStringLiteral("title:")).isEmpty());
    QCOMPARE(log.events.filter(QStringLiteral("title:")), QStringList(QStringLiteral("title:") + title));
    for (const QString &event : log.events)
        QVERIFY2(!event.contains("vanzu"), qPrintable(event)); // nothing shows how it was served
    QCOMPARE(view->LocationURL(), QStringLiteral("about:blank"));
    const QString text = PlainText(view.get());
    QVERIFY(text.startsWith(QStringLiteral("你好，世界")));
    QVERIFY(text.size() >= fillerBytes / 2);

    // Handed over again: the view already has a title, and the stand-in still shows nowhere.
    log.events.clear();
    TTextList second;
    second.append(QStringLiteral("<html><head><title>第二页</title></head><body>二</body></html>"));
    view->LoadFromStrings(second);
    QVERIFY(view->WaitUntilReady(kLoadTimeout));
    QTRY_VERIFY(!log.events.filter(QStringLiteral("title:")).isEmpty());
    QCOMPARE(log.events.filter(QStringLiteral("title:")), QStringList(QStringLiteral("title:第二页")));
}

void tst_TBrowserView::largeDocumentSurvivesHistory()
{
    TTextList lines;
    lines.append(QStringLiteral("<html><head><title>大页</title></head><body>"));
    lines.append(QStringLiteral("手机").repeated(600 * 1000));
    lines.append(QStringLiteral("</body></html>"));
    auto view = newView();
    view->LoadFromStrings(lines);
    QVERIFY(view->WaitUntilReady(kLoadTimeout));
    QCOMPARE(PageTitle(view.get()), QStringLiteral("大页"));
    QVERIFY(navigateAndWait(view.get(), url("/b")));
    view->GoBack();
    QVERIFY(view->WaitUntilReady(kLoadTimeout));
    QTRY_COMPARE(PageTitle(view.get()), QStringLiteral("大页"));
    QCOMPARE(view->LocationURL(), QStringLiteral("about:blank"));
}

void tst_TBrowserView::newWindow_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("click");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("raised");        // OnNewWindow2
    QTest::addColumn<int>("blocked");       // OnPopupBlocked

    // The page at /popup opens a window as it loads, which is refused, and one for a click.
    QTest::newRow("link target=_blank into another view") << "/newwin" << true << "other" << 1 << 0;
    QTest::newRow("window.open of a click into another view") << "/popup" << true << "other" << 1 << 1;
    QTest::newRow("window.open without a click refused") << "/popup" << false << "other" << 0 << 1;
    QTest::newRow("cancelled") << "/newwin" << true << "cancel" << 1 << 0;
    // The request is never loaded as the program's own: without another view nothing opens.
    QTest::newRow("no view handed back: nothing opens") << "/newwin" << true << "none" << 1 << 0;
    QTest::newRow("handed back itself: nothing opens") << "/popup" << true << "self" << 1 << 1;
}

void tst_TBrowserView::newWindow()
{
    QFETCH(QString, page);
    QFETCH(bool, click);
    QFETCH(QString, answer);
    QFETCH(int, raised);
    QFETCH(int, blocked);

    std::unique_ptr<TBrowserView> other;
    int asked = 0;
    QStringList refused;
    auto view = newView();
    view->OnPopupBlocked = [&](QObject *sender, const QString &url) {
        QCOMPARE(sender, view.get());
        refused.append(url);
    };
    view->OnNewWindow2 = [&](QObject *sender, TBrowserHost *&ppDisp, bool &Cancel) {
        ++asked;
        QCOMPARE(sender, view.get());
        QCOMPARE(ppDisp, nullptr);
        QCOMPARE(Cancel, false);
        if (answer == "other") {
            // As the main window does: a new tab that first opens the requesting tab's address.
            other = newView();
            other->Navigate(view->LocationURL(), 0);
            ppDisp = other->Application();
        } else if (answer == "self") {
            ppDisp = view->Application();
        }
        Cancel = answer == "cancel";
    };
    m_server.clearRequests();
    QVERIFY(view->Navigate(QString::fromLatin1(m_server.baseUrl()) + page, kLoadTimeout));
    // A window refused while the page loads is reported once the load is over.
    QTRY_COMPARE(refused, blocked ? QStringList(url("/b")) : QStringList());
    if (click)
        QVERIFY(ClickLink(view.get(), QPoint(40, 60)));
    QTRY_COMPARE_WITH_TIMEOUT(asked, raised, 5000);

    if (answer == "other" && raised) {
        QTRY_COMPARE_WITH_TIMEOUT(other->LocationURL(), url("/b"), kLoadTimeout);
        QTRY_COMPARE(PageTitle(other.get()), QStringLiteral("B"));
        QTRY_VERIFY(!other->Busy());
    } else {
        QTest::qWait(300); // nothing can be awaited: nothing should open
        QCOMPARE(requestsFor("/b"), 0);
    }
    QCOMPARE(view->LocationURL(), url(page.toLatin1().constData()));
    QCOMPARE(asked, raised);
    QCOMPARE(refused.size(), blocked);
}

void tst_TBrowserView::contextMenu_data()
{
    QTest::addColumn<bool>("bound");
    QTest::addColumn<QPoint>("where");
    QTest::addColumn<quint32>("kind");

    QTest::newRow("handled: no menu, on a link") << true << QPoint(40, 60) << quint32(TCustomBrowserView::cmAnchor);
    QTest::newRow("handled: no menu, on the page") << true << QPoint(40, 400) << quint32(TCustomBrowserView::cmDefault);
    QTest::newRow("not bound: the engine's menu") << false << QPoint(40, 400) << quint32(TCustomBrowserView::cmDefault);
}

void tst_TBrowserView::contextMenu()
{
    QFETCH(bool, bound);
    QFETCH(QPoint, where);
    QFETCH(quint32, kind);

    auto view = newView();
    QVERIFY(navigateAndWait(view.get(), url("/a")));
    int asked = 0;
    quint32 askedKind = 99;
    QObject *target = nullptr;
    if (bound) {
        view->OnShowContextMenu = [&](QObject *, quint32 dwID, const QPoint &, QObject *CommandTarget, QObject *,
                                      int &Result) {
            ++asked;
            askedKind = dwID;
            target = CommandTarget;
            QCOMPARE(Result, TCustomBrowserView::ContextMenuNotHandled);
            Result = 0;
        };
    }
    QWidget *page = view->EngineView()->focusProxy();
    QVERIFY(PointAtLink(view.get(), QPoint(40, 60)));
    QTest::mouseClick(page, Qt::RightButton, {}, where);
    if (bound) {
        QTRY_COMPARE_WITH_TIMEOUT(asked, 1, 5000);
        QCoreApplication::processEvents();
        QCOMPARE(QApplication::activePopupWidget(), nullptr);
        QCOMPARE(askedKind, kind);
        QCOMPARE(target, view->Document());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activePopupWidget() != nullptr, 5000);
        QVERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        QApplication::activePopupWidget()->close();
    }
}

void tst_TBrowserView::scriptErrorKeepsScriptsRunning()
{
    auto view = newView();
    QStringList errors;
    view->OnScriptError = [&](QObject *sender, const QString &ErrorLine, const QString &, const QString &,
                              const QString &ErrorMessage, const QString &ErrorUrl, TScriptErrorAction &action) {
        QCOMPARE(sender, view.get());
        QCOMPARE(action, eaContinue);
        errors.append(ErrorLine + '|' + ErrorMessage + '|' + ErrorUrl);
        action = eaContinue;
    };
    QVERIFY(view->Navigate(url("/error"), kLoadTimeout));
    QTRY_COMPARE(PageTitle(view.get()), QStringLiteral("ran"));
    QCOMPARE(errors.size(), 1); // the page's own console.error() is no script error
    QVERIFY2(errors.first().startsWith("1|Uncaught ReferenceError: undefinedFn"), qPrintable(errors.first()));
    QVERIFY(errors.first().endsWith('|' + url("/error")));
}

void tst_TBrowserView::scriptErrorCancelStopsScripts()
{
    auto view = newView();
    int errors = 0;
    view->ScriptErrorAction = eaCancel;
    view->OnScriptError = [&](QObject *, const QString &, const QString &, const QString &, const QString &,
                              const QString &, TScriptErrorAction &) { ++errors; };
    QVERIFY(view->Navigate(url("/ticker"), kLoadTimeout));
    QTRY_COMPARE_WITH_TIMEOUT(errors, 1, 5000);
    // The page ticks every 40 ms while its scripts run; once the engine has taken the cancel,
    // a tick more may still come, and then none.
    QSignalSpy ticks(view->EngineView()->page(), &QWebEnginePage::titleChanged);
    QElapsedTimer clock;
    clock.start();
    while (ticks.wait(400))
        QVERIFY2(clock.elapsed() < 5000, qPrintable(PageTitle(view.get())));

    // The next document runs its scripts again.
    view->ScriptErrorAction = eaContinue;
    QVERIFY(view->Navigate(url("/error"), kLoadTimeout));
    QTRY_COMPARE(PageTitle(view.get()), QStringLiteral("ran"));
}

void tst_TBrowserView::scriptDialogs_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("dialogs");
    QTest::addColumn<QString>("title");

    QTest::newRow("silent: nothing shown, confirm and prompt cancelled") << true << 0 << "after:false,null";
    QTest::newRow("not silent: the engine's dialogs") << false << 3 << "after:true,d";
}

void tst_TBrowserView::scriptDialogs()
{
    QFETCH(bool, silent);
    QFETCH(int, dialogs);
    QFETCH(QString, title);

    auto view = newView();
    view->Silent = silent;
    int shown = 0;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&shown] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        ++shown;
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            for (QAbstractButton *button : box->buttons()) {
                const auto role = box->buttonRole(button);
                if (role == QMessageBox::AcceptRole || role == QMessageBox::YesRole) {
                    button->click();
                    return;
                }
            }
        }
        dialog->accept();
    });
    closer.start(30);
    QVERIFY(view->Navigate(url("/dialogs"), kLoadTimeout));
    QTRY_COMPARE_WITH_TIMEOUT(PageTitle(view.get()), title, 10000);
    QCOMPARE(shown, dialogs);
}

void tst_TBrowserView::leavingPageThatObjects_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("dialogs");

    QTest::newRow("silent: leaves without asking") << true << 0;
    QTest::newRow("not silent: asks, and leaves when told to") << false << 1;
}

void tst_TBrowserView::leavingPageThatObjects()
{
    QFETCH(bool, silent);
    QFETCH(int, dialogs);

    auto view = newView();
    view->Silent = silent;
    QVERIFY(navigateAndWait(view.get(), url("/unload")));
    // The engine asks before leaving only after the user has touched the page.
    QVERIFY(ClickIntoPage(view.get(), QPoint(40, 300)));
    // The page has seen the click (and with it the user's activation) before it is left.
    QTRY_COMPARE_WITH_TIMEOUT(PageTitle(view.get()), QStringLiteral("touched"), kLoadTimeout);

    int shown = 0;
    ModalDriver driver([](QWidget *w) { return qobject_cast<QMessageBox *>(w) != nullptr; },
                       [&shown](QWidget *w) {
                           ++shown;
                           auto *box = static_cast<QMessageBox *>(w);
                           for (QAbstractButton *button : box->buttons()) {
                               const auto role = box->buttonRole(button);
                               if (role == QMessageBox::AcceptRole || role == QMessageBox::YesRole)
                                   button->click();
                           }
                       });
    QVERIFY(view->Navigate(url("/b"), 0));
    QTRY_COMPARE_WITH_TIMEOUT(view->LocationURL(), url("/b"), kLoadTimeout);
    QCOMPARE(shown, dialogs);
}

void tst_TBrowserView::ctrlNIsSwallowed()
{
    auto view = newView();
    QAction windowShortcut(QStringLiteral("new"), view.get());
    windowShortcut.setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    view->addAction(&windowShortcut);
    QSignalSpy shortcutSpy(&windowShortcut, &QAction::triggered);

    QVERIFY(navigateAndWait(view.get(), url("/keys")));
    QVERIFY(ClickIntoPage(view.get(), QPoint(40, 300)));

    QWindow *window = view->windowHandle();
    QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_M, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_N);
    QTRY_COMPARE(PageTitle(view.get()), QStringLiteral("^m,n"));
    QCOMPARE(shortcutSpy.count(), 0);
}

void tst_TBrowserView::stopLeavesMarkForNextWait()
{
    auto view = newView();
    QVERIFY(navigateAndWait(view.get(), url("/a")));
    int passes = 0;
    view->OnBusyWait = [&passes](QObject *, qint64, quint32 &, bool &) { ++passes; };

    view->Stop(); // nothing is loading: only the mark stays
    QVERIFY(!view->Busy());
    QVERIFY(view->WaitUntilReady(0)); // the page is complete: the wait clears the mark
    QCOMPARE(passes, 0);

    view->Stop();
    QVERIFY(view->Navigate(url("/slow"), 0));
    QCOMPARE(view->WaitUntilReady(0), false); // ends at the mark at once
    QCOMPARE(passes, 1);
    QVERIFY(view->Busy());

    // The mark is gone: the next wait lasts until a Stop during it.
    EventLog log(view.get());
    QTimer::singleShot(100, view.get(), [v = view.get()] { v->Stop(); });
    QCOMPARE(view->WaitUntilReady(0), false);
    QVERIFY(passes > 2);
    QTRY_VERIFY(!view->Busy());
    QTRY_COMPARE(log.count("download busy=false"), 1);

    QVERIFY(view->Navigate(url("/late"), 0));
    QVERIFY(view->WaitUntilReady(0));
    QCOMPARE(PageTitle(view.get()), QStringLiteral("Late"));
}

void tst_TBrowserView::waitUntilReady_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("byNavigate"); // the wait of Navigate(address, time-out)
    QTest::addColumn<int>("timeOut");
    QTest::addColumn<int>("cancelAtPass"); // 0: never
    QTest::addColumn<bool>("result");

    QTest::newRow("complete in time") << "/late" << false << 10000 << 0 << true;
    QTest::newRow("no time-out") << "/late" << false << 0 << 0 << true;
    QTest::newRow("time-out") << "/slow" << false << 150 << 0 << false;
    QTest::newRow("cancelled by the handler") << "/slow" << false << 0 << 5 << false;
    QTest::newRow("navigate: complete in time") << "/late" << true << 10000 << 0 << true;
    QTest::newRow("navigate: time-out") << "/slow" << true << 150 << 0 << false;
}

void tst_TBrowserView::waitUntilReady()
{
    QFETCH(QString, page);
    QFETCH(bool, byNavigate);
    QFETCH(int, timeOut);
    QFETCH(int, cancelAtPass);
    QFETCH(bool, result);

    auto view = newView();
    QVERIFY(navigateAndWait(view.get(), url("/a"))); // the engine is up
    int passes = 0;
    qint64 firstStart = -1;
    bool sameStart = true;
    view->OnBusyWait = [&](QObject *sender, qint64 AStartTime, quint32 &TimeOut, bool &Cancel) {
        QCOMPARE(sender, view.get());
        QCOMPARE(TimeOut, quint32(timeOut));
        if (firstStart < 0)
            firstStart = AStartTime;
        sameStart = sameStart && AStartTime == firstStart;
        if (++passes == cancelAtPass)
            Cancel = true;
    };
    const QString address = url(page.toLatin1().constData());
    if (byNavigate) {
        QCOMPARE(view->Navigate(address, quint32(timeOut)), result);
    } else {
        QVERIFY(view->Navigate(address, 0));
        QCOMPARE(passes, 0); // no time-out given: Navigate does not wait
        QCOMPARE(view->WaitUntilReady(quint32(timeOut)), result);
    }
    QVERIFY(passes > 0);
    QVERIFY(sameStart);
    if (cancelAtPass)
        QCOMPARE(passes, cancelAtPass);
    QCOMPARE(view->Busy(), !result);
    if (result)
        QCOMPARE(PageTitle(view.get()), QStringLiteral("Late"));
    view->Stop();
}

void tst_TBrowserView::viewDeletedDuringItsWait_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("deleted from a timer") << "timer";
    QTest::newRow("deleteLater from a timer") << "later";
    QTest::newRow("deleted by its own busy-wait handler") << "handler";
}

void tst_TBrowserView::viewDeletedDuringItsWait()
{
    QFETCH(QString, how);

    QPointer<TBrowserView> view = newView().release();
    QVERIFY(view->Navigate(url("/slow"), 0));
    TBrowserView *raw = view;
    if (how == "timer")
        QTimer::singleShot(100, raw, [raw] { delete raw; });
    else if (how == "later")
        QTimer::singleShot(100, raw, [raw] { raw->deleteLater(); });
    else
        raw->OnBusyWait = [raw](QObject *, qint64, quint32 &, bool &) { delete raw; };
    QCOMPARE(raw->WaitUntilReady(0), false);
    QVERIFY(view.isNull());

    // The same for the waits inside the operations.
    view = newView().release();
    QVERIFY(view->Navigate(url("/slow"), 0));
    raw = view;
    QTimer::singleShot(100, raw, [raw] { delete raw; });
    QCOMPARE(raw->SaveToFile(QDir::temp().filePath("never.htm")), 1);
    QVERIFY(view.isNull());
}

void tst_TBrowserView::saveToFile_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("chosen existing file overwritten without a question") << true;
    QTest::newRow("cancelled: nothing saved") << false;
}

void tst_TBrowserView::saveToFile()
{
    QFETCH(bool, accept);
    QTemporaryDir dir;
    const QString path = dir.filePath("page.htm");
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old content");
    }
    auto view = newView();
    QVERIFY(navigateAndWait(view.get(), url("/a")));

    int modals = 0;
    QTimer watcher; // every modal window that shows up
    QPointer<QWidget> lastModal;
    connect(&watcher, &QTimer::timeout, this, [&] {
        if (QApplication::activeModalWidget() && QApplication::activeModalWidget() != lastModal) {
            lastModal = QApplication::activeModalWidget();
            ++modals;
        }
    });
    watcher.start(10);
    ModalDriver driver([](QWidget *w) { return qobject_cast<QFileDialog *>(w) != nullptr; },
                       [&](QWidget *w) {
                           auto *dialog = static_cast<QFileDialog *>(w);
                           // Typed, as selectFile() leaves a focused name box alone.
                           dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
                           if (accept)
                               static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides accept()
                           else
                               dialog->reject();
                       });
    QString fileName;
    view->ShowSaveDialog(QStringLiteral("*.htm"), QStringLiteral("保存"), fileName);
    QCOMPARE(driver.acted, 1);
    QCOMPARE(fileName, accept ? path : QString());

    auto content = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    if (accept) {
        QTRY_VERIFY_WITH_TIMEOUT(content().contains("<title>A</title>"), 10000);
    } else {
        QTest::qWait(300); // nothing can be awaited: nothing should be written
        QCOMPARE(content(), QByteArray("old content"));
    }
    QCOMPARE(modals, 1); // the file dialog only: no overwrite question
}

void tst_TBrowserView::pageSetupAndPrintPreview()
{
    auto view = newView();
    QVERIFY(navigateAndWait(view.get(), url("/a")));

    if (QPrinter().outputFormat() != QPrinter::NativeFormat) // no printer here: Qt prints to PDF
        QTest::ignoreMessage(QtWarningMsg, "QPageSetupDialog: Cannot be used on non-native printers");
    bool reentered = true;
    ModalDriver setup([](QWidget *w) { return qobject_cast<QPageSetupDialog *>(w) != nullptr; },
                      [&](QWidget *w) {
                          reentered = view->PageSetup(true); // a second dialog would never end
                          if (auto *landscape = w->findChild<QRadioButton *>(QStringLiteral("landscape")))
                              landscape->click();
                          static_cast<QDialog *>(w)->accept();
                      });
    QVERIFY(view->PageSetup(true));
    QCOMPARE(setup.acted, 1);
    QVERIFY(!reentered);

    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    int pages = 0;
    ModalDriver preview(
            [](QWidget *w) {
                auto *dialog = qobject_cast<QPrintPreviewDialog *>(w);
                auto *pane = dialog ? dialog->findChild<QPrintPreviewWidget *>() : nullptr;
                return pane && pane->pageCount() > 0;
            },
            [&](QWidget *w) {
                auto *dialog = static_cast<QPrintPreviewDialog *>(w);
                pages = dialog->findChild<QPrintPreviewWidget *>()->pageCount();
                orientation = dialog->printer()->pageLayout().orientation();
                view->PrintPreview(); // returns at once while the preview is open
                view->PrintPreview();
                dialog->reject();
            });
    view->PrintPreview();
    QCOMPARE(preview.acted, 1);
    QVERIFY(pages > 0);
    QCOMPARE(orientation, QPageLayout::Landscape); // the page setup's choice
}

void tst_TBrowserView::viewDeletedWhilePreviewOpen()
{
    QPointer<TBrowserView> view = newView().release();
    QVERIFY(navigateAndWait(view, url("/a")));
    ModalDriver preview([](QWidget *w) { return qobject_cast<QPrintPreviewDialog *>(w) != nullptr; },
                        [view](QWidget *) { delete view.data(); }); // perhaps while the page prints
    view->PrintPreview();
    QCOMPARE(preview.acted, 1);
    QVERIFY(view.isNull());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void tst_TBrowserView::killedRendererRecovers()
{
    auto view = newView();
    QVERIFY(navigateAndWait(view.get(), url("/a")));
    QWebEnginePage *page = view->EngineView()->page();
    m_server.clearRequests();

    // First crash: the page is loaded again.
    const qint64 first = page->renderProcessPid();
    QVERIFY(first > 0);
    QCOMPARE(::kill(pid_t(first), SIGKILL), 0);
    QTRY_VERIFY_WITH_TIMEOUT(page->renderProcessPid() > 0 && page->renderProcessPid() != first, kLoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor("/a"), 1, kLoadTimeout);
    QVERIFY(view->WaitUntilReady(kLoadTimeout));
    QTRY_COMPARE(PageTitle(view.get()), QStringLiteral("A"));

    // Crashed again right away: a notice instead of another reload.
    const qint64 second = page->renderProcessPid();
    QCOMPARE(::kill(pid_t(second), SIGKILL), 0);
    QTRY_COMPARE_WITH_TIMEOUT(PageTitle(view.get()), QStringLiteral("网页无法显示"), kLoadTimeout);
    QVERIFY(view->WaitUntilReady(kLoadTimeout));
    QCOMPARE(requestsFor("/a"), 1);
    QCOMPARE(view->LocationURL(), url("/a"));

    // Refresh tries the page itself again.
    view->Refresh();
    QVERIFY(view->WaitUntilReady(kLoadTimeout));
    QTRY_COMPARE(PageTitle(view.get()), QStringLiteral("A"));
    QCOMPARE(requestsFor("/a"), 2);
}

QTEST_MAIN(tst_TBrowserView)
#include "tst_TBrowserView.moc"
