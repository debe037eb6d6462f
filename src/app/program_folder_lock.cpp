#include "app/program_folder_lock.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

ProgramFolderLock::~ProgramFolderLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

ProgramFolderLock::Result ProgramFolderLock::acquire(const std::filesystem::path& tmpFolder)
{
    if (fd_ >= 0)
        return Result::Held;
    // Never truncated and never followed through a link: the file's content does not matter,
    // only the lock on it.
    const std::filesystem::path file = tmpFolder / "PLNTOOL.lock";
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return Result::Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? Result::InUse : Result::Failed;
    }
    fd_ = fd;
    return Result::Held;
}
