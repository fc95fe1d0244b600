#include "TPriceHistory.h"

#include "THistoryReader.h"
#include "THistoryStore.h"
#include "U_Pub.h"

#include <QDir>
#include <QStandardPaths>
#include <QThread>

// Lives on the history's own thread and does there all that touches the file. It tells the
// history through queued calls, which are dropped when the history is gone.
class TPriceHistory::Worker : public QObject
{
public:
    explicit Worker(TPriceHistory *history)
        : m_history(history), m_store(QStringLiteral("vanzu-history-%1").arg(quintptr(history), 0, 16))
    {
    }

    void open(const QString &path)
    {
        QString notice;
        const bool kept = m_store.Open(path, &notice);
        m_history->m_kept = kept;
        m_lost = !kept;
        TState loaded;
        loaded.Summaries = m_store.Summaries();
        loaded.Watches = m_store.LoadWatches();
        {
            const QMutexLocker lock(&m_history->m_mutex);
            for (const TChange &change : std::as_const(m_history->m_changesBeforeLoad))
                change(loaded);
            m_history->m_changesBeforeLoad.clear();
            m_history->m_loaded = true;
            m_history->m_state = loaded;
        }
        if (!notice.isEmpty())
            tell([notice](TPriceHistory *h) { emit h->notice(notice); });
        tell([](TPriceHistory *h) { emit h->opened(); });
    }

    void record(const THistoryComparison &comparison)
    {
        QString error;
        if (!m_store.IsOpen())
            return;
        if (!m_store.Record(comparison, &error))
            return lose(error);
        publishSummaries();
        tell([](TPriceHistory *h) { emit h->recorded(); });
    }

    void clear()
    {
        QString error;
        if (!m_store.IsOpen())
            return;
        if (!m_store.Clear(&error))
            return lose(error);
        publishSummaries();
        tell([](TPriceHistory *h) { emit h->cleared(); });
    }

    void saveWatch(const TWatch &watch)
    {
        QString error;
        if (m_store.IsOpen() && !m_store.SaveWatch(watch, &error))
            lose(error);
    }

    void removeWatch(const QString &key)
    {
        QString error;
        if (m_store.IsOpen() && !m_store.RemoveWatch(key, &error))
            lose(error);
    }

    void close() { m_store.Close(); }

private:
    void tell(std::function<void(TPriceHistory *)> call)
    {
        QMetaObject::invokeMethod(
            m_history, [h = m_history, call] { call(h); }, Qt::QueuedConnection);
    }

    // After each write: the summaries as they are now, another program's comparisons included.
    void publishSummaries()
    {
        const QHash<QString, THistorySummary> summaries = m_store.Summaries(); // shared, not copied
        const QMutexLocker lock(&m_history->m_mutex);
        m_history->m_state.Summaries = summaries;
    }

    // The file cannot be written: the history is not kept from now on, and the user is told
    // once. What is in memory stays for the run.
    void lose(const QString &error)
    {
        m_store.Close();
        m_history->m_kept = false;
        if (m_lost)
            return;
        m_lost = true;
        QString path;
        {
            const QMutexLocker lock(&m_history->m_mutex);
            path = m_history->m_path;
        }
        const QString text = THistoryStore::NotKeptNotice(path, error);
        tell([text](TPriceHistory *h) { emit h->notice(text); });
    }

    TPriceHistory *m_history;
    THistoryStore m_store;
    bool m_lost = false;
};

TPriceHistory::TPriceHistory(QObject *parent)
    : QObject(parent), m_thread(new QThread), m_worker(new Worker(this))
{
    m_thread->setObjectName(QStringLiteral("price history"));
    m_worker->moveToThread(m_thread);
    m_thread->start();
}

TPriceHistory::~TPriceHistory()
{
    // Queued behind every write asked for: they are all done before the thread ends.
    QMetaObject::invokeMethod(m_worker, [w = m_worker] {
        w->close();
        QThread::currentThread()->quit();
    });
    m_thread->wait();
    delete m_worker;
    delete m_thread;
}

QString TPriceHistory::DefaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
        + QStringLiteral("/history.sqlite");
}

