#pragma once

class QLineEdit;

// Gives `edit` its clear button: now when it is visible, otherwise the first time it is shown or
// ClearButtonDelayMs after this call, whichever comes first.
//
// The button's icon comes from the icon theme, whose first look-up reads the theme's index: some
// milliseconds on an idle machine, a fifth of a second while a comparison loads dozens of pages.
// Boxes that start hidden (a find bar, the filter above a table that appears with the first
// offers) would otherwise pay it while their window starts, or freeze the window when they first
// appear in the middle of a comparison. A moment after the window has started, the machine is
// idle.
constexpr int ClearButtonDelayMs = 1500;
void EnableClearButtonLater(QLineEdit *edit);
