#pragma once
// The tool's side of a transfer, written out plainly for the simulator's tests: a TCP socket
// (telnet-stuffed transfers) or the pseudo-terminal opened raw, a command line, and an XMODEM
// receiver and sender that record what they saw.

#include "xmodem_packet.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <utility>

class ScriptPeer {
public:
    static ScriptPeer tcp(int port)
    {
        ScriptPeer p;
        p.fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(uint16_t(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(p.fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            p.close();
        p.telnet_ = true;
        return p;
    }
    static ScriptPeer pty(const std::string& path)
    {
        ScriptPeer p;
        p.fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        if (p.fd_ >= 0 && tcgetattr(p.fd_, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(p.fd_, TCSANOW, &t);
        }
        return p;
    }
    ScriptPeer(ScriptPeer&& o) noexcept : fd_(o.fd_), telnet_(o.telnet_) { o.fd_ = -1; }
    ScriptPeer& operator=(ScriptPeer&&) = delete;
    ~ScriptPeer() { close(); }
    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    bool ok() const { return fd_ >= 0; }

    void send(const std::string& bytes) { (void)!::write(fd_, bytes.data(), bytes.size()); }
    // One raw byte within ms, -1 on time-out, -2 when the link closed.
    int rawByte(int ms = 3000)
    {
        if (pushedBack_ >= 0)
            return std::exchange(pushedBack_, -1);
        if (next_ == buffer_.size()) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, ms) <= 0)
                return -1;
            char chunk[4096];
            ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n <= 0)
                return -2;
            buffer_.assign(chunk, size_t(n));
            next_ = 0;
        }
        char c = buffer_[next_++];
        raw += c;
        return uint8_t(c);
    }
    // One byte of the transfer, telnet stuffing undone on TCP.
    int byte(int ms = 3000)
    {
        int c = rawByte(ms);
        if (telnet_ && (c == 0xFF || c == '\r')) {
            int second = rawByte(ms);
            if (second != (c == 0xFF ? 0xFF : 0))
                stuffingErrors++;
        }
        return c;
    }
    // The reply line without its terminator; the terminator goes to *ending.
    std::string line(std::string* ending = nullptr, int ms = 3000)
    {
        std::string text;
        for (int c; (c = rawByte(ms)) >= 0;) {
            if (c == '\r' || c == '\n') {
                std::string end(1, char(c));
                if (c == '\r') {
                    int next = rawByte(50);
                    if (next == '\n')
                        end += '\n';
                    else if (next >= 0)
                        pushedBack_ = next;
                }
                if (ending)
                    *ending = end;
                return text;
            }
            text += char(c);
        }
        return text + "<no line>";
    }
    std::string command(const std::string& cmd, const std::string& ending = "\r")
    {
        send(cmd + ending);
        return line();
    }

    struct Received {
        std::string data;
        int packets = 0;   // packets read, repeats and bad ones included
        int naks = 0;      // NAKs this side sent for bad packets
        int repeats = 0;
        bool done = false; // EOT acknowledged
        bool cancelled = false;
        int end = 0;       // the byte value or -1/-2 that ended the transfer otherwise
    };
    // Asks with start ("C" or NAK) and receives until EOT, two CAN, silence or a closed link.
    Received receive(char start, int silenceMs = 3000)
    {
        Received r;
        const bool crc = start == 'C';
        send(std::string(1, start));
        uint8_t expected = 1;
        for (;;) {
            int c = byte(silenceMs);
            if (c == xm::kEot) {
                send(std::string(1, xm::kAck));
                r.done = true;
                return r;
            }
            if (c == xm::kCan) {
                if (byte(silenceMs) == xm::kCan) {
                    r.cancelled = true;
                    return r;
                }
                continue;
            }
            if (c != xm::kSoh) {
                r.end = c;
                return r;
            }
            std::string p(1, char(c));
            while (p.size() < xm::packetSize(crc)) {
                int d = byte(silenceMs);
                if (d < 0) {
                    r.end = d;
                    return r;
                }
                p += char(d);
            }
            ++r.packets;
            if (!xm::packetHeaderValid(p) || !xm::packetCheckValid(p, crc)) {
                ++r.naks;
                send(std::string(1, xm::kNak));
                continue;
            }
            if (uint8_t(p[1]) == expected) {
                r.data += p.substr(3, 128);
                ++expected;
            } else {
                ++r.repeats;
            }
            send(std::string(1, xm::kAck));
        }
    }

    struct Sent {
        char start = 0;       // the start request that came
        int naksReceived = 0;
        bool done = false;
        bool cancelled = false;
    };
    // Waits for the start request, then sends data in 128-byte packets (on TCP stuffed into
    // 289-byte frames filled with zeros, as the tool does) and the EOT.
    Sent sendFile(const std::string& data, int waitMs = 3000)
    {
        Sent s;
        int c;
        while ((c = byte(waitMs)) >= 0 && c != 'C' && c != xm::kNak) {
        }
        if (c < 0)
            return s;
        s.start = char(c);
        const bool crc = c == 'C';
        uint8_t block = 1;
        for (size_t pos = 0;; pos += 128, ++block) {
            std::string p = pos < data.size() ? xm::packet(block, data.substr(pos, 128), crc) : std::string(1, xm::kEot);
            for (;;) {
                if (telnet_ && p.size() > 1) {
                    std::string framed;
                    for (char b : p) {
                        framed += b;
                        if (b == char(0xFF))
                            framed += char(0xFF);
                        else if (b == '\r')
                            framed += '\0';
                    }
                    framed.resize(289, '\0');
                    send(framed);
                } else {
                    send(p);
                }
                int a = byte(waitMs);
                while (a == 'C') // a start request sent before ours arrived
                    a = byte(waitMs);
                if (a == xm::kAck)
                    break;
                if (a == xm::kNak) {
                    ++s.naksReceived;
                    continue;
                }
                if (a == xm::kCan)
                    s.cancelled = byte(waitMs) == xm::kCan;
                return s;
            }
            if (p.size() == 1) {
                s.done = true;
                return s;
            }
        }
    }

    std::string raw;       // every byte read, as it came over the link
    int stuffingErrors = 0;

private:
    ScriptPeer() = default;
    int fd_ = -1;
    bool telnet_ = false;
    int pushedBack_ = -1; // the byte after a lone CR
    std::string buffer_;  // read but not yet taken
    size_t next_ = 0;
};
