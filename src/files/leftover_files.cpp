#include "files/leftover_files.h"

#include <cerrno>
#include <charconv>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

bool writerIsGone(long pid)
{
    if (pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
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
