// How long reading and grouping a comparison's offers takes: the titles of a labelled file (by
// default the test suite's), repeated under other shops' names up to the number asked for, read
// and grouped as the price table does each time a shop's offers arrive. Prints the median of a
// few runs.
//
//   bench_products [--offers 4000] [--runs 9] [FILE]
#include "TProductGrouping.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <ctime>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int count = 4000, runs = 9;
    QString path = QStringLiteral(VANZU_LABELLED_OFFERS);
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--offers") && !args.isEmpty())
            count = qMax(1, args.takeFirst().toInt());
        else if (arg == QLatin1String("--runs") && !args.isEmpty())
            runs = qMax(1, args.takeFirst().toInt());
        else
            path = arg;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Cannot read %s\n", qPrintable(path));
        return 1;
    }
    QList<TOffer> source;
    QString keyword;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QStringList c = line.split(QLatin1Char('\t'));
        if (line.startsWith(QLatin1Char('#')) || c.size() < 4)
            continue;
        if (keyword.isEmpty())
            keyword = c.at(0);
        TOffer offer;
        offer.Shop = c.at(1);
        offer.Name = c.at(2);
        offer.PriceFen = qRound64(c.at(3).toDouble() * 100);
        source.append(offer);
    }
    if (source.isEmpty())
        return 1;
    QList<TOffer> offers;
    for (int i = 0; offers.size() < count; ++i) {
        TOffer offer = source.at(i % source.size());
        offer.Shop += QString::number(i / source.size());
        // Each title another text (an invisible mark the reading drops), as from other shops.
        offer.Name += QString(i / source.size(), QChar(0x200B));
        offer.PriceFen += i;
        offers.append(offer);
    }
    (void)TProductLexicon::Shared(); // read once in the program too, before the first comparison
    QList<qint64> times, cpu;
    int groups = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const std::clock_t cpuStart = std::clock();
        const TProductGrouping grouping = TProductGrouping::Group(offers, keyword);
        cpu.append(qint64(std::clock() - cpuStart) * 1000000000 / CLOCKS_PER_SEC);
        times.append(clock.nsecsElapsed());
        groups = int(grouping.Groups().size());
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%d offers (%d groups): reading and grouping takes %.1f ms, %.1f ms of processor time "
                "(medians of %d runs)\n",
        int(offers.size()), groups, times.at(times.size() / 2) / 1e6, cpu.at(cpu.size() / 2) / 1e6, runs);
    return 0;
}
