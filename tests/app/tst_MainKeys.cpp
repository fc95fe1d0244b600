#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "PageInput.h"
#include "TFindBar.h"

#include <QCheckBox>

namespace {
int g_servedN = 0; // every request of /n gets a new title: n1, n2, ...

// A link on top, where the pointer shows that the page takes input, and room for a click below.
QByteArray page(const QString &title, const QString &body = QString())
{
    return testPage(title,
        QStringLiteral("<a href='/a' style='display:block;height:100px'>link</a>%1"
                       "<div style='height:800px'></div>")
            .arg(body));
}
} // namespace

// The window's keys and mouse buttons, pressed where the user presses them, on served pages.
class tst_MainKeys : public QObject, MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup() { closeMainWindow(); }
    void keys_data();
    void keys();
    void zoomStaysWithTab();
    void findInPage();

private:
    QWidget *surface() const { return active()->Browser->EngineView()->focusProxy(); }
    void press(QKeyCombination key)
    {
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
    }
    void openTabs(const QString &setup);
    void focus(const QString &where);
    QString state() const;
};

void tst_MainKeys::initTestCase()
{
    QVERIFY(m_server.listen());
    for (const char *name : {"a", "b", "c", "find2"})
        m_server.setPage(
            QByteArray("/") + name, page(QString::fromLatin1(name).toUpper(), QStringLiteral("one phone")));
    m_server.setPage("/slow", page("Slow"), "text/html; charset=utf-8", 60000);
    // A page that takes every key it is given.
    m_server.setPage("/grab",
        page("Grab",
            "<script>document.addEventListener('keydown', function (e) {"
            " e.preventDefault(); e.stopPropagation();"
            " document.title = 'took ' + e.key; }, true);</script>"));
    m_server.setPage("/find", page("Find", "<p>Phone phone</p><p>PHONE</p><p>a phone, a Phone</p>"));
    m_server.setFallback([](const QByteArray &target, const QByteArray &) {
        TestHttpServer::Reply reply;
        reply.status = target == "/n" ? 200 : 404;
        reply.body = page(QStringLiteral("N%1").arg(target == "/n" ? ++g_servedN : 0));
        return reply;
    });
}

void tst_MainKeys::init()
{
    g_servedN = 0;
    QVERIFY(openMainWindow(StartPage | Active));
}

// Tabs separated by blanks, "*" before the active one (else the last); a tab's successive
// pages separated by ">", a trailing "<" steps back once.
void tst_MainKeys::openTabs(const QString &setup)
{
    const QStringList tabs = setup.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString layout : tabs) {
        const bool back = layout.endsWith(QLatin1Char('<'));
        const QStringList paths
            = layout.remove(QLatin1Char('*')).remove(QLatin1Char('<')).split(QLatin1Char('>'));
        for (int i = 0; i < paths.size(); ++i) {
            const QString address = QString::fromLatin1(m_server.baseUrl()) + QLatin1Char('/') + paths[i];
            if (i == 0)
                m_window->OpenInTab(address);
            else
                m_window->LastTab()->Browser->Navigate(address, 0);
            TBrowserView *view = m_window->LastTab()->Browser;
            if (paths[i] == QLatin1String("slow"))
                QTRY_VERIFY_WITH_TIMEOUT(view->EngineView() && m_window->btnStop->isEnabled(), kLoad);
            else
                QTRY_VERIFY_WITH_TIMEOUT(!view->Busy() && view->ReadyState() == rsComplete, kLoad);
        }
        if (back) {
            m_window->btnBackClick();
            QTRY_VERIFY_WITH_TIMEOUT(!active()->Browser->Busy() && active()->Caption() == paths[0], kLoad);
        }
    }
    const int marked = tabs.indexOf(QRegularExpression(QStringLiteral("^\\*.*")));
    if (marked >= 0)
        m_window->PageControl1->SetTabIndex(marked);
}

void tst_MainKeys::focus(const QString &where)
{
    if (where == QLatin1String("keyword")) {
        m_window->cbKeyWord->setFocus();
    } else if (where == QLatin1String("find")) {
        m_window->FindBar1->Open();
    } else if (!active()->Browser->Busy()) {
        // A click into the page's content, once the page takes input.
        QVERIFY(PointAtLink(active()->Browser, QPoint(40, 50)));
        QTest::mouseClick(surface(), Qt::LeftButton, {}, QPoint(300, 300));
    } else {
        surface()->setFocus(); // nothing to click yet
    }
    QWidget *expected = where == QLatin1String("keyword") ? static_cast<QWidget *>(m_window->cbKeyWord)
        : where == QLatin1String("find")                  ? m_window->FindBar1->EdtFind
                                                          : surface();
    QTRY_COMPARE(QApplication::focusWidget(), expected);
}

