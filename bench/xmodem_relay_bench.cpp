// XMODEM through a line-rate relay: two pseudo-terminal pairs joined by a relay thread that
// passes each byte on one byte time after the one before it, in both directions at once, as
// a UART would. On the far side a minimal stop-and-wait peer written here; on the near side,
// one after the other in the same run, the tool's transfer control, lrzsz (rx -c, sx) and the
// minimal peer's other half. Each transfer is reported as a ratio to the stop-and-wait
// ceiling of 128-byte blocks: 134 byte times per block (133 of packet, 1 of ACK), which is
// 128/134 = 95.49 % of the line.
//
//   xmodem_relay_bench [--baud N[,N...]] [--size BYTES]      (see bench/README.md)
#include "unattended_prompter.h"

#include "app/app_state.h"
#include "app/messages.h"
#include "link/device_link.h"
#include "xmodem/transfer_control.h"
#include "xmodem/xm_protocol.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

struct PtyPair {
    int master = -1;
    int slave = -1;
    std::string path;
    bool open()
    {
        termios raw{};
        cfmakeraw(&raw);
        char name[128] = {};
        if (openpty(&master, &slave, name, &raw, nullptr) != 0)
            return false;
        path = name;
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        return true;
    }
    ~PtyPair()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
};

// Joins the near pair's master and the far pair's master. A byte read from one side is on
// the line for one byte time (10 bits) after the later of its arrival and the end of the
// byte before it in the same direction, and is written to the other side then.
class Relay {
public:
    Relay(int nearMaster, int farMaster, int baud)
        : fds_{nearMaster, farMaster}, byteTime_(std::chrono::nanoseconds(int64_t(1e10 / baud)))
    {
        thread_ = std::thread([this] { run(); });
    }
    ~Relay()
    {
        stop_ = true;
        thread_.join();
    }

private:
    struct Direction {
        std::deque<std::pair<Clock::time_point, char>> line;  // due time of each byte
        Clock::time_point busyUntil{};
    };

    void run()
    {
        Direction dirs[2];  // 0: near to far, 1: far to near
        char buf[4096];
        while (!stop_) {
            Clock::time_point now = Clock::now();
            Clock::time_point next = now + std::chrono::milliseconds(20);
            for (int d = 0; d < 2; ++d) {
                Direction& dir = dirs[d];
                std::string out;
                while (!dir.line.empty() && dir.line.front().first <= now) {
                    out += dir.line.front().second;
                    dir.line.pop_front();
                }
                if (!out.empty() && ::write(fds_[1 - d], out.data(), out.size()) < 0) {
                    // The far end is not open yet (or any more): the bytes are lost, as on a
                    // line without a listener.
                }
                if (!dir.line.empty())
                    next = std::min(next, dir.line.front().first);
            }
            pollfd p[2] = {{fds_[0], POLLIN, 0}, {fds_[1], POLLIN, 0}};
            auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(next - Clock::now());
            timespec ts{0, std::max<long>(0, long(wait.count()))};
            if (ppoll(p, 2, &ts, nullptr) <= 0)
                continue;
            now = Clock::now();
            for (int d = 0; d < 2; ++d) {
                if (!(p[d].revents & POLLIN)) {
                    if (p[d].revents & (POLLHUP | POLLERR))
                        std::this_thread::sleep_for(std::chrono::microseconds(200));  // no one has it open
                    continue;
                }
                ssize_t n = ::read(fds_[d], buf, sizeof buf);
                for (ssize_t i = 0; i < n; ++i) {
                    Direction& dir = dirs[d];
                    dir.busyUntil = std::max(dir.busyUntil, now) + byteTime_;
                    dir.line.emplace_back(dir.busyUntil, buf[i]);
                }
            }
        }
    }

    int fds_[2];
    Clock::duration byteTime_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The far side: a plain descriptor on the far pair's slave, raw.
class FarEnd {
public:
    explicit FarEnd(int fd) : fd_(fd) {}

    // One byte within ms, or -1.
    int readByte(int ms)
    {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, ms) != 1)
            return -1;
        unsigned char b;
        return ::read(fd_, &b, 1) == 1 ? b : -1;
    }
    bool readExactly(uint8_t* out, int n, int ms)
    {
        for (int i = 0; i < n; ++i) {
            int b = readByte(ms);
            if (b < 0)
                return false;
            out[i] = uint8_t(b);
        }
        return true;
    }
    void write(const void* data, size_t n)
    {
        if (::write(fd_, data, n) != ssize_t(n))
            std::fprintf(stderr, "xmodem_relay_bench: far-end write failed\n");
    }
    void writeByte(uint8_t b) { write(&b, 1); }
    void drain()
    {
        while (readByte(50) >= 0) {
        }
    }

private:
    int fd_;
};

