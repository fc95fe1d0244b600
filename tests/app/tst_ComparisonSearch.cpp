#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "TCheckTree.h"
#include "TShopCatalogue.h"
#include "TShopSets.h"
#include "TUserCatalogue.h"
#include "U_Pub.h"
#include "U_SelShop.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QInputDialog>
#include <QMenu>
#include <QScopeGuard>
#include <QStandardPaths>

// The comparison search end to end: every shop host is sent to the loopback server, which
// answers each request with a page titled after the host and records the raw request line.
namespace {
const QString kShopPrompt = QStringLiteral("请选择你要购物的网店");
const QString kNoKeyword = QStringLiteral("请输入商品关键信息");
const QString kBadAddress = QStringLiteral("无效链接地址");

QByteArray hostOf(const QString &address)
{
    return QUrl(address, QUrl::TolerantMode).host().toLatin1();
}
} // namespace

class tst_ComparisonSearch : public QObject, MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup() { closeMainWindow(); }

    void mainJobEndToEnd();
    void rawKeywordShop();
    void unknownPlaceholderStays();
    void checksAndMessages_data();
    void checksAndMessages();
    void enterInKeywordBox_data();
    void enterInKeywordBox();
    void historyIgnoresCase();
    void historyFileRewrittenOnRepeat();
    void historyKeepsOneLinePerKeyword();
    void historyWriteFailuresAreSilent_data();
    void historyWriteFailuresAreSilent();
    void historyEmptyAfterRestart();
    void allShopsInCatalogueOrder();
    void popularShopButtons();
    void guideButtonOpensInfoPage();
    void guideButtonHoverColours();
    void userShopsAndSets();
    void unseenTabsHoldPictures();

private:
    QStringList openedHosts() const;
    QByteArray historyBytes() const;
    void waitForAllTabs(int count);

};

void tst_ComparisonSearch::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true); // the user's shop files go to a scratch folder
    QVERIFY(serveEveryHost(hostTitledPage)); // every shop's host goes to the loopback server
}

void tst_ComparisonSearch::init()
{
    // Every test starts from the built-in catalogue, even after a run that was cut short.
    QFile::remove(UserCatalogueFilePath());
    QFile::remove(ShopSetsFilePath());
    m_server.clearRequests();
    QFile::remove(m_dir.filePath(QStringLiteral("kd.db")));
    QVERIFY(openMainWindow());
}

QStringList tst_ComparisonSearch::openedHosts() const
{
    QStringList hosts;
    for (int i = 0; i < m_window->PageControl1->PageCount(); ++i) {
        auto *tab = qobject_cast<TTabSheetEx *>(m_window->PageControl1->PageAt(i));
        hosts.append(QUrl(tab->Browser->LocationURL()).host());
    }
    return hosts;
}

