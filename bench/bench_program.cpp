// The program as the benchmark drives it: the real main window, started as main.cpp starts it.
//
//   bench_program startup
//       prints "ready" the moment the start tab's page has its title "默认", then ends.
//   bench_program compare <shops> paced|naive
//       waits for the start page, ticks the first <shops> shops of the catalogue, clicks
//       "马上对比" and prints one line "result key=value ..." with what it measured. "naive"
//       loads every tab at once and keeps every page awake, as the program did before.
#include "TApplication.h"
#include "TBrowserHooks.h"
#include "TBrowserView.h"
#include "TLoadQueue.h"
#include "TOfferReading.h"
#include "TPageControl.h"
#include "TPageLifecycle.h"
#include "TPriceComparison.h"
#include "TPriceTablePane.h"
#include "TShopCatalogue.h"
#include "TTabSheetEx.h"
#include "U_Main.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <climits>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>

namespace {
constexpr int kMemorySampleMs = 5000; // after the click
constexpr int kLateMemorySampleMs = 30000;
constexpr int kGiveUpMs = 180000;

void Say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Proportional set size of a process and all its descendants (the engine's zygote, GPU and
// renderer processes), in kB.
qint64 TreePss(qint64 root)
{
    QHash<qint64, qint64> parentOf;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!isPid || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        parentOf.insert(pid, fields.value(1).toLongLong());
    }
    QList<qint64> tree {root};
    for (qsizetype i = 0; i < tree.size(); ++i) {
        for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it) {
            if (it.value() == tree.at(i))
                tree.append(it.key());
        }
    }
    qint64 total = 0;
    for (const qint64 pid : std::as_const(tree)) {
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!rollup.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : rollup.readAll().split('\n')) {
            if (line.startsWith("Pss:"))
                total += line.mid(4).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return total;
}

// Processor time this process has used, in ms: the user-interface thread and the engine's own
// threads in it (network, compositing), not the renderers.
double OwnCpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The machine's processor time so far, in clock ticks: working, and in all. From the "cpu" line
// of /proc/stat; idle and waiting for input or output are not work.
std::pair<qint64, qint64> MachineTicks()
{
    QFile stat(QStringLiteral("/proc/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return {-1, -1};
    const QList<QByteArray> fields = stat.readLine().simplified().split(' ');
    qint64 busy = 0, total = 0;
    for (int i = 1; i <= 8 && i < fields.size(); ++i) { // user ... steal; guest time is in user
        total += fields.at(i).toLongLong();
        if (i != 4 && i != 5)
            busy += fields.at(i).toLongLong();
    }
    return {busy, total};
}

QStringList FirstShops(int count)
{
    QStringList names;
    for (const TShopEntry &entry : ReadShopCatalogue(LoadShopCatalogueText())) {
        if (!entry.IsCategory && names.size() < count)
            names.append(entry.Name);
    }
    return names;
}

// Runs the event loop until `done` holds or `timeoutMs` pass. QTest::qWaitFor() would not do:
// it sleeps between its passes, and the engine, whose browser side runs its tasks on this
// thread, then takes seconds for a page.
template<typename Predicate> bool WaitUntil(Predicate done, int timeoutMs)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

bool WaitForStartPage(TFrm_Main &window, int timeoutMs)
{
    TTabSheetEx *tab = window.ActiveTab();
    return tab && WaitUntil([tab] { return !tab->Browser->Busy(); }, timeoutMs);
}

// The largest gap between two ticks of a fine timer: the longest time the user-interface
// thread did not get back to its event loop.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
    }
    void Start()
    {
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    void Tick()
    {
        const qint64 now = m_clock.elapsed();
        longest = qMax(longest, now - m_last);
        m_last = now;
    }
    // Time spent by the meter's owner itself (reading memory figures) is not a stall.
    void Skip() { m_last = m_clock.elapsed(); }
    qint64 longest = 0;

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
};

int Startup(TFrm_Main &window)
{
    QWebEngineView *engine = window.ActiveTab()->Browser->EngineView();
    QObject::connect(engine, &QWebEngineView::titleChanged, qApp, [](const QString &title) {
        if (title == QStringLiteral("默认")) {
            Say("ready");
            QCoreApplication::exit(0);
        }
    });
    QTimer::singleShot(kGiveUpMs, qApp, [] { QCoreApplication::exit(1); });
    return QCoreApplication::exec();
}

int Compare(TFrm_Main &window, int shops, bool paced)
{
    if (!WaitForStartPage(window, kGiveUpMs))
        return 1;
    if (!paced) {
        TLoadQueue::Instance()->SetPaced(false);
        TPageLifecycle::Instance()->SetKeepAlive(-1);
        TPageLifecycle::Instance()->SetFreezeAfter(-1);
    }
    WaitUntil([] { return false; }, 1000); // the engine settles after its start

    window.EdtWD->setText(FirstShops(shops).join(QLatin1Char(';')));
    window.cbKeyWord->setEditText(QStringLiteral("手机"));

    StallMeter stalls;
    QElapsedTimer clock;
    const double cpuBefore = OwnCpuMs();
    // How busy the whole machine was from the click until the last page had loaded: where it is
    // short of full, more loads at once could have used the processors.
    const std::pair<qint64, qint64> ticksBefore = MachineTicks();
    double busyPercent = -1;
    stalls.Start();
    clock.start();
    QTest::mouseClick(window.btnGo, Qt::LeftButton);
    const qint64 tabsAt = clock.elapsed(); // the search makes its tabs before it returns
    const int tabCount = window.PageControl1->PageCount();

    TTabSheetEx *active = window.ActiveTab();
    qint64 activeAt = -1;
    qint64 allAt = -1;
    int loaded = 0;
    for (int i = 0; i < tabCount; ++i) {
        auto *tab = qobject_cast<TTabSheetEx *>(window.PageControl1->PageAt(i));
        QObject::connect(
            tab->Browser, &TBrowserHost::busyChanged, qApp, [&, tab, done = false](bool busy) mutable {
                if (busy || done)
                    return;
                done = true;
                const qint64 now = clock.elapsed();
                if (tab == active)
                    activeAt = now;
                if (++loaded == tabCount) {
                    allAt = now;
                    const std::pair<qint64, qint64> ticks = MachineTicks();
                    if (ticksBefore.first >= 0 && ticks.second > ticksBefore.second)
                        busyPercent = 100.0 * (ticks.first - ticksBefore.first) / (ticks.second - ticksBefore.second);
                }
            });
    }

    // The load queue's limit while loads wait for a place.
    int limitLow = INT_MAX, limitHigh = 0;
    double limitSum = 0;
    int limitSamples = 0;
    QTimer limitWatch;
    QObject::connect(&limitWatch, &QTimer::timeout, qApp, [&] {
        if (TLoadQueue::Instance()->Waiting().isEmpty())
            return;
        const int limit = TLoadQueue::Instance()->MaxRunning();
        limitLow = qMin(limitLow, limit);
        limitHigh = qMax(limitHigh, limit);
        limitSum += limit;
        ++limitSamples;
    });
    limitWatch.start(100);

    qint64 pss = -1;
    qint64 latePss = -1;
    const auto sampleAt = [&](int ms, qint64 *into) {
        QTimer::singleShot(int(qMax<qint64>(0, ms - clock.elapsed())), qApp, [&stalls, into] {
            stalls.Tick();
            *into = TreePss(getpid());
            stalls.Skip();
        });
    };
    sampleAt(kMemorySampleMs, &pss);
    sampleAt(kLateMemorySampleMs, &latePss);
    // Every page is read into the price table, which shows from the first offers on.
    qint64 readAt = -1;
    const bool finished = WaitUntil(
        [&] {
            if (readAt < 0 && window.PriceComparison()->AllDone())
                readAt = clock.elapsed();
            return latePss >= 0 && allAt >= 0 && readAt >= 0;
        },
        kGiveUpMs);
    stalls.Tick();
    const double cpuMs = OwnCpuMs() - cpuBefore;

    Say(QStringLiteral("result stall_ms=%1 tabs_ms=%2 active_ms=%3 all_ms=%4 pss_kb=%5 loaded=%6/%7 tabs=%8 "
                       "read_ms=%9 offers=%10 pss30_kb=%11 cpu_ms=%12 limit_low=%13 limit_mean=%14 limit_high=%15 "
                       "busy_pct=%16")
            .arg(stalls.longest)
            .arg(tabsAt)
            .arg(activeAt)
            .arg(allAt)
            .arg(pss)
            .arg(loaded)
            .arg(shops)
            .arg(tabCount)
            .arg(readAt)
            .arg(window.pPrices->OfferCount())
            .arg(latePss)
            .arg(cpuMs, 0, 'f', 0)
            .arg(limitSamples ? limitLow : -1)
            .arg(limitSamples ? limitSum / limitSamples : -1, 0, 'f', 1)
            .arg(limitSamples ? limitHigh : -1)
            .arg(busyPercent, 0, 'f', 0)
            .toLatin1());
    return finished && tabCount == shops ? 0 : 1;
}

// Reading one results page of `offers` offers, again and again: the script's time in the
// renderer (measured inside it) and the program's own time for what it hands back (parsing the
// offers and putting them into the table).
int Read(TFrm_Main &window, int offers)
{
    if (!WaitForStartPage(window, kGiveUpMs))
        return 1;
    TBrowserView *view = window.ActiveTab()->Browser;
    view->Navigate(QStringLiteral("http://www.shop-a.example/search?n=%1").arg(offers), 0);
    if (!WaitUntil([view] { return !view->Busy(); }, kGiveUpMs))
        return 1;
    const QString script = QStringLiteral("(function () { var t = performance.now(); var r = %1 "
                                          "return JSON.stringify([performance.now() - t, r]); })()")
                               .arg(OfferReadingScript(QJsonObject()));
    QList<double> renderer, program;
    int found = 0;
    for (int run = 0; run < 11; ++run) {
        QString answer;
        view->EngineView()->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
            [&answer](const QVariant &result) { answer = result.toString(); });
        if (!WaitUntil([&answer] { return !answer.isEmpty(); }, kGiveUpMs))
            return 1;
        const QJsonArray pair = QJsonDocument::fromJson(answer.toUtf8()).array();
        renderer.append(pair.at(0).toDouble());
        QElapsedTimer clock;
        clock.start();
        const QList<TOffer> read = OffersFromReading(pair.at(1).toString(), QStringLiteral("网店"));
        window.pPrices->SetShopOffers(QStringLiteral("网店"), read);
        program.append(double(clock.nsecsElapsed()) / 1e6);
        found = int(read.size());
    }
    std::sort(renderer.begin(), renderer.end());
    std::sort(program.begin(), program.end());
    Say(QStringLiteral("result render_ms=%1 program_ms=%2 offers=%3")
            .arg(renderer.at(5), 0, 'f', 2)
            .arg(program.at(5), 0, 'f', 2)
            .arg(found)
            .toLatin1());
    return found == offers ? 0 : 1;
}
} // namespace

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode != QLatin1String("startup") && mode != QLatin1String("compare")
        && mode != QLatin1String("read")) {
        std::fputs("usage: bench_program startup | compare <shops> paced|naive | read <offers>\n", stderr);
        return 2;
    }

    TBrowserProcess browserProcess;
    TFrm_Main window;
    QTemporaryDir history; // the keyword history stays out of the build directory
    window.SetHistoryFilePath(history.filePath(QStringLiteral("kd.db")));
    window.setGeometry(QStyle::alignedRect(
        Qt::LeftToRight, Qt::AlignCenter, window.size(), app.primaryScreen()->availableGeometry()));
    window.show();

    if (mode == QLatin1String("startup"))
        return Startup(window);
    if (mode == QLatin1String("read"))
        return Read(window, args.value(2).toInt());
    return Compare(window, args.value(2).toInt(), args.value(3) != QLatin1String("naive"));
}
