// plnsim: a stand-in for the PLN controller on loopback TCP and a pseudo-terminal.
// plnsim [--tcp [ADDR:]PORT] [--pty LINK] [--reply-delay MS] [--silent] [--drop-after N] [--reply-terminator CR|LF|CRLF]
// Prints "tcp ADDR:PORT" and "pty /dev/pts/N" when ready, then serves until killed.
#include "controller.h"
#include "line_reader.h"
#include "sim_options.h"
#include "sim_usage.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

volatile sig_atomic_t gQuit = 0;
void onSignal(int) { gQuit = 1; }

// How long a CR at the end of the input waits for the LF of a CR+LF.
constexpr int64_t kCrGraceMs = 30;

int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Reply {
    int64_t due;
    std::string bytes;
};

struct Endpoint {
    int fd = -1;
    bool pty = false;
    LineReader reader;
    int64_t crSince = -1;
    std::deque<Reply> out;
    int answered = 0;
    bool closing = false;
};

void setNonBlocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += size_t(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 1000);
        } else {
            return false;
        }
    }
    return true;
}

int listenTcp(const SimOptions& o, std::string* shown)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST;
    addrinfo* res = nullptr;
    std::string port = std::to_string(o.tcpPort);
    if (getaddrinfo(o.tcpAddress.c_str(), port.c_str(), &hints, &res) != 0 || !res) {
        std::fprintf(stderr, "plnsim: bad address %s\n", o.tcpAddress.c_str());
        return -1;
    }
    int fd = ::socket(res->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (fd < 0 || ::bind(fd, res->ai_addr, res->ai_addrlen) != 0 || ::listen(fd, 8) != 0) {
        std::fprintf(stderr, "plnsim: cannot listen on %s:%d: %s\n", o.tcpAddress.c_str(), o.tcpPort, std::strerror(errno));
        freeaddrinfo(res);
        return -1;
    }
    freeaddrinfo(res);
    sockaddr_storage bound{};
    socklen_t len = sizeof bound;
    getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len);
    char host[NI_MAXHOST];
    char serv[NI_MAXSERV];
    getnameinfo(reinterpret_cast<sockaddr*>(&bound), len, host, sizeof host, serv, sizeof serv,
                NI_NUMERICHOST | NI_NUMERICSERV);
    *shown = bound.ss_family == AF_INET6 ? "[" + std::string(host) + "]:" + serv : std::string(host) + ":" + serv;
    setNonBlocking(fd);
    return fd;
}

// The master side of a new pseudo-terminal; *slaveFd stays open so the terminal keeps its raw
// settings and the master never sees a hang-up while no tool has the port open.
int openPty(const std::string& link, std::string* device, int* slaveFd)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::fprintf(stderr, "plnsim: no pseudo-terminal: %s\n", std::strerror(errno));
        return -1;
    }
    *device = ptsname(master);
    *slaveFd = ::open(device->c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (*slaveFd >= 0 && tcgetattr(*slaveFd, &t) == 0) {
        cfmakeraw(&t);
        cfsetispeed(&t, B38400);
        cfsetospeed(&t, B38400);
        tcsetattr(*slaveFd, TCSANOW, &t);
    }
    ::unlink(link.c_str());
    if (::symlink(device->c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "plnsim: cannot create %s: %s\n", link.c_str(), std::strerror(errno));
        return -1;
    }
    setNonBlocking(master);
    return master;
}

} // namespace

