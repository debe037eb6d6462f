// XMODEM line-rate benchmark: the tool's transfer control against plnsim, a 282,156-byte image
// down and a 282,156-byte bank up, over loopback TCP and over a pseudo-terminal paced by
// plnsim --baud, with lrzsz (rx, sx) on the same paced line in the same run as the yardstick.
// Also: the time per block on an unpaced terminal, the fixed cost of a one-block transfer,
// the processor time while a silent peer is awaited, and how soon a Stop is seen.
//
//   xmodem_bench [--baud N[,N...]] [--quick]      (see bench/README.md)
#include "sim_process.h"
#include "unattended_prompter.h"

#include "app/app_state.h"
#include "app/messages.h"
#include "link/device_link.h"
#include "link/qt_serial_port.h"
#include "link/qt_waiter.h"
#include "link/steady_clock.h"
#include "xmodem/serial_transport.h"
#include "xmodem/transfer_control.h"
#include "xmodem/xm_protocol.h"
#include "xmodem/xm_receiver.h"

#include <QCoreApplication>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t kFileSize = 282156;
constexpr double kBlocks = (kFileSize + 127) / 128;

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double processorSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::string readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One command on the terminal with a plain descriptor (for the lrzsz runs, which have the
// terminal to themselves): true when the reply is `expect`.
bool rawCommand(const std::string& device, const std::string& command, const std::string& expect)
{
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 10;
    tcsetattr(fd, TCSANOW, &t);
    std::string line = command + "\r";
    bool ok = ::write(fd, line.data(), line.size()) == ssize_t(line.size());
    std::string reply;
    char c;
    while (ok && ::read(fd, &c, 1) == 1 && c != '\r' && c != '\n')
        reply += c;
    ::close(fd);
    return ok && reply == expect;
}

// lrzsz behind socat on the sim's terminal, in folder; the seconds it took, or -1.
double runLrzsz(const fs::path& folder, const std::string& device, const std::string& command)
{
    std::string sh = "cd '" + folder.string() + "' && exec socat -t 0.1 " + device + ",raw,echo=0 EXEC:'" + command +
                     "' 2>/dev/null";
    double start = now();
    int rc = std::system(sh.c_str());
    return rc == 0 ? now() - start : -1;
}

struct Row {
    std::string what;
    double seconds;
    double baud;  // 0: no line rate
    std::string note;
};

void print(const Row& r)
{
    if (r.seconds < 0) {
        std::printf("%-44s  FAILED %s\n", r.what.c_str(), r.note.c_str());
        return;
    }
    std::printf("%-44s %8.3f s", r.what.c_str(), r.seconds);
    if (r.baud > 0)
        std::printf("  %5.1f %% of line rate", 100.0 * double(kFileSize) / (r.seconds * r.baud / 10.0));
    std::printf("  %6.3f ms/block%s%s\n", 1000.0 * r.seconds / kBlocks, r.note.empty() ? "" : "  ", r.note.c_str());
    std::fflush(stdout);
}

class Tool {
public:
    explicit Tool(const fs::path& folder) : messages_(state_, prompter_)
    {
        state_.programFolder = folder;
        state_.gLanguage = 1;
        state_.gComPort = 1;
        state_.gComSettings = "115200,N,8,1";
        state_.gComDelimiter = "\r";
        state_.gLanDelimiter = "\r";
        link_ = std::make_unique<DeviceLink>(state_, messages_);
        control_ = std::make_unique<TransferControl>(*link_, view_);
    }
    bool useSerial(const std::string& device)
    {
        link_->channel().setDeviceResolver([device](int) { return device; });
        state_.gLinkMode = 1;
        return link_->channel().fncOpenComPort() == 0;
    }
    void releaseSerial() { link_->channel().fncCloseComPort(); }
    void useTcp(int port)
    {
        state_.gLinkMode = 2;
        link_->socket().setRemote("127.0.0.1", uint16_t(port));
    }
    // Seconds of the transfer after the command's reply, or -1.
    double download(const std::string& command, const fs::path& file)
    {
        if (link_->fncSendCommand(command) != "READY")
            return -1;
        double start = now();
        bool ok = control_->fncReceiveFile(file);
        return ok ? now() - start : -1;
    }
    double upload(const std::string& command, const fs::path& file)
    {
        if (link_->fncSendCommand(command) != "READY")
            return -1;
        double start = now();
        bool ok = control_->fncSendFile(file);
        return ok ? now() - start : -1;
    }
    AppState& state() { return state_; }
    TransferControl& control() { return *control_; }

private:
    AppState state_;
    UnattendedPrompter prompter_;
    Messenger messages_;
    PlainTransferView view_;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<TransferControl> control_;
};

// The receiver's own turnaround: a peer thread on the other end of a pseudo-terminal sends
// each packet in two pieces and times the ACK from the moment the last piece is written.
void measureAckTurnaround(int blocks)
{
    int master = -1;
    int slave = -1;
    char name[128];
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master, &slave, name, &raw, nullptr) != 0)
        return;
    SteadyClock clock;
    QtWaiter waiter(clock);
    QtSerialPort port;
    QObject::connect(&port, &QtSerialPort::inputArrived, &waiter, &QtWaiter::wake);
    SerialConfig config;
    config.device = name;
    config.binary = true;
    std::string reason;
    if (!port.open(config, &reason))
        return;
    AppState state;
    UnattendedPrompter prompter;
    XmSerialTransport transport(state, clock, waiter, port, prompter);
    struct NullSink : XmBlockSink {
        bool write(const uint8_t*, std::size_t) override { return true; }
    } sink;
    std::vector<double> ackMs;
    std::thread peer([&] {
        pollfd in{master, POLLIN, 0};
        char b;
        auto answer = [&] { return poll(&in, 1, 5000) == 1 && ::read(master, &b, 1) == 1; };
        if (!answer())  // the start request
            return;
        for (int n = 1; n <= blocks; ++n) {
            uint8_t p[kXmCrcPacketSize] = {kSOH, uint8_t(n), uint8_t(255 - n)};
            for (int i = 0; i < kXmBlockSize; ++i)
                p[3 + i] = uint8_t(i * n);
            int crc = fncXmCrc16(kXmBlockSize, p, 3);
            p[131] = uint8_t(crc >> 8);
            p[132] = uint8_t(crc);
            if (::write(master, p, 100) != 100)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            double sent = now();
            if (::write(master, p + 100, 33) != 33 || !answer())
                return;
            ackMs.push_back(1000.0 * (now() - sent));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        uint8_t eot = kEOT;
        for (int i = 0; i < 2 && ::write(master, &eot, 1) == 1 && answer(); ++i) {
        }
    });
    XmReceiveContext context{transport, sink, nullptr, "", ""};
    fncXmReceive(context);
    peer.join();
    ::close(master);
    ::close(slave);
    if (ackMs.empty())
        return;
    std::sort(ackMs.begin(), ackMs.end());
    std::printf("%-44s %8.3f ms median, %.3f ms at 90 %%, over %zu blocks\n", "ACK after a block's last byte (tool)",
                ackMs[ackMs.size() / 2], ackMs[ackMs.size() * 9 / 10], ackMs.size());
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
    bool quick = false;
    for (int i = 1; i < argc; ++i)
        quick = quick || std::string(argv[i]) == "--quick";
    std::vector<int> bauds;
    std::stringstream list(argValue(argc, argv, "--baud", quick ? "" : "38400,115200"));
    for (std::string b; std::getline(list, b, ',');)
        bauds.push_back(std::stoi(b));

    fs::path folder = fs::temp_directory_path() / ("xmodem-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::string bank(kFileSize, '\0');
    std::mt19937 random(7);
    for (char& c : bank)
        c = char(random());
    std::ofstream(folder / "bank.bin", std::ios::binary) << bank;
    const std::string tty = (folder / "tty").string();
    const std::string lrzszCheck = "command -v socat >/dev/null && command -v rx >/dev/null && command -v sx >/dev/null";
    const bool haveLrzsz = std::system(lrzszCheck.c_str()) == 0;

    std::printf("XMODEM transfers of %zu bytes (%.0f blocks) against plnsim\n\n", kFileSize, kBlocks);

    // Unpaced terminal and loopback TCP: what a block costs when the line is not the limit.
    {
        SimProcess sim({"--tcp", "0", "--pty", tty});
        Tool tool(folder);
        if (!tool.useSerial(tty)) {
            std::fprintf(stderr, "xmodem_bench: cannot open %s\n", tty.c_str());
            return 1;
        }
        print({"terminal, unpaced: image down (tool)", tool.download("IMGSAVE 0 1", folder / "down.bin"), 0, ""});
        print({"terminal, unpaced: bank up (tool)", tool.upload("BNKLOAD 0 1", folder / "bank.bin"), 0, ""});
        std::ofstream(folder / "one.bin", std::ios::binary) << "x";
        print({"terminal, unpaced: 1-byte bank up (fixed cost)", tool.upload("BNKLOAD 0 2", folder / "one.bin"), 0, ""});
        tool.releaseSerial();
        if (haveLrzsz) {
            rawCommand(tty, "IMGSAVE 0 1", "READY");
            print({"terminal, unpaced: image down (lrzsz rx)", runLrzsz(folder, tty, "rx -q -c -b lrzsz.bin"), 0, ""});
            rawCommand(tty, "BNKLOAD 0 1", "READY");
            print({"terminal, unpaced: bank up (lrzsz sx)", runLrzsz(folder, tty, "sx -q bank.bin"), 0, ""});
        }

        Tool lan(folder);
        lan.useTcp(sim.tcpPort);
        print({"loopback TCP: image down (tool)", lan.download("IMGSAVE 0 1", folder / "down.bin"), 0, "incl. closing line"});
        print({"loopback TCP: bank up (tool)", lan.upload("BNKLOAD 0 1", folder / "bank.bin"), 0, "incl. closing line"});
        print({"loopback TCP: 1-byte bank up (fixed cost)", lan.upload("BNKLOAD 0 2", folder / "one.bin"), 0, "incl. closing line"});
    }

    measureAckTurnaround(quick ? 200 : 1000);

    // Waiting for a peer that says nothing: processor time, and how soon a Stop is seen.
    {
        SimProcess sim({"--pty", tty, "--silent"});
        Tool tool(folder);
        tool.useSerial(tty);
        double stopAt = 0;
        double cpuStart = 0;
        double wallStart = 0;
        double cpuAtStop = 0;
        const int waitMs = quick ? 3000 : 10000;
        // Measured once the receiver is waiting, not while it opens the port.
        QTimer::singleShot(500, [&] {
            cpuStart = processorSeconds();
            wallStart = now();
        });
        QTimer::singleShot(waitMs, [&] {
            cpuAtStop = processorSeconds();
            stopAt = now();
            tool.state().gStopRequest = -1;
        });
        tool.control().fncReceiveFile(folder / "silent.bin");
        double end = now();
        double cpuShare = (cpuAtStop - cpuStart) / (stopAt - wallStart);
        std::printf("%-44s %8.3f %% of a core over %.1f s\n", "waiting for a silent peer: processor", 100.0 * cpuShare,
                    stopAt - wallStart);
        // The stop sequence pauses one second before its ten CAN; the rest is the reaction.
        std::printf("%-44s %8.1f ms (after the 1 s pause of the stop sequence)\n", "Stop seen after",
                    1000.0 * (end - stopAt - 1.0));
        tool.state().gStopRequest = 0;
    }

    // The paced line, the tool and lrzsz one after the other at each rate.
    for (int baud : bauds) {
        SimProcess sim({"--pty", tty, "--baud", std::to_string(baud)});
        std::printf("\nterminal paced at %d baud by plnsim (%.0f bytes/s from the controller side)\n", baud, baud / 10.0);
        Tool tool(folder);
        if (!tool.useSerial(tty))
            return 1;
        double t = tool.download("IMGSAVE 0 1", folder / "down.bin");
        print({"  image down (tool)", t, double(baud), ""});
        double wire = kBlocks * 133 / (baud / 10.0);
        if (t > 0)
            std::printf("  %-42s %8.3f ms/block beyond the packets' own time on the line\n", "turnaround (tool)",
                        1000.0 * (t - wire) / kBlocks);
        double up = tool.upload("BNKLOAD 0 1", folder / "bank.bin");
        print({"  bank up (tool)", up, 0, "plnsim paces only its answers"});
        tool.releaseSerial();
        if (haveLrzsz) {
            rawCommand(tty, "IMGSAVE 0 1", "READY");
            double l = runLrzsz(folder, tty, "rx -q -c -b lrzsz.bin");
            print({"  image down (lrzsz rx)", l, double(baud), "includes starting rx"});
            if (l > 0)
                std::printf("  %-42s %8.3f ms/block beyond the packets' own time on the line\n", "turnaround (lrzsz rx)",
                            1000.0 * (l - wire) / kBlocks);
            rawCommand(tty, "BNKLOAD 0 1", "READY");
            print({"  bank up (lrzsz sx)", runLrzsz(folder, tty, "sx -q bank.bin"), 0, "includes starting sx"});
        }
        if (t > 0 && readFile(folder / "down.bin").size() != (kFileSize + 127) / 128 * 128)
            std::printf("  (the received image has an unexpected size)\n");
    }
    fs::remove_all(folder);
    return 0;
}
