#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "PageInput.h"
#include "TShopCatalogue.h"
#include "TTabStripButtons.h"
#include "TabTextRules.h"

#include <QMap>
#include <QRandomGenerator>
#include <QStandardPaths>

// A burst of tab activity on the real main window and engine: searches, addresses and link
// buttons open tabs while every close path takes them away again, pages load slowly in the
// background, retitle themselves on timers and ask for new windows (refused when they do it on
// their own, opened when the user clicks), and at the end the window
// closes while pages still load. The actions are drawn from a seeded generator, so a failing
// run repeats with VANZU_CHURN_SEED=<the seed it printed>.
namespace {
const int kRounds = 300;
const quint32 kSeed = 20100610;
const int kMaxTabs = 9; // from this many tabs on, rounds only close: the engine shares two cores

quint32 envNumber(const char *name, quint32 fallback)
{
    bool ok = false;
    const quint32 value = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? value : fallback;
}

// The kinds of page the server hands out. Shops and link buttons get one by their address.
enum class PageKind { Plain, Slow, Titles, Popup, Moves, BlankTarget };

QByteArray pageFor(PageKind kind, const QByteArray &name)
{
    const QString n = QString::fromLatin1(name).toHtmlEscaped();
    switch (kind) {
    case PageKind::Plain:
    case PageKind::Slow:
        return testPage(QStringLiteral("Page ") + n, n);
    case PageKind::Titles:
        // Titles keep arriving, the reserved captions among them, so that background tabs
        // change captions and become reusable while other tabs come and go.
        return testPage(QStringLiteral("Title ") + n,
            QStringLiteral("<script>var t = ['Title %1', 'about:blank', '找不到服务器',"
                           " 'A title much longer than twenty characters %1', '  Blanks %1  '];"
                           " var i = 0; setInterval(function () { document.title = t[i++ % t.length]; }, 45);"
                           "</script>")
                .arg(n));
    case PageKind::Popup: {
        // Some openers carry a reserved caption, so that their own tab is the one to reuse.
        static const QStringList titles
            = {QStringLiteral("Popup "), QStringLiteral("about:blank"), QStringLiteral("找不到服务器")};
        const QString title = titles.at(qChecksum(name) % titles.size());
        return testPage(title.endsWith(QLatin1Char(' ')) ? title + n : title,
            QStringLiteral("<a id=l href='#' onclick='window.open(\"/popped/%1\"); return false;'"
                           " style='display:block;height:400px'>open</a>"
                           "<script>window.addEventListener('load', function () {"
                           " window.open('/popped/%1'); });</script>")
                .arg(n));
    }
    case PageKind::Moves:
        // Goes on to another page by itself, so that the tab has somewhere to go back to.
        return testPage(QStringLiteral("Moves ") + n,
            QStringLiteral("<script>setTimeout(function () { location.href = '/plain/moved-%1'; }, 200);"
                           "</script>")
                .arg(n));
    case PageKind::BlankTarget:
        return testPage(QStringLiteral("Blank ") + n,
            QStringLiteral("<a id=l target=_blank href='/popped/%1' style='display:block;height:400px'>open</a><script>"
                           "window.addEventListener('load', function () {"
                           " document.getElementById('l').click(); });</script>")
                .arg(n));
    }
    return QByteArray();
}

TestHttpServer::Reply serve(const QByteArray &target, const QByteArray &host)
{
    TestHttpServer::Reply reply;
    const QList<QByteArray> parts = target.split('/'); // "", kind, name
    const QByteArray kindName = parts.value(1);
    const QByteArray name = parts.value(2);
    PageKind kind;
    if (kindName == "plain" || kindName == "popped")
        kind = PageKind::Plain;
    else if (kindName == "slow")
        kind = PageKind::Slow;
    else if (kindName == "titles")
        kind = PageKind::Titles;
    else if (kindName == "popup")
        kind = PageKind::Popup;
    else if (kindName == "moves")
        kind = PageKind::Moves;
    else if (kindName == "blank")
        kind = PageKind::BlankTarget;
    else // a shop's search or a link button's page: a kind fixed by its address
        kind = static_cast<PageKind>(qChecksum(host + target) % 5);
    // Named after the host for shops, after kind and number for the test's own pages.
    reply.body = pageFor(kind, host == "churn.test" ? kindName + '-' + name : host);
    if (kind == PageKind::Slow)
        reply.delayMs = 300 + int(qChecksum(target) % 1200);
    return reply;
}
} // namespace

