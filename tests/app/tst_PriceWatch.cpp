#include "ModalDriver.h"
#include "TDesktopNotifier.h"
#include "THistoryKeeper.h"
#include "TPageControl.h"
#include "TPriceComparison.h"
#include "TPriceHistory.h"
#include "TPriceTablePane.h"
#include "TProductTreeModel.h"
#include "TShopCatalogue.h"
#include "TTabSheetEx.h"
#include "TWatchChecker.h"
#include "TWatchDialog.h"
#include "TestHttpServer.h"
#include "TestMain.h"
#include "U_Main.h"

#include <QComboBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <csignal>
#include <cstdio>

// Watching a product, end to end: two local shops sell one phone; the user compares, watches it,
// a shop lowers its price, the check of watched products reads the shops again and the desktop's
// notification service (a small one of the test's own, on a private session bus) gets one notice
// whose action opens the offer.
namespace {

pid_t g_busPid = 0;

// A session bus of the test's own, in place before anything of Qt asks for the session bus.
std::optional<int> startPrivateBus(int, char *[])
{
    FILE *out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
    char address[512] = {};
    char pid[32] = {};
    if (out && std::fgets(address, sizeof address, out) && std::fgets(pid, sizeof pid, out)) {
        qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray(address).trimmed());
        g_busPid = pid_t(QByteArray(pid).trimmed().toInt());
    } else {
        qunsetenv("DBUS_SESSION_BUS_ADDRESS"); // the test is skipped: never the user's own bus
    }
    if (out)
        pclose(out);
    return std::nullopt;
}

// The notification service as the desktop has it, reduced to what the program asks of it.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown
    {
        QString Summary, Body;
        QStringList Actions;
    };
    QList<Shown> shown;

public slots:
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
        const QStringList &actions, const QVariantMap &, int)
    {
        shown.append({summary, body, actions});
        return uint(shown.size());
    }
    void CloseNotification(uint) {}
};

QByteArray hostOf(const QString &shop)
{
    return QUrl(ShopSearchTemplate(LoadShopCatalogueText(), shop), QUrl::TolerantMode).host().toLatin1();
}

// A shop's results: the phone at `price`, and a case for it.
QByteArray page(const char *name, const QByteArray &price)
{
    return "<html><head><meta charset=\"utf-8\"><title>t</title></head><body><table><tr><td><a href=\"/t/1\">"
        + QByteArray(name) + "</a></td><td>¥" + price
        + "</td></tr><tr><td><a href=\"/t/2\">星弧 S12 Pro 手机壳 透明</a></td><td>¥29.90</td></tr></table></body></html>";
}
} // namespace

class tst_PriceWatch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void watchedProductGetsCheaper();

private:
    TestHttpServer m_server;
    FakeNotifications m_notifications;
    QHash<QByteArray, QByteArray> m_pages;
};