int main(int argc, char** argv)
{
    if (answerHelpOrVersion(argc, argv))
        return 0;
    std::string error;
    auto parsed = parseSimOptions(argc, argv, &error);
    if (!parsed) {
        std::fprintf(stderr, "plnsim: %s\n", error.c_str());
        printSimUsage(stderr);
        return 2;
    }
    const SimOptions o = *parsed;
    signal(SIGPIPE, SIG_IGN);
    struct sigaction sa{};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);

    int listenFd = -1;
    std::vector<std::unique_ptr<Endpoint>> endpoints;
    int slaveFd = -1;
    if (o.tcp) {
        std::string shown;
        listenFd = listenTcp(o, &shown);
        if (listenFd < 0)
            return 1;
        std::printf("tcp %s\n", shown.c_str());
    }
    if (!o.ptyLink.empty()) {
        std::string device;
        auto ep = std::make_unique<Endpoint>();
        ep->pty = true;
        ep->fd = openPty(o.ptyLink, &device, &slaveFd);
        if (ep->fd < 0)
            return 1;
        endpoints.push_back(std::move(ep));
        std::printf("pty %s\n", device.c_str());
    }
    std::fflush(stdout);

    Controller controller;
    while (!gQuit) {
        int64_t now = nowMs();
        int timeout = -1; // sleep until a byte or a connection comes
        auto wakeBy = [&](int64_t due) {
            int t = int(std::max<int64_t>(0, due - now));
            timeout = timeout < 0 ? t : std::min(timeout, t);
        };
        for (auto& ep : endpoints) {
            if (!ep->out.empty())
                wakeBy(ep->out.front().due);
            if (ep->crSince >= 0)
                wakeBy(ep->crSince + kCrGraceMs);
        }
        std::vector<pollfd> fds;
        if (listenFd >= 0)
            fds.push_back({listenFd, POLLIN, 0});
        for (auto& ep : endpoints)
            fds.push_back({ep->fd, POLLIN, 0});
        int n = ::poll(fds.data(), fds.size(), timeout);
        if (n < 0 && errno != EINTR)
            break;
        now = nowMs();

        size_t base = 0;
        if (listenFd >= 0) {
            base = 1;
            if (fds[0].revents & POLLIN) {
                int c = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (c >= 0) {
                    auto ep = std::make_unique<Endpoint>();
                    ep->fd = c;
                    endpoints.push_back(std::move(ep));
                }
            }
        }
        for (size_t i = 0; i + base < fds.size() && i < endpoints.size(); ++i) {
            Endpoint& ep = *endpoints[i];
            if (!(fds[i + base].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buf[4096];
            ssize_t got = ::read(ep.fd, buf, sizeof buf);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
                if (!ep.pty)
                    ep.closing = true;
                continue;
            }
            if (got > 0) {
                ep.reader.feed(std::string(buf, size_t(got)));
                ep.crSince = -1;
            }
        }
        for (auto& ep : endpoints) {
            auto answer = [&](const CommandLine& line) {
                if (o.silent)
                    return;
                ControllerReply r = controller.handle(line.text, now);
                // File transfers come with the XMODEM side of the simulator; until then the
                // transfer commands are refused.
                std::string text = r.transfer == Transfer::None ? r.text : "ER";
                const std::string& ending = o.replyTerminator.empty() ? line.terminator : o.replyTerminator;
                ep->out.push_back({now + o.replyDelayMs, text + ending});
            };
            while (auto line = ep->reader.next())
                answer(*line);
            if (ep->reader.holdsCR()) {
                if (ep->crSince < 0)
                    ep->crSince = now;
                else if (now - ep->crSince >= kCrGraceMs) {
                    ep->crSince = -1;
                    if (auto line = ep->reader.flushCR())
                        answer(*line);
                }
            }
            while (!ep->out.empty() && ep->out.front().due <= now && !ep->closing) {
                if (!writeAll(ep->fd, ep->out.front().bytes) && !ep->pty)
                    ep->closing = true;
                ep->out.pop_front();
                if (!ep->pty && o.dropAfter > 0 && ++ep->answered >= o.dropAfter)
                    ep->closing = true;
            }
        }
        endpoints.erase(std::remove_if(endpoints.begin(), endpoints.end(),
                                       [](const std::unique_ptr<Endpoint>& ep) {
                                           if (ep->closing)
                                               ::close(ep->fd);
                                           return ep->closing;
                                       }),
                        endpoints.end());
    }
    if (!o.ptyLink.empty())
        ::unlink(o.ptyLink.c_str());
    return 0;
}