class tst_TabChurn : public QObject, MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void churn();
    void cleanupTestCase();

private:
    enum Action {
        Search,
        OpenAddress,
        LinkButton,
        NavigationButton,
        ClickPage,
        SelectTab,
        CloseTabAt,
        RightPressTab,
        DoubleClickTab,
        ActiveTabCloseButton,
        RowCloseButton,
        CloseAllButton,
        ActionCount
    };
    static QString actionName(int action);

    TPageControl *strip() const { return m_window->PageControl1; }
    QString address(const char *kind)
    {
        return QStringLiteral("http://churn.test/%1/%2").arg(kind).arg(++m_serial);
    }
    int shownTab();
    void act(int action, bool *applied);
    void expectOpened(int before, bool reused, int opened);
    void expectClosed(int before, const QPointer<TTabSheet> &closed);
    void checkStrip(int round);
    QString recent() const;

    QRandomGenerator m_random;
    QStringList m_shops;
    QList<QToolButton *> m_linkButtons;
    // Every modal window that appears is a failure: it is recorded and closed so that the run
    // goes on.
    ModalLog m_boxes {true};
    QStringList m_log; // the actions so far, for the failure message
    QMap<QString, int> m_counts;
    int m_serial = 0;
};

QString tst_TabChurn::actionName(int action)
{
    static const char *const names[] = {"search", "open address", "link button", "navigation button",
        "click in a page that opens windows", "select tab", "CloseTabAt", "right press on tab", "double-click on tab", "active tab's close button",
        "row's close button", "close all (right press on row's close button)"};
    return QString::fromLatin1(names[action]);
}

void tst_TabChurn::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true); // the built-in catalogue, whatever the user has
    // Every host, the shops' included, goes to the loopback server.
    QVERIFY(serveEveryHost(serve));
    const quint32 seed = envNumber("VANZU_CHURN_SEED", kSeed);
    qInfo("seed %u (repeat a run with VANZU_CHURN_SEED=%u)", seed, seed);
    m_random.seed(seed);

    for (const TShopEntry &entry : ReadShopCatalogue(LoadShopCatalogueText())) {
        if (!entry.IsCategory)
            m_shops.append(entry.Name);
    }
    QVERIFY(m_shops.size() > 10);


    QVERIFY(openMainWindow());
    for (auto *parent :
        {static_cast<QWidget *>(m_window->sBToolBar), static_cast<QWidget *>(m_window->pNav)}) {
        const auto buttons = parent->findChildren<QToolButton *>(QString(), Qt::FindDirectChildrenOnly);
        for (QToolButton *button : buttons) {
            if (button->objectName().startsWith(QLatin1String("BtnLink"))
                || button->objectName().startsWith(QLatin1String("BtnHot")))
                m_linkButtons.append(button);
        }
    }
    QCOMPARE(m_linkButtons.size(), 13);
}

void tst_TabChurn::cleanupTestCase()
{
    closeMainWindow();
}

// A tab whose slot is on screen, or -1; the strip lays its row out before the user could click.
int tst_TabChurn::shownTab()
{
    QCoreApplication::sendPostedEvents(strip(), QEvent::LayoutRequest);
    QList<int> shown;
    for (int i = 0; i < strip()->TabCount(); ++i) {
        if (!strip()->TabRect(i).isEmpty())
            shown.append(i);
    }
    return shown.isEmpty() ? -1 : shown.at(m_random.bounded(int(shown.size())));
}

void tst_TabChurn::expectOpened(int before, bool reused, int opened)
{
    QCOMPARE(strip()->PageCount(), before + opened - (reused ? 1 : 0));
    QVERIFY(m_window->LastTab());
    QVERIFY(m_window->LastTab() == m_window->ActiveTab());
}

