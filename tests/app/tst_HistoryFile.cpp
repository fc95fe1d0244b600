#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "ScratchMount.h"
#include "U_Pub.h"

#include <QDir>
#include <QProcess>
#include <QThread>

#include <memory>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

// The keyword history file kd.db when writing it goes wrong: the process killed in the middle
// of a write, a read-only file system, a full disk, a file size limit. Each time the program
// carries on without a word and the file is the previous one, whole.
//
// Some cases need a second process: this executable runs itself with one of the modes below,
// as a main window that is never shown (so no web engine starts) and writes the history.
namespace {
const char kWriterMode[] = "--history-writer"; // writes the history until it is killed
const char kLimitedWriterMode[] = "--history-limited"; // writes once under a small file size limit
const int kBoxShown = 4; // a child's exit code when a modal window showed
const int kSizeLimit = 4096; // bytes; below the size of QFileDevice's write buffer

// Enough long keywords that writing them takes a while: about 16 MB in GBK.
QStringList bigHistory()
{
    QStringList keywords;
    for (int i = 0; i < 4000; ++i)
        keywords.append(QStringLiteral("关键词%1 ").arg(i) + QString(2000, QChar(0x978B + i % 64)));
    return keywords;
}

// What kd.db holds for these keywords: GBK, every line ended by CR LF.
QByteArray historyBytes(const QStringList &keywords)
{
    QByteArray bytes;
    for (const QString &keyword : keywords)
        bytes += ToGbk(keyword) + "\r\n";
    return bytes;
}

const QByteArray kPrevious = historyBytes({QStringLiteral("上一次的关键词"), QStringLiteral("Nokia")});

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Root writes into a folder whatever its mode says.
bool runsAsRoot()
{
#ifdef Q_OS_LINUX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// The child: a main window that is never shown fills its keyword box and writes the history.
int runWriter(int argc, char **argv, bool limited)
{
    TApplication app(argc, argv);
    TFrm_Main window;
    window.SetHistoryFilePath(QString::fromLocal8Bit(argv[2]));
    // A message box would mean the failure reached the user.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [] {
        if (QApplication::activeModalWidget())
            ::_exit(kBoxShown);
    });
    watch.start(5);
    const QStringList keywords = limited ? bigHistory().mid(0, 2) : bigHistory();
    window.cbKeyWord->addItems(keywords);
    window.cbKeyWord->setEditText(keywords.first());
    if (limited) {
#ifdef Q_OS_LINUX
        // The write fails with EFBIG instead of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit {};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = kSizeLimit;
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 2;
        const bool written = window.AddKeywordHistory();
        return !written && window.cbKeyWord->count() == keywords.size() ? 0 : 3;
#else
        return 2;
#endif
    }
    for (int i = 0; i < 1000; ++i)
        window.AddKeywordHistory();
    return 3; // should have been killed long before
}

#ifdef Q_OS_LINUX
// Where the child's open files in `dir` are: the history being written, as an unnamed file
// ("dir/#123 (deleted)"), a temporary name, or kd.db itself.
QStringList openFilesIn(qint64 pid, const QString &dir)
{
    QStringList targets;
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    const QStringList entries = QDir(fds).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &fd : entries) {
        char target[4096];
        const ssize_t size
            = ::readlink(QFile::encodeName(fds + QLatin1Char('/') + fd).constData(), target, sizeof target);
        if (size <= 0)
            continue;
        const QString path = QFile::decodeName(QByteArray(target, int(size)));
        if (path.startsWith(dir + QLatin1Char('/')))
            targets.append(path);
    }
    return targets;
}

char processState(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(')'); // the name may hold blanks
    return end > 0 && end + 2 < line.size() ? line.at(end + 2) : 0;
}
#endif
} // namespace

class tst_HistoryFile : public QObject, MainWindowFixture
{
    Q_OBJECT
private slots:
    // Every shop's host goes to the loopback server.
    void initTestCase() { QVERIFY(serveEveryHost(hostTitledPage)); }
    void killedDuringWrite();
    void fileSizeLimit();
    void failedWriteKeepsPreviousFile_data();
    void failedWriteKeepsPreviousFile();
    void writeReportedOnlyWhenDone_data();
    void writeReportedOnlyWhenDone();

private:
    QProcess *startWriter(const char *mode, const QString &path);
};

