#pragma once
// The real link (QSerialPort on plnsim's pseudo-terminal, QTcpSocket on loopback) on a program
// folder of its own, with a recording Prompter and status log.

#include "link_fixture.h"

#include <string>
#include <vector>

class SimLinkFixture : public ::testing::Test {
protected:
    SimLinkFixture()
    {
        prepareTestState(state, folder);
        link.setStatusLogs(&log, nullptr);
    }
    void useSerial(const std::string& device)
    {
        link.channel().setDeviceResolver([device](int) { return device; });
        ASSERT_EQ(link.channel().fncOpenComPort(), 0) << (log.lines.empty() ? "" : log.lines.back());
        state.gLinkMode = kLinkSerial;
    }
    void useLan(int port)
    {
        link.socket().setRemote("127.0.0.1", uint16_t(port));
        link.socket().connectToRemote();
        state.gLinkMode = kLinkLan;
    }
    // Box numbers shown since the last call.
    std::vector<long> boxes()
    {
        std::vector<long> n;
        for (const auto& b : prompter.shown)
            n.push_back(b.number);
        prompter.shown.clear();
        return n;
    }

    TempFolder folder;
    AppState state;
    RecordingPrompter prompter;
    Messenger messenger{state, prompter};
    RecordingStatusLog log;
    DeviceLink link{state, messenger};
};
