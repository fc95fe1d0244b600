#pragma once

#include "TestHttpServer.h"

#include <QByteArray>
#include <QHash>
#include <QList>

// Results pages as heavy as real shops' serve them: 1-2 MB of markup with 60 product cards, a
// picture for each (20-60 KB, from four picture hosts of the shop), a few hundred kilobytes of script that builds the last third of
// the list after the load and keeps a countdown running, and a style sheet. Every response waits
// for the shop's latency (50-300 ms, different for each shop) and then trickles out at the
// connection's bandwidth. Everything is made here, from the shop's host name, the same on every
// run.
class HeavyShops
{
public:
    // Bytes a second on each connection.
    static constexpr qint64 kBytesPerSecond = 1500 * 1024;

    TestHttpServer::Reply Reply(const QByteArray &target, const QByteArray &host);

    // What one shop's results page weighs, for the benchmark's heading.
    struct Weight
    {
        qint64 markup = 0;
        qint64 script = 0;
        qint64 style = 0;
        qint64 pictures = 0;
        int pictureCount = 0;
    };
    Weight WeightOf(const QByteArray &host);

private:
    struct Shop
    {
        QByteArray page;
        QByteArray script;
        QByteArray style;
        int latencyMs = 0;
        quint32 seed = 0;
    };
    const Shop &ShopFor(const QByteArray &host);
    const QByteArray &Picture(int index);

    QHash<QByteArray, Shop> m_shops;
    QList<QByteArray> m_pictures;
};
