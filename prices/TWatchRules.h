#pragma once

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QUrl>

// A watched product. Its target: a notice when the lowest price falls below it.
struct TWatch
{
    QString Key; // the product's key
    QString Name;
    QString Keyword; // the comparison it came from, re-run to check it
    QStringList Shops;
    qint64 TargetFen = 0;
    bool NotifyNewLow = false; // also at every new all-time low
    bool Armed = true; // a crossing notifies once; re-armed when the price is back at or above the target
    qint64 LastFen = 0; // the lowest price at the last check that read one; 0 before
    QString LastShop;
    QUrl LastAddress;
    qint64 LowestFen = 0; // the lowest ever seen since watched
    QDateTime LastChecked; // UTC; the last check, read or not
};

// What a check of a watched product tells the user.
struct TWatchNotice
{
    QString Key;
    QString Name;
    qint64 OldFen = 0; // 0 when the check was the product's first reading
    qint64 NewFen = 0;
    QString Shop;
    QUrl Address;
    bool NewLow = false; // a new all-time low rather than a crossing of the target
    // "星弧 S12 Pro 8+256G：¥2,999 → ¥2,699（京东商城）"; without "¥… → " after no earlier price.
    QString Text() const;
};

// The rules of notices, for one watched product and one check. `lowestFen` is the lowest price the
// check read for it (with its shop and address); 0 or less when the check read none (a failed or
// empty reading), which changes nothing but LastChecked and never notifies. A crossing below the
// target notifies once and disarms; the price back at or above the target re-arms. A new
// all-time low (below every earlier reading since watched) notifies when NotifyNewLow is set and
// the same check did not already notify a crossing: one check, one notice at most.
QList<TWatchNotice> CheckWatch(
    TWatch &watch, qint64 lowestFen, const QString &shop, const QUrl &address, const QDateTime &now);