void tst_TabChurn::expectClosed(int before, const QPointer<TTabSheet> &closed)
{
    if (before == 1) {
        // The last tab is never closed: it returns to the start page.
        QCOMPARE(strip()->PageCount(), 1);
        QVERIFY(closed);
        QCOMPARE(closed->Caption(), kDefaultCaption);
        ++m_counts[QStringLiteral("last tab reset")];
    } else {
        QCOMPARE(strip()->PageCount(), before - 1);
        QVERIFY(!closed);
    }
}

// Performs one action and checks what it must have done at once.
void tst_TabChurn::act(int action, bool *applied)
{
    *applied = true;
    const int before = strip()->PageCount();
    const bool reuse = IsReusableCaption(m_window->ActiveTab() ? m_window->ActiveTab()->Caption() : QString());
    switch (action) {
    case Search: {
        QStringList chosen;
        const int count = 1 + m_random.bounded(3);
        for (int i = 0; i < count; ++i)
            chosen.append(m_shops.at(m_random.bounded(int(m_shops.size()))));
        static const QStringList keywords
            = {QStringLiteral("手机"), QStringLiteral("Nokia N95"), QStringLiteral("  笔记本电脑 "),
                QStringLiteral("a\r\nb"), QString(300, QChar(0x978B)), QString::fromUtf8("😀 表情")};
        m_window->EdtWD->setText(chosen.join(QLatin1Char(';')));
        m_window->cbKeyWord->setEditText(keywords.at(m_random.bounded(int(keywords.size()))));
        QTest::mouseClick(m_window->btnGo, Qt::LeftButton);
        expectOpened(before, reuse, count);
        return;
    }
    case OpenAddress: {
        static const char *const kinds[] = {"plain", "slow", "slow", "titles", "popup", "moves", "blank"};
        const int pick = m_random.bounded(9);
        // Now and then the start page itself, or an empty address that the view leaves alone.
        const QString target = pick == 7 ? QStringLiteral("about:blank")
            : pick == 8                  ? QString()
                                         : address(kinds[pick]);
        m_window->OpenInTab(target);
        expectOpened(before, reuse, 1);
        QCOMPARE(m_window->ActiveTab()->Caption(), pick == 7 ? kDefaultCaption : kLoadingCaption);
        return;
    }
    case LinkButton:
        QTest::mouseClick(m_linkButtons.at(m_random.bounded(int(m_linkButtons.size()))), Qt::LeftButton);
        expectOpened(before, reuse, 1);
        return;
    case NavigationButton: {
        // Back, stop, forward or refresh, whichever the active tab allows; each disables itself.
        QList<QToolButton *> enabled;
        for (QToolButton *button :
            {m_window->btnBack, m_window->btnStop, m_window->btnForward, m_window->BtnRfsh}) {
            if (button->isEnabled())
                enabled.append(button);
        }
        if (enabled.isEmpty()) {
            *applied = false;
            return;
        }
        QToolButton *button = enabled.at(m_random.bounded(int(enabled.size())));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(strip()->PageCount(), before);
        return;
    }
    case ClickPage: {
        // The pages' own attempts at new windows are refused; the user's click opens one. The
        // user picks a tab showing such a page, loaded, and clicks into it.
        QCoreApplication::sendPostedEvents(strip(), QEvent::LayoutRequest);
        QList<int> candidates;
        for (int i = 0; i < strip()->TabCount(); ++i) {
            auto *t = qobject_cast<TTabSheetEx *>(strip()->PageOfTab(i));
            const QString at = t->Browser->LocationURL();
            if (!t->Browser->Busy() && t->Browser->EngineView() && !strip()->TabRect(i).isEmpty()
                && (at.contains(QLatin1String("/popup/")) || at.contains(QLatin1String("/blank/"))))
                candidates.append(i);
        }
        if (candidates.isEmpty()) {
            // None at hand: the user opens one, to click in later.
            m_window->OpenInTab(address(m_random.bounded(2) ? "popup" : "blank"));
            expectOpened(before, reuse, 1);
            *applied = false;
            return;
        }
        const int i = candidates.at(m_random.bounded(int(candidates.size())));
        QTest::mouseClick(strip(), Qt::LeftButton, {}, strip()->TabRect(i).center());
        TBrowserView *view = m_window->ActiveTab()->Browser;
        if (!PointAtLink(view, QPoint(40, 40), 1500)) {
            *applied = false;
            return;
        }
        QTest::mouseClick(view->EngineView()->focusProxy(), Qt::LeftButton, {}, QPoint(40, 40));
        return;
    }
    case SelectTab: {
        const int i = shownTab();
        if (i < 0) {
            *applied = false;
            return;
        }
        QTest::mouseClick(strip(), Qt::LeftButton, {}, strip()->TabRect(i).center());
        QCOMPARE(strip()->TabIndex(), i);
        return;
    }
    case CloseTabAt: {
        const int i = m_random.bounded(before);
        const QPointer<TTabSheet> closed = strip()->PageAt(i);
        m_window->CloseTabAt(i);
        expectClosed(before, closed);
        return;
    }
    case RightPressTab:
    case DoubleClickTab: {
        const int i = shownTab();
        if (i < 0) {
            *applied = false;
            return;
        }
        const QPointer<TTabSheet> closed = strip()->PageOfTab(i);
        const QPoint centre = strip()->TabRect(i).center();
        if (action == RightPressTab)
            QTest::mouseClick(strip(), Qt::RightButton, {}, centre);
        else
            QTest::mouseDClick(strip(), Qt::LeftButton, {}, centre);
        expectClosed(before, closed);
        return;
    }
    case ActiveTabCloseButton:
    case RowCloseButton:
    case CloseAllButton: {
        QCoreApplication::sendPostedEvents(strip(), QEvent::LayoutRequest);
        auto *button = strip()->findChild<QWidget *>(action == ActiveTabCloseButton
                ? QStringLiteral("TActiveTabCloseButton")
                : QStringLiteral("TTabControlCloseButton"));
        QVERIFY(button);
        if (!button->isVisible()) {
            *applied = false;
            return;
        }
        const QPointer<TTabSheet> closed = strip()->ActivePage();
        if (action == CloseAllButton) {
            QTest::mousePress(button, Qt::RightButton, {}, button->rect().center());
            QTest::mouseRelease(button, Qt::RightButton, {}, button->rect().center());
            QCOMPARE(strip()->PageCount(), 1);
            QCOMPARE(m_window->ActiveTab()->Caption(), kDefaultCaption);
        } else {
            QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
            expectClosed(before, closed);
        }
        return;
    }
    }
}

