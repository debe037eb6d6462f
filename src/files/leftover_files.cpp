#include "files/leftover_files.h"

#include <cerrno>
#include <charconv>
#include <string>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

// A killed writer whose parent has not collected it yet (a script that started it in the
// background and is still running) is a zombie: it holds no file and no port any more, but
// kill() still finds it. Its state letter in /proc/PID/stat, after the name in parentheses,
// is 'Z'. The kernel's process table is read directly, with a bound of its own.
bool isZombie(long pid)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[512];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n <= 0)
        return false;
    const std::string_view stat(buffer, std::size_t(n));
    const auto close = stat.rfind(')');
    return close != std::string_view::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

} // namespace

bool writerIsGone(long pid)
{
    if (pid <= 0)
        return false;
    if (::kill(pid_t(pid), 0) != 0)
        return errno == ESRCH;
    return isZombie(pid);
}

std::optional<long> writerInName(std::string_view name, std::string_view prefix)
{
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
        return std::nullopt;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    long pid = 0;
    auto [end, ec] = std::from_chars(first, last, pid);
    if (ec != std::errc() || end == first || end == last || *end != '-' || pid <= 0)
        return std::nullopt;
    return pid;
}

bool isLeftoverName(std::string_view name, std::string_view prefix)
{
    auto pid = writerInName(name, prefix);
    return pid && *pid != long(::getpid()) && writerIsGone(*pid);
}

bool flushToDisk(const std::filesystem::path& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    bool ok = ::fsync(fd) == 0 || errno == EINVAL; // some file systems cannot flush a folder
    int saved = errno;
    ::close(fd);
    errno = saved;
    return ok;
}
