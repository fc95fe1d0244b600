#pragma once

#include <QStringList>

// Whether the program can reach a display, asked before Qt's application object exists: Qt ends
// the process when the window system it starts with cannot be reached, and the command-line
// modes must run where there is none (a timer, a server, an SSH session).

// The user has chosen Qt's platform (QT_QPA_PLATFORM, or -platform among `arguments`): the
// program leaves it to them.
bool WindowSystemChosen(const QStringList &arguments);

// A Wayland or X11 display is named (WAYLAND_DISPLAY, DISPLAY) and answers.
bool DisplayReachable();
