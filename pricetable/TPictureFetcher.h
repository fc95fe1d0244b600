#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QThread>
#include <QUrl>

// Fetches small pictures (the offers' in the price table) on a thread of its own, and hands
// them back scaled to fit `size`. Asking the system which proxy an address goes through can wait
// on another thread of the network library, and decoding and scaling take a moment each; with a
// comparison's renderers keeping the processors busy, either held the window for 100-200 ms when
// it was done on the window's thread.
//
// A page names the pictures, so each is held to MaxBytes and to a decoded size the reader
// allows; a picture that fails is not reported.
class TPictureFetcher : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 MaxBytes = 2 * 1024 * 1024;
    static constexpr int TimeoutMs = 15000;

    explicit TPictureFetcher(const QSize &size, QObject *parent = nullptr);
    // Stops the thread; pictures still on their way are dropped.
    ~TPictureFetcher() override;

    // Returns at once; `fetched` follows when the picture has come.
    void Fetch(const QUrl &address);

signals:
    // In the thread of the fetcher's owner.
    void fetched(const QUrl &address, const QImage &picture);

private:
    QThread m_thread;
    QObject *m_worker;
};
