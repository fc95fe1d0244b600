#pragma once

class QLineEdit;

// Gives `edit` its clear button the first time it is shown, or now when it is visible already.
// The button's icon comes from the icon theme, whose first look-up takes milliseconds: boxes
// that start hidden (a find bar, a filter above a table that appears later) would otherwise
// spend them while their window starts.
void EnableClearButtonWhenShown(QLineEdit *edit);
