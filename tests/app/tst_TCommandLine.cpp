#include "TCommandLine.h"

#include <QtTest>

// The command line: what is answered before the window opens, and what is refused.
class tst_TCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void answer_data();
    void answer();
    void texts();
};

void tst_TCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("version");
    QTest::addColumn<bool>("help");
    QTest::addColumn<QString>("error");
    const QString exe = QStringLiteral("/usr/bin/vanzu");
    QTest::newRow("no options") << QStringList {exe} << true << false << false << "";
    QTest::newRow("--version") << QStringList {exe, "--version"} << true << true << false << "";
    QTest::newRow("-v") << QStringList {exe, "-v"} << true << true << false << "";
    QTest::newRow("--help") << QStringList {exe, "--help"} << true << false << true << "";
    QTest::newRow("-h") << QStringList {exe, "-h"} << true << false << true << "";
    QTest::newRow("unknown option") << QStringList {exe, "--comparison", "手机"} << false << false << false
                                    << "Unknown option 'comparison'.";
    QTest::newRow("batch") << QStringList {exe, "--compare", "手机", "--shops", "当当网", "--prices", "a.csv"}
                           << true << false << false << "";
    QTest::newRow("batch without shops") << QStringList {exe, "--compare", "手机", "--prices", "a.csv"} << false
                                         << false << false << "Missing value for '--shops'.";
    QTest::newRow("batch, blank keyword") << QStringList {exe, "--compare", " ", "--shops", "x", "--prices", "a"}
                                          << false << false << false << "Missing value for '--compare'.";
    QTest::newRow("wait alone") << QStringList {exe, "--wait", "5"} << false << false << false
                                << "Missing value for '--compare'.";
    QTest::newRow("wait not a number") << QStringList {exe, "--compare", "a", "--shops", "b", "--prices", "c",
                                                       "--wait", "5s"}
                                       << false << false << false
                                       << "'--wait' needs a whole number of seconds from 1 to 86400, not '5s'.";
    // In milliseconds these overflow an int: one would never time out, the other at once.
    for (const char *seconds : {"86401", "2147484", "4294968"})
        QTest::addRow("wait %s", seconds) << QStringList {exe, "--compare", "a", "--shops", "b", "--prices", "c",
            "--wait", seconds} << false << false << false
            << QStringLiteral("'--wait' needs a whole number of seconds from 1 to 86400, not '%1'.").arg(seconds);
    QTest::newRow("an address") << QStringList {exe, "http://www.example.com/"} << false << false << false
                                << "Unexpected argument 'http://www.example.com/'.";
    // Qt's own options are still in the list before the application object takes them out:
    // "-reverse" must not be read as -r -e -v ..., so it asks for no version.
    QTest::newRow("Qt's -reverse") << QStringList {exe, "-reverse"} << false << false << false
                                   << "Unknown option 'reverse'.";
    QTest::newRow("Qt's option and --version") << QStringList {exe, "-style", "fusion", "--version"} << false
                                               << true << false << "Unknown option 'style'.";
    QTest::newRow("help despite a bad option")
        << QStringList {exe, "--bogus", "--help"} << false << false << true << "Unknown option 'bogus'.";
    QTest::newRow("the web engine's arguments")
        << QStringList {exe, "--webEngineArgs", "--disable-gpu", "x"} << true << false << false << "";
}

void tst_TCommandLine::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, valid);
    QFETCH(bool, version);
    QFETCH(bool, help);
    QFETCH(QString, error);
    const TCommandLine commandLine(arguments);
    QCOMPARE(commandLine.IsValid(), valid);
    QCOMPARE(commandLine.VersionRequested(), version);
    QCOMPARE(commandLine.HelpRequested(), help);
    QCOMPARE(commandLine.ErrorText(), error);
}

void tst_TCommandLine::answer_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("strict");
    QTest::addColumn<int>("exitCode"); // -1: the program starts
    const QString exe = QStringLiteral("vanzu");
    QTest::newRow("start") << QStringList {exe} << false << -1;
    QTest::newRow("start, strict") << QStringList {exe} << true << -1;
    QTest::newRow("version") << QStringList {exe, "--version"} << false << 0;
    QTest::newRow("help") << QStringList {exe, "-h"} << false << 0;
    // Before Qt has taken its options out, a line that does not parse is left for later...
    QTest::newRow("bad option, early") << QStringList {exe, "--bogus"} << false << -1;
    QTest::newRow("Qt's option, early") << QStringList {exe, "-platform", "offscreen"} << false << -1;
    // ...and refused once it has.
    QTest::newRow("bad option, strict") << QStringList {exe, "--bogus"} << true << 2;
    QTest::newRow("an address, strict") << QStringList {exe, "kd.db"} << true << 2;
}

void tst_TCommandLine::answer()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, strict);
    QFETCH(int, exitCode);
    QCOMPARE(AnswerCommandLine(arguments, strict).value_or(-1), exitCode);
}

void tst_TCommandLine::texts()
{
    QVERIFY(QRegularExpression(QStringLiteral("^Vanzu小精灵V2 \\d+\\.\\d+(\\.\\d+)?\\n$"))
                .match(TCommandLine::VersionText())
                .hasMatch());
    // Asked for before any application object exists, the help still names the program.
    const QString help
        = TCommandLine({QStringLiteral("/opt/bin/vanzu"), QStringLiteral("--help")}).HelpText();
    QVERIFY2(help.startsWith(QStringLiteral("Usage: vanzu [options]")), qPrintable(help));
    QVERIFY(help.contains(QStringLiteral("-h, --help")));
    QVERIFY(help.contains(QStringLiteral("-v, --version")));
}

// No application object: the program looks at its options before it makes one.
QTEST_APPLESS_MAIN(tst_TCommandLine)
#include "tst_TCommandLine.moc"