// The minimal stop-and-wait sender: waits for "C", sends each 133-byte CRC packet and the
// next one on its ACK, the same again on anything else, then EOT until it is acknowledged.
// Returns the seconds from the start request's arrival to the last ACK's, or -1.
double minimalSend(FarEnd& far, const std::string& file, int startWaitMs)
{
    int b;
    do {
        b = far.readByte(startWaitMs);
    } while (b >= 0 && b != kCrcRequest);
    if (b < 0)
        return -1;
    auto begun = Clock::now();
    size_t blocks = (file.size() + 127) / 128;
    for (size_t n = 0; n < blocks; ++n) {
        uint8_t p[kXmCrcPacketSize];
        p[0] = kSOH;
        p[1] = uint8_t(n + 1);
        p[2] = uint8_t(255 - p[1]);
        for (size_t i = 0; i < 128; ++i)
            p[3 + i] = n * 128 + i < file.size() ? uint8_t(file[n * 128 + i]) : 0x1A;
        int crc = fncXmCrc16(kXmBlockSize, p, 3);
        p[131] = uint8_t(crc >> 8);
        p[132] = uint8_t(crc);
        for (int tries = 0;; ++tries) {
            if (tries == 10)
                return -1;
            far.write(p, sizeof p);
            int a = far.readByte(10000);
            if (a == kACK)
                break;
            if (a == kCAN)
                return -1;
        }
    }
    for (int tries = 0; tries < 10; ++tries) {
        far.writeByte(kEOT);
        if (far.readByte(10000) == kACK)
            return seconds(Clock::now() - begun);
    }
    return -1;
}

// The minimal stop-and-wait receiver: "C" once a second until a packet begins, ACK for each
// good packet (NAK otherwise), ACK for the EOT. Keeps the data in *got. Returns the seconds
// from the arrival of the first packet's first byte to the ACK of the EOT, or -1.
double minimalReceive(FarEnd& far, std::string* got, int startWaitMs)
{
    int b = -1;
    for (int waited = 0; b < 0 && waited < startWaitMs; waited += 1000) {
        far.writeByte(kCrcRequest);
        b = far.readByte(1000);
    }
    auto begun = Clock::now();
    uint8_t expected = 1;
    while (b >= 0) {
        if (b == kEOT) {
            far.writeByte(kACK);
            return seconds(Clock::now() - begun);
        }
        if (b == kSOH) {
            uint8_t p[kXmCrcPacketSize];
            p[0] = kSOH;
            bool whole = far.readExactly(p + 1, kXmCrcPacketSize - 1, 2000);
            bool good = whole && p[1] == uint8_t(255 - p[2]) && fncXmCrc16(kXmBlockSize, p, 3) == (p[131] << 8 | p[132]);
            if (good && p[1] == expected) {
                got->append(reinterpret_cast<const char*>(p + 3), kXmBlockSize);
                ++expected;
            }
            far.writeByte(good ? kACK : kNAK);
        }
        b = far.readByte(10000);
    }
    return -1;
}

