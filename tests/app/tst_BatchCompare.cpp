#include "TBatchCompare.h"
#include "TShopCatalogue.h"
#include "TestHttpServer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

// The batch comparison of the command line: the real program, its shops' hosts answered by the
// loopback server, its standard output, exit status and the file it writes.
namespace {
QByteArray hostOf(const QString &shop)
{
    return QUrl(ShopSearchTemplate(LoadShopCatalogueText(), shop), QUrl::TolerantMode).host().toLatin1();
}
} // namespace

class tst_BatchCompare : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void resolveShops_data();
    void resolveShops();
    void run_data();
    void run();

private:
    TestHttpServer m_server;
    QTemporaryDir m_dir;
};

void tst_BatchCompare::initTestCase()
{
    QVERIFY(m_server.listen());
    const QByteArray dangdang = hostOf(QStringLiteral("当当网"));
    const QByteArray slow = hostOf(QStringLiteral("红孩子"));
    m_server.setFallback([=](const QByteArray &target, const QByteArray &host) {
        TestHttpServer::Reply reply;
        if (host == dangdang) {
            reply.body = TestPage("offers/phone-list.html");
        } else if (host == slow) {
            reply.body = testPage("s");
            reply.delayMs = 60000; // never in time
        } else {
            return hostTitledPage(target, host);
        }
        return reply;
    });
    routeAllHostsTo(m_server.port()); // the program inherits the setting
}

void tst_BatchCompare::resolveShops_data()
{
    QTest::addColumn<QString>("names");
    QTest::addColumn<QStringList>("shops");
    QTest::addColumn<QString>("error");
    QTest::newRow("shops") << "当当网;京东商城" << QStringList {"当当网", "京东商城"} << "";
    QTest::newRow("category and case") << "台湾网店; ebay" << QStringList {"全买网", "乐活堂", "ebay"} << "";
    QTest::newRow("twice once") << "亚马逊;美国购物" << QStringList {"亚马逊", "ebay"} << "";
    QTest::newRow("unknown") << "当当网;不存在的店" << QStringList()
                             << "Unknown shop or category '不存在的店'.";
    QTest::newRow("blank") << " ; " << QStringList() << "No shop named in '--shops'.";
}

void tst_BatchCompare::resolveShops()
{
    QFETCH(QString, names);
    QFETCH(QStringList, shops);
    QFETCH(QString, error);
    QString found;
    QCOMPARE(TBatchCompare::ResolveShops(LoadShopCatalogueText(), names, found), shops);
    QCOMPARE(found, error);
}

