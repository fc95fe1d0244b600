// The benchmark of the many-shop comparison and of the start-up. Serves every shop's search page
// from 127.0.0.1, starts the program (bench_program) and a bare engine window (bench_bare) as
// child processes, alternating them, and prints one table of medians.
//
//   vanzu_bench [--runs N] [--startup-runs N] [--shops 7,20,68] [--pages light,heavy] [--line MBIT]
//
// Heavy pages come down one line of --line Mbit/s shared by every connection (100 unless given; 0
// for none), besides each connection's own cap.
//
// Light pages are small and come at once: they measure the program's own work. Heavy pages are
// as big as real shops' and come over a simulated network (HeavyShops): they measure what a
// shopper sees.
#include "HeavyShops.h"
#include "TShopCatalogue.h"
#include "TestHttpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSysInfo>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {
constexpr int kChildTimeoutMs = 240000;

QString exePath(const char *name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
}

void Note(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// A shop's search page: titled after its host, a list of offers and a little script, a few
// dozen kilobytes as small search pages are.
TestHttpServer::Reply ShopPage(const QByteArray &target, const QByteArray &host)
{
    // "?n=N" asks for N offers (reading benchmark); 120 otherwise.
    const qsizetype n = target.indexOf("n=");
    const int count = n >= 0 ? qBound(1, target.mid(n + 2).toInt(), 1000) : 120;
    QString offers;
    for (int i = 1; i <= count; ++i)
        offers += QStringLiteral("<li><a href='/item/%1'>手机 型号 %1</a> <b>￥%2</b> 包邮 已售 %3 件</li>\n")
                      .arg(i)
                      .arg(499 + i * 13)
                      .arg(i * 7);
    TestHttpServer::Reply reply;
    reply.body = testPage(QString::fromLatin1(host),
        QStringLiteral("<h1>%1</h1><p>%2</p><ul>%3</ul>"
                       "<script>document.querySelectorAll('li').forEach(function (e, i) {"
                       " if (i % 2) e.style.background = '#f4f4f4'; });</script>")
            .arg(QString::fromLatin1(host), QString::fromLatin1(target).toHtmlEscaped(), offers));
    return reply;
}

// Runs a child to its end while this process keeps serving pages. Returns its standard output,
// or nothing when it failed; `readyAt` is when it first printed `readyLine`, in ms after start.
std::optional<QByteArray> RunChild(
    const QString &program, const QStringList &args, const QByteArray &readyLine, qint64 *readyAt = nullptr)
{
    QProcess child;
    QByteArray output;
    QByteArray errors; // the engine's chatter; shown only when the child fails
    QEventLoop loop;
    QElapsedTimer clock;
    QObject::connect(&child, &QProcess::readyReadStandardOutput, &loop, [&] {
        output += child.readAllStandardOutput();
        if (readyAt && *readyAt < 0 && output.contains(readyLine + '\n'))
            *readyAt = clock.elapsed();
    });
    QObject::connect(&child, &QProcess::readyReadStandardError, &loop,
        [&] { errors = (errors + child.readAllStandardError()).right(4000); });
    QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&child, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            loop.quit();
    });
    QTimer::singleShot(kChildTimeoutMs, &loop, &QEventLoop::quit);
    if (readyAt)
        *readyAt = -1;
    clock.start();
    child.start(program, args);
    loop.exec();
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished(5000);
        Note(QStringLiteral("  %1 %2: timed out\n%3")
                 .arg(program, args.join(' '), QString::fromLocal8Bit(errors)));
        return std::nullopt;
    }
    output += child.readAllStandardOutput();
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        Note(QStringLiteral("  %1 %2: failed (%3)\n%4")
                 .arg(program, args.join(' '), QString::fromLocal8Bit(output.trimmed()),
                     QString::fromLocal8Bit(errors)));
        return std::nullopt;
    }
    return output;
}

double Median(QList<double> values)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

