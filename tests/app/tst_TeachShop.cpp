#include "PageInput.h"
#include "TOfferTableModel.h"
#include "TPickMode.h"
#include "TPickPanel.h"
#include "TPriceComparison.h"
#include "TPriceTablePane.h"
#include "TShopCatalogue.h"
#include "TShopRules.h"
#include "TShopTeacher.h"
#include "TestHttpServer.h"
#include "TestMain.h"
#include "U_Main.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineScript>
#include <QtTest>

// Teaching the program a shop the way the user does it: a shop whose results page no rule and
// no recognition reads (prices as bare numbers, products scattered over several containers, a
// page that acts on every click and breaks its own DOM methods), its page's context menu,
// "教我读这个网店…", a click on a product's name and one on its price, 确定; then the price
// table reads the page with the rule kept in the user's shoprules.json, until
// "恢复默认读取" removes it.
namespace {
const int kWait = 60000;
const QString kShop = QStringLiteral("红孩子");

// The result of a script in the program's script world (the page's own methods are broken).
QVariant evaluate(QWebEnginePage *page, const QString &script)
{
    QVariant result;
    bool answered = false;
    page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant &value) {
        result = value;
        answered = true;
    });
    if (!QTest::qWaitFor([&] { return answered; }, kWait))
        return QVariant();
    return result;
}

// The middle of the first element `selector` finds, in the view's coordinates.
QPoint centreOf(QWebEnginePage *page, const QString &selector)
{
    const QVariantList box = evaluate(page,
        QStringLiteral("(function () { var r = document.querySelector('%1').getBoundingClientRect();"
                       " return [r.left + r.width / 2, r.top + r.height / 2]; })()")
            .arg(selector))
                                 .toList();
    return box.size() == 2 ? QPoint(box.at(0).toInt(), box.at(1).toInt()) : QPoint();
}

QStringList tableRows(TPriceTablePane *pane)
{
    QStringList rows;
    const QAbstractItemModel *model = pane->View()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        rows.append(model->index(row, TOfferTableModel::ColName).data().toString() + QLatin1Char(' ')
            + model->index(row, TOfferTableModel::ColPrice).data().toString());
    }
    return rows;
}

QStringList panelRows(TPickPanel *panel)
{
    QStringList rows;
    for (int i = 0; i < panel->OfferList()->topLevelItemCount(); ++i)
        rows.append(panel->OfferList()->topLevelItem(i)->text(0) + QLatin1Char(' ')
            + panel->OfferList()->topLevelItem(i)->text(1));
    return rows;
}

QJsonArray userRules()
{
    QFile file(TShopRules::UserFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return QJsonArray();
    return QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("shops")).toArray();
}

// Clicks the action of the menu that pops up next whose text is `text`.
void clickInNextMenu(const QString &text)
{
    QTimer::singleShot(0, [text] {
        QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        auto *menu = static_cast<QMenu *>(QApplication::activePopupWidget());
        for (QAction *action : menu->actions()) {
            if (action->text() == text) {
                QVERIFY(action->isEnabled());
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                return;
            }
        }
        menu->close();
        QFAIL(qPrintable(QStringLiteral("no menu item ") + text));
    });
}
} // namespace

class tst_TeachShop : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void teachAndRestore();

private:
    TestHttpServer m_server;
};

void tst_TeachShop::initTestCase()
{
    QVERIFY(m_server.listen());
    routeAllHostsTo(m_server.port()); // before the engine starts
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(TShopRules::UserFilePath());
}