void tst_BatchCompare::run_data()
{
    QTest::addColumn<QStringList>("arguments"); // FILE stands for the file in the scratch folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("errorOutput"); // a part of it
    QTest::addColumn<QByteArray>("rows"); // the file after its header; "-" for no file
    QTest::addColumn<bool>("display"); // false: started where no display can be reached

    const QByteArray d = "http://" + hostOf(QStringLiteral("当当网"));
    const QByteArray rows = "当当网,手机 B,899," + d
        + "/p/2,页面识别,1,商品\r\n当当网,\"手机 A, \"\"新\"\"\",1999.5," + d + "/p/1,页面识别,2,商品\r\n";
    QTest::newRow("read") << QStringList {"--compare", "手机", "--shops", "当当网;京东商城", "--prices",
        "FILE"} << 0 << "当当网\t2 件\n京东商城\t未找到商品\n"
                          << "" << rows << true;
    QTest::newRow("not in time") << QStringList {"--compare", "手机", "--shops", "当当网;红孩子", "--prices",
        "FILE", "--wait", "15"} << 1
                                 << "当当网\t2 件\n红孩子\t未及读取（读取中）\n"
                                 << "" << rows << true;
    QTest::newRow("unknown shop") << QStringList {"--compare", "手机", "--shops", "当当;京东商城", "--prices",
        "FILE"} << 2 << ""
                                  << "Unknown shop or category '当当'." << QByteArray("-") << true;
    QTest::newRow("missing file") << QStringList {"--compare", "手机", "--shops", "当当网"} << 2 << ""
                                  << "Missing value for '--prices'." << QByteArray("-") << true;
    QTest::newRow("option without value")
        << QStringList {"--compare", "手机", "--shops", "当当网", "--prices"} << 2 << ""
        << "--prices" << QByteArray("-") << true; // in Qt's words
    QTest::newRow("bad wait") << QStringList {"--compare", "手机", "--shops", "当当网", "--prices", "FILE",
        "--wait", "0"} << 2 << ""
                              << "'--wait' needs a whole number" << QByteArray("-") << true;
    QTest::newRow("unwritable file") << QStringList {"--compare", "手机", "--shops", "当当网", "--prices",
        "/nonexistent-folder/x.csv"} << 2
                                     << ""
                                     << "Cannot write '/nonexistent-folder/x.csv'." << QByteArray("-") << true;
    // What is not a regular file is never replaced by the CSV.
    for (const char *target : {"/dev/null", "FIFO", "DIR"})
        QTest::addRow("target %s", target) << QStringList {"--compare", "手机", "--shops", "当当网", "--prices", target}
            << 2 << "" << "Cannot write" << QByteArray("-") << true;
    // A timer or a server has no display: the comparison runs on Qt's offscreen platform.
    QTest::newRow("read without a display") << QStringList {"--compare", "手机", "--shops", "当当网", "--prices", "FILE"}
        << 0 << "当当网\t2 件\n" << "没有可用的显示" << rows << false;
    QTest::newRow("window without a display") << QStringList() << 2 << "" << "无法打开窗口" << QByteArray("-") << false;
    // The price history's modes need no display either. The comparisons above are in the history.
    QTest::newRow("watches without a display") << QStringList {"--check-watches"} << 0 << "没有关注的商品。\n"
                                               << "没有可用的显示" << QByteArray("-") << false;
    QTest::newRow("history without a display") << QStringList {"--export-history", "FILE"} << 0 << ""
                                               << "没有可用的显示" << QByteArray("HISTORY") << false;
}

void tst_BatchCompare::run()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QString, errorOutput);
    QFETCH(QByteArray, rows);
    QFETCH(bool, display);

    const QString file = m_dir.filePath(QStringLiteral("prices.csv"));
    QFile::remove(file);
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^FILE$")), file);
    const QString fifo = m_dir.filePath(QStringLiteral("fifo")), folder = m_dir.filePath(QStringLiteral("folder"));
    QVERIFY(QFile::exists(fifo) || ::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QVERIFY(QDir().mkpath(folder));
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^FIFO$")), fifo);
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^DIR$")), folder);
    QProcess program;
    // The program's price history goes to the scratch folder, never the user's.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
    if (!display) {
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
    }
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VANZU_EXECUTABLE), arguments);
    // The test sits in the event loop meanwhile, so the loopback server answers.
    QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, 120000);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardOutput()), output);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(errors.contains(errorOutput), qPrintable(errors));
    QFile csv(file);
    if (rows == "-") {
        QVERIFY(!csv.exists());
        // Nothing was put in place of a device, a FIFO or a folder.
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile() && QFileInfo(folder).isDir());
        QVERIFY(QFileInfo(QStringLiteral("/dev/null")).exists() && !QFileInfo(QStringLiteral("/dev/null")).isFile());
        return;
    }
    QVERIFY(csv.open(QIODevice::ReadOnly));
    if (rows == "HISTORY") {
        // Every offer of the batch comparisons above: the three that read 当当网 found two each.
        const QByteArray bytes = csv.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), QStringLiteral("时间,关键词,网店,商品,同款键,价格,地址"));
        QCOMPARE(lines.size(), 7);
        for (const QString &line : lines.mid(1))
            QVERIFY2(line.contains(QStringLiteral(",手机,当当网,")), qPrintable(line));
        return;
    }
    QCOMPARE(csv.readAll(), "\xEF\xBB\xBF" + QStringLiteral("网店,商品,价格,地址,来源,同款,类别\r\n").toUtf8() + rows);
}

QTEST_MAIN(tst_BatchCompare)
#include "tst_BatchCompare.moc"
