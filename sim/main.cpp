// plnsim: a stand-in for the PLN controller on loopback TCP and a pseudo-terminal.
// Prints "tcp ADDR:PORT" and "pty /dev/pts/N" when ready, then serves until killed.
// plnsim --help lists the flags and the commands it answers.
#include "connection.h"
#include "controller.h"
#include "controller_data.h"
#include "pty.h"
#include "sim_options.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

volatile sig_atomic_t gQuit = 0;
void onSignal(int) { gQuit = 1; }

int64_t nowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
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
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--version") {
            std::printf("plnsim %s\n", simVersion());
            return 0;
        }
    }
    std::string error;
    auto parsed = parseSimOptions(argc, argv, &error);
    if (!parsed) {
        std::fprintf(stderr, "plnsim: %s\n%s", error.c_str(), simUsage());
        return 2;
    }
    if (parsed->help) {
        std::fputs(simUsage(), stdout);
        return 0;
    }
    const SimOptions o = *parsed;
    // A paced line wakes the loop at the moment its next slice is due; the default timer
    // slack of 50 us would add up to a few per cent of a packet's time at 115200 baud.
    if (o.baud > 0)
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    signal(SIGPIPE, SIG_IGN);
    struct sigaction sa{};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);

    Controller controller;
    ControllerData data(o.dataFolder);
    int listenFd = -1;
    std::vector<std::unique_ptr<SimConnection>> links;
    if (o.tcp) {
        std::string shown;
        listenFd = listenTcp(o, &shown);
        if (listenFd < 0)
            return 1;
        std::printf("tcp %s\n", shown.c_str());
    }
    if (!o.ptyLink.empty()) {
        Pty pty;
        if (!openPty(o.ptyLink, &pty))
            return 1;
        std::printf("pty %s\n", pty.device.c_str());
        links.push_back(std::make_unique<SimConnection>(std::move(pty), o, controller, data));
    }
    std::fflush(stdout);

    while (!gQuit) {
        int64_t now = nowUs();
        int64_t wait = -1; // sleep until a byte, a connection or something due (microseconds)
        for (auto& link : links) {
            int64_t due = link->wakeAtUs();
            if (due >= 0) {
                int64_t t = std::clamp<int64_t>(due - now, 0, 60'000'000);
                wait = wait < 0 ? t : std::min(wait, t);
            }
        }
        timespec timeout{wait / 1'000'000, long(wait % 1'000'000) * 1000};
        std::vector<pollfd> fds;
        if (listenFd >= 0)
            fds.push_back({listenFd, POLLIN, 0});
        for (auto& link : links)
            fds.push_back({link->fd(), POLLIN, 0});
        int n = ::ppoll(fds.data(), fds.size(), wait < 0 ? nullptr : &timeout, nullptr);
        if (n < 0 && errno != EINTR)
            break;
        now = nowUs();

        size_t base = 0;
        if (listenFd >= 0) {
            base = 1;
            if (fds[0].revents & POLLIN) {
                int c = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (c >= 0)
                    links.push_back(std::make_unique<SimConnection>(c, o, controller, data));
            }
        }
        for (size_t i = 0; i + base < fds.size() && i < links.size(); ++i) {
            if (fds[i + base].revents & (POLLIN | POLLHUP | POLLERR))
                links[i]->onReadable(now);
        }
        for (auto& link : links)
            link->step(now);
        links.erase(std::remove_if(links.begin(), links.end(),
                                   [](const std::unique_ptr<SimConnection>& l) { return l->closing(); }),
                    links.end());
    }
    if (!o.ptyLink.empty())
        ::unlink(o.ptyLink.c_str());
    return 0;
}
