#pragma once

#include "TOffer.h"

#include <QByteArray>
#include <QList>

// The offers as CSV: UTF-8 with a byte-order mark, RFC 4180 quoting, CR LF line ends, the header
// 网店,商品,价格,地址,来源,同款,类别, one row per offer, cheapest first (the order of `offers`
// among equal prices). 同款 is the number of the offer's product group (TProductGrouping: 1, 2, …
// in the order of the groups' lowest prices; offers of one number are one product), 类别 is
// 商品, 配件 or 无关 as the offer stands to `keyword`. A field that a spreadsheet would take for a formula (=, +, -, @ first) is written
// with a leading "'", so that a page's text cannot become a formula.
QByteArray OffersCsv(const QList<TOffer> &offers, const QString &keyword = QString());

// One field of a CSV row as UTF-8: quoted when it holds a quote, a comma or a line break, and
// with a leading "'" when a spreadsheet would take it for a formula. Every CSV the program
// writes goes through it.
QByteArray CsvField(QString text);

// Writes OffersCsv(offers, keyword) to `path` in one piece; false, and nothing replaced, when the
// file cannot be written whole or `path` names something else than a regular file.
bool WriteOffersCsv(const QString &path, const QList<TOffer> &offers, const QString &keyword = QString());
