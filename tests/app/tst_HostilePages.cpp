// Pages that attack the program, served on 127.0.0.1, one row per attack with what the user does
// and what must come of it.
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "PageInput.h"
#include "TDownloadManager.h"

#include <QDir>
#include <QFileDialog>
#include <QTextDocument>
#include <QToolTip>

#include <csignal>
#include <memory>

namespace {
const QByteArray kAttachmentName = "<b>x<img src=a>.bin";

// The folders the tests write to: the user's download folder and the folder the save dialog is
// answered with. Set before the application starts, so that the download folder is ours.
QTemporaryDir *g_home = nullptr;
QString DownloadFolder() { return g_home->filePath(QStringLiteral("Downloads")); }
QString TargetFolder() { return g_home->filePath(QStringLiteral("chosen")); }

// What a label shows: its text as written, or what the markup in it draws.
QString Shown(const QString &text, Qt::TextFormat format)
{
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text)))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}
QString Shown(const QLabel *label) { return Shown(label->text(), label->textFormat()); }

// The text of the tool tip that the tab strip shows when the pointer rests on tab `index`.
QString ShownToolTip(TPageControl *strip, int index)
{
    QCoreApplication::sendPostedEvents(strip, QEvent::LayoutRequest); // the row as it is drawn next
    const QPoint at = strip->TabRect(index).center();
    QHelpEvent help(QEvent::ToolTip, at, strip->mapToGlobal(at));
    QApplication::sendEvent(strip, &help);
    QString shown;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *tip = qobject_cast<QLabel *>(w); tip && w->objectName() == QLatin1String("qtooltip_label"))
            shown = Shown(tip);
    }
    QToolTip::hideText();
    return shown;
}

bool ProcessAlive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    return !line.mid(line.lastIndexOf(')') + 2, 1).startsWith('Z');
}

QStringList FilesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}
} // namespace

class tst_HostilePages : public QObject, MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup() { closeMainWindow(); }

    void attack_data();
    void attack();

private:
    QString pageTitle() const
    {
        TTabSheetEx *t = active();
        return t && t->Browser->EngineView() ? t->Browser->EngineView()->title() : QString();
    }
    void step(const QString &what, const QByteArray &page);
    // Answers the save dialog, the permission questions; counts what it answered.
    std::unique_ptr<ModalDriver> answer(const QString &how, const QString &suggested);

    QByteArray m_file; // the bytes every download serves
};

void tst_HostilePages::initTestCase()
{
    QVERIFY(m_server.listen());
    for (int i = 0; i < 70000; ++i)
        m_file.append(char((i * 7919) >> 3)); // every byte value, zeros included
    // The attacks' pages are files in tests/pages/hostile, but for the one naming the server.
    m_server.servePages(QStringLiteral("hostile"));
    m_server.setPage("/data",
        testPage("默认", QStringLiteral("<a target=_blank href=\"data:text/html,<title>ran</title><img src='%1/ran'>\""
                                      " style='display:block;width:100%;height:300px'>link</a>")
                             .arg(QString::fromLatin1(m_server.baseUrl()))));
    TestHttpServer::Reply file;
    file.contentType = "application/octet-stream";
    file.body = m_file;
    m_server.setReply("/file.bin", file);
    TestHttpServer::Reply attachment = file;
    attachment.contentType = "text/html"; // shown as a page, were it not an attachment
    attachment.headers = "Content-Disposition: attachment; filename=\"" + kAttachmentName + "\"\r\n";
    m_server.setReply("/attachment", attachment);
    TestHttpServer::Reply stalled = file;
    stalled.sendOnly = 1000;
    stalled.holdOpen = true;
    m_server.setReply("/stalled", stalled);
    TestHttpServer::Reply truncated = file;
    truncated.sendOnly = 1000;
    m_server.setReply("/truncated", truncated);
}

