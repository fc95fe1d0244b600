#include "TTabSheetEx.h"

#include "TBrowserView.h"

TTabSheetEx::TTabSheetEx(TPageControl *owner) : TTabSheet(owner) { }

TTabSheetEx::~TTabSheetEx()
{
    // The view goes with its tab; it reports nothing on the way out.
    delete Browser;
}
