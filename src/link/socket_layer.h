#pragma once
// The operations on the LAN socket that the command channel, the connection panel and the
// XMODEM transfer share: text, byte and telnet-escaped block send and receive with their
// stop and time-out results, the readable state, the disconnect routine and fncWaitMs.

#include "app/link_settings.h"
#include "link/clock.h"
#include "link/status_log.h"
#include "link/tcp_socket.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/error_numbers.h"  // the byte and block receive end with kXmStopped or kXmTimeout

struct AppState;

inline constexpr int kSockFrameSize = 289;     // every escaped block goes out as one frame of this size
inline constexpr int kSockBlockSize = 133;     // elements of a received block
inline constexpr int64_t kSockBlockLimitMs = 10000;
inline constexpr int kSockPolls = 800;

// A received block: each element a byte 0..255, -1 when empty; element 0 may hold 4096 or 4098.
using SockBlock = std::array<int, kSockBlockSize>;

// "Connection Status: " + the name of the state.
std::string sockStateText(int state);

// The telnet-style stuffing of a block: 255 doubled, CR followed by a 0; the result is padded
// with zeros to 289 bytes. Throws std::length_error when the escaped data would not fit.
std::vector<uint8_t> encodeTelnetFrame(const uint8_t* data, long last);

class SocketLayer {
public:
    SocketLayer(AppState& state, Clock& clock, Waiter& waiter, TcpSocket& socket);

    // The status boxes that fncLanDisconnect writes to: the main window's and frmLanSet's.
    void setStatusLogs(StatusLog* mainWindow, StatusLog* lanSettings);

    TcpSocket& socket() { return socket_; }
    Clock& clock() { return clock_; }
    Waiter& waiter() { return waiter_; }

    // Waits until the counter has moved on by more than ms; runs no window events.
    void fncWaitMs(int64_t ms);
    // Runs the pending window events that the pump mode allows, once.
    void yield(Pump pump = Pump::All);

    std::string fncSockStateText() const { return sockStateText(socket_.state()); }
    std::string fncSockSendText(const std::string& text);
    void fncSockSendByte(uint8_t b);
    void fncSockSendBytes(const uint8_t* data, long last);

    // Waits up to about gSockTimeout for bytes beyond those pending at the call, then returns
    // everything pending (possibly empty); "" when the socket is not connected.
    std::string fncSockReceiveText(Pump pump = Pump::All);
    // One byte 0..255, or 4096 on a stop request, or nullopt when the socket is not connected.
    // Throws LinkError 40006 after 800 polls without data.
    std::optional<int> fncSockReceiveByte();
    // last + 1 unescaped bytes; element 0 is 4096 on a stop request, 4098 after 10000 ms.
    // Not connected: reconnects and returns nullopt once connected (or 4096/4098).
    // Throws LinkError 40006 after 800 polls without data.
    std::optional<SockBlock> fncSockReceiveBlock(long last);

    // Closes the socket and tells both status boxes; enables both connect buttons.
    void fncLanDisconnect();

private:
    int32_t sockTimeout();
    // One poll step of the receive loops: gSockTimeout / divisor milliseconds.
    int64_t pollStepMs(int divisor);
    [[noreturn]] void raiseTimeout();

    AppState& state_;
    Clock& clock_;
    Waiter& waiter_;
    TcpSocket& socket_;
    StatusLog* mainLog_ = nullptr;
    StatusLog* lanSetLog_ = nullptr;
};
