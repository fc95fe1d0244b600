#include "TWatchRules.h"

#include "THistoryRecords.h"

QString TWatchNotice::Text() const
{
    QString text = Name + QStringLiteral("：");
    if (OldFen > 0)
        text += YuanText(OldFen) + QStringLiteral(" → ");
    text += YuanText(NewFen);
    if (!Shop.isEmpty())
        text += QStringLiteral("（%1）").arg(Shop);
    return text;
}

QList<TWatchNotice> CheckWatch(
    TWatch &watch, qint64 lowestFen, const QString &shop, const QUrl &address, const QDateTime &now)
{
    watch.LastChecked = now.toUTC();
    if (lowestFen <= 0)
        return {};

    TWatchNotice notice;
    notice.Key = watch.Key;
    notice.Name = watch.Name;
    notice.OldFen = watch.LastFen;
    notice.NewFen = lowestFen;
    notice.Shop = shop;
    notice.Address = address;

    bool notify = false;
    if (watch.TargetFen > 0 && lowestFen < watch.TargetFen) {
        notify = watch.Armed;
        watch.Armed = false;
    } else {
        watch.Armed = true;
    }
    if (!notify && watch.NotifyNewLow && watch.LowestFen > 0 && lowestFen < watch.LowestFen) {
        notify = true;
        notice.NewLow = true;
    }

    watch.LastFen = lowestFen;
    watch.LastShop = shop;
    watch.LastAddress = address;
    if (watch.LowestFen <= 0 || lowestFen < watch.LowestFen)
        watch.LowestFen = lowestFen;
    return notify ? QList<TWatchNotice> {notice} : QList<TWatchNotice> {};
}
