#pragma once
// A link over fakes with its own program folder and message file, and a recording Prompter.

#include "fake_link.h"
#include "recording_prompter.h"
#include "temp_folder.h"

#include "app/app_state.h"
#include "app/messages.h"
#include "link/device_link.h"

#include <gtest/gtest.h>

#include <memory>

inline void writeTestMessages(const TempFolder& folder)
{
    folder.write("MessageENG.ini",
                 "[Message]\r\n21=No link to the controller.@48\r\n22=The controller did not answer.@48\r\n"
                 "24=The controller answered ER.@48\r\n99=The settings cannot be read.@16\r\n"
                 "300=The serial port %1 is gone.@16\r\n"
                 "[Label]\r\n1=Error\r\n2=NG\r\n3=OK\r\n12=Measure\r\n13=Stop\r\n");
}

// The Setting.ini of such a folder: English, COM1 at the default settings, CR.
inline void writeTestSettings(const TempFolder& folder)
{
    folder.write("Setting.ini", "[OPERATION]\r\nLanguage=English\r\n[COM]\r\nPort=1\r\n"
                                "Setting=38400,N,8,1\r\nDelimitr=0\r\n");
}

// A program folder with the test messages, English, COM1 at the default settings and CR
// on both links.
inline void prepareTestState(AppState& state, const TempFolder& folder)
{
    writeTestMessages(folder);
    state.programFolder = folder.path();
    state.gLanguage = 1;
    state.gComPort = 1;
    state.gComSettings = "38400,N,8,1";
    state.gComDelimiter = "\r";
    state.gLanDelimiter = "\r";
}

class LinkFixture : public ::testing::Test {
protected:
    LinkFixture()
    {
        prepareTestState(state, folder);
        auto p = std::make_unique<FakeSerialPort>(world);
        auto s = std::make_unique<FakeTcpSocket>(world);
        port = p.get();
        socket = s.get();
        link = std::make_unique<DeviceLink>(state, messenger, std::make_unique<FakeClock>(world),
                                            std::make_unique<FakeWaiter>(world), std::move(p), std::move(s));
        link->setStatusLogs(&mainLog, &lanLog);
        link->channel().setDeviceResolver([](int n) { return "/dev/fake" + std::to_string(n); });
        link->channel().setTransferMarkFolder(folder.path() / "marks");
    }

    // Box numbers shown so far.
    std::vector<long> boxes() const
    {
        std::vector<long> n;
        for (const auto& b : prompter.shown)
            n.push_back(b.number);
        return n;
    }

    // The serial peer answers each written line with reply(line) after delayMs.
    void serialPeer(std::function<std::string(const std::string&)> reply, int64_t delayMs = 10)
    {
        port->onWrite = [this, reply, delayMs](const std::string& line) {
            std::string r = reply(line);
            world.after(delayMs, [this, r] { port->input += r; });
        };
    }
    void lanPeer(std::function<std::string(const std::string&)> reply, int64_t delayMs = 10)
    {
        socket->onSend = [this, reply, delayMs](const std::string& line) {
            std::string r = reply(line);
            world.after(delayMs, [this, r] { socket->input += r; });
        };
    }

    TempFolder folder;
    AppState state;
    RecordingPrompter prompter;
    Messenger messenger{state, prompter};
    FakeWorld world;
    FakeSerialPort* port = nullptr;
    FakeTcpSocket* socket = nullptr;
    RecordingStatusLog mainLog;
    RecordingStatusLog lanLog;
    std::unique_ptr<DeviceLink> link;
};
