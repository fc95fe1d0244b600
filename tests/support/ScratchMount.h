#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#ifdef Q_OS_LINUX
#include <sys/mount.h>

// A small tmpfs mounted over a folder for one test and unmounted with it. Mounting needs root
// (CAP_SYS_ADMIN): check isMounted() and skip otherwise. It is the one way to make a folder
// that even root cannot write to.
class ScratchMount
{
public:
    explicit ScratchMount(const QString &path) : m_path(QFile::encodeName(path))
    {
        m_mounted = ::mount("tmpfs", m_path.constData(), "tmpfs", 0, "size=256k") == 0;
    }
    ~ScratchMount()
    {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    ScratchMount(const ScratchMount &) = delete;
    ScratchMount &operator=(const ScratchMount &) = delete;

    bool isMounted() const { return m_mounted; }
    bool setReadOnly(bool readOnly)
    {
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount(nullptr, m_path.constData(), nullptr, flags, "size=256k") == 0;
    }

private:
    QByteArray m_path;
    bool m_mounted = false;
};
#endif