// "result a=1 b=2 ..." as numbers by key.
QHash<QString, double> ParseResult(const QByteArray &output)
{
    QHash<QString, double> values;
    for (const QByteArray &line : output.split('\n')) {
        if (!line.startsWith("result "))
            continue;
        for (const QByteArray &pair : line.mid(7).split(' ')) {
            const qsizetype eq = pair.indexOf('=');
            if (eq > 0)
                values.insert(
                    QString::fromLatin1(pair.left(eq)), pair.mid(eq + 1).split('/').value(0).toDouble());
        }
    }
    return values;
}

QString Machine()
{
    QString cpu = QStringLiteral("unknown CPU");
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (cpuinfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : cpuinfo.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                cpu = QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
                break;
            }
        }
    }
    qint64 memKb = 0;
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly))
        memKb = meminfo.readLine().simplified().split(' ').value(1).toLongLong();
    return QStringLiteral("%1 cores (%2), %3 GiB RAM, %4, Qt %5")
        .arg(QThread::idealThreadCount())
        .arg(cpu)
        .arg(double(memKb) / 1024 / 1024, 0, 'f', 1)
        .arg(QSysInfo::prettyProductName(), QString::fromLatin1(qVersion()));
}

struct Row
{
    QString measure;
    QString unit;
    double ours;
    double anchor;
    // What the row must reach: the ratio at most this, or (unit "ms" and absolute) the figure.
    double goal = -1;
    bool absolute = false;
};

QString Verdict(const Row &row)
{
    if (row.goal < 0)
        return QString();
    const double value = row.absolute ? row.ours : (row.anchor > 0 ? row.ours / row.anchor : -1);
    if (value < 0)
        return QStringLiteral("n/a");
    const QString limit = row.absolute ? QStringLiteral("≤ %1 ms").arg(row.goal) : QStringLiteral("≤ %1×").arg(row.goal);
    return QStringLiteral("%1 %2").arg(limit, value <= row.goal ? QStringLiteral("met") : QStringLiteral("missed"));
}

