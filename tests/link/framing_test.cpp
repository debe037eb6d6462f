#include "link/framing.h"
#include "link/lan_address.h"
#include "link/port_names.h"
#include "link/serial_port.h"

#include <gtest/gtest.h>

TEST(Framing, CommandLosesOuterBlanksAndGetsTheTerminator)
{
    EXPECT_EQ(frameCommand("  IMGSAVE 0 5  ", "\r"), "IMGSAVE 0 5\r");
    EXPECT_EQ(frameCommand("M /E", "\r\n"), "M /E\r\n");
    EXPECT_EQ(frameCommand("   ", "\n"), "\n");
}

TEST(Framing, ReplyIsCutPerTerminator)
{
    struct Case { const char* received; const char* terminator; std::optional<std::string> reply; };
    const Case cases[] = {
        {"OK\r\n", "\r", "OK"},           // the LF stays behind and is dropped
        {"OK\r\n", "\n", "OK\r"},         // LF terminator keeps the CR
        {"OK\n", "\r\n", std::nullopt},   // CR+LF never seen
        {"OK\r\n", "\r\n", "OK"},
        {"A\rB\rC\r", "\r", "A"},         // several lines: the first only
        {"OK", "\r", std::nullopt},
        {"\r", "\r", ""},                 // an empty line
        {"\n\r\n", "\r\n", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(extractReply(c.received, c.terminator), c.reply) << c.received;
}

TEST(LanAddress, HostPortAndBracketedV6)
{
    struct Case { const char* text; std::string host; uint16_t port; };
    const Case good[] = {
        {"192.168.0.10", "192.168.0.10", 23}, {"127.0.0.1:2323", "127.0.0.1", 2323},
        {" plc.local ", "plc.local", 23},     {"[::1]:4000", "::1", 4000},
        {"[fe80::1]", "fe80::1", 23},         {"fe80::1", "fe80::1", 23},
    };
    for (const Case& c : good) {
        auto a = parseLanAddress(c.text);
        ASSERT_TRUE(a) << c.text;
        EXPECT_EQ(a->host, c.host);
        EXPECT_EQ(a->port, c.port);
        // Written back as the log names it: an IPv6 host in brackets, always with its port.
        const std::string written = formatLanAddress(*a);
        EXPECT_EQ(parseLanAddress(written)->host, c.host) << written;
        EXPECT_EQ(written.find('[') == 0, c.host.find(':') != std::string::npos) << written;
    }
    for (const char* bad : {"", "host:", "host:0", "host:70000", "host:2x", "[::1", "[::1]x", ":23"})
        EXPECT_FALSE(parseLanAddress(bad)) << bad;
}

TEST(SerialSettings, ParsesTheFourFields)
{
    auto c = parseComSettings("115200,E,7,2");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->baud, 115200);
    EXPECT_EQ(c->parity, 'E');
    EXPECT_EQ(c->dataBits, 7);
    EXPECT_EQ(c->stopBits, 2);
    for (const char* bad : {"38400,N,8", "x,N,8,1", "38400,X,8,1", "38400,N,,1", "38400,N,99,1"})
        EXPECT_FALSE(parseComSettings(bad)) << bad;
}

TEST(PortNames, AdaptersFirstByStableNameThenOnBoardPorts)
{
    std::vector<SerialDeviceInfo> found = {
        {"/dev/ttyS0", "/dev/ttyS0", false},
        {"/dev/ttyUSB1", "/dev/serial/by-id/usb-A", true},
        {"/dev/ttyACM0", "/dev/serial/by-id/usb-C", true},
        {"/dev/ttyUSB0", "/dev/serial/by-id/usb-B", true},
    };
    auto ordered = orderSerialDevices(found);
    std::vector<std::string> locations;
    for (const auto& d : ordered)
        locations.push_back(d.systemLocation);
    EXPECT_EQ(locations, (std::vector<std::string>{"/dev/ttyUSB1", "/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyS0"}));
}

TEST(PortNames, EnvironmentNamesTheDevice)
{
    setenv("PLNTOOL_COM7", "/tmp/some-pty-link", 1);
    EXPECT_EQ(fncComDeviceName(7), "/tmp/some-pty-link");
    unsetenv("PLNTOOL_COM7");
    EXPECT_EQ(fncComDeviceName(0), "");
    EXPECT_EQ(fncComDeviceName(17), "");
}
