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