QProcess *tst_HistoryFile::startWriter(const char *mode, const QString &path)
{
    auto *child = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child->setProcessEnvironment(env);
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(mode), path});
    return child;
}

void tst_HistoryFile::killedDuringWrite()
{
#ifndef Q_OS_LINUX
    QSKIP("looks at the writer's open files in /proc");
#else
    QTemporaryDir dir;
    const QString folder = QFileInfo(dir.path()).canonicalFilePath();
    const QString path = folder + QStringLiteral("/kd.db");
    QVERIFY(writeFile(path, kPrevious));
    const QByteArray complete = historyBytes(bigHistory());

    QScopedPointer<QProcess> child(startWriter(kWriterMode, path));
    QVERIFY(child->waitForStarted());
    const qint64 pid = child->processId();
    // Stop the writer while it has the history open, look, and either kill it in the middle of
    // a write or, when the write has already replaced the file, let it go on to the next one.
    QByteArray previous = kPrevious;
    bool killed = false;
    QElapsedTimer clock;
    clock.start();
    int stops = 0;
    while (!killed && child->state() == QProcess::Running && stops < 200 && clock.elapsed() < 30000) {
        if (openFilesIn(pid, folder).isEmpty()) {
            QThread::usleep(100);
            continue;
        }
        ::kill(pid, SIGSTOP);
        ++stops;
        while (processState(pid) != 'T' && clock.elapsed() < 30000)
            QThread::usleep(50);
        const QStringList open = openFilesIn(pid, folder);
        if (!open.isEmpty() && !open.contains(path)) {
            qInfo().noquote() << "killed while writing to" << open.join(QLatin1String(", ")) << "after"
                              << (previous == kPrevious ? "no" : "some") << "complete writes";
            ::kill(pid, SIGKILL);
            killed = true;
        } else {
            // Replaced already (or closed meanwhile): the file is the new one, whole.
            QCOMPARE(readAll(path), complete);
            previous = complete;
            ::kill(pid, SIGCONT);
        }
    }
    QVERIFY2(killed, "the writer was never caught in the middle of a write: does it write kd.db in place?");
    QVERIFY(child->waitForFinished());
    QCOMPARE(child->exitStatus(), QProcess::CrashExit);
    const QByteArray after = readAll(path);
    QVERIFY2(after == previous,
        qPrintable(QStringLiteral("kd.db has %1 bytes, before the write it had %2")
                       .arg(after.size())
                       .arg(previous.size())));
#endif
}

void tst_HistoryFile::fileSizeLimit()
{
#ifndef Q_OS_LINUX
    QSKIP("sets a file size limit (RLIMIT_FSIZE)");
#endif
    // The history outgrows the file size limit: the write fails (EFBIG) and the program goes on.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kd.db"));
    QVERIFY(writeFile(path, kPrevious));
    QVERIFY(historyBytes(bigHistory().mid(0, 2)).size() > kSizeLimit);
    QScopedPointer<QProcess> child(startWriter(kLimitedWriterMode, path));
    QVERIFY(child->waitForFinished(kLoad));
    QCOMPARE(child->exitStatus(), QProcess::NormalExit);
    QCOMPARE(child->exitCode(), 0);
    QCOMPARE(readAll(path), kPrevious);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {QStringLiteral("kd.db")});
}

void tst_HistoryFile::failedWriteKeepsPreviousFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("read-only file system") << "read-only";
    QTest::newRow("full disk") << "full";
}

