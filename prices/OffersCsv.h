#pragma once

#include "TOffer.h"

#include <QByteArray>
#include <QList>

// The offers as CSV: UTF-8 with a byte-order mark, RFC 4180 quoting, CR LF line ends, the header
// 网店,商品,价格,地址,来源, one row per offer, cheapest first (the order of `offers` among equal
// prices). A field that a spreadsheet would take for a formula (=, +, -, @ first) is written
// with a leading "'", so that a page's text cannot become a formula.
QByteArray OffersCsv(QList<TOffer> offers);

// Writes OffersCsv(offers) to `path` in one piece; false, and nothing replaced, when the file
// cannot be written whole or `path` names something else than a regular file.
bool WriteOffersCsv(const QString &path, const QList<TOffer> &offers);