void tst_HostilePages::init()
{
    QDir(DownloadFolder()).removeRecursively();
    QDir(TargetFolder()).removeRecursively();
    QVERIFY(QDir().mkpath(DownloadFolder()) && QDir().mkpath(TargetFolder()));
    QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation), DownloadFolder());
    m_server.clearRequests();
    QVERIFY(openMainWindow());
}

void tst_HostilePages::attack_data()
{
    QTest::addColumn<QByteArray>("page");  // opened in a tab of its own, the start tab showing /a
    QTest::addColumn<QString>("user");     // what happens then, step by step (see step())
    QTest::addColumn<int>("tabs");         // tabs at the end
    QTest::addColumn<QString>("caption");  // the active tab's caption at the end
    QTest::addColumn<QString>("notice");   // status pane, or a download's line in the list; null: unchecked
    QTest::addColumn<int>("asked");        // dialogs and questions the user answered
    QTest::addColumn<QString>("file");     // the file name the save dialog suggests
    QTest::addColumn<QByteArray>("saved"); // what lands where the dialog answered; null: nothing anywhere

    const QString none;
    const QByteArray nothing;
    QTest::newRow("title written as markup") << QByteArray("/markup") << "" << 2
            << "<h1>警告</h1><img src=..." << none << 0 << none << nothing;
    QTest::newRow("500 windows without a click") << QByteArray("/flood") << "" << 2 << "flood"
            << "已阻止弹出窗口" << 0 << none << nothing;
    QTest::newRow("click on a link to a new window") << QByteArray("/blank-link") << "click" << 3 << "b"
            << none << 0 << none << nothing;
    QTest::newRow("click runs a script opening three windows") << QByteArray("/three") << "click" << 3 << "b"
            << none << 0 << none << nothing;
    QTest::newRow("page titled 默认 opens a data: document") << QByteArray("/data") << "click,no-data" << 3
            << none << none << 0 << none << nothing;
    QTest::newRow("renderer crashes after every load") << QByteArray("/crash") << "crash,reload" << 2 << "crashy"
            << none << 0 << none << nothing;
    QTest::newRow("script stuck in the last tab") << QByteArray("/stuck") << "close" << 1 << "b"
            << none << 0 << none << nothing;
    QTest::newRow("window.close() in a window the page opened") << QByteArray("/opener") << "click,closed" << 2
            << "opener" << none << 0 << none << nothing;
    QTest::newRow("window.close() in a tab the user opened") << QByteArray("/selfclose") << "kept" << 2
            << "selfclose" << none << 0 << none << nothing;
    QTest::newRow("location asked, Enter answers no") << QByteArray("/geo") << "enter" << 2 << "geo:1"
            << none << 1 << none << nothing;
    QTest::newRow("notifications allowed once, remembered") << QByteArray("/notify") << "allow,refresh" << 2
            << "n:granted" << none << 1 << none << nothing;
    QTest::newRow("video asks for full screen, Esc leaves") << QByteArray("/video") << "fullscreen" << 2
            << "fs:off" << none << 0 << none << nothing;
    QTest::newRow("link with download") << QByteArray("/dl-link") << "save,click" << 2 << "dl"
            << "下载完成：" << 1 << "file.bin" << m_file;
    QTest::newRow("response sent as an attachment") << QByteArray("/attach-link") << "save,click" << 2 << "attach"
            << "下载完成：" << 1 << QString::fromLatin1(kAttachmentName) << m_file;
    QTest::newRow("download started by a script") << QByteArray("/dl-script") << "save" << 2 << "script"
            << "下载完成：" << 1 << "script.bin" << m_file;
    QTest::newRow("save dialog cancelled") << QByteArray("/dl-script") << "cancel" << 2 << "script"
            << none << 1 << "script.bin" << nothing;
    QTest::newRow("running download cancelled") << QByteArray("/stall-link") << "save,click,stop-download" << 2
            << "stall" << "已取消" << 1 << "stalled" << nothing;
    QTest::newRow("download breaks off") << QByteArray("/fail-link") << "save,click" << 2 << "fail"
            << "下载失败：文件没有下载完整" << 1 << "truncated" << nothing;
}