QString Figure(double value, const QString &unit)
{
    if (value < 0)
        return QStringLiteral("n/a");
    if (unit == QLatin1String("MiB"))
        return QStringLiteral("%1 MiB").arg(value / 1024, 0, 'f', 0);
    if (unit == QLatin1String("%"))
        return QStringLiteral("%1 %").arg(value, 0, 'f', 0);
    return QStringLiteral("%1 ms").arg(value, 0, 'f', value < 10 ? 1 : 0);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 3;
    int startupRuns = 7;
    QList<int> sizes {7, 20, 68};
    QStringList kinds {QStringLiteral("light"), QStringLiteral("heavy")};
    int lineMbit = 100; // the heavy pages' line, a common home line; 0: none
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--runs"))
            runs = qMax(1, args.at(i + 1).toInt());
        else if (args.at(i) == QLatin1String("--startup-runs"))
            startupRuns = qMax(1, args.at(i + 1).toInt());
        else if (args.at(i) == QLatin1String("--shops")) {
            sizes.clear();
            for (const QString &n : args.at(i + 1).split(QLatin1Char(',')))
                sizes.append(qBound(1, n.toInt(), 68));
        } else if (args.at(i) == QLatin1String("--line")) {
            lineMbit = qMax(0, args.at(i + 1).toInt());
        } else if (args.at(i) == QLatin1String("--pages")) {
            // "none" (or any other word) runs no comparison: only the start-up and the reading.
            kinds = args.at(i + 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
            kinds.removeIf([](const QString &kind) { return kind != QLatin1String("light") && kind != QLatin1String("heavy"); });
        }
    }

    TestHttpServer server;
    if (!server.listen()) {
        Note(QStringLiteral("cannot listen on 127.0.0.1"));
        return 1;
    }
    HeavyShops heavy;
    server.setFallback(ShopPage);
    // Every shop's host goes to the server above; the children's engines read this at start.
    routeAllHostsTo(server.port());
    QObject::connect(&server, &TestHttpServer::requestReceived, &server, [&server] {
        if (server.requestLines().size() > 1000)
            server.clearRequests();
    });

    QList<Row> rows;

    // Start-up: the program and the bare window, taking turns.
    QList<double> program, bare;
    for (int i = 0; i < startupRuns; ++i) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool ours = (i + turn) % 2 == 0;
            qint64 readyAt = -1;
            const auto output = ours
                ? RunChild(exePath("bench_program"), {QStringLiteral("startup")}, "ready", &readyAt)
                : RunChild(exePath("bench_bare"), {}, "ready", &readyAt);
            if (output && readyAt >= 0)
                (ours ? program : bare).append(double(readyAt));
            Note(QStringLiteral("start-up %1/%2 %3: %4 ms")
                     .arg(i + 1)
                     .arg(startupRuns)
                     .arg(ours ? "program" : "bare")
                     .arg(readyAt));
        }
    }
    rows.append({QStringLiteral("start-up to start page"), QStringLiteral("ms"), Median(program), Median(bare), 1.05});

    // The comparisons: the program as it is and the naive way, taking turns.
    const QList<std::pair<QString, QString>> measures = {
        {QStringLiteral("stall_ms"), QStringLiteral("longest UI stall")},
        {QStringLiteral("tabs_ms"), QStringLiteral("all tabs present")},
        {QStringLiteral("active_ms"), QStringLiteral("active page loaded")},
        {QStringLiteral("all_ms"), QStringLiteral("all pages loaded")},
        {QStringLiteral("read_ms"), QStringLiteral("all pages read")},
        {QStringLiteral("pss_kb"), QStringLiteral("PSS 5 s after click")},
        {QStringLiteral("pss30_kb"), QStringLiteral("PSS 30 s after click")},
        {QStringLiteral("cpu_ms"), QStringLiteral("program's CPU time")},
        {QStringLiteral("busy_pct"), QStringLiteral("processors busy until all loaded")},
    };
    // The server makes a shop's heavy pages when they are first asked for, which takes it a moment
    // for each: made beforehand, that work falls on neither side of the comparison.
    if (kinds.contains(QLatin1String("heavy"))) {
        for (const TShopEntry &entry : ReadShopCatalogue(LoadShopCatalogueText())) {
            if (!entry.IsCategory)
                heavy.WeightOf(QUrl(entry.Value).host().toLatin1());
        }
    }
    for (const QString &kind : std::as_const(kinds)) {
        const bool heavyPages = kind == QLatin1String("heavy");
        // Heavy pages come down one line shared by all connections, for both sides alike.
        server.setLineBytesPerSecond(heavyPages ? qint64(lineMbit) * 1000 * 1000 / 8 : 0);
        if (heavyPages)
            server.setFallback([&heavy](const QByteArray &target, const QByteArray &host) {
                return heavy.Reply(target, host);
            });
        else
            server.setFallback(ShopPage);
        for (const int shops : std::as_const(sizes)) {
            QHash<QString, QList<double>> paced, naive;
            for (int i = 0; i < runs; ++i) {
                for (int turn = 0; turn < 2; ++turn) {
                    const bool ours = (i + turn) % 2 == 0;
                    const QString mode = ours ? QStringLiteral("paced") : QStringLiteral("naive");
                    const auto output = RunChild(exePath("bench_program"),
                        {QStringLiteral("compare"), QString::number(shops), mode}, "result");
                    if (!output)
                        continue;
                    const QHash<QString, double> values = ParseResult(*output);
                    for (auto it = values.cbegin(); it != values.cend(); ++it)
                        (ours ? paced : naive)[it.key()].append(it.value());
                    Note(QStringLiteral("%1 %2 shops %3/%4 %5: %6")
                             .arg(kind)
                             .arg(shops)
                             .arg(i + 1)
                             .arg(runs)
                             .arg(mode, QString::fromLatin1(output->trimmed())));
                }
            }
            for (const auto &[key, name] : measures) {
                Row row {QStringLiteral("%1 %2 shops: %3").arg(kind).arg(shops).arg(name),
                    key.endsWith(QLatin1String("_kb"))      ? QStringLiteral("MiB")
                        : key.endsWith(QLatin1String("_pct")) ? QStringLiteral("%")
                                                              : QStringLiteral("ms"),
                    Median(paced.value(key)), Median(naive.value(key))};
                // The goals: with heavy pages and many shops, what a shopper waits for; with a
                // handful of shops, never worse than loading them all at once.
                if (heavyPages && shops == 68) {
                    if (key == QLatin1String("stall_ms") || key == QLatin1String("tabs_ms"))
                        row.goal = 100, row.absolute = true;
                    else if (key == QLatin1String("active_ms"))
                        row.goal = 0.2;
                    else if (key == QLatin1String("all_ms"))
                        row.goal = 1.0;
                    else if (key == QLatin1String("pss30_kb"))
                        row.goal = 0.35;
                } else if (heavyPages && shops == 7 && key != QLatin1String("read_ms")) {
                    row.goal = 1.0;
                }
                rows.append(row);
            }
        }
    }

    // Reading a light results page of 60 offers; there is no anchor for it.
    server.setFallback(ShopPage);
    QHash<QString, QList<double>> reading;
    for (int i = 0; i < runs; ++i) {
        const auto output
            = RunChild(exePath("bench_program"), {QStringLiteral("read"), QStringLiteral("60")}, "result");
        if (!output)
            continue;
        const QHash<QString, double> values = ParseResult(*output);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            reading[it.key()].append(it.value());
        Note(QStringLiteral("read 60 offers %1/%2: %3")
                 .arg(i + 1)
                 .arg(runs)
                 .arg(QString::fromLatin1(output->trimmed())));
    }
    rows.append({QStringLiteral("read 60 offers: in the renderer"), QStringLiteral("ms"),
        Median(reading.value(QStringLiteral("render_ms"))), -1});
    rows.append({QStringLiteral("read 60 offers: program's thread"), QStringLiteral("ms"),
        Median(reading.value(QStringLiteral("program_ms"))), -1});

    std::printf("\nMachine: %s\n", Machine().toUtf8().constData());
    if (kinds.contains(QLatin1String("heavy"))) {
        const HeavyShops::Weight weight = heavy.WeightOf("www.heavy-shop.example");
        std::printf("Heavy pages: %.1f MB of markup, %.0f KB of script, %.0f KB of style, %d pictures of %.0f KB "
                    "on average (one shop; each shop differs); 50-300 ms latency per response, %lld KB/s per "
                    "connection, %s.\n",
            weight.markup / 1e6, weight.script / 1024.0, weight.style / 1024.0, weight.pictureCount,
            weight.pictures / 1024.0 / qMax(1, weight.pictureCount), HeavyShops::kBytesPerSecond / 1024,
            lineMbit > 0 ? qPrintable(QStringLiteral("one line of %1 Mbit/s for all").arg(lineMbit)) : "no line");
    }
    std::printf("Medians of %d runs (start-up: %d runs); pages from 127.0.0.1. Anchor: a bare QWebEngineView "
                "window for start-up, every tab loading at once for the comparisons.\n\n",
        runs, startupRuns);
    std::printf("| %-44s | %12s | %12s | %6s | %-14s |\n", "Measure", "Vanzu", "Anchor", "Ratio", "Goal");
    std::printf("|%s|%s:|%s:|%s:|%s|\n", QByteArray(46, '-').constData(), QByteArray(13, '-').constData(),
        QByteArray(13, '-').constData(), QByteArray(7, '-').constData(), QByteArray(16, '-').constData());
    for (const Row &row : std::as_const(rows)) {
        const QString ratio = row.ours >= 0 && row.anchor > 0 ? QString::number(row.ours / row.anchor, 'f', 2)
                                                              : QStringLiteral("n/a");
        std::printf("| %-44s | %12s | %12s | %6s | %-14s |\n", row.measure.toUtf8().constData(),
            Figure(row.ours, row.unit).toUtf8().constData(), Figure(row.anchor, row.unit).toUtf8().constData(),
            ratio.toUtf8().constData(), Verdict(row).leftJustified(14).toUtf8().constData());
    }
    std::fflush(stdout);
    return 0;
}
