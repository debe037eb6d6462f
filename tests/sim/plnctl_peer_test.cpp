// plnctl against peers that misbehave: a telnet server that negotiates, replies holding NUL
// and control bytes, a flood without a line end, a serial device that vanishes mid-wait, and
// command lines that name no usable link.
#include "plnctl_fixture.h"
#include "cli/reply_output.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <thread>

namespace {

// One loopback connection served by a script: it gets the socket once accepted.
class ScriptedPeer {
public:
    explicit ScriptedPeer(std::function<void(int)> script)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener_, 1);
        socklen_t n = sizeof a;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &n);
        port = ntohs(a.sin_port);
        thread_ = std::thread([this, script] {
            int fd = ::accept(listener_, nullptr, nullptr);
            if (fd >= 0) {
                script(fd);
                ::close(fd);
            }
        });
    }
    ~ScriptedPeer()
    {
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    std::string address() const { return "127.0.0.1:" + std::to_string(port); }
    int port = 0;

private:
    int listener_ = -1;
    std::thread thread_;
};

// Reads until a CR arrives (the command line) or the peer closes; returns what came.
std::string readLine(int fd)
{
    std::string got;
    char c;
    while (::read(fd, &c, 1) == 1) {
        got += c;
        if (c == '\r')
            break;
    }
    return got;
}

void sendAll(int fd, const std::string& bytes)
{
    for (std::size_t at = 0; at < bytes.size();) {
        ssize_t n = ::send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        at += std::size_t(n);
    }
}

class PlnctlPeer : public PlnctlFixture {};

} // namespace

TEST_F(PlnctlPeer, TelnetNegotiationIsRefusedAndNeverPartOfAReply)
{
    std::string seen;
    {
        // IAC DO ECHO, IAC WILL SUPPRESS-GO-AHEAD and a subnegotiation, before and inside the reply.
        ScriptedPeer peer([&seen](int fd) {
            sendAll(fd, "\xFF\xFD\x01\xFF\xFB\x03\xFF\xFA\x18\x01\xFF\xF0");
            seen = readLine(fd);
            sendAll(fd, "O\xFF\xFB\x01K\r");
            char buf[64];
            pollfd p{fd, POLLIN, 0};
            while (::poll(&p, 1, 2000) > 0) {
                ssize_t n = ::read(fd, buf, sizeof buf);
                if (n <= 0)
                    break;
                seen.append(buf, std::size_t(n));
            }
        });
        ChildResult r = run({"--host", peer.address(), "send", "CAPTURE"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "OK\n");
    }
    // The command went out, and every option was refused (the order follows the arrivals).
    EXPECT_NE(seen.find("CAPTURE\r"), std::string::npos);
    for (const char* refusal : {"\xFF\xFC\x01", "\xFF\xFE\x03", "\xFF\xFE\x01"})
        EXPECT_NE(seen.find(refusal), std::string::npos);
}

TEST_F(PlnctlPeer, AReplyReachesAPipeByteForByte)
{
    const std::string reply("A\0B\x1B[31mC\x07", 10);
    ScriptedPeer peer([&reply](int fd) {
        readLine(fd);
        sendAll(fd, reply + "\r");
    });
    ChildResult r = run({"--host", peer.address(), "send", "DATAGET", "2", "1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, reply + "\n");
}

TEST_F(PlnctlPeer, AFloodWithoutALineEndIsNoReply)
{
    ScriptedPeer peer([](int fd) {
        readLine(fd);
        const std::string block(1 << 16, 'A');
        for (int i = 0; i < 64; ++i) // 4 MB, far beyond any reply
            sendAll(fd, block);
    });
    ChildResult r = run({"--host", peer.address(), "send", "CAPTURE"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "The controller did not answer.\n");
}

TEST(ReplyOutput, ATerminalSeesControlBytesEscaped)
{
    struct Case {
        std::string reply, shown;
    };
    for (const Case& c : {Case{std::string("A\0B", 3), "A\\x00B"}, Case{"\x1B]0;title\x07", "\\x1B]0;title\\x07"},
                          Case{"back\\slash", "back\\\\slash"}, Case{"\xC2\x9B" "2J", "\\xC2\\x9B2J"},
                          Case{"\xE8\xA8\x88\xE6\xB8\xAC OK", "\xE8\xA8\x88\xE6\xB8\xAC OK"},
                          Case{"\xFF\xC3", "\\xFF\\xC3"}, Case{"\x7F", "\\x7F"}})
        EXPECT_EQ(escapeForTerminal(c.reply), c.shown);
}

TEST_F(PlnctlPeer, ASerialDeviceThatVanishesDuringTheWaitIsNamedWithTheReason)
{
    int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string device = ::ptsname(master);
    std::thread vanish([master] {
        readLine(master);
        ::close(master); // the device goes away while plnctl waits for the reply
    });
    ChildResult r = run({"--device", device, "send", "CAPTURE"});
    vanish.join();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("The serial port COM1 " + device + " is gone."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("plnctl: COM1 " + device + " was lost: "), std::string::npos) << r.err;
    EXPECT_LT(r.wallSeconds, 4.0) << "the loss ends the wait";
}

TEST_F(PlnctlPeer, LinkOptionsThatNameNothingUsableAreRefusedPlainly)
{
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string says;
    };
    const Case cases[] = {
        {{"--host", "", "send", "X"}, 2, "--host needs a non-empty value"},
        {{"--device", "", "send", "X"}, 2, "--device needs a non-empty value"},
        {{"--device", "/dev/null", "--settings", "38400,N,99,1", "send", "X"}, 2, "data bits \"99\""},
        {{"--device", "/dev/null", "--settings", "38400,N,0,1", "send", "X"}, 2, "data bits \"0\""},
        {{"--device", "/dev/null", "--settings", "38400,N,8,3", "send", "X"}, 2, "stop bits \"3\""},
        {{"--com", "16", "send", "X"}, 1, "no serial port 16 was found; name its device with PLNTOOL_COM16"},
    };
    for (const Case& c : cases) {
        ChildResult r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[1];
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}