void tst_TeachShop::teachAndRestore()
{
    const QByteArray host
        = QUrl(ShopSearchTemplate(LoadShopCatalogueText(), kShop), QUrl::TolerantMode).host().toLatin1();
    const QByteArray page = TestPage(QStringLiteral("teach/results.html"));
    QVERIFY(!page.isEmpty());
    m_server.setFallback([=](const QByteArray &target, const QByteArray &requestHost) {
        if (requestHost != host || target.startsWith("/item") || target.startsWith("/img"))
            return hostTitledPage(target, requestHost);
        TestHttpServer::Reply reply;
        reply.body = page;
        return reply;
    });

    QTemporaryDir dir;
    TFrm_Main window;
    window.SetHistoryFilePath(dir.filePath(QStringLiteral("kd.db")));
    window.resize(1100, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY_WITH_TIMEOUT(!window.ActiveTab()->Browser->Busy(), kWait);

    // Today's reading finds nothing on the page.
    window.EdtWD->setText(kShop);
    window.cbKeyWord->setEditText(QStringLiteral("空调"));
    QTest::mouseClick(window.btnGo, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(window.PriceComparison()->AllDone(), kWait);
    TPriceTablePane *pane = window.pPrices;
    QCOMPARE(pane->ShopState(kShop), QStringLiteral("未找到商品"));
    QCOMPARE(pane->OfferCount(), 0);

    // The results page's context menu offers the teaching.
    TBrowserView *view = window.ActiveTab()->Browser;
    QWebEnginePage *webPage = view->EngineView()->page();
    const QUrl address = webPage->url();
    const QPoint name = centreOf(webPage, QStringLiteral(".prod .nm"));
    const QPoint price = centreOf(webPage, QStringLiteral(".prod .amt"));
    QVERIFY(!name.isNull() && !price.isNull());
    QVERIFY(PointAtLink(view, name));
    clickInNextMenu(QStringLiteral("教我读这个网店…"));
    QTest::mouseClick(view->EngineView()->focusProxy(), Qt::RightButton, {}, name);
    TShopTeacher *teacher = window.ShopTeacher();
    QTRY_VERIFY_WITH_TIMEOUT(teacher->Panel() != nullptr, kWait);
    TPickPanel *panel = teacher->Panel();
    QVERIFY(panel->isVisible());
    QCOMPARE(teacher->Shop(), kShop);
    QVERIFY(panel->StepLabel()->text().startsWith(QStringLiteral("第一步")));
    QVERIFY(!panel->ConfirmButton()->isEnabled());

    // The name, then the price; the page hears of neither click.
    QWidget *input = view->EngineView()->focusProxy();
    QTest::mouseClick(input, Qt::LeftButton, {}, name);
    QTRY_VERIFY_WITH_TIMEOUT(panel->StepLabel()->text().startsWith(QStringLiteral("第二步")), kWait);
    QTest::mouseClick(input, Qt::LeftButton, {}, price);
    QTRY_COMPARE_WITH_TIMEOUT(panel->Count(), 5, kWait);
    QCOMPARE(panel->CountLabel()->text(), QStringLiteral("读到 5 件商品："));
    QCOMPARE(panelRows(panel),
        QStringList(
            {QStringLiteral("格力 空调 云佳 1.5匹 ¥2899"), QStringLiteral("美的 空调 酷省电 1匹 ¥2399"),
                QStringLiteral("海尔 空调 静悦 2匹 ¥4599"), QStringLiteral("小米 米家空调 巨省电 ¥1999"),
                QStringLiteral("奥克斯 空调 变频 <b>挂机</b> ¥1699.5")}));
    QCOMPARE(webPage->url(), address);
    QCOMPARE(webPage->title(), QStringLiteral("空调 - 搜索结果"));
    QVERIFY(!m_server.requestTargets().contains("/clicked"));
    QVERIFY(evaluate(webPage, QStringLiteral("document.querySelectorAll('.prod').length")).toInt() == 5);

    // 确定 keeps the rule for the page's host and the table reads every product with it.
    QVERIFY(panel->ConfirmButton()->isEnabled());
    QTest::mouseClick(panel->ConfirmButton(), Qt::LeftButton);
    QTRY_VERIFY(teacher->Panel() == nullptr);
    const QJsonArray rules = userRules();
    QCOMPARE(rules.size(), 1);
    const QJsonObject rule = rules.first().toObject();
    QCOMPARE(rule.value("host").toString(), QString::fromLatin1(host));
    QCOMPARE(rule.value("item").toString(), QStringLiteral("div.prod"));
    QCOMPARE(rule.value("name").toString(), QStringLiteral("a.title"));
    QCOMPARE(rule.value("price").toString(), QStringLiteral("p.cost"));
    QCOMPARE(rule.value("link").toString(), QStringLiteral("a.title"));
    QCOMPARE(rule.value("image").toString(), QStringLiteral("img"));
    QTRY_COMPARE_WITH_TIMEOUT(pane->OfferCount(), 5, kWait);
    QCOMPARE(pane->ShopState(kShop), QStringLiteral("5 件"));
    QCOMPARE(tableRows(pane),
        QStringList({QStringLiteral("奥克斯 空调 变频 <b>挂机</b> ¥1699.5"),
            QStringLiteral("小米 米家空调 巨省电 ¥1999"), QStringLiteral("美的 空调 酷省电 1匹 ¥2399"),
            QStringLiteral("格力 空调 云佳 1.5匹 ¥2899"), QStringLiteral("海尔 空调 静悦 2匹 ¥4599")}));
    const TOffer last = pane->Offers().last(); // in the page's order
    QCOMPARE(last.Address.toString(), QStringLiteral("http://%1/item/105").arg(host));
    QCOMPARE(last.Picture.toString(), QStringLiteral("http://%1/img/105.png").arg(host));
    // The outlines are gone with the pick.
    QCOMPARE(evaluate(webPage, QStringLiteral("document.querySelectorAll('[style]').length")).toInt(), 0);

    // The table's shops' menu starts a pick too; Esc ends it and its outlines.
    QVERIFY(pane->isVisible());
    clickInNextMenu(kShop + QStringLiteral("：教我读这个网店…"));
    QTest::mouseClick(pane->ShopMenuButton(), Qt::LeftButton);
    QTRY_VERIFY(teacher->Panel() != nullptr);
    QTest::mouseClick(input, Qt::LeftButton, {}, name);
    QTRY_VERIFY_WITH_TIMEOUT(
        teacher->Panel()->StepLabel()->text().startsWith(QStringLiteral("第二步")), kWait);
    QTest::keyClick(input, Qt::Key_Escape);
    QTRY_VERIFY(teacher->Panel() == nullptr);
    QVERIFY(!teacher->PickMode()->Active());
    QCOMPARE(evaluate(webPage, QStringLiteral("document.querySelectorAll('[style]').length")).toInt(), 0);

    // "恢复默认读取" from the table's shops' menu: the rule goes, the page reads as before.
    clickInNextMenu(kShop + QStringLiteral("：恢复默认读取"));
    QTest::mouseClick(pane->ShopMenuButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(pane->ShopState(kShop), QStringLiteral("未找到商品"), kWait);
    QCOMPARE(pane->OfferCount(), 0);
    QCOMPARE(userRules().size(), 0);
    QVERIFY(!TShopRules::HasUserRule(QString::fromLatin1(host)));

    // Once the tab has gone on to another page, its pages have no context menu again.
    QVERIFY(view->Navigate(QStringLiteral("http://%1/item/101").arg(host), kWait));
    QTRY_VERIFY_WITH_TIMEOUT(!view->Busy(), kWait);
    QVERIFY(window.ShopTeacher()->Panel() == nullptr);
    const QPoint elsewhere(300, 300);
    QVERIFY(QTest::qWaitFor(
        [&] {
            QTest::mouseClick(view->EngineView()->focusProxy(), Qt::RightButton, {}, elsewhere);
            return QTest::qWaitFor(
                [&] { return view->EngineView()->lastContextMenuRequest()->position() == elsewhere; }, 500);
        },
        kWait));
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
}

VANZU_TEST_MAIN(tst_TeachShop)
#include "tst_TeachShop.moc"
