#pragma once

#include <QString>

// The folder the keyword history kd.db is written to: the program's own folder while the
// program may write there (a copy run from where it was built or unpacked), otherwise the
// user's data folder (an installed program). Empty when the program's folder cannot be
// written and no data folder is known. The data folder need not exist yet: the writer
// creates it.
QString HistoryFolder(const QString &programFolder, const QString &userDataFolder);