void TPriceHistory::Open(const QString &path)
{
    {
        const QMutexLocker lock(&m_mutex);
        m_loaded = false;
        m_path = path;
    }
    QMetaObject::invokeMethod(m_worker, [w = m_worker, path] { w->open(path); });
}

void TPriceHistory::WaitForWrites()
{
    waitForWorker();
}

void TPriceHistory::waitForWorker() const
{
    // The worker takes its calls in order: once this empty one has run, so have all before it.
    QMetaObject::invokeMethod(
        m_worker, [] {}, Qt::BlockingQueuedConnection);
}

bool TPriceHistory::IsKept() const
{
    return m_kept;
}

void TPriceHistory::Record(const THistoryComparison &comparison)
{
    QMetaObject::invokeMethod(m_worker, [w = m_worker, comparison] { w->record(comparison); });
}

void TPriceHistory::change(const TChange &change)
{
    const QMutexLocker lock(&m_mutex);
    change(m_state);
    if (!m_loaded)
        m_changesBeforeLoad.append(change);
}

void TPriceHistory::Clear()
{
    change([](TState &state) {
        state.Summaries.clear();
        for (TWatch &watch : state.Watches) {
            watch.Armed = true;
            watch.LastFen = watch.LowestFen = 0;
            watch.LastShop.clear();
            watch.LastAddress.clear();
        }
    });
    QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->clear(); });
}

QHash<QString, THistorySummary> TPriceHistory::Summaries() const
{
    const QMutexLocker lock(&m_mutex);
    return m_state.Summaries;
}

QList<TPricePoint> TPriceHistory::Points(const QString &key) const
{
    QString path;
    {
        const QMutexLocker lock(&m_mutex);
        path = m_path;
    }
    if (!IsKept() || path.isEmpty())
        return {};
    return THistoryReader(path).Points(key);
}

QList<TWatch> TPriceHistory::Watches() const
{
    const QMutexLocker lock(&m_mutex);
    return m_state.Watches;
}

bool TPriceHistory::IsWatched(const QString &key) const
{
    const QMutexLocker lock(&m_mutex);
    return std::any_of(m_state.Watches.cbegin(), m_state.Watches.cend(),
        [&key](const TWatch &watch) { return watch.Key == key; });
}

void TPriceHistory::SetWatch(const TWatch &watch)
{
    change([watch](TState &state) {
        const auto it = std::find_if(state.Watches.begin(), state.Watches.end(),
            [&watch](const TWatch &w) { return w.Key == watch.Key; });
        if (it != state.Watches.end())
            *it = watch;
        else
            state.Watches.append(watch);
    });
    QMetaObject::invokeMethod(m_worker, [w = m_worker, watch] { w->saveWatch(watch); });
}

void TPriceHistory::RemoveWatch(const QString &key)
{
    change(
        [key](TState &state) { state.Watches.removeIf([&key](const TWatch &w) { return w.Key == key; }); });
    QMetaObject::invokeMethod(m_worker, [w = m_worker, key] { w->removeWatch(key); });
}

bool TPriceHistory::ExportCsv(const QString &path, QString *error) const
{
    waitForWorker();
    QString historyPath;
    {
        const QMutexLocker lock(&m_mutex);
        historyPath = m_path;
    }
    const QString target = QDir::toNativeSeparators(path);
    if (!IsRegularFileOrNew(path)) {
        *error = QStringLiteral("“%1”不是普通文件，没有写入。").arg(target);
        return false;
    }
    THistoryReader reader(historyPath);
    if (!reader.IsOpen()) {
        *error = QStringLiteral("无法读取价格历史：%1").arg(reader.ErrorText());
        return false;
    }
    if (WriteFileAtomically(path, [&reader](QIODevice &file) { return reader.WriteCsv(file); }))
        return true;
    // The reader names a failed read; anything else is the new file that could not be written.
    *error = !reader.ErrorText().isEmpty()
        ? QStringLiteral("无法读取价格历史：%1").arg(reader.ErrorText())
        : QStringLiteral("无法写入“%1”（文件夹只读或磁盘已满？）。").arg(target);
    return false;
}