void tst_HostilePages::attack()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, user);
    QFETCH(int, tabs);
    QFETCH(QString, caption);
    QFETCH(QString, notice);
    QFETCH(int, asked);
    QFETCH(QString, file);
    QFETCH(QByteArray, saved);

    // Answers to the dialogs are ready before the page can ask.
    std::vector<std::unique_ptr<ModalDriver>> drivers;
    const QStringList steps = user.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &s : steps) {
        if (auto driver = answer(s, file))
            drivers.push_back(std::move(driver));
    }
    m_window->OpenInTab(url("/a"));
    QTRY_COMPARE_WITH_TIMEOUT(pageTitle(), QStringLiteral("Page A"), kLoad);
    m_window->OpenInTab(url(page));
    QCOMPARE(m_window->PageControl1->PageCount(), 2);
    // Waited for in the event loop: a page's calls into the program are answered at once, as in
    // the program, not between the sleeps of a polling wait.
    QSignalSpy busy(active()->Browser, &TBrowserHost::busyChanged);
    while (active()->Browser->Busy())
        QVERIFY(busy.wait(kLoad));
    for (const QString &s : steps)
        step(s, page);

    const auto acted = [&drivers] {
        int count = 0;
        for (const auto &driver : drivers)
            count += driver->acted;
        return count;
    };
    QTRY_COMPARE_WITH_TIMEOUT(acted(), asked, kLoad);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->PageControl1->PageCount(), tabs, kLoad);
    if (!caption.isNull())
        QTRY_COMPARE_WITH_TIMEOUT(active()->Caption(), caption, kLoad);
    QCOMPARE(m_window->PageControl1->PageCount(), tabs); // and no more came meanwhile

    const QString target = QDir(TargetFolder()).filePath(file);
    QTRY_COMPARE(FilesIn(DownloadFolder()), QStringList());
    if (saved.isNull())
        QTRY_COMPARE(FilesIn(TargetFolder()), QStringList());
    if (!notice.isNull() && file.isEmpty()) {
        QTRY_COMPARE(m_window->sBarStus->text(), notice);
    } else if (!notice.isNull()) {
        QTRY_VERIFY_WITH_TIMEOUT(m_window->Downloads()->findChild<QLabel *>(QStringLiteral("lbState")), kLoad);
        auto *state = m_window->Downloads()->findChild<QLabel *>(QStringLiteral("lbState"));
        QTRY_VERIFY2_WITH_TIMEOUT(state->text().startsWith(notice), qPrintable(state->text()), kLoad);
        if (notice == QStringLiteral("下载完成："))
            QCOMPARE(state->text(), notice + QDir::toNativeSeparators(target));
        QVERIFY(m_window->Downloads()->isVisible());
        const auto *name = m_window->Downloads()->findChild<QLabel *>(QStringLiteral("lbName"));
        QCOMPARE(Shown(name), file);
    }
    if (!saved.isEmpty()) {
        QFile result(target);
        QVERIFY(result.open(QIODevice::ReadOnly));
        QVERIFY(result.readAll() == saved);
    }

    // Whatever a page wrote is shown as written: the tabs' captions and hints, the status pane.
    for (int i = 0; i < m_window->PageControl1->PageCount(); ++i) {
        TTabSheet *t = m_window->PageControl1->PageAt(i);
        QCOMPARE(ShownToolTip(m_window->PageControl1, m_window->PageControl1->TabIndexOf(t)), t->Hint());
    }
    QCOMPARE(Shown(m_window->sBarStus), m_window->sBarStus->text());
}

