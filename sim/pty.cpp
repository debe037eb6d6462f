#include "pty.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool openPty(const std::string& link, Pty* pty)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::fprintf(stderr, "plnsim: no pseudo-terminal: %s\n", std::strerror(errno));
        if (master >= 0)
            ::close(master);
        return false;
    }
    pty->master = master;
    pty->device = ptsname(master);
    pty->slave = ::open(pty->device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (pty->slave >= 0 && tcgetattr(pty->slave, &t) == 0) {
        cfmakeraw(&t);
        cfsetispeed(&t, B38400);
        cfsetospeed(&t, B38400);
        tcsetattr(pty->slave, TCSANOW, &t);
    }
    // The link is replaced in one step, so whoever opens it finds the old or the new terminal.
    const std::string fresh = link + ".new";
    ::unlink(fresh.c_str());
    if (::symlink(pty->device.c_str(), fresh.c_str()) != 0 || ::rename(fresh.c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "plnsim: cannot create %s: %s\n", link.c_str(), std::strerror(errno));
        ::unlink(fresh.c_str());
        closePty(pty);
        return false;
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    return true;
}

void closePty(Pty* pty)
{
    for (int* fd : {&pty->master, &pty->slave}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}