QByteArray tst_ComparisonSearch::historyBytes() const
{
    QFile file(m_window->HistoryFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

void tst_ComparisonSearch::waitForAllTabs(int count)
{
    QTRY_COMPARE_WITH_TIMEOUT(m_window->PageControl1->PageCount(), count, kLoad);
    for (int i = 0; i < count; ++i) {
        auto *tab = qobject_cast<TTabSheetEx *>(m_window->PageControl1->PageAt(i));
        QTRY_VERIFY_WITH_TIMEOUT(tab->Caption() != QStringLiteral("加载中..."), kLoad);
    }
}

void tst_ComparisonSearch::mainJobEndToEnd()
{
    // The user ticks 当当网 and 京东商城 in the real dialog with the mouse and confirms.
    ModalDriver chooser([](QWidget *w) { return qobject_cast<TFrm_SelShop *>(w) != nullptr; },
                        [](QWidget *w) {
                            auto *dialog = static_cast<TFrm_SelShop *>(w);
                            for (const QString &name : {QStringLiteral("当当网"), QStringLiteral("京东商城")}) {
                                QTreeWidgetItem *node = dialog->cTree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0);
                                QVERIFY(node);
                                dialog->cTree->scrollToItem(node);
                                QTest::mouseClick(dialog->cTree->viewport(), Qt::LeftButton, {},
                                                  dialog->cTree->CheckBoxArea(node).center());
                            }
                            QTest::mouseClick(dialog->BtnOK, Qt::LeftButton);
                        });
    QTest::mouseClick(m_window->BtnWD, Qt::LeftButton);
    QCOMPARE(chooser.acted, 1);
    QCOMPARE(m_window->EdtWD->text(), QStringLiteral("当当网;京东商城"));
    QCOMPARE(m_window->EdtWD->toolTip(), QStringLiteral("当当网;京东商城"));

    ModalLog messages;
    m_window->cbKeyWord->setEditText(QStringLiteral("手机"));
    QTest::mouseClick(m_window->btnGo, Qt::LeftButton);
    waitForAllTabs(2);
    QCOMPARE(messages.texts, QStringList());

    // Two addresses, in selection order: the first in the start tab, the second in a new one.
    const QString catalogue = LoadShopCatalogueText();
    const QByteArray dangdang = hostOf(ShopSearchTemplate(catalogue, QStringLiteral("当当网")));
    const QByteArray jingdong = hostOf(ShopSearchTemplate(catalogue, QStringLiteral("京东商城")));
    QCOMPARE(openedHosts(), QStringList({QString::fromLatin1(dangdang), QString::fromLatin1(jingdong)}));
    QCOMPARE(m_window->PageControl1->TabIndex(), 1);
    const QList<QByteArray> hosts = m_server.requestHosts();
    const QList<QByteArray> targets = m_server.requestTargets();
    QVERIFY(hosts.indexOf(dangdang) >= 0 && hosts.indexOf(jingdong) > hosts.indexOf(dangdang));
    QVERIFY2(targets.at(hosts.indexOf(dangdang)).contains("%CA%D6%BB%FA"), targets.at(hosts.indexOf(dangdang)));
    QVERIFY2(targets.at(hosts.indexOf(jingdong)).contains("%CA%D6%BB%FA"), targets.at(hosts.indexOf(jingdong)));

    // Captions come from the pages' titles.
    auto *first = qobject_cast<TTabSheetEx *>(m_window->PageControl1->PageAt(0));
    QTRY_COMPARE_WITH_TIMEOUT(first->Caption(), QString::fromLatin1(dangdang).left(20) + (dangdang.size() >= 20 ? "..." : ""), kLoad);

    QCOMPARE(m_window->cbKeyWord->count(), 1);
    QCOMPARE(m_window->cbKeyWord->itemText(0), QStringLiteral("手机"));
    QCOMPARE(historyBytes(), QByteArray("\xCA\xD6\xBB\xFA\r\n"));
}

void tst_ComparisonSearch::rawKeywordShop()
{
    // 丽家宝贝 takes the keyword as it is; it goes on the wire as its GBK bytes.
    m_window->EdtWD->setText(QStringLiteral("丽家宝贝"));
    m_window->cbKeyWord->setEditText(QStringLiteral("手机"));
    m_window->btnGoClick();
    waitForAllTabs(1);
    const QByteArray host = hostOf(ShopSearchTemplate(LoadShopCatalogueText(), QStringLiteral("丽家宝贝")));
    const int i = int(m_server.requestHosts().indexOf(host));
    QVERIFY(i >= 0);
    QVERIFY2(m_server.requestTargets().at(i).contains("%CA%D6%BB%FA"), m_server.requestTargets().at(i));
}

void tst_ComparisonSearch::unknownPlaceholderStays()
{
    ModalLog messages;
    m_window->EdtWD->setText(QStringLiteral("游易网"));
    m_window->btnGoClick();
    waitForAllTabs(1);
    QCOMPARE(messages.texts, QStringList());
    const QByteArray host = hostOf(ShopSearchTemplate(LoadShopCatalogueText(), QStringLiteral("游易网")));
    const int i = int(m_server.requestHosts().indexOf(host));
    QVERIFY(i >= 0);
    const QString target = QUrl::fromPercentEncoding(m_server.requestTargets().at(i));
    QVERIFY2(target.contains(QLatin1String("{?ke}")), qPrintable(target));
}

void tst_ComparisonSearch::checksAndMessages_data()
{
    QTest::addColumn<QString>("shops");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("tabs");
    const QString box = QStringLiteral("提示:");
    QTest::newRow("prompt still in the shop box") << kShopPrompt << "手机" << QStringList{box + kShopPrompt} << 1;
    QTest::newRow("prompt with blanks") << "  " + kShopPrompt + " " << "手机" << QStringList{box + kShopPrompt} << 1;
    QTest::newRow("empty shop box") << "" << "手机" << QStringList{box + kShopPrompt} << 1;
    QTest::newRow("shops checked before keyword") << "" << "" << QStringList{box + kShopPrompt} << 1;
    QTest::newRow("keyword of blanks") << "当当网" << "   " << QStringList{box + kNoKeyword} << 1;
    QTest::newRow("keyword of control characters") << "当当网" << "\t" << QStringList{box + kNoKeyword} << 1;
    QTest::newRow("full-width blank is a keyword") << "当当网" << QString::fromUtf8("\u3000") << QStringList() << 1;
    QTest::newRow("unknown name, the others still open")
        << "当当网;没有这家店;京东商城" << "手机" << QStringList{box + kBadAddress} << 2;
    QTest::newRow("a category name is looked up too") << "购物综合" << "手机" << QStringList{box + kBadAddress} << 1;
    QTest::newRow("name in other case") << "msn商城" << "手机" << QStringList() << 1;
}

void tst_ComparisonSearch::checksAndMessages()
{
    QFETCH(QString, shops);
    QFETCH(QString, keyword);
    QFETCH(QStringList, messages);
    QFETCH(int, tabs);
    ModalLog log;
    m_window->EdtWD->setText(shops);
    m_window->cbKeyWord->setEditText(keyword);
    QTest::mouseClick(m_window->btnGo, Qt::LeftButton);
    QTRY_COMPARE(log.texts, messages);
    QCOMPARE(m_window->PageControl1->PageCount(), tabs);
    const bool accepted = messages.isEmpty() || messages.first().endsWith(kBadAddress);
    QCOMPARE(m_window->cbKeyWord->count(), accepted ? 1 : 0);
    QCOMPARE(QFile::exists(m_window->HistoryFilePath()), accepted);
    if (accepted && tabs == 1 && messages.isEmpty())
        QTRY_VERIFY_WITH_TIMEOUT(m_window->ActiveTab()->Caption() != QStringLiteral("加载中..."), kLoad);
}

void tst_ComparisonSearch::enterInKeywordBox_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
}