void tst_PriceWatch::initTestCase()
{
    if (!g_busPid)
        QSKIP("dbus-daemon could not start a private session bus");
    QDBusConnection service = QDBusConnection::connectToBus(qgetenv("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("notifications"));
    QVERIFY(service.isConnected());
    QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &m_notifications,
        QDBusConnection::ExportAllSlots));
    QVERIFY(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
    QVERIFY(m_server.listen());
    routeAllHostsTo(m_server.port());
    m_server.setFallback([this](const QByteArray &target, const QByteArray &host) {
        TestHttpServer::Reply reply;
        reply.body = m_pages.value(host);
        return reply.body.isEmpty() ? hostTitledPage(target, host) : reply;
    });
}

void tst_PriceWatch::cleanupTestCase()
{
    if (g_busPid)
        ::kill(g_busPid, SIGTERM);
}

void tst_PriceWatch::watchedProductGetsCheaper()
{
    const QByteArray cheap = hostOf(QStringLiteral("京东商城"));
    m_pages.insert(cheap, page("星弧 S12 Pro 8GB+256GB 曜石黑", "2,999"));
    m_pages.insert(hostOf(QStringLiteral("当当网")), page("星弧 S12 Pro 8+256G 5G手机", "3,099"));

    QTemporaryDir dir;
    TFrm_Main window;
    window.SetHistoryFilePath(dir.filePath(QStringLiteral("kd.db")));
    THistoryKeeper *keeper = window.HistoryKeeper();
    keeper->SetUnattended(true);
    keeper->Open(dir.filePath(QStringLiteral("history.sqlite")), false);
    window.resize(1100, 800);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY_WITH_TIMEOUT(!window.ActiveTab()->Browser->Busy(), 60000);

    // The user's comparison, typed: it is kept in the history once both shops are read.
    QSignalSpy recorded(keeper->History(), &TPriceHistory::recorded);
    window.EdtWD->setText(QStringLiteral("京东商城;当当网"));
    window.cbKeyWord->setFocus();
    window.cbKeyWord->lineEdit()->clear();
    QTest::keyClicks(window.cbKeyWord->lineEdit(), QStringLiteral("S12 Pro"));
    QTest::keyClick(window.cbKeyWord->lineEdit(), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(window.PriceComparison()->AllDone(), 60000);
    QTRY_COMPARE_WITH_TIMEOUT(recorded.size(), 1, 10000);

    // 关注 the product at today's lowest price, the dialog's proposal.
    const QAbstractItemModel *tree = window.pPrices->ProductView()->model();
    const QModelIndex product = tree->index(0, 0);
    const QString key = product.data(TProductTreeModel::HistoryKeyRole).toString();
    QCOMPARE(key, QStringLiteral("星弧|s12 pro|8+256"));
    ModalDriver accept([](QWidget *modal) { return qobject_cast<TWatchDialog *>(modal); },
        [](QWidget *modal) { static_cast<QDialog *>(modal)->accept(); });
    keeper->Watch(key, product.data(TProductTreeModel::NameRole).toString(),
        product.data(TProductTreeModel::LowestFenRole).toLongLong());
    QCOMPARE(accept.acted, 1);
    QVERIFY(keeper->History()->IsWatched(key));
    QVERIFY(product.siblingAtColumn(TProductTreeModel::ColHistory).data().toString().startsWith(QStringLiteral("已关注")));

    // The cheaper shop lowers its price; the check reads both shops behind the user's tab.
    m_pages.insert(cheap, page("星弧 S12 Pro 8GB+256GB 曜石黑", "2,699"));
    TTabSheetEx *userTab = window.ActiveTab();
    const int tabs = window.PageControl1->PageCount();
    QSignalSpy finished(keeper->Checker(), &TWatchChecker::finished);
    QVERIFY(keeper->Checker()->CheckNow(true));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QCOMPARE(window.ActiveTab(), userTab);
    QCOMPARE(window.PageControl1->PageCount(), tabs); // the check's tabs are closed again
    QTRY_COMPARE_WITH_TIMEOUT(m_notifications.shown.size(), 1, 10000);
    QCOMPARE(m_notifications.shown.at(0).Summary, QStringLiteral("降价提醒"));
    QCOMPARE(m_notifications.shown.at(0).Body, QStringLiteral("星弧 S12 Pro 8+256：¥2,999 → ¥2,699（京东商城）"));

    // Still below the target at the next check: no second notice.
    QVERIFY(keeper->Checker()->CheckNow(true));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 60000);
    QTest::qWait(200);
    QCOMPARE(m_notifications.shown.size(), 1);

    // The notice's action opens the offer in a tab.
    QDBusMessage invoked = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
    invoked << uint(1) << QStringLiteral("default");
    QVERIFY(QDBusConnection(QStringLiteral("notifications")).send(invoked));
    QTRY_COMPARE_WITH_TIMEOUT(window.ActiveTab()->Browser->LocationURL(), QString::fromLatin1("http://" + cheap + "/t/1"), 60000);
    QVERIFY(keeper->History()->IsKept()); // every write went into the file
}

VANZU_TEST_MAIN_WITH(tst_PriceWatch, startPrivateBus)
#include "tst_PriceWatch.moc"
