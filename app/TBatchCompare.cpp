#include "TBatchCompare.h"

#include "THistoryKeeper.h"
#include "TPriceComparison.h"
#include "TPriceTablePane.h"
#include "TShopCatalogue.h"
#include "U_Main.h"
#include "U_Pub.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <cstdio>

QStringList TBatchCompare::ResolveShops(const QString &catalogueText, const QString &names, QString &error)
{
    const QList<TShopEntry> entries = ReadShopCatalogue(catalogueText);
    QStringList shops;
    for (const QString &raw : names.split(QLatin1Char(';'))) {
        const QString name = TrimControls(raw);
        if (name.isEmpty())
            continue;
        bool known = false;
        for (qsizetype i = 0; i < entries.size() && !known; ++i) {
            if (!SameText(entries.at(i).Name, name))
                continue;
            known = true;
            if (!entries.at(i).IsCategory) {
                shops.append(entries.at(i).Name);
                break;
            }
            for (qsizetype j = i + 1; j < entries.size() && !entries.at(j).IsCategory; ++j)
                shops.append(entries.at(j).Name);
        }
        if (!known) {
            error = QStringLiteral("Unknown shop or category '%1'.").arg(name);
            return {};
        }
    }
    shops.removeDuplicates();
    if (shops.isEmpty())
        error = QStringLiteral("No shop named in '--shops'.");
    return shops;
}

bool TBatchCompare::CanWrite(const QString &path)
{
    if (!IsRegularFileOrNew(path))
        return false;
    QFile file(path);
    const bool existed = file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    file.close();
    if (!existed)
        file.remove();
    return true;
}

TBatchCompare::TBatchCompare(
    TFrm_Main *window, const QStringList &shops, const QString &keyword, const QString &file, int waitSeconds)
    : QObject(window), m_window(window), m_shops(shops), m_keyword(keyword), m_file(file)
{
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(std::chrono::seconds(waitSeconds));
    connect(&m_deadline, &QTimer::timeout, this, [this] { finish(false); });
    // Closed by hand before the end, the window ends the batch as not everything read.
    window->installEventFilter(this);
}

bool TBatchCompare::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        finish(false);
    return QObject::eventFilter(watched, event);
}

void TBatchCompare::Start()
{
    m_deadline.start();
    // A search issued into the start page's own load would be taken for part of it.
    TBrowserView *start = m_window->ActiveTab() ? m_window->ActiveTab()->Browser : nullptr;
    if (start && start->Busy()) {
        auto *once = new QObject(this);
        connect(start, &TBrowserHost::busyChanged, once, [this, once](bool busy) {
            if (busy)
                return;
            delete once;
            QMetaObject::invokeMethod(this, &TBatchCompare::Run, Qt::QueuedConnection);
        });
        return;
    }
    Run();
}

void TBatchCompare::Run()
{
    if (m_finished)
        return;
    connect(m_window->PriceComparison(), &TPriceComparison::shopDone, this, [this] {
        if (m_window->PriceComparison()->AllDone())
            finish(true);
    });
    m_window->EdtWD->setText(m_shops.join(QLatin1Char(';')));
    m_window->cbKeyWord->setEditText(m_keyword);
    m_window->btnGoClick();
}

void TBatchCompare::finish(bool inTime)
{
    if (m_finished)
        return;
    m_finished = true;
    m_deadline.stop();
    TPriceComparison *comparison = m_window->PriceComparison();
    QString report;
    for (const QString &line : comparison->Report())
        report += line + QLatin1Char('\n');
    std::fputs(report.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
    m_status = inTime && comparison->AllRead() ? 0 : 1;
    // What was read goes into the price history, read in time or not.
    m_window->HistoryKeeper()->RecordNow();
    if (!m_window->pPrices->ExportCsv(m_file)) {
        std::fputs(qPrintable(QStringLiteral("Cannot write '%1'; it is left as it was.\n")
                                  .arg(QDir::toNativeSeparators(m_file))),
            stderr);
        m_status = 2;
    }
    QCoreApplication::exit(m_status);
}
