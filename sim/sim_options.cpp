#include "sim_options.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string_view>

namespace {

template <typename T>
bool toInt(const char* text, T lo, T hi, T* out)
{
    char* end = nullptr;
    long long v = std::strtoll(text, &end, 10);
    if (*text == '\0' || *end != '\0' || v < lo || v > hi)
        return false;
    *out = T(v);
    return true;
}

} // namespace

const char* simVersion()
{
    return PLNTOOL_VERSION;
}

const char* simUsage()
{
    return "usage: plnsim [--tcp [ADDR:]PORT] [--pty LINK] [options]\n"
           "A stand-in for the PLN controller on loopback TCP and a pseudo-terminal.\n"
           "\n"
           "Links (at least one):\n"
           "  --tcp [ADDR:]PORT        listen on ADDR (default 127.0.0.1, [::1] for IPv6); port 0 picks one\n"
           "  --pty LINK               create a pseudo-terminal and a symbolic link LINK to it\n"
           "Replies:\n"
           "  --reply-delay MS         answer each command MS milliseconds after it arrived\n"
           "  --silent                 read commands, never answer\n"
           "  --reply-terminator T     end every reply with T (CR, LF or CRLF), not with the command's own\n"
           "  --drop-after-replies N   close each TCP connection after N replies\n"
           "Transfers:\n"
           "  --data DIR               keep loaded banks, bank groups and system data in files in DIR\n"
           "  --baud N                 send on the pseudo-terminal at N/10 bytes a second\n"
           "  --drop-after BYTES       close the link after BYTES bytes of a transfer (the pseudo-\n"
           "                           terminal is replaced by a new one behind the same LINK)\n"
           "  --corrupt-block N        the Nth block sent goes out once with a wrong CRC/checksum\n"
           "  --nak-count N            receiving: NAK the first N packets; sending: take the first\n"
           "                           N ACKs as NAK and send the packet again\n"
           "  --cancel-after N         send two CAN after N blocks\n"
           "  --stall-after N          go silent after N blocks (until two CAN or 11 s of quiet)\n"
           "  --checksum-only          receiving: ask with NAK, never \"C\"; sending: ignore \"C\"\n"
           "  --start-delay MS         a slow controller: wait MS before the first packet (sending)\n"
           "                           or the first start request (receiving)\n"
           "  --ack-delay MS           and wait MS before each answer after that (ACK, NAK, the\n"
           "                           next packet)\n"
           "  --help                   show this text\n"
           "  --version                show the version\n"
           "\n"
           "Commands (reply; a command ends in CR, LF or CR+LF and its reply ends the same way):\n"
           "  CAPTURE                  OK\n"
           "  IMGSAVE 0 n              READY, then sends image n (0..99, -1 live) as a PLN file\n"
           "  IMGINFO 0 i              i = 0..3: Bayer pattern 3, gains red, green, blue\n"
           "  IMGLOAD                  OK, then receives an upload file (becomes the live image)\n"
           "  BANK n, BG n             OK (n = 0..31)\n"
           "  BNKSAVE 0 n, BGRSAVE 0 n READY, then sends bank / bank group n (0..31)\n"
           "  SYSSAVE 0                READY, then sends the system data\n"
           "  BNKLOAD 0 n, BGRLOAD 0 n READY, then receives bank / bank group n\n"
           "  SYSLOAD 0                READY, then receives the system data\n"
           "  M, M /I, M /E            OK;  M /C  OK (ER while running)\n"
           "  DATAGET 2 0              judgement -2, -1 or 0;  DATAGET 2 1  a measured value\n"
           "  anything else            ER\n"
           "After a transfer on TCP the closing line OK (ER when it failed) follows.\n";
}

