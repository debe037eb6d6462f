#include "cli/serial_ports.h"

#include "link/port_names.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string byIdName(const std::string& device)
{
    std::error_code ec;
    const fs::path target = fs::canonical(device, ec);
    if (ec)
        return {};
    for (const fs::directory_entry& link : fs::directory_iterator("/dev/serial/by-id", ec)) {
        std::error_code ec2;
        if (fs::canonical(link.path(), ec2) == target && !ec2)
            return link.path().string();
    }
    return {};
}

// A UUCP lock file (LCK..ttyUSB0) of a process that still runs: the way minicom, PLNTOOL and
// other serial programs say that a port is theirs.
std::string lockHolder(const std::string& device)
{
    const std::string name = "LCK.." + fs::path(device).filename().string();
    const char* tmp = std::getenv("TMPDIR");
    for (const std::string dir : {std::string("/var/lock"), std::string("/run/lock"), std::string(tmp && *tmp ? tmp : "/tmp")}) {
        std::ifstream in(fs::path(dir) / name);
        std::string first;
        if (!in || !std::getline(in, first))
            continue;
        const char* begin = first.data();
        while (*begin == ' ')
            ++begin;
        int pid = 0;
        auto [end, err] = std::from_chars(begin, first.data() + first.size(), pid);
        if (err != std::errc() || pid <= 0)
            continue;
        if (::kill(pid, 0) == 0 || errno == EPERM)
            return (fs::path(dir) / name).string() + ", process " + std::to_string(pid);
    }
    return {};
}

void classify(PortEntry& entry)
{
    std::error_code ec;
    if (!fs::exists(entry.device, ec)) {
        entry.use = PortEntry::Use::Missing;
        entry.reason = std::strerror(ENOENT);
        return;
    }
    if (std::string holder = lockHolder(entry.device); !holder.empty()) {
        entry.use = PortEntry::Use::InUse;
        entry.reason = holder;
        return;
    }
    // Opened and closed at once, without touching its settings: a port held exclusively by
    // another program answers EBUSY.
    const int fd = ::open(entry.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    const int e = errno;
    entry.reason = std::strerror(e);
    entry.use = e == EACCES || e == EPERM ? PortEntry::Use::NotAllowed
              : e == ENOENT || e == ENXIO || e == ENODEV ? PortEntry::Use::Missing
                                                          : PortEntry::Use::InUse;
}

} // namespace

std::vector<PortEntry> listSerialPorts()
{
    std::vector<PortEntry> ports;
    for (int n = 1; n <= 16; ++n) {
        PortEntry entry;
        entry.com = n;
        entry.device = fncComDeviceName(n);
        if (entry.device.empty())
            continue;
        entry.byId = byIdName(entry.device);
        classify(entry);
        ports.push_back(entry);
    }
    return ports;
}

const char* useWord(PortEntry::Use use)
{
    switch (use) {
    case PortEntry::Use::Free: return "free";
    case PortEntry::Use::InUse: return "in use";
    case PortEntry::Use::NotAllowed: return "not allowed";
    case PortEntry::Use::Missing: return "missing";
    }
    return "";
}
