// Our receiver and sender against the independent XMODEM programs of lrzsz (sx, rx) across a
// pseudo-terminal that socat makes, on the real QSerialPort-based port.
#include "recording_prompter.h"
#include "socat_peer.h"
#include "temp_folder.h"

#include "app/app_state.h"
#include "link/qt_serial_port.h"
#include "link/qt_waiter.h"
#include "link/steady_clock.h"
#include "xmodem/serial_transport.h"
#include "xmodem/xm_protocol.h"
#include "xmodem/xm_receiver.h"
#include "xmodem/xm_sender.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <ostream>
#include <thread>

namespace {

class StringSink : public XmBlockSink {
public:
    std::string data;
    bool write(const uint8_t* d, std::size_t n) override
    {
        data.append(reinterpret_cast<const char*>(d), n);
        return true;
    }
};

std::string fileOf(size_t n)
{
    std::string f(n, '\0');
    uint32_t x = 12345;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        f[i] = char(x >> 24);  // every byte value, control bytes included
    }
    return f;
}

struct Interop {
    size_t size;
    bool crc;
};

void PrintTo(const Interop& c, std::ostream* os) { *os << c.size << (c.crc ? " bytes, CRC" : " bytes, checksum"); }

class LrzszInterop : public ::testing::TestWithParam<Interop> {
protected:
    void SetUp() override
    {
        if (!haveSocatAndLrzsz())
            GTEST_SKIP() << "socat and lrzsz are needed (scripts/deps)";
        QObject::connect(&port, &QtSerialPort::inputArrived, &waiter, &QtWaiter::wake);
    }

    bool openPort()
    {
        SerialConfig config;
        config.device = (folder / "tty").string();
        config.baud = 115200;
        config.binary = true;
        std::string reason;
        bool ok = port.open(config, &reason);
        EXPECT_TRUE(ok) << reason;
        return ok;
    }

    TempFolder folder;
    AppState state;
    RecordingPrompter prompter;
    SteadyClock clock;
    QtWaiter waiter{clock};
    QtSerialPort port;
    XmSerialTransport transport{state, clock, waiter, port, prompter};
};

TEST_P(LrzszInterop, OurReceiverTakesWhatSxSends)
{
    const Interop c = GetParam();
    const std::string sent = fileOf(c.size);
    folder.write("sent.bin", sent);
    Socat socat(folder / "tty", "EXEC:sx -q sent.bin", false);
    // sx sets its terminal up before it listens; a start request sent earlier would be lost.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(openPort());
    StringSink sink;
    XmReceiveContext context{transport, sink, nullptr, "", ""};
    // The checksum variant starts with NAK, which makes sx send checksum packets.
    int status = c.crc ? fncXmReceive(context) : fncXmReceiveSum(context);
    EXPECT_EQ(status, kXmComplete);
    EXPECT_EQ(socat.wait(5000), 0);
    ASSERT_EQ(sink.data.size(), (c.size + 127) / 128 * 128);
    EXPECT_TRUE(sink.data.compare(0, c.size, sent) == 0);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_P(LrzszInterop, RxTakesWhatOurSenderSends)
{
    const Interop c = GetParam();
    const std::string sent = fileOf(c.size);
    // rx is started only once our port is open, so its first start request reaches us.
    Socat socat(folder / "tty", std::string("EXEC:rx -q -b ") + (c.crc ? "-c " : "") + "received.bin", true);
    ASSERT_TRUE(openPort());
    int status = fncXmSend(transport, {reinterpret_cast<const uint8_t*>(sent.data()), sent.size()}, nullptr);
    EXPECT_EQ(status, kXmComplete);
    EXPECT_EQ(socat.wait(5000), 0);
    std::string got = folder.read("received.bin");
    ASSERT_EQ(got.size(), (c.size + 127) / 128 * 128);
    EXPECT_TRUE(got.compare(0, c.size, sent) == 0);
    EXPECT_EQ(got.substr(c.size), std::string(got.size() - c.size, '\xff'));
}

INSTANTIATE_TEST_SUITE_P(Files, LrzszInterop,
                         ::testing::Values(Interop{1, true}, Interop{128, true}, Interop{1000, true},
                                           Interop{282156, true}, Interop{1, false}, Interop{1000, false},
                                           Interop{282156, false}),
                         [](const auto& info) {
                             return std::to_string(info.param.size) + (info.param.crc ? "Crc" : "Checksum");
                         });

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