std::optional<SimOptions> parseSimOptions(int argc, char** argv, std::string* error)
{
    SimOptions o;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--silent") {
            o.silent = true;
            continue;
        }
        if (arg == "--checksum-only") {
            o.faults.checksumOnly = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            return o;
        }
        static constexpr std::string_view kTakesValue[] = {
            "--tcp", "--pty", "--reply-delay", "--drop-after-replies", "--drop-after", "--reply-terminator",
            "--data", "--baud", "--corrupt-block", "--nak-count", "--cancel-after", "--stall-after",
            "--start-delay", "--ack-delay"};
        if (std::find(std::begin(kTakesValue), std::end(kTakesValue), arg) == std::end(kTakesValue)) {
            *error = "unknown option " + std::string(arg);
            return std::nullopt;
        }
        const char* v = i + 1 < argc ? argv[++i] : nullptr;
        if (!v) {
            *error = std::string(arg) + " needs a value";
            return std::nullopt;
        }
        auto count = [&](int lo, int* out, const char* what) {
            if (toInt(v, lo, 1000000000, out))
                return true;
            *error = std::string(arg) + " takes " + what;
            return false;
        };
        bool ok = true;
        if (arg == "--tcp") {
            std::string endpoint = v;
            size_t colon = endpoint.rfind(':');
            std::string port = colon == std::string::npos ? endpoint : endpoint.substr(colon + 1);
            if (colon != std::string::npos)
                o.tcpAddress = endpoint.substr(0, colon);
            if (o.tcpAddress.size() > 1 && o.tcpAddress.front() == '[' && o.tcpAddress.back() == ']')
                o.tcpAddress = o.tcpAddress.substr(1, o.tcpAddress.size() - 2);
            if (o.tcpAddress.empty() || !toInt(port.c_str(), 0, 65535, &o.tcpPort)) {
                *error = "--tcp takes [ADDR:]PORT";
                return std::nullopt;
            }
            o.tcp = true;
        } else if (arg == "--pty") {
            o.ptyLink = v;
        } else if (arg == "--data") {
            o.dataFolder = v;
        } else if (arg == "--reply-delay") {
            if (!toInt(v, 0, 600000, &o.replyDelayMs)) {
                *error = "--reply-delay takes milliseconds";
                return std::nullopt;
            }
        } else if (arg == "--start-delay" || arg == "--ack-delay") {
            if (!toInt(v, 0, 600000, arg == "--start-delay" ? &o.faults.startDelayMs : &o.faults.ackDelayMs)) {
                *error = std::string(arg) + " takes milliseconds";
                return std::nullopt;
            }
        } else if (arg == "--drop-after-replies") {
            ok = count(1, &o.dropAfterReplies, "a number of replies");
        } else if (arg == "--drop-after") {
            if (!toInt<int64_t>(v, 1, int64_t(1) << 40, &o.dropAfterBytes)) {
                *error = "--drop-after takes a number of bytes";
                return std::nullopt;
            }
        } else if (arg == "--baud") {
            ok = count(10, &o.baud, "a line rate in bits per second");
        } else if (arg == "--corrupt-block") {
            ok = count(1, &o.faults.corruptBlock, "a block number from 1");
        } else if (arg == "--nak-count") {
            ok = count(0, &o.faults.nakCount, "a number of packets");
        } else if (arg == "--cancel-after") {
            ok = count(0, &o.faults.cancelAfter, "a number of blocks");
        } else if (arg == "--stall-after") {
            ok = count(0, &o.faults.stallAfter, "a number of blocks");
        } else { // --reply-terminator
            std::string t = v;
            o.replyTerminator = t == "CR" ? "\r" : t == "LF" ? "\n" : t == "CRLF" ? "\r\n" : "";
            if (o.replyTerminator.empty()) {
                *error = "--reply-terminator takes CR, LF or CRLF";
                return std::nullopt;
            }
        }
        if (!ok)
            return std::nullopt;
    }
    if (!o.tcp && o.ptyLink.empty()) {
        *error = "give --tcp, --pty or both";
        return std::nullopt;
    }
    return o;
}
