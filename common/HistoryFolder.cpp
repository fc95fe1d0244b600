#include "HistoryFolder.h"

#include <QFileInfo>

QString HistoryFolder(const QString &programFolder, const QString &userDataFolder)
{
    // The history is replaced through a temporary file beside it, so it is the folder that
    // has to be writable, not only kd.db. isWritable() asks the system (access()), which
    // also knows read-only mounts.
    const QFileInfo program(programFolder);
    if (!programFolder.isEmpty() && program.isDir() && program.isWritable())
        return programFolder;
    return userDataFolder;
}