void tst_HistoryFile::failedWriteKeepsPreviousFile()
{
#ifndef Q_OS_LINUX
    QSKIP("mounts a small tmpfs");
#else
    QFETCH(QString, fault);
    QTemporaryDir dir;
    ScratchMount scratch(dir.path());
    if (!scratch.isMounted())
        QSKIP("cannot mount a tmpfs here (needs root); fileSizeLimit covers a failing write");
    const QString path = dir.filePath(QStringLiteral("kd.db"));
    const QString filler = dir.filePath(QStringLiteral("filler"));
    QVERIFY(writeFile(path, kPrevious));
    if (fault == QLatin1String("read-only")) {
        QVERIFY(scratch.setReadOnly(true));
    } else {
        QFile fill(filler);
        QVERIFY(fill.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (fill.write(block) == block.size()) { }
    }
    const QStringList entries = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);

    MainWindowFixture main; // its window goes before the scratch folder does
    QVERIFY(main.openMainWindow(MainWindowFixture::StartPage, path));
    TFrm_Main &window = *main.m_window;
    ModalLog log(true);
    window.EdtWD->setText(QStringLiteral("当当网;京东商城"));
    window.cbKeyWord->setEditText(QStringLiteral("手机"));
    QTest::mouseClick(window.btnGo, Qt::LeftButton);
    // The search went on: both shops open, the keyword is in the list, no word about the file.
    QCOMPARE(window.PageControl1->PageCount(), 2);
    QCOMPARE(window.cbKeyWord->count(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(window.ActiveTab()->Caption() != QStringLiteral("加载中..."), kLoad);
    QCOMPARE(log.texts, QStringList());
    QCOMPARE(readAll(path), kPrevious);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), entries);

    // Once there is room again, the next search writes the whole history.
    if (fault == QLatin1String("read-only"))
        QVERIFY(scratch.setReadOnly(false));
    else
        QVERIFY(QFile::remove(filler));
    window.cbKeyWord->setEditText(QStringLiteral("Nokia"));
    QTest::mouseClick(window.btnGo, Qt::LeftButton);
    QCOMPARE(readAll(path), historyBytes({QStringLiteral("手机"), QStringLiteral("Nokia")}));
    QCOMPARE(log.texts, QStringList());
#endif
}

void tst_HistoryFile::writeReportedOnlyWhenDone_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("written");
    QTest::newRow("folder there") << "existing" << true;
    QTest::newRow("user's data folder not made yet") << "new" << true;
    QTest::newRow("folder is a file") << "file" << false;
    QTest::newRow("read-only folder") << "read-only" << false;
}

void tst_HistoryFile::writeReportedOnlyWhenDone()
{
    QFETCH(QString, folder);
    QFETCH(bool, written);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("kd.db"));
#ifdef Q_OS_LINUX
    std::unique_ptr<ScratchMount> scratch;
#endif
    if (folder == QLatin1String("new")) {
        path = dir.filePath(QStringLiteral("share/Vanzu小精灵V2/kd.db"));
    } else if (folder == QLatin1String("file")) {
        QVERIFY(writeFile(dir.filePath(QStringLiteral("bin")), kPrevious));
        path = dir.filePath(QStringLiteral("bin/kd.db"));
    } else if (folder == QLatin1String("read-only")) {
        const QString bin = dir.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        path = bin + QStringLiteral("/kd.db");
#ifdef Q_OS_LINUX
        // For root the folder is a read-only file system instead.
        if (runsAsRoot()) {
            scratch = std::make_unique<ScratchMount>(bin);
            if (!scratch->isMounted())
                QSKIP("cannot mount a tmpfs here");
            QVERIFY(writeFile(path, kPrevious));
            QVERIFY(scratch->setReadOnly(true));
        } else
#endif
        {
            QVERIFY(writeFile(path, kPrevious));
            QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));
        }
    }

    TFrm_Main window; // never shown: no engine starts
    window.SetHistoryFilePath(path);
    window.cbKeyWord->setEditText(QStringLiteral("手机"));
    QCOMPARE(window.AddKeywordHistory(), written);
    QCOMPARE(window.cbKeyWord->count(), 1); // the history itself grows either way
    if (written)
        QCOMPARE(readAll(path), historyBytes({QStringLiteral("手机")}));
    else if (folder == QLatin1String("read-only"))
        QCOMPARE(readAll(path), kPrevious);
    else
        QVERIFY(!QFile::exists(path));
    if (folder == QLatin1String("read-only") && !runsAsRoot())
        QFile::setPermissions(
            QFileInfo(path).absolutePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Run with a writer mode, this executable is the child that writes the history.
std::optional<int> writerMode(int argc, char *argv[])
{
    if (argc == 3 && (qstrcmp(argv[1], kWriterMode) == 0 || qstrcmp(argv[1], kLimitedWriterMode) == 0))
        return runWriter(argc, argv, qstrcmp(argv[1], kLimitedWriterMode) == 0);
    return std::nullopt;
}

VANZU_TEST_MAIN_WITH(tst_HistoryFile, writerMode)
#include "tst_HistoryFile.moc"