void tst_ComparisonSearch::enterInKeywordBox()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    // Keys go where the user's keys go: to the focus widget once the keyword box has the focus.
    auto press = [&] {
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_window->cbKeyWord->setFocus();
        QTRY_VERIFY(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    };
    ModalLog log;
    press();
    QTRY_COMPARE(log.texts, QStringList{QStringLiteral("提示:") + kShopPrompt});
    m_window->EdtWD->setText(QStringLiteral("当当网;京东商城"));
    press();
    waitForAllTabs(2);
    QCOMPARE(log.texts.size(), 1);
    const QString catalogue = LoadShopCatalogueText();
    for (const QString &shop : {QStringLiteral("当当网"), QStringLiteral("京东商城")})
        QVERIFY(m_server.requestHosts().contains(hostOf(ShopSearchTemplate(catalogue, shop))));
    QCOMPARE(historyBytes(), QByteArray("\xCA\xD6\xBB\xFA\r\n"));
}

void tst_ComparisonSearch::historyIgnoresCase()
{
    m_window->EdtWD->setText(QStringLiteral("当当网"));
    m_window->cbKeyWord->setEditText(QStringLiteral("ABC"));
    m_window->btnGoClick();
    m_window->cbKeyWord->setEditText(QStringLiteral("  abc "));
    m_window->btnGoClick();
    m_window->cbKeyWord->setEditText(QStringLiteral("手机"));
    m_window->btnGoClick();
    QCOMPARE(m_window->cbKeyWord->count(), 2);
    QCOMPARE(m_window->cbKeyWord->itemText(0), QStringLiteral("ABC"));
    QCOMPARE(m_window->cbKeyWord->itemText(1), QStringLiteral("手机"));
    QCOMPARE(historyBytes(), QByteArray("ABC\r\n\xCA\xD6\xBB\xFA\r\n"));
}

void tst_ComparisonSearch::historyFileRewrittenOnRepeat()
{
    m_window->EdtWD->setText(QStringLiteral("当当网"));
    m_window->btnGoClick();
    QVERIFY(QFile::remove(m_window->HistoryFilePath()));
    m_window->btnGoClick(); // same keyword: nothing added, the file written again
    QCOMPARE(m_window->cbKeyWord->count(), 1);
    QCOMPARE(historyBytes(), QByteArray("\xCA\xD6\xBB\xFA\r\n"));
}