std::unique_ptr<ModalDriver> tst_HostilePages::answer(const QString &how, const QString &suggested)
{
    if (how == QLatin1String("save") || how == QLatin1String("cancel")) {
        const bool save = how == QLatin1String("save");
        return std::make_unique<ModalDriver>(
                [](QWidget *w) { return qobject_cast<QFileDialog *>(w) != nullptr; },
                [this, save, suggested](QWidget *w) {
                    auto *dialog = static_cast<QFileDialog *>(w);
                    auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                    // The server's name in the user's download folder.
                    QCOMPARE(dialog->directory().absolutePath(), DownloadFolder());
                    QCOMPARE(name->text(), suggested);
                    QCOMPARE(dialog->windowTitle(), QStringLiteral("保存文件"));
                    if (!save) {
                        dialog->reject();
                        return;
                    }
                    name->setText(QDir(TargetFolder()).filePath(suggested)); // typed, as a user does
                    static_cast<QDialog *>(dialog)->accept();                // QFileDialog hides accept()
                });
    }
    if (how == QLatin1String("allow") || how == QLatin1String("enter")) {
        const bool allow = how == QLatin1String("allow");
        const QString site = QStringLiteral("127.0.0.1:%1").arg(m_server.port());
        return std::make_unique<ModalDriver>(
                [](QWidget *w) { return qobject_cast<QMessageBox *>(w) != nullptr; },
                [allow, site](QWidget *w) {
                    auto *box = static_cast<QMessageBox *>(w);
                    QVERIFY2(box->text().contains(site), qPrintable(box->text()));
                    if (allow) {
                        for (QAbstractButton *button : box->buttons()) {
                            if (button->text() == QStringLiteral("允许"))
                                button->click();
                        }
                    } else {
                        QTest::keyClick(box, Qt::Key_Return); // the default answer
                    }
                });
    }
    return nullptr;
}

