#include "TOffer.h"

QString OfferSourceText(TOfferSource source)
{
    switch (source) {
    case TOfferSource::StructuredData:
        return QStringLiteral("结构化数据");
    case TOfferSource::ShopRules:
        return QStringLiteral("网店规则");
    case TOfferSource::PageRecognition:
        break;
    }
    return QStringLiteral("页面识别");
}

QString OfferKindText(TOfferKind kind)
{
    switch (kind) {
    case TOfferKind::Accessory:
        return QStringLiteral("配件");
    case TOfferKind::Unrelated:
        return QStringLiteral("无关");
    case TOfferKind::Product:
        break;
    }
    return QStringLiteral("商品");
}