void tst_TabChurn::checkStrip(int round)
{
    const QString where = QStringLiteral("round %1, after: %2").arg(round).arg(recent());
    QVERIFY2(
        m_boxes.texts.isEmpty(), qPrintable(m_boxes.texts.join(QLatin1String(" | ")) + QStringLiteral(" at ") + where));
    QVERIFY2(!m_window->IsTabClosing(), qPrintable(where));
    const int count = strip()->PageCount();
    QVERIFY2(count >= 1, qPrintable(where));
    const int index = strip()->TabIndex();
    QVERIFY2(index >= 0 && index < count,
        qPrintable(QStringLiteral("TabIndex %1 of %2, %3").arg(index).arg(count).arg(where)));
    QVERIFY2(strip()->ActivePage() == strip()->PageAt(index), qPrintable(where));
    int shown = 0;
    bool lastTabFound = !m_window->LastTab();
    for (int i = 0; i < count; ++i) {
        TTabSheetEx *page = tab(i);
        QVERIFY2(page, qPrintable(QStringLiteral("page %1 is no browser tab, %2").arg(i).arg(where)));
        QVERIFY2(page->Browser && page->Browser->parentWidget() == page, qPrintable(where));
        if (!page->isHidden())
            ++shown;
        lastTabFound = lastTabFound || m_window->LastTab() == page;
    }
    QVERIFY2(shown == 1 && strip()->ActivePage()->isVisible(),
        qPrintable(QStringLiteral("%1 pages shown, %2").arg(shown).arg(where)));
    QVERIFY2(lastTabFound, qPrintable(where));
}

QString tst_TabChurn::recent() const
{
    return m_log.mid(std::max<qsizetype>(0, m_log.size() - 8)).join(QLatin1String(", "));
}

