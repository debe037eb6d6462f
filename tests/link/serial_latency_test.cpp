// The serial driver is asked for low latency while the port is in binary mode (a transfer) and
// gets its own setting back afterwards; a driver that refuses is no failure.
#include "link/qt_serial_port.h"
#include "link/serial_latency.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

// Records every request; the flag starts as `flag`, nullopt for a driver that refuses.
class FakeLatencyDriver : public SerialLatencyDriver {
public:
    struct Log {
        std::optional<bool> flag = false;
        std::vector<std::string> requests;
    };
    explicit FakeLatencyDriver(Log& log) : log_(log) {}
    std::optional<bool> lowLatency(int fd) override
    {
        log_.requests.push_back("get " + std::to_string(fd));
        return log_.flag;
    }
    bool setLowLatency(int fd, bool on) override
    {
        log_.requests.push_back(std::string(on ? "on " : "off ") + std::to_string(fd));
        if (!log_.flag)
            return false;
        log_.flag = on;
        return true;
    }

private:
    Log& log_;
};

TEST(LowLatencyScope, SetsTheFlagAndGivesTheOldSettingBack)
{
    struct Case { const char* name; std::optional<bool> before; std::vector<std::string> requests; };
    const Case cases[] = {
        {"flag clear", false, {"get 7", "on 7", "off 7"}},
        {"flag set already: left as it is", true, {"get 7"}},
        {"driver refuses: silently nothing", std::nullopt, {"get 7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeLatencyDriver::Log log;
        log.flag = c.before;
        FakeLatencyDriver driver(log);
        {
            LowLatencyScope scope(driver, 7);
            EXPECT_EQ(scope.engaged(), c.before == false);
        }
        EXPECT_EQ(log.requests, c.requests);
        EXPECT_EQ(log.flag, c.before);
    }
}

class PtyPair {
public:
    PtyPair()
    {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = name;
    }
    ~PtyPair()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
    int master = -1;
    int slave = -1;
    std::string path;
};

TEST(QtSerialPortLatency, BinaryModeAsksForLowLatencyUntilTheEnd)
{
    PtyPair pty;
    ASSERT_FALSE(pty.path.empty());
    FakeLatencyDriver::Log log;
    QtSerialPort port(std::make_unique<FakeLatencyDriver>(log));
    SerialConfig config;
    config.device = pty.path;

    ASSERT_TRUE(port.open(config, nullptr));  // text mode: commands, no request
    EXPECT_TRUE(log.requests.empty());

    config.binary = true;
    ASSERT_TRUE(port.open(config, nullptr));
    const std::string fd = std::to_string(int(port.qport().handle()));
    EXPECT_EQ(log.requests, (std::vector<std::string>{"get " + fd, "on " + fd}));
    EXPECT_EQ(log.flag, true);

    port.close();
    EXPECT_EQ(log.requests.back(), "off " + fd);
    EXPECT_EQ(log.flag, false);

    // Reopening in binary mode after a transfer that ended any way asks again, and the port's
    // end gives the setting back once more.
    ASSERT_TRUE(port.open(config, nullptr));
    config.binary = false;
    ASSERT_TRUE(port.open(config, nullptr));
    EXPECT_EQ(log.requests.size(), 6u);
    EXPECT_EQ(log.requests.back(), "off " + fd);
}

TEST(QtSerialPortLatency, APseudoTerminalRefusesAndTheTransferPortStillOpens)
{
    PtyPair pty;
    ASSERT_FALSE(pty.path.empty());
    SystemSerialLatencyDriver system;
    EXPECT_EQ(system.lowLatency(pty.slave), std::nullopt);
    EXPECT_FALSE(system.setLowLatency(pty.slave, true));
    QtSerialPort port;
    SerialConfig config;
    config.device = pty.path;
    config.binary = true;
    EXPECT_TRUE(port.open(config, nullptr));
    EXPECT_TRUE(port.write("x"));
}

} // namespace
