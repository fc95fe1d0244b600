#pragma once

#include "TPageControl.h"

#include <QString>

class TBrowserView;

// One browser tab: a page of the tab strip holding exactly one browser view, and what that
// view last reported about going back, going forward and loading. Its caption doubles as its
// state: "加载中...", "默认", "空白页", "找不到服务器" or a page title.
class TTabSheetEx : public TTabSheet
{
    Q_OBJECT
public:
    explicit TTabSheetEx(TPageControl *owner);
    ~TTabSheetEx() override;

    TBrowserView *Browser = nullptr; // owned: a child of this tab
    bool CanGoBack = false;
    bool CanGoForward = false;
    bool IsBusy = false;
};
