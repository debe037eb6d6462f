// plnctl ports: the list of serial ports and the probe that finds the controller among
// pseudo-terminals that stay silent or answer garbage; a controller that does not answer is
// named by its COM number and device.
#include "plnctl_fixture.h"
#include "sim_process.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

// A pseudo-terminal the test holds: silent, or answering every line with garbage.
class DecoyTerminal {
public:
    explicit DecoyTerminal(std::string answer = {}) : answer_(std::move(answer))
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::grantpt(master_);
        ::unlockpt(master_);
        device = ::ptsname(master_);
        // Held open, so the terminal stays when plnctl closes it.
        slave_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        thread_ = std::thread([this] { serve(); });
    }
    ~DecoyTerminal()
    {
        stop_ = true;
        thread_.join();
        ::close(slave_);
        ::close(master_);
    }
    std::string device;

private:
    void serve()
    {
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char buf[256];
            ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0 && !answer_.empty() && std::string(buf, size_t(n)).find('\r') != std::string::npos)
                (void)!::write(master_, answer_.data(), answer_.size());
        }
    }

    std::string answer_;
    int master_ = -1;
    int slave_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

QJsonObject report(const std::string& out)
{
    QJsonParseError error{};
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << out;
    return doc.object();
}

class PlnctlPorts : public PlnctlFixture {};

} // namespace

TEST_F(PlnctlPorts, ProbeFindsTheControllerAmongDecoys)
{
    DecoyTerminal silent;
    DecoyTerminal garbage("\x1b[?1;2c#?ERR\xff\r\n");
    const std::string link = (folder / "controller").string();
    SimProcess sim({"--pty", link});
    const std::vector<std::string> env{"LC_ALL=", "LC_MESSAGES=", "LANG=C", "PLNTOOL_COM1=" + silent.device,
                                       "PLNTOOL_COM2=" + garbage.device, "PLNTOOL_COM3=" + link};

    ChildResult r = run({"ports", "--json"}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    QJsonObject o = report(r.out);
    const QJsonArray ports = o["ports"].toArray();
    ASSERT_GE(ports.size(), 3);
    EXPECT_EQ(ports[0].toObject()["com"].toInt(), 1);
    EXPECT_EQ(ports[0].toObject()["device"].toString().toStdString(), silent.device);
    EXPECT_EQ(ports[2].toObject()["device"].toString().toStdString(), link);
    EXPECT_EQ(ports[2].toObject()["state"].toString(), "free");

    r = run({"ports", "--probe", "1", "2", "3"}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "--com 3 --settings 38400,N,8,1\n");
    EXPECT_NE(r.err.find("COM3 = " + link), std::string::npos) << r.err;
    EXPECT_LT(r.wallSeconds, 10.0);

    // What the probe printed is ready to paste.
    r = run({"--com", "3", "--settings", "38400,N,8,1", "capture"}, env);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    // The silent port is named when it gives no reply.
    r = run({"--com", "1", "capture"}, env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("The controller did not answer.\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("COM1 = " + silent.device), std::string::npos) << r.err;
}

TEST_F(PlnctlPorts, ProbeWithNoControllerFails)
{
    DecoyTerminal silent;
    ChildResult r = run({"ports", "--probe", "--json", "1"},
                        {"LC_ALL=", "LC_MESSAGES=", "LANG=C", "PLNTOOL_COM1=" + silent.device});
    EXPECT_EQ(r.exitCode, 1);
    QJsonObject o = report(r.out);
    EXPECT_EQ(o["status"].toString(), "failed");
    EXPECT_TRUE(o["found"].toArray().isEmpty());
}
