#include "WindowSystem.h"

#include <QDir>
#include <QLibrary>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// The compositor's socket accepts a connection.
bool waylandAnswers()
{
    const QByteArray name = qgetenv("WAYLAND_DISPLAY");
    if (name.isEmpty())
        return false;
    const QByteArray path = name.startsWith('/') ? name : qgetenv("XDG_RUNTIME_DIR") + '/' + name;
    sockaddr_un address{};
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answers = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return answers;
}

// The X server lets the program in: a connection as the window system would open it, through
// the X client library that Qt's own X11 support loads too.
bool x11Answers()
{
    if (qgetenv("DISPLAY").isEmpty())
        return false;
    QLibrary xcb(QStringLiteral("xcb"), 1);
    using Connect = void *(*)(const char *, int *);
    using HasError = int (*)(void *);
    using Disconnect = void (*)(void *);
    const auto connect = reinterpret_cast<Connect>(xcb.resolve("xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(xcb.resolve("xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(xcb.resolve("xcb_disconnect"));
    if (!connect || !hasError || !disconnect)
        return true; // nothing to ask with: the display is taken at its word
    void *connection = connect(nullptr, nullptr);
    const bool answers = connection && hasError(connection) == 0;
    if (connection)
        disconnect(connection);
    return answers;
}
#endif

} // namespace

bool WindowSystemChosen(const QStringList &arguments)
{
    return !qgetenv("QT_QPA_PLATFORM").isEmpty() || arguments.contains(QLatin1String("-platform"))
        || arguments.contains(QLatin1String("--platform"));
}

bool DisplayReachable()
{
#ifdef Q_OS_UNIX
    return waylandAnswers() || x11Answers();
#else
    return true; // Windows and macOS always have their window system
#endif
}
