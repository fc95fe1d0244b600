#pragma once

#include <QIcon>
#include <QPixmap>

// The program's pictures, drawn in code so that they stay crisp at every screen scale.

// Button images of ImageListMenu, by index.
enum TMenuImage {
    imgBack = 0,
    imgForward = 1,
    imgStop = 2,
    imgRefresh = 3,
    imgFileMenu = 4,
    imgCompare = 5,
    imgChooseShops = 6,
    MenuImageCount = 7
};
QIcon MenuImage(int index);

// The logo shown in the top panel (drawn into the given size, transparent background).
QPixmap LogoPixmap(const QSize &size, qreal devicePixelRatio = 1.0);

// The program's icon, for its windows and its about box; the same drawing is installed for
// the desktop (resources/icons).
QIcon AppIcon();
