#pragma once

#include <QString>
#include <QUrl>

// How an offer was found on its page.
enum class TOfferSource { StructuredData, ShopRules, PageRecognition };

// The name of a source as the exported table writes it: "结构化数据", "网店规则", "页面识别".
QString OfferSourceText(TOfferSource source);

// What an offer is to the comparison's keyword: the product searched for, an accessory of it
// (a case, a film, a charger), or something the keyword does not describe.
enum class TOfferKind { Product, Accessory, Unrelated };

// The kind as the table and the CSV write it: "商品", "配件", "无关".
QString OfferKindText(TOfferKind kind);

// One offer read from a shop's results page. Name and addresses come from the page: they are
// hostile text and are only ever shown as plain text.
struct TOffer
{
    QString Shop;
    QString Name;
    qint64 PriceFen = 0;
    QUrl Address; // absolute http or https
    QUrl Picture; // absolute http or https, or empty
    TOfferSource Source = TOfferSource::PageRecognition;
};