void tst_TabChurn::churn()
{
    QElapsedTimer clock;
    clock.start();
    const int rounds = int(envNumber("VANZU_CHURN_ROUNDS", kRounds));
    int titlesSeen = 0;
    for (int round = 0; round < rounds; ++round) {
        const int actions = 1 + m_random.bounded(3);
        for (int a = 0; a < actions; ++a) {
            // Opening is likelier than closing until the strip is full, then only closing.
            int action;
            if (strip()->PageCount() >= kMaxTabs)
                action = SelectTab + 1 + m_random.bounded(CloseAllButton - SelectTab);
            else
                action = m_random.bounded(100) < 50
                    ? m_random.bounded(SelectTab + 1)
                    : SelectTab + m_random.bounded(CloseAllButton - SelectTab + 1);
            // Closing everything at once stays rare, so that the strip fills up in between.
            if (action == CloseAllButton && m_random.bounded(4) != 0)
                action = CloseTabAt;
            m_log.append(QStringLiteral("%1:%2").arg(round).arg(actionName(action)));
            bool applied = false;
            act(action, &applied);
            if (applied)
                ++m_counts[actionName(action)];
            if (QTest::currentTestFailed()) {
                qWarning().noquote() << "failed at" << recent() << m_boxes.texts;
                return;
            }
        }
        // Let loads, titles and new windows arrive between the actions: sometimes barely,
        // sometimes long enough for pages to finish and their scripts to run.
        const int pause = m_random.bounded(4);
        if (pause == 0)
            QCoreApplication::processEvents();
        else if (pause == 3)
            QTest::qWait(150 + m_random.bounded(450));
        else
            QTest::qWait(5 + m_random.bounded(60));
        QCoreApplication::sendPostedEvents(); // a close by a button ends in a queued call
        checkStrip(round);
        if (QTest::currentTestFailed())
            return;
        for (int i = 0; i < strip()->PageCount(); ++i)
            titlesSeen += tab(i)->Caption().startsWith(QLatin1String("title ")) ? 1 : 0;
    }
    const qint64 churnMs = clock.elapsed();
    QStringList counts;
    for (auto it = m_counts.cbegin(); it != m_counts.cend(); ++it)
        counts.append(QStringLiteral("%1 %2").arg(it.key()).arg(it.value()));
    qInfo().noquote() << QStringLiteral("%1 rounds in %2 s; actions: %3")
                             .arg(rounds)
                             .arg(churnMs / 1000.0, 0, 'f', 1)
                             .arg(counts.join(QLatin1String(", ")));

    // Tabs did follow titles through all of it. How many windows the user's clicks opened
    // depends on how far pages got between the actions, so it is only reported; that a click
    // opens exactly one is checked where it can be waited for (tst_TabManager, tst_HostilePages).
    const QList<QByteArray> targets = m_server.requestTargets();
    const int popped = int(std::count_if(
        targets.cbegin(), targets.cend(), [](const QByteArray &t) { return t.startsWith("/popped/"); }));
    qInfo("the user's clicks opened %d new windows", popped);
    QVERIFY(titlesSeen > 0);
    // And still do: a page opened now takes its title as its caption.
    m_window->OpenInTab(address("plain"));
    const QPointer<TTabSheetEx> fresh = m_window->LastTab();
    QTRY_VERIFY_WITH_TIMEOUT(fresh && fresh->Caption().startsWith(QLatin1String("page ")), kLoad);
    // The history file holds one line per keyword.
    QFile history(m_window->HistoryFilePath());
    QVERIFY(history.open(QIODevice::ReadOnly));
    QCOMPARE(int(history.readAll().count("\r\n")), m_window->cbKeyWord->count());

    // The window closes while pages load: no box, nothing left raised.
    for (const char *kind : {"slow", "slow", "titles", "popup", "blank"})
        m_window->OpenInTab(address(kind));
    QTest::qWait(150);
    QVERIFY(m_window->close());
    QVERIFY(m_window->IsClosing());
    QVERIFY(!m_window->IsTabClosing());
    QTest::qWait(300);
    delete m_window;
    QTest::qWait(500);
    QVERIFY2(m_boxes.texts.isEmpty(), qPrintable(m_boxes.texts.join(QLatin1String(" | "))));

    for (int action = 0; action < ActionCount; ++action)
        QVERIFY2(m_counts.value(actionName(action)) > 0,
            qPrintable(actionName(action) + QStringLiteral(" never ran")));
}

VANZU_TEST_MAIN(tst_TabChurn)
#include "tst_TabChurn.moc"