// Captions, the active one marked; the active page's zoom when not 100 %, whether it loads,
// whether the find bar is open.
QString tst_MainKeys::state() const
{
    QStringList parts;
    for (int i = 0; i < m_window->PageControl1->PageCount(); ++i) {
        TTabSheet *tab = m_window->PageControl1->PageAt(i);
        parts.append((tab == active() ? QStringLiteral("*") : QString()) + tab->Caption());
    }
    if (active()->Browser->zoom() != 100)
        parts.append(QStringLiteral("@%1").arg(active()->Browser->zoom()));
    if (active()->Browser->Busy())
        parts.append(QStringLiteral("busy"));
    if (m_window->FindBar1->isVisible())
        parts.append(QStringLiteral("find"));
    return parts.join(QLatin1Char(' '));
}

void tst_MainKeys::keys_data()
{
    QTest::addColumn<QString>("setup"); // tabs (see openTabs), then "@N" for the active page's zoom
    QTest::addColumn<QString>("where"); // the focus: page, keyword, find; dialog: a message box is open
    QTest::addColumn<QString>("input"); // a key sequence, or "mouse back" / "mouse forward" over the page
    QTest::addColumn<QString>("after");
    auto row
        = [](const char *name, const char *setup, const char *where, const char *input, const char *after) {
              QTest::newRow(name) << QString::fromUtf8(setup) << where << input << QString::fromUtf8(after);
          };
    row("Ctrl+W, page", "a b c", "page", "Ctrl+W", "a *b");
    row("Ctrl+W, keyword box", "a *b c", "keyword", "Ctrl+W", "*a c");
    row("Ctrl+W, page takes keys", "a grab", "page", "Ctrl+W", "*a");
    row("Ctrl+W, only tab", "a", "page", "Ctrl+W", "*默认");
    row("Ctrl+W, dialog open", "a b c", "dialog", "Ctrl+W", "a b *c");
    row("Ctrl+1", "a b c", "page", "Ctrl+1", "*a b c");
    row("Ctrl+2, find bar", "*a b c", "find", "Ctrl+2", "a *b c find");
    row("Ctrl+8, no such tab", "*a b c", "page", "Ctrl+8", "*a b c");
    row("Ctrl+9, last tab", "*a b c", "keyword", "Ctrl+9", "a b *c");
    row("Alt+Left", "a>b", "page", "Alt+Left", "*a");
    row("Alt+Left, page takes keys", "a>grab", "page", "Alt+Left", "*a");
    row("Alt+Left, no history", "a grab", "page", "Alt+Left", "a *took arrowleft");
    row("Alt+Left, dialog open", "a>b", "dialog", "Alt+Left", "*b");
    row("Alt+Right", "a>b<", "keyword", "Alt+Right", "*b");
    row("mouse back", "a>b", "page", "mouse back", "*a");
    row("mouse forward", "a>b<", "page", "mouse forward", "*b");
    row("F5", "n", "page", "F5", "*n2");
    row("Ctrl+R", "n", "keyword", "Ctrl+R", "*n2");
    row("Esc stops a load", "slow", "page", "Esc", "*加载中...");
    row("Esc, nothing loads", "a grab", "page", "Esc", "a *took escape");
    row("Esc, find bar", "slow", "find", "Esc", "*加载中... busy");
    row("Ctrl+=, page takes keys", "grab", "page", "Ctrl+=", "*grab @110");
    row("Ctrl++ between levels", "a@120", "keyword", "Ctrl++", "*a @125");
    row("Ctrl++ at the top", "a@500", "page", "Ctrl++", "*a @500");
    row("Ctrl+-", "a", "page", "Ctrl+-", "*a @90");
    row("Ctrl+- at the bottom", "a@25", "page", "Ctrl+-", "*a @25");
    row("Ctrl+0", "a@150", "page", "Ctrl+0", "*a");
    row("Ctrl+0, dialog open", "a@150", "dialog", "Ctrl+0", "*a @150");
    row("Ctrl+F, page takes keys", "grab", "page", "Ctrl+F", "*grab find");
    row("F3 opens the bar", "a", "keyword", "F3", "*a find");
    row("Ctrl+F, dialog open", "a", "dialog", "Ctrl+F", "*a");
}