void tst_HostilePages::step(const QString &what, const QByteArray &page)
{
    TBrowserView *view = active()->Browser;
    if (what == QLatin1String("click")) {
        QVERIFY(ClickLink(view, QPoint(40, 40))); // the big link
    } else if (what == QLatin1String("no-data")) {
        // The new window has a tab of its own, and the engine refused to show the data: document
        // that the page asked for: its script never ran, the asking tab kept its page.
        QTRY_COMPARE_WITH_TIMEOUT(m_window->PageControl1->PageCount(), 3, kLoad);
        QTRY_VERIFY(!active()->Browser->Busy());
        QTest::qWait(300); // nothing can be awaited: nothing may arrive
        QCOMPARE(requestsFor("/ran"), 0);
        QCOMPARE(m_window->PageControl1->PageAt(1)->Caption(), QStringLiteral("默认"));
        QCOMPARE(qobject_cast<TTabSheetEx *>(m_window->PageControl1->PageAt(1))->Browser->LocationURL(), url(page));
    } else if (what == QLatin1String("crash")) {
        // The page's renderer dies after every load of the page; it is reloaded once, then the
        // notice waits for the user.
        QWebEnginePage *engine = view->EngineView()->page();
        auto killer = connect(engine, &QWebEnginePage::loadFinished, this, [engine] {
            if (engine->title() != QStringLiteral("网页无法显示"))
                ::kill(pid_t(engine->renderProcessPid()), SIGKILL);
        });
        QCOMPARE(::kill(pid_t(engine->renderProcessPid()), SIGKILL), 0);
        QTRY_COMPARE_WITH_TIMEOUT(pageTitle(), QStringLiteral("网页无法显示"), kLoad);
        QTest::qWait(500); // nothing can be awaited: no reload may come
        disconnect(killer);
        QCOMPARE(requestsFor(page), 2);
        QCOMPARE(pageTitle(), QStringLiteral("网页无法显示"));
    } else if (what == QLatin1String("reload")) {
        // A click on the notice's "重新加载".
        QCOMPARE(RunScript(view, QStringLiteral("document.links[0].text")).toString(), QStringLiteral("重新加载"));
        QVERIFY(ClickElement(view, QStringLiteral("document.links[0]")));
        QTRY_COMPARE_WITH_TIMEOUT(requestsFor(page), 3, kLoad);
    } else if (what == QLatin1String("close")) {
        // Both tabs closed the user's way: the stuck page leaves with its renderer, and the tab
        // left behind shows the start page and is used again.
        const qint64 renderer = view->EngineView()->page()->renderProcessPid();
        QVERIFY(ProcessAlive(renderer));
        QTest::mousePress(m_window->PageControl1, Qt::RightButton, {}, m_window->PageControl1->TabRect(0).center());
        QCOMPARE(m_window->PageControl1->PageCount(), 1);
        auto *close = m_window->PageControl1->findChild<QWidget *>(QStringLiteral("TActiveTabCloseButton"));
        QTRY_VERIFY(close && close->isVisible());
        QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
        QCOMPARE(active()->Caption(), QStringLiteral("默认"));
        QTRY_COMPARE_WITH_TIMEOUT(pageTitle(), QStringLiteral("默认"), kLoad);
        QTRY_VERIFY_WITH_TIMEOUT(!ProcessAlive(renderer), kLoad);
        m_window->OpenInTab(url("/b"));
        QCOMPARE(m_window->PageControl1->PageCount(), 1);
    } else if (what == QLatin1String("closed")) {
        // The window opened and closed itself; the tab it had is gone.
        QTRY_COMPARE_WITH_TIMEOUT(requestsFor("/closer"), 1, kLoad);
    } else if (what == QLatin1String("kept")) {
        QSignalSpy asked(view->EngineView()->page(), &QWebEnginePage::windowCloseRequested);
        QVERIFY(asked.count() > 0 || asked.wait(kLoad));
        QCoreApplication::sendPostedEvents(); // the program's answer
    } else if (what == QLatin1String("refresh")) {
        QTRY_COMPARE_WITH_TIMEOUT(pageTitle(), QStringLiteral("n:granted"), kLoad);
        QTest::mouseClick(m_window->BtnRfsh, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(requestsFor(page), 2, kLoad);
        QTRY_COMPARE_WITH_TIMEOUT(pageTitle(), QStringLiteral("n:granted"), kLoad);
    } else if (what == QLatin1String("fullscreen")) {
        QVERIFY(ClickLink(view, QPoint(40, 40))); // the big link
        QTRY_VERIFY_WITH_TIMEOUT(view->IsFullScreen(), kLoad);
        QTRY_COMPARE_WITH_TIMEOUT(pageTitle(), QStringLiteral("fs:on"), kLoad);
        QVERIFY(view->FullScreenWindow()->isFullScreen());
        QTRY_VERIFY(view->FullScreenWindow()->isActiveWindow() && QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_COMPARE_WITH_TIMEOUT(pageTitle(), QStringLiteral("fs:off"), kLoad);
        QVERIFY(!view->IsFullScreen());
        QCOMPARE(view->EngineView()->window(), m_window.data());
    } else if (what == QLatin1String("stop-download")) {
        const auto cancel = [this] {
            return m_window->Downloads()->findChild<QPushButton *>(QStringLiteral("btnCancel"));
        };
        QTRY_VERIFY_WITH_TIMEOUT(cancel() && cancel()->isVisible(), kLoad);
        QTest::mouseClick(cancel(), Qt::LeftButton);
    }
}

// The user's download folder is a folder of the test's own.
std::optional<int> ownDownloadFolder(int, char *[])
{
    static QTemporaryDir home;
    g_home = &home;
    QDir().mkpath(home.filePath(QStringLiteral("config")));
    QFile dirs(home.filePath(QStringLiteral("config/user-dirs.dirs")));
    if (!dirs.open(QIODevice::WriteOnly))
        return 1;
    dirs.write("XDG_DOWNLOAD_DIR=\"" + home.filePath(QStringLiteral("Downloads")).toUtf8() + "\"\n");
    dirs.close();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    return std::nullopt;
}

VANZU_TEST_MAIN_WITH(tst_HostilePages, ownDownloadFolder)
#include "tst_HostilePages.moc"