void tst_ComparisonSearch::historyKeepsOneLinePerKeyword()
{
    // A keyword that holds line breaks still writes one line; a keyword GBK lacks is kept whole.
    m_window->EdtWD->setText(QStringLiteral("当当网"));
    m_window->cbKeyWord->setEditText(QStringLiteral("a\r\nb\nc"));
    m_window->btnGoClick();
    m_window->cbKeyWord->setEditText(QString::fromUtf8("😀"));
    m_window->btnGoClick();
    QCOMPARE(historyBytes(), QByteArray("a  b c\r\n\x94\x39\xFC\x36\r\n"));
    QCOMPARE(FromGbk(historyBytes()), QString::fromUtf8("a  b c\r\n😀\r\n"));
}

void tst_ComparisonSearch::historyWriteFailuresAreSilent_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("directory that does not exist") << "missing/kd.db";
    QTest::newRow("a directory named kd.db") << "dir/kd.db";
    QTest::newRow("a file standing where the directory should be") << "file/kd.db";
}

void tst_ComparisonSearch::historyWriteFailuresAreSilent()
{
    QFETCH(QString, where);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("dir/kd.db")));
    QFile blocker(dir.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_window->SetHistoryFilePath(dir.filePath(where));
    ModalLog log;
    m_window->EdtWD->setText(QStringLiteral("当当网"));
    m_window->btnGoClick();
    waitForAllTabs(1);
    QCOMPARE(log.texts, QStringList());
    QCOMPARE(m_window->cbKeyWord->count(), 1);
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("dir/kd.db"))).isDir());
}

void tst_ComparisonSearch::historyEmptyAfterRestart()
{
    m_window->EdtWD->setText(QStringLiteral("当当网"));
    m_window->btnGoClick();
    QCOMPARE(m_window->cbKeyWord->count(), 1);
    delete m_window;
    m_window = new TFrm_Main;
    m_window->SetHistoryFilePath(m_dir.filePath(QStringLiteral("kd.db")));
    QCOMPARE(m_window->cbKeyWord->count(), 0);
    QCOMPARE(historyBytes(), QByteArray("\xCA\xD6\xBB\xFA\r\n")); // never read, left as it was
}

void tst_ComparisonSearch::allShopsInCatalogueOrder()
{
    ModalDriver chooser([](QWidget *w) { return qobject_cast<TFrm_SelShop *>(w) != nullptr; },
                        [](QWidget *w) {
                            auto *dialog = static_cast<TFrm_SelShop *>(w);
                            QTreeWidgetItem *root = dialog->cTree->topLevelItem(0);
                            QTest::mouseClick(dialog->cTree->viewport(), Qt::LeftButton, {},
                                              dialog->cTree->CheckBoxArea(root).center());
                            QTest::mouseClick(dialog->BtnOK, Qt::LeftButton);
                        });
    QTest::mouseClick(m_window->EdtWD, Qt::LeftButton);
    QCOMPARE(chooser.acted, 1);
    QStringList shops;
    QStringList expectedHosts;
    const QString catalogue = LoadShopCatalogueText();
    for (const TShopEntry &entry : ReadShopCatalogue(catalogue)) {
        if (!entry.IsCategory) {
            shops.append(entry.Name);
            expectedHosts.append(QString::fromLatin1(hostOf(entry.Value)));
        }
    }
    QCOMPARE(shops.size(), 68);
    QCOMPARE(m_window->EdtWD->text(), shops.join(QLatin1Char(';')));

    ModalLog messages;
    QTest::mouseClick(m_window->btnGo, Qt::LeftButton);
    QCOMPARE(m_window->PageControl1->PageCount(), 68);
    QCOMPARE(m_window->PageControl1->TabIndex(), 67);
    QCOMPARE(messages.texts, QStringList());
    QTRY_COMPARE_WITH_TIMEOUT(openedHosts(), expectedHosts, 2 * kLoad);
}