void tst_MainKeys::keys()
{
    QFETCH(QString, setup);
    QFETCH(QString, where);
    QFETCH(QString, input);
    QFETCH(QString, after);
    const QStringList zoomed = setup.split(QLatin1Char('@'));
    openTabs(zoomed[0]);
    focus(where == QLatin1String("dialog") ? QStringLiteral("page") : where);
    if (zoomed.size() > 1)
        active()->Browser->setZoom(zoomed[1].toInt());

    auto act = [&] {
        if (input.startsWith(QLatin1String("mouse "))) {
            // Through the window, as the mouse's clicks come.
            const auto button = input.endsWith(QLatin1String("back")) ? Qt::BackButton : Qt::ForwardButton;
            QTest::mouseClick(
                m_window->windowHandle(), button, {}, surface()->mapTo(m_window, QPoint(300, 300)));
        } else {
            press(QKeySequence(input)[0]);
        }
    };
    if (where == QLatin1String("dialog")) {
        ModalDriver driver([](QWidget *) { return QApplication::focusWidget() != nullptr; },
            [&](QWidget *dialog) {
                act();
                QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
            });
        QMessageBox::information(m_window, QStringLiteral("提示"), QStringLiteral("对话框"));
        QCOMPARE(driver.acted, 1);
    } else {
        act();
    }
    QTRY_COMPARE_WITH_TIMEOUT(state(), after, kLoad);
}

void tst_MainKeys::zoomStaysWithTab()
{
    openTabs(QStringLiteral("a b"));
    focus(QStringLiteral("page"));
    press(Qt::CTRL | Qt::Key_Plus);
    QCOMPARE(m_window->sBarStus->text(), QStringLiteral("缩放：110%"));
    // The engine shows each tab at its own level, though both pages come from one site.
    auto shown = [this] {
        const QVariant ratio = RunScript(active()->Browser, QStringLiteral("devicePixelRatio"));
        return ratio.isValid() ? qRound(ratio.toDouble() * 100) : -1;
    };
    QTRY_COMPARE(shown(), 110);
    press(Qt::CTRL | Qt::Key_1);
    QTRY_COMPARE(shown(), 100);
    press(Qt::CTRL | Qt::Key_2);
    QTRY_COMPARE(shown(), 110);
    QTRY_COMPARE(m_window->sBarStus->text(), QString()); // the level shows only briefly
    // It stays when the tab goes on to another site.
    TBrowserView *view = active()->Browser;
    QVERIFY(view->Navigate(QStringLiteral("http://localhost:%1/b").arg(m_server.port()), kLoad));
    QCOMPARE(QUrl(view->LocationURL()).host(), QStringLiteral("localhost"));
    QTRY_COMPARE(shown(), 110);
    QCOMPARE(view->zoom(), 110);
}

void tst_MainKeys::findInPage()
{
    openTabs(QStringLiteral("*find find2"));
    focus(QStringLiteral("page"));
    TFindBar *bar = m_window->FindBar1;
    const QList<std::pair<QKeyCombination, const char *>> steps = {
        {Qt::Key_Return, "第 2 个，共 5 个"},
        {Qt::SHIFT | Qt::Key_Return, "第 1 个，共 5 个"},
        {Qt::SHIFT | Qt::Key_Enter, "第 5 个，共 5 个"},
        {Qt::Key_F3, "第 1 个，共 5 个"},
        {Qt::SHIFT | Qt::Key_F3, "第 5 个，共 5 个"},
    };
    press(Qt::CTRL | Qt::Key_F);
    QTRY_COMPARE(QApplication::focusWidget(), bar->EdtFind);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("phone"));
    QTRY_COMPARE(bar->lbCount->text(), QStringLiteral("第 1 个，共 5 个"));
    for (const auto &[key, count] : steps) {
        if (key.key() == Qt::Key_F3)
            surface()->setFocus(); // F3 works from the page too
        press(key);
        QTRY_COMPARE(bar->lbCount->text(), QString::fromUtf8(count));
    }
    QTest::mouseClick(bar->cbMatchCase, Qt::LeftButton, {}, QPoint(5, bar->cbMatchCase->height() / 2));
    QTRY_COMPARE(bar->lbCount->text(), QStringLiteral("第 1 个，共 2 个"));
    // The search follows the active tab.
    press(Qt::CTRL | Qt::Key_2);
    QTRY_COMPARE(bar->lbCount->text(), QStringLiteral("第 1 个，共 1 个"));
    QTest::keyClicks(bar->EdtFind, QStringLiteral("x"));
    QTRY_COMPARE(bar->lbCount->text(), QStringLiteral("没有找到"));
    // Esc in the bar closes it and gives the page the keyboard back.
    bar->EdtFind->setFocus();
    press(Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QCOMPARE(bar->lbCount->text(), QString());
    QTRY_COMPARE(QApplication::focusWidget(), surface());
}

VANZU_TEST_MAIN(tst_MainKeys)
#include "tst_MainKeys.moc"