// The near side's minimal peer on the near pair's slave: the same two functions.
int openRaw(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// lrzsz on the near pair's slave behind socat (it flushes before it closes); true on success.
bool runLrzsz(const fs::path& folder, const std::string& device, const std::string& command)
{
    std::string sh = "cd '" + folder.string() + "' && exec socat -t 0.1 " + device + ",raw,echo=0 EXEC:'" + command +
                     "' 2>/dev/null";
    return std::system(sh.c_str()) == 0;
}

class Tool {
public:
    Tool(const fs::path& folder, const std::string& device, int baud) : messages_(state_, prompter_)
    {
        state_.programFolder = folder;
        state_.gLanguage = 1;
        state_.gComPort = 1;
        state_.gComSettings = std::to_string(baud) + ",N,8,1";
        state_.gComDelimiter = "\r";
        state_.gLanDelimiter = "\r";
        link_ = std::make_unique<DeviceLink>(state_, messages_);
        link_->channel().setDeviceResolver([device](int) { return device; });
        state_.gLinkMode = 1;
        ok_ = link_->channel().fncOpenComPort() == 0;
        control_ = std::make_unique<TransferControl>(*link_, view_);
    }
    ~Tool() { link_->channel().fncCloseComPort(); }
    bool ok() const { return ok_; }
    TransferControl& control() { return *control_; }

private:
    AppState state_;
    UnattendedPrompter prompter_;
    Messenger messages_;
    PlainTransferView view_;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<TransferControl> control_;
    bool ok_ = false;
};

struct Result {
    std::string what;
    double seconds = -1;
    bool intact = false;
};

std::string readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string argValue(int argc, char** argv, const std::string& flag, const std::string& fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] == flag)
            return argv[i + 1];
    return fallback;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<int> bauds;
    std::stringstream list(argValue(argc, argv, "--baud", "38400,115200"));
    for (std::string b; std::getline(list, b, ',');)
        bauds.push_back(std::stoi(b));
    const size_t size = size_t(std::stoul(argValue(argc, argv, "--size", "282156")));
    const size_t blocks = (size + 127) / 128;

    fs::path folder = fs::temp_directory_path() / ("xmodem-relay-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::string file(size, '\0');
    std::mt19937 random(11);
    for (char& c : file)
        c = char(random());
    std::ofstream(folder / "up.bin", std::ios::binary) << file;
    std::string padded = file;
    padded.resize(blocks * 128, '\x1a');
    std::string paddedFF = file;
    paddedFF.resize(blocks * 128, '\xff');
    const bool haveLrzsz =
        std::system("command -v socat >/dev/null && command -v rx >/dev/null && command -v sx >/dev/null") == 0;

    std::printf("XMODEM, %zu bytes (%zu blocks of 128), through a relay at the line rate between two\n"
                "pseudo-terminal pairs; far side: a minimal stop-and-wait peer. Ratio = time / ceiling,\n"
                "ceiling = (134 byte times per block + EOT and its ACK) x 10 bits / baud.\n",
                size, blocks);

    for (int baud : bauds) {
        PtyPair nearPair;
        PtyPair farPair;
        if (!nearPair.open() || !farPair.open())
            return 1;
        Relay relay(nearPair.master, farPair.master, baud);
        FarEnd far(farPair.slave);
        const double ceiling = double(blocks * 134 + 2) * 10.0 / baud;
        // As a share of the line: the file's own bytes over the ceiling's byte times.
        std::printf("\n%d baud: ceiling %.3f s (%.2f %% of the line)\n", baud, ceiling,
                    100.0 * double(size) / double(blocks * 134 + 2));
        std::vector<Result> results;
        auto report = [&](const Result& r) {
            if (r.seconds < 0)
                std::printf("  %-34s FAILED\n", r.what.c_str());
            else
                std::printf("  %-34s %8.3f s  %.4fx the ceiling  %5.2f %% of the line%s\n", r.what.c_str(), r.seconds,
                            r.seconds / ceiling, 100.0 * double(size) * 10.0 / (r.seconds * baud),
                            r.intact ? "" : "  (data differ)");
            std::fflush(stdout);
        };

        // Downloads: the far side sends, the near side receives.
        {
            Result r{"download, tool (fncReceiveFile)"};
            Tool tool(folder, nearPair.path, baud);
            std::thread sender([&] { r.seconds = minimalSend(far, file, 10000); });
            bool ok = tool.ok() && tool.control().fncReceiveFile(folder / "down.bin");
            sender.join();
            r.intact = ok && readFile(folder / "down.bin") == padded;
            if (!ok)
                r.seconds = -1;
            report(r);
        }
        far.drain();
        if (haveLrzsz) {
            Result r{"download, lrzsz rx -c"};
            fs::remove(folder / "rx.bin");
            std::thread sender([&] { r.seconds = minimalSend(far, file, 10000); });
            bool ok = runLrzsz(folder, nearPair.path, "rx -q -c -b rx.bin");
            sender.join();
            r.intact = ok && readFile(folder / "rx.bin") == padded;
            report(r);
            far.drain();
        }
        {
            Result r{"download, minimal receiver"};
            std::string got;
            std::thread sender([&] { r.seconds = minimalSend(far, file, 10000); });
            int fd = openRaw(nearPair.path);
            FarEnd near(fd);
            minimalReceive(near, &got, 10000);
            sender.join();
            ::close(fd);
            r.intact = got == padded;
            report(r);
            far.drain();
        }

        // Uploads: the near side sends, the far side receives.
        {
            Result r{"upload, tool (fncSendFile)"};
            std::string got;
            Tool tool(folder, nearPair.path, baud);
            std::thread receiver([&] { r.seconds = minimalReceive(far, &got, 10000); });
            bool ok = tool.ok() && tool.control().fncSendFile(folder / "up.bin");
            receiver.join();
            r.intact = ok && got == paddedFF;
            if (!ok)
                r.seconds = -1;
            report(r);
            far.drain();
        }
        if (haveLrzsz) {
            Result r{"upload, lrzsz sx"};
            std::string got;
            std::thread receiver([&] { r.seconds = minimalReceive(far, &got, 10000); });
            bool ok = runLrzsz(folder, nearPair.path, "sx -q up.bin");
            receiver.join();
            r.intact = ok && got == padded;
            report(r);
            far.drain();
        }
        {
            Result r{"upload, minimal sender"};
            std::string got;
            std::thread receiver([&] { r.seconds = minimalReceive(far, &got, 10000); });
            int fd = openRaw(nearPair.path);
            FarEnd near(fd);
            minimalSend(near, file, 10000);
            receiver.join();
            ::close(fd);
            r.intact = got == padded;
            report(r);
            far.drain();
        }
    }
    fs::remove_all(folder);
    return 0;
}