void tst_ComparisonSearch::popularShopButtons()
{
    const QStringList names = {"淘宝网", "当当网", "卓越网", "京东商城", "凡客诚品", "支付宝", "快递查询"};
    for (int i = 0; i < names.size(); ++i) {
        auto *button = m_window->sBToolBar->findChild<QToolButton *>(QStringLiteral("BtnLink%1").arg(i));
        QVERIFY2(button, qPrintable(QString::number(i)));
        QCOMPARE(button->text(), names.at(i));
        QCOMPARE(button->toolTip(), names.at(i));
        QCOMPARE(button->geometry(), QRect(2 + 72 * i, 4, 70, 22));
        QVERIFY(button->autoRaise());
        QVERIFY(button->property("HelpKeyword").toString().startsWith(QLatin1String("http")));
    }
    QVERIFY(!m_window->findChild<QToolButton *>(QStringLiteral("BtnLink7")));
    auto *taobao = m_window->findChild<QToolButton *>(QStringLiteral("BtnLink0"));
    QVERIFY(taobao->property("HelpKeyword").toString().endsWith(QLatin1Char('=')));
    // A click opens the target, here in the start tab.
    QTest::mouseClick(m_window->findChild<QToolButton *>(QStringLiteral("BtnLink6")), Qt::LeftButton);
    QCOMPARE(m_window->PageControl1->PageCount(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(openedHosts().value(0), QUrl(m_window->findChild<QToolButton *>(QStringLiteral("BtnLink6"))->property("HelpKeyword").toString()).host(), kLoad);
}

void tst_ComparisonSearch::guideButtonOpensInfoPage()
{
    auto *hot3 = m_window->findChild<QToolButton *>(QStringLiteral("BtnHot3"));
    QVERIFY(hot3);
    QCOMPARE(hot3->text(), QStringLiteral("打折促销"));
    QCOMPARE(hot3->geometry(), QRect(24, 104, 129, 33));
    QTest::mouseClick(hot3, Qt::LeftButton);
    QCOMPARE(m_window->PageControl1->PageCount(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requestTargets().contains("/vzs/dazhe.htm"), kLoad);
    waitForAllTabs(1);
    QTest::mouseClick(hot3, Qt::LeftButton);
    QCOMPARE(m_window->PageControl1->PageCount(), 2);
    QCOMPARE(m_window->PageControl1->TabIndex(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(int(m_server.requestTargets().count("/vzs/dazhe.htm")), 2, kLoad);
    // The six guide buttons, one host, the stated paths.
    const QStringList paths = {"", "/vzs/tuan.htm", "/vzs/dazhe.htm", "/vzs/mall.htm", "/vzs/tbdao.htm", "/vzs/tbhg.htm"};
    const QString home = m_window->findChild<QToolButton *>(QStringLiteral("BtnHot1"))->property("HelpKeyword").toString();
    QVERIFY(home.startsWith(QLatin1String("http://")));
    for (int i = 0; i < 6; ++i) {
        auto *button = m_window->findChild<QToolButton *>(QStringLiteral("BtnHot%1").arg(i + 1));
        QCOMPARE(button->geometry(), QRect(24, 24 + 40 * i, 129, 33));
        QCOMPARE(button->property("HelpKeyword").toString(), home + paths.at(i));
        QVERIFY(button->font().bold());
    }
}

void tst_ComparisonSearch::guideButtonHoverColours()
{
    auto *hot2 = m_window->findChild<QToolButton *>(QStringLiteral("BtnHot2"));
    auto *link = m_window->findChild<QToolButton *>(QStringLiteral("BtnLink1"));
    const QColor navy(0, 0, 128), red(255, 0, 0);
    QCOMPARE(hot2->palette().color(QPalette::ButtonText), navy);
    QTest::mouseMove(hot2);
    QTRY_COMPARE(hot2->palette().color(QPalette::ButtonText), red);
    QTRY_COMPARE(m_window->sBarStus->text(), QStringLiteral("火热团购"));
    const QColor linkColour = link->palette().color(QPalette::ButtonText);
    QTest::mouseMove(link);
    QTRY_COMPARE(hot2->palette().color(QPalette::ButtonText), navy);
    QCOMPARE(link->palette().color(QPalette::ButtonText), linkColour);
}

void tst_ComparisonSearch::userShopsAndSets()
{
    auto writeUserFile = [](const QByteArray &bytes) {
        QVERIFY(QDir().mkpath(QFileInfo(UserCatalogueFilePath()).absolutePath()));
        QFile file(UserCatalogueFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    writeUserFile("我的分类\t$\r\n我的店\thttp://myshop.example/s?kw={?kg}&p=1\r\n");
    ModalLog log;
    m_window->EdtWD->setText(QStringLiteral("我的店;京东商城"));
    QTest::mouseClick(m_window->btnGo, Qt::LeftButton);
    waitForAllTabs(2);
    const int i = int(m_server.requestHosts().indexOf("myshop.example"));
    QVERIFY(i >= 0);
    QCOMPARE(m_server.requestTargets().at(i), QByteArray("/s?kw=%CA%D6%BB%FA&p=1"));

    // The shop box saved as a set under a name, from the file menu.
    QFile::remove(ShopSetsFilePath());
    ModalDriver namer([](QWidget *w) { return qobject_cast<QInputDialog *>(w) != nullptr; },
                      [](QWidget *w) {
                          auto *name = w->findChild<QLineEdit *>();
                          QTest::keyClicks(name, QStringLiteral("weekend"));
                          QTest::keyClick(name, Qt::Key_Return);
                      });
    m_window->pmSaveShopSet->trigger();
    QCOMPARE(namer.acted, 1);
    QCOMPARE(ReadShopSets().value(0).Shops, QStringList({"我的店", "京东商城"}));

    // Recalled after the user's shop is gone: that name is dropped, with a notice.
    writeUserFile("");
    m_window->EdtWD->setText(QStringLiteral("当当网"));
    emit m_window->pmShopSets->aboutToShow();
    const QList<QAction *> sets = m_window->pmShopSets->actions();
    QCOMPARE(sets.size(), 1);
    QCOMPARE(sets.first()->text(), QStringLiteral("weekend"));
    sets.first()->trigger();
    QCOMPARE(m_window->EdtWD->text(), QStringLiteral("京东商城"));
    QTRY_COMPARE(log.texts, QStringList{QStringLiteral("提示:以下网店已不存在，已从组合“weekend”中去掉：我的店")});
    QFile::remove(ShopSetsFilePath());
    QFile::remove(UserCatalogueFilePath());
}

void tst_ComparisonSearch::unseenTabsHoldPictures()
{
    // Each shop's page shows a picture of its own.
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QImage(8, 8, QImage::Format_RGB32).save(&png, "PNG");
    m_server.setFallback([picture = png.data()](const QByteArray &target, const QByteArray &host) {
        TestHttpServer::Reply reply;
        if (target.startsWith("/pic/")) {
            reply.contentType = "image/png";
            reply.body = picture;
        } else {
            reply.body = testPage(QString::fromLatin1(host), QStringLiteral("<img src=\"/pic/%1.png\">").arg(QString::fromLatin1(host)));
        }
        return reply;
    });
    const auto restore = qScopeGuard([this] { m_server.setFallback(hostTitledPage); });
    const QString catalogue = LoadShopCatalogueText();
    const QByteArray first = hostOf(ShopSearchTemplate(catalogue, QStringLiteral("当当网")));
    const QByteArray last = hostOf(ShopSearchTemplate(catalogue, QStringLiteral("京东商城")));
    const auto pageRequests = [this](const QByteArray &host) {
        int count = 0;
        for (int i = 0; i < m_server.requestHosts().size(); ++i)
            count += m_server.requestHosts().at(i).startsWith(host) && !m_server.requestTargets().value(i).startsWith("/pic/")
                && m_server.requestTargets().value(i) != "/favicon.ico";
        return count;
    };

    m_window->EdtWD->setText(QStringLiteral("当当网;京东商城"));
    m_window->cbKeyWord->setEditText(QStringLiteral("手机"));
    QTest::mouseClick(m_window->btnGo, Qt::LeftButton);
    waitForAllTabs(2);
    // The tab on screen shows its picture; the one behind it loaded its page without.
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor("/pic/" + last + ".png"), 1, kLoad);
    QTRY_VERIFY_WITH_TIMEOUT(!tab(0)->Browser->Busy(), kLoad);
    QCOMPARE(requestsFor("/pic/" + first + ".png"), 0);

    // Turned to, it loads the picture it held back, and not its page again.
    QTest::mouseClick(m_window->PageControl1, Qt::LeftButton, {}, m_window->PageControl1->TabRect(0).center());
    QTRY_COMPARE(active(), tab(0));
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor("/pic/" + first + ".png"), 1, kLoad);
    QCOMPARE(pageRequests(first), 1);
}

VANZU_TEST_MAIN(tst_ComparisonSearch)
#include "tst_ComparisonSearch.moc"
