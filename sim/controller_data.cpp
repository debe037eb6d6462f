#include "controller_data.h"

#include "test_picture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

std::string key(const std::string& what, int number)
{
    char name[16];
    if (what == "SYS")
        return "SYS";
    std::snprintf(name, sizeof name, "%s%02d", what.c_str(), number);
    return name;
}

// Written beside the target and renamed over it, so a run stopped mid-write leaves the old
// contents, never half of the new.
bool writeReplacing(const std::filesystem::path& target, const std::string& bytes, std::string* error)
{
    std::filesystem::path part = target;
    part += "." + std::to_string(::getpid()) + ".part";
    int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        *error = "Cannot create " + part.string() + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += size_t(n);
    }
    const int writeCause = errno;
    const bool closed = ::close(fd) == 0;
    if (done < bytes.size() || !closed) {
        *error = "Cannot write " + part.string() + ": " + std::strerror(done < bytes.size() ? writeCause : errno);
        ::unlink(part.c_str());
        return false;
    }
    if (::rename(part.c_str(), target.c_str()) != 0) {
        *error = "Cannot replace " + target.string() + ": " + std::strerror(errno);
        ::unlink(part.c_str());
        return false;
    }
    return true;
}

} // namespace

std::string ControllerData::initialContents(const std::string& what, int number)
{
    const char* kind = what == "BNK" ? "BANK" : what == "BGR" ? "BANK GROUP" : "SYSTEM DATA";
    char title[64];
    int n = what == "SYS" ? 0 : number;
    std::snprintf(title, sizeof title, "PLNSIM %s %02d\r\n", kind, n);
    std::string data = title;
    const size_t size = what == "BNK" ? 3000 + 17 * size_t(n) : what == "BGR" ? 1500 + 13 * size_t(n) : 5000;
    // Every byte value once, control bytes of the transfer and 255 and CR included, then a
    // sequence that differs for every kind and number.
    for (int v = 0; v < 256; ++v)
        data += char(v);
    uint32_t x = 2166136261u ^ uint32_t(n * 131 + what[1]);
    while (data.size() < size) {
        x = x * 1664525u + 1013904223u;
        data += char(x >> 24);
    }
    return data;
}

std::filesystem::path ControllerData::fileFor(const std::string& what, int number) const
{
    return folder_ / (key(what, number) + ".bin");
}

std::string ControllerData::fileToSend(const std::string& what, int number)
{
    if (what == "IMG") {
        if (number < 0 && uploaded_)
            return plnFileOf(withReportedGains(frameFromUpload(*uploaded_)));
        return testPictureFile(number);
    }
    auto it = stored_.find(key(what, number));
    if (it != stored_.end())
        return it->second;
    if (!folder_.empty()) {
        std::ifstream in(fileFor(what, number), std::ios::binary);
        if (in)
            return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return initialContents(what, number);
}

bool ControllerData::store(const std::string& what, int number, const std::string& bytes, std::string* error)
{
    if (what == "IMG") {
        uploaded_ = bytes;
        return true;
    }
    if (!folder_.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(folder_, ec);
        if (!writeReplacing(fileFor(what, number), bytes, error))
            return false;
    }
    stored_[key(what, number)] = bytes;
    return true;
}
