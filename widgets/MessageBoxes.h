#pragma once

#include <QString>

// The program's message boxes: modal, owned by the active window, the keyboard focus back where
// it was once they close.

// Button sets of MsgBox (added to the information icon, 64).
enum : int { MB_OK = 0, MB_OKCANCEL = 1, MB_YESNOCANCEL = 3, MB_YESNO = 4, MB_ICONINFORMATION = 64 };
// Identifiers of the button that closed the box.
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// A modal message box with the information icon, owned by the active window. Returns the
// identifier of the button that closed it.
int MsgBox(const QString &text, const QString &caption, int flags);
// The program's one way of telling the user something: an information box captioned "提示".
void ShowMsg(const QString &text);
// The about box: like ShowMsg, but its picture is the program's icon (the application's window
// icon) instead of the information sign.
void ShowAbout(const QString &text);
