#include "HistoryFolder.h"
#include "ScratchMount.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

// Where kd.db goes: the program's folder while it can be written, else the user's data folder.
class tst_HistoryFolder : public QObject
{
    Q_OBJECT
private slots:
    void choose_data();
    void choose();
};

void tst_HistoryFolder::choose_data()
{
    QTest::addColumn<QString>("program"); // how the program's folder is
    QTest::addColumn<bool>("dataKnown"); // whether a user data folder is known
    QTest::addColumn<QString>("expected"); // "program", "data" or "" (none)
    QTest::newRow("run from the build folder") << "writable" << true << "program";
    QTest::newRow("installed: folder read-only") << "read-only" << true << "data";
    QTest::newRow("folder gone") << "missing" << true << "data";
    QTest::newRow("not a folder") << "file" << true << "data";
    QTest::newRow("no program folder known") << "empty" << true << "data";
    QTest::newRow("writable, no data folder") << "writable" << false << "program";
    QTest::newRow("read-only, no data folder") << "read-only" << false << "";
}

void tst_HistoryFolder::choose()
{
    QFETCH(QString, program);
    QFETCH(bool, dataKnown);
    QFETCH(QString, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QString programFolder = root.filePath(QStringLiteral("bin"));
    const QString dataFolder = dataKnown ? root.filePath(QStringLiteral("share/Vanzu")) : QString();
#ifdef Q_OS_LINUX
    std::unique_ptr<ScratchMount> mount;
#endif
    if (program == QLatin1String("writable") || program == QLatin1String("read-only")) {
        QVERIFY(QDir().mkpath(programFolder));
    } else if (program == QLatin1String("file")) {
        QFile file(programFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (program == QLatin1String("empty")) {
        programFolder.clear();
    }
    if (program == QLatin1String("read-only")) {
        // Root writes whatever the folder's mode says, so for root the folder becomes a
        // read-only file system, as an installed program's folder may be.
#ifdef Q_OS_LINUX
        if (::geteuid() == 0) {
            mount = std::make_unique<ScratchMount>(programFolder);
            if (!mount->isMounted() || !mount->setReadOnly(true))
                QSKIP("cannot mount a read-only tmpfs here");
        } else {
            QVERIFY(QFile::setPermissions(programFolder, QFile::ReadOwner | QFile::ExeOwner));
        }
#else
        QSKIP("read-only folders are made here by file mode or mount");
#endif
        // What the choice is about: a file cannot be made there.
        QVERIFY(!QFile(programFolder + QStringLiteral("/probe")).open(QIODevice::WriteOnly));
    }

    const QString folder = HistoryFolder(programFolder, dataFolder);
    if (expected == QLatin1String("program"))
        QCOMPARE(folder, programFolder);
    else if (expected == QLatin1String("data"))
        QCOMPARE(folder, dataFolder);
    else
        QCOMPARE(folder, QString());
}

QTEST_GUILESS_MAIN(tst_HistoryFolder)
#include "tst_HistoryFolder.moc"
