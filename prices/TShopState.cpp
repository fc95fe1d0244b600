#include "TShopState.h"

QString ShopStateText(TShopState state, int offers)
{
    switch (state) {
    case TShopState::Waiting:
        return QStringLiteral("等待加载");
    case TShopState::Reading:
        return QStringLiteral("读取中");
    case TShopState::Offers:
        return QStringLiteral("%1 件").arg(offers);
    case TShopState::NoOffers:
        return QStringLiteral("未找到商品");
    case TShopState::Unreadable:
        break;
    case TShopState::Crashed:
        return QStringLiteral("页面崩溃");
    case TShopState::Left:
        return QStringLiteral("已离开结果页");
    case TShopState::Asleep:
        return QStringLiteral("页面已休眠");
    case TShopState::TimedOut:
        return QStringLiteral("超时");
    case TShopState::InvalidAddress:
        return QStringLiteral("无效链接地址");
    }
    return QStringLiteral("无法读取");
}
