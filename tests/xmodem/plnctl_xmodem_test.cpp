// plnctl xmodem recv|send as a user runs it, against lrzsz across a pseudo-terminal, and
// Ctrl-C in the middle of a transfer.
#include "child_process.h"
#include "link_fixture.h"
#include "socat_peer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

class PlnctlXmodem : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveSocatAndLrzsz())
            GTEST_SKIP() << "socat and lrzsz are needed (scripts/deps)";
        writeTestMessages(folder);
        writeTestSettings(folder);
    }
    std::vector<std::string> args(const std::string& direction, const std::string& file)
    {
        return {"--program-folder", folder.path().string(), "--device", (folder / "tty").string(), "xmodem",
                direction, (folder / file).string()};
    }
    std::vector<std::string> filesInFolder() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    TempFolder folder;
};

std::string fileOf(size_t n)
{
    std::string f(n, '\0');
    for (size_t i = 0; i < n; ++i)
        f[i] = char((i * 131 + 7) & 0xFF);
    return f;
}

TEST_F(PlnctlXmodem, ReceivesFromSxAndSendsToRx)
{
    const std::string sent = fileOf(5000);
    folder.write("sent.bin", sent);
    folder.write("got.bin", "previous");
    {
        Socat peer(folder / "tty", "EXEC:sx -q sent.bin", false);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ChildResult r = runChild(PLNCTL_PATH, args("recv", "got.bin"));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");  // no terminal: no progress line
        EXPECT_EQ(folder.read("got.bin"), sent + std::string(120, '\x1a'));
    }
    {
        Socat peer(folder / "tty", "EXEC:rx -q -b -c rx.bin", true);
        ChildResult r = runChild(PLNCTL_PATH, args("send", "sent.bin"));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(peer.wait(5000), 0);
        EXPECT_EQ(folder.read("rx.bin"), sent + std::string(120, '\xff'));
    }
}

// A controller on loopback TCP that sends one block (telnet-escaped) and then the closing
// line `closing`.
class TcpSender {
public:
    TcpSender(const std::string& block, const std::string& closing)
    {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        bind(listener_, reinterpret_cast<sockaddr*>(&a), len);
        listen(listener_, 1);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        thread_ = std::thread([this, block, closing] {
            int fd = accept(listener_, nullptr, nullptr);
            auto expect = [fd](char wanted) {
                char b = 0;
                pollfd p{fd, POLLIN, 0};
                return poll(&p, 1, 5000) == 1 && read(fd, &b, 1) == 1 && b == wanted;
            };
            std::string packet = "\x01\x01\xfe" + block;
            int crc = 0;
            for (unsigned char ch : block) {
                crc ^= ch << 8;
                for (int i = 0; i < 8; ++i)
                    crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) & 0xFFFF : (crc << 1) & 0xFFFF;
            }
            packet += char(crc >> 8);
            packet += char(crc & 0xFF);
            std::string wire;
            for (char ch : packet)
                wire += ch == '\xff' ? std::string("\xff\xff") : ch == '\r' ? std::string("\r\0", 2) : std::string(1, ch);
            if (expect('C') && write(fd, wire.data(), wire.size()) > 0 && expect('\x06') && write(fd, "\x04", 1) == 1 &&
                expect('\x15') && write(fd, "\x04", 1) == 1 && expect('\x06')) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                [[maybe_unused]] ssize_t n = write(fd, closing.data(), closing.size());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            close(fd);
        });
    }
    ~TcpSender()
    {
        thread_.join();
        close(listener_);
    }
    int port = 0;

private:
    int listener_ = -1;
    std::thread thread_;
};

TEST_F(PlnctlXmodem, OverTcpTheClosingLineDecides)
{
    std::string block(128, '\0');
    for (int i = 0; i < 128; ++i)
        block[size_t(i)] = char(i * 2 + 1);  // 255 and CR among them
    for (const std::string closing : {"OK\r", "ER\r"}) {
        SCOPED_TRACE(closing);
        folder.write("got.bin", "previous");
        TcpSender controller(block, closing);
        ChildResult r = runChild(PLNCTL_PATH, {"--program-folder", folder.path().string(), "--host",
                                               "127.0.0.1:" + std::to_string(controller.port), "xmodem", "recv",
                                               (folder / "got.bin").string()});
        if (closing == "OK\r") {
            EXPECT_EQ(r.exitCode, 0) << r.err;
            EXPECT_EQ(folder.read("got.bin"), block);
        } else {
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(r.err, "The controller did not answer.\n");  // Message 22 of the test texts
            EXPECT_EQ(folder.read("got.bin"), "previous");
        }
    }
}

TEST_F(PlnctlXmodem, EmptyFileAndBadArgumentsAreRefused)
{
    folder.write("empty.bin", "");
    Socat peer(folder / "tty", "SYSTEM:cat >peer.log", false);
    ChildResult r = runChild(PLNCTL_PATH, args("send", "empty.bin"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("empty"), std::string::npos) << r.err;
    r = runChild(PLNCTL_PATH, args("sideways", "empty.bin"));
    EXPECT_EQ(r.exitCode, 2);
}

TEST_F(PlnctlXmodem, CtrlCStopsWithTenCanAndKeepsThePreviousFile)
{
    folder.write("got.bin", "previous");
    // A peer that never sends: everything we write lands in peer.log.
    Socat peer(folder / "tty", "SYSTEM:cat >peer.log", false);
    int err[2];
    ASSERT_EQ(pipe(err), 0);
    std::vector<std::string> a = args("recv", "got.bin");
    pid_t pid = fork();
    if (pid == 0) {
        dup2(err[1], 2);
        close(err[0]);
        std::vector<char*> argv{const_cast<char*>(PLNCTL_PATH)};
        for (auto& s : a)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        execv(PLNCTL_PATH, argv.data());
        _exit(127);
    }
    close(err[1]);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    auto stopAt = std::chrono::steady_clock::now();
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - stopAt).count();
    std::string text;
    char buf[512];
    for (ssize_t n; (n = read(err[0], buf, sizeof buf)) > 0;)
        text.append(buf, size_t(n));
    close(err[0]);

    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
    EXPECT_EQ(text, "plnctl: stopped\n");
    EXPECT_GE(seconds, 0.95);  // the one-second pause of the stop sequence
    EXPECT_LT(seconds, 3.0);
    EXPECT_EQ(folder.read("got.bin"), "previous");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(folder.read("peer.log"), "C" + std::string(10, '\x18'));
    EXPECT_EQ(filesInFolder(), (std::vector<std::string>{"MessageENG.ini", "Setting.ini", "got.bin", "peer.log", "tty"}));
}

} // namespace
