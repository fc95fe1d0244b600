#pragma once

#include <QString>

// How far the reading of one shop's results page in a comparison has come.
enum class TShopState {
    Waiting,        // its page has not started loading
    Reading,        // its page loads or is being read
    Offers,         // offers were read (the page may still be read again)
    NoOffers,       // read to the end, without offers
    Unreadable,     // the page could not be loaded or read
    Crashed,        // its renderer ended
    Left,           // the tab went on to another page before the reading ended
    Asleep,         // the page was put to sleep before it could be read
    TimedOut,       // no reading in time
    InvalidAddress, // the shop's search address is not valid: no page was opened
};

// A shop's state as the user reads it: "等待加载", "读取中", "12 件", "未找到商品", "无法读取",
// "页面崩溃", "已离开结果页", "页面已休眠", "超时", "无效链接地址". `offers` counts for Offers only.
QString ShopStateText(TShopState state, int offers = 0);
