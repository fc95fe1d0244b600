#pragma once

#include "TOffer.h"
#include "TShopRules.h"

#include <QJsonObject>
#include <QList>
#include <QString>

// The reading script with its call for the page's rule, ready to run in a page.
QString OfferReadingScript(const QJsonObject &rule);

// The script of the pick in which the user teaches the program a shop's page (TPickMode).
QString RulePickingScript();

// The offers of one page from what the reading script handed back, for the shop `shop`: the
// first way of reading that yields offers wins. Entries without a name or a price, and
// addresses that are not http or https, are dropped; addresses are made absolute.
QList<TOffer> OffersFromReading(const QString &json, const QString &shop);
